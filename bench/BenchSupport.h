#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

// What both benchmarks share: the clock, the side-by-side runs, a scratch
// directory that is always deleted, and generated folder files that look like
// the mail client's own.
namespace bench {

// Seconds on the performance counter.
double Seconds();

template <typename F>
double TimeOf(F&& run) {
    const double start = Seconds();
    run();
    return Seconds() - start;
}

double Median(std::vector<double> values);

// Each run returns the seconds it measured itself, so that it can keep its
// preparation and clean-up out of the figure.
using TimedRun = std::function<double()>;

struct SideBySide {
    std::vector<double> real;
    std::vector<double> bare;
};

// Runs both sides once unmeasured (file cache and code warm), then repetitions
// times each, the side that goes first alternating, so that neither profits
// from always running second.
SideBySide RunSideBySide(int repetitions, const TimedRun& real, const TimedRun& bare);

// Prints both medians and their ratio against the goal. Beside it, as checks
// on a machine whose load changes during the run: the median of the ratios of
// runs made back to back, and the ratio of the fastest runs (load only ever
// adds time).
void PrintSideBySide(const char* realLabel, const char* bareLabel, const SideBySide& times,
                     double goal);

// One piece of a run, or a variant of it, timed on its own; prepare runs before
// each timing, outside it.
struct Piece {
    const char* label;
    std::function<void()> prepare;
    std::function<void()> run;
};

// Every piece once per round, in order (a piece may use what the ones before it
// left), one unmeasured round first, so that drifts in the machine's load fall
// on all pieces alike. Returns each piece's median, in the pieces' order.
std::vector<double> TimeRoundRobin(int repetitions, const std::vector<Piece>& pieces);

void PrintPieces(const std::vector<Piece>& pieces, const std::vector<double>& medians);

// A fresh directory under the system's temporary directory, deleted with all
// it holds (read-only files too) when the owner goes.
class ScratchDirectory {
  public:
    explicit ScratchDirectory(const std::string& label);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    // A new empty subdirectory; "" when it could not be made.
    std::string NewSubdirectory(const std::string& name) const;

  private:
    std::string path_;
};

bool RemoveTree(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool MakeReadOnly(const std::string& path);

// Whether a read-only file here refuses to be opened for writing. Wine run as
// root opens it anyway, so the read-only path of the program is not exercised.
bool ReadOnlyIsEnforced(const std::string& directory);

// One generated folder: its files' bytes and the header texts they carry.
struct FolderFiles {
    std::string displayName;
    std::string folderId;
    std::string messageFile; // .PMM: 128-byte header, messages each ending in 0x1A
    std::string indexFile;   // .PMI: one 118-byte record per message
};

// Deterministic generator of folders as the mail client writes them: varied
// display names (some repeated), IDs of the forms found in real files, CRLF
// messages starting with "From:" or "Received:".
class FolderMaker {
  public:
    explicit FolderMaker(std::uint32_t seed) : random_(seed) {}
    // A folder whose messages hold at least messageBytes bytes in all.
    FolderFiles Make(const std::string& stem, std::size_t messageBytes);

  private:
    std::string DisplayName();
    std::string FolderId(const std::string& stem);
    std::string Message(std::size_t bodyBytes, std::string& from, std::string& subject,
                        std::string& date);
    std::size_t Pick(std::size_t count);

    std::mt19937 random_;
};

// "FOL" and five hex digits, the usual folder file stem.
std::string FolderStem(unsigned number);

// A hidden window with a list box child IDC_SOURCE_LIST (sorted, as the
// dialog's, unless asked otherwise), installed as hMainDlg so that the scan fills
// it as it fills the dialog's. The previous hMainDlg comes back when it goes.
class HiddenSourceList {
  public:
    explicit HiddenSourceList(bool sorted = true);
    ~HiddenSourceList();
    HiddenSourceList(const HiddenSourceList&) = delete;
    HiddenSourceList& operator=(const HiddenSourceList&) = delete;

    bool Ok() const { return list_ != nullptr; }
    HWND List() const { return list_; }
    int Count() const;
    void Reset() const;

  private:
    HWND previousMainDialog_;
    HWND host_ = nullptr;
    HWND list_ = nullptr;
};

} // namespace bench
