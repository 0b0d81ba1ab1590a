// What a user waits for in the visible dialog: the real tarnwick.exe driven as
// the end-to-end tests drive it, each action timed from the click to the state
// the user waits for, beside a bare reference measured in the same run on the
// same files.
//
//   bench_dialog.exe [--program tarnwick.exe] [--scratch directory] [--no-restore]
//                    <repetitions> <archive> [<repetitions> <archive> ...]
//
// Each archive is a directory of folder files (scripts/bench.sh writes them with
// make-bench-archive). Restore targets go into fresh directories under the
// scratch directory (by default the archive's parent) and are left there.
#include "BenchSupport.h"
#include "Driver.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bench::Seconds;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& what) {
    throw Failure(what);
}

enum Action {
    kScan,
    kScanAfterBrowser,
    kAddOne,
    kAddAll,
    kRemoveOne,
    kRemoveAll,
    kRestore,
    kActionCount
};

struct ActionInfo {
    const char* label;
    const char* reference; // nullptr: no reference, the figure stands alone
};

constexpr std::array<ActionInfo, kActionCount> kActions = {{
    {"scan (browser OK until the left list is full)", "list *.PMM, read each 128-byte header"},
    {"  the same from the browser gone", "the same"},
    {"> on the last folder of the left list", nullptr},
    {">> (click until the right list is full)", "LB_ADDSTRING each name, redraw off"},
    {"< on the last folder of the right list", nullptr},
    {"<< (click until the left list is full)", "LB_ADDSTRING each name, redraw off"},
    {"Restore (click until the box appears)", "CopyFileA per .PMM and .PMI"},
}};

struct Samples {
    std::vector<double> real;
    std::vector<double> reference;
};

struct SizeResult {
    int folders = 0;
    std::array<Samples, kActionCount> samples;
};

double Median(const std::vector<double>& values) {
    return bench::Median(values);
}

// The folder files of an archive as the bare scan sees them.
struct Archive {
    std::string path;
    std::vector<std::string> stems;        // "FOL00100"
    std::vector<std::string> displayNames; // from the headers, sorted as the table
};

// The least any scan has to do: list the folder files and read each header. The
// display names come along, for the list references.
Archive ListAndReadHeaders(const std::string& path) {
    Archive archive{path, {}, {}};
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((path + "\\*.PMM").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return archive;
    }
    do {
        const std::string name = entry.cFileName;
        const HANDLE file = CreateFileA((path + "\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            continue;
        }
        char header[128];
        DWORD bytesRead = 0;
        if (ReadFile(file, header, sizeof header, &bytesRead, nullptr) &&
            bytesRead == sizeof header) {
            archive.stems.push_back(name.substr(0, name.size() - 4));
            archive.displayNames.emplace_back(header, strnlen(header, 32));
        }
        CloseHandle(file);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(archive.displayNames.begin(), archive.displayNames.end());
    return archive;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A visible window of this process holding two list boxes with the styles,
// sizes and font face of the program's two lists: what filling a list costs
// without the program around it.
class ReferenceLists {
  public:
    explicit ReferenceLists(const e2e::TarnwickProcess& program) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = "TarnwickBenchReference";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, windowClass.lpszClassName, "reference lists",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 640, 480, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        const HDC screen = GetDC(nullptr);
        font_ = CreateFontA(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                            FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Sans Serif");
        ReleaseDC(nullptr, screen);
        int x = 10;
        for (int id : {IDC_SOURCE_LIST, IDC_RESTORE_LIST}) {
            const HWND model = program.Control(id);
            RECT rect{};
            GetWindowRect(model, &rect);
            const HWND list = CreateWindowExA(
                static_cast<DWORD>(GetWindowLongA(model, GWL_EXSTYLE)), "LISTBOX", "",
                static_cast<DWORD>(GetWindowLongA(model, GWL_STYLE)), x, 10, rect.right - rect.left,
                rect.bottom - rect.top, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                GetModuleHandleA(nullptr), nullptr);
            SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
            x += rect.right - rect.left + 20;
        }
        PumpMessages();
    }
    ~ReferenceLists() {
        if (window_) {
            DestroyWindow(window_);
        }
        if (font_) {
            DeleteObject(font_);
        }
    }
    ReferenceLists(const ReferenceLists&) = delete;
    ReferenceLists& operator=(const ReferenceLists&) = delete;

    // Empties the list like the program's, then times adding every name with
    // redraw off and one repaint asked for, as the scan fills its list.
    double Fill(int id, const std::vector<std::string>& names) const {
        const HWND list = GetDlgItem(window_, id);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        PumpMessages();
        const double start = Seconds();
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        for (const std::string& name : names) {
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        }
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
        const double seconds = Seconds() - start;
        if (SendMessageA(list, LB_GETCOUNT, 0, 0) != static_cast<LRESULT>(names.size())) {
            Fail("the reference list did not take every name");
        }
        PumpMessages();
        return seconds;
    }

  private:
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
};

// A poll interval fine enough for the actions that take milliseconds, coarser
// once the action has run a while, so that polling does not load the Wine
// server the action itself is using.
void PollPause(double elapsed) {
    Sleep(elapsed < 0.25 ? 1 : 10);
}

// LB_GETCOUNT across processes. The program answers between messages only, so
// while a handler runs the send waits and returns as soon as the handler does.
int LineCount(HWND list, DWORD timeoutMs) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, std::max<DWORD>(timeoutMs, 1),
                             &count)) {
        return -1;
    }
    return static_cast<int>(count);
}

// Seconds from `start` until the left and right lists hold `left` and `right`
// lines.
double SecondsUntilCounts(const e2e::TarnwickProcess& program, int left, int right, double start,
                          double timeoutSeconds, const char* what) {
    const HWND leftList = program.Control(IDC_SOURCE_LIST);
    const HWND rightList = program.Control(IDC_RESTORE_LIST);
    for (;;) {
        const double elapsed = Seconds() - start;
        const auto remainingMs = static_cast<DWORD>(std::max(0.0, timeoutSeconds - elapsed) * 1000);
        if (LineCount(leftList, remainingMs) == left &&
            LineCount(rightList, remainingMs) == right) {
            return Seconds() - start;
        }
        if (Seconds() - start > timeoutSeconds) {
            Fail(std::string(what) + ": the lists did not reach " + std::to_string(left) + " and " +
                 std::to_string(right) + " lines in time");
        }
        PollPause(elapsed);
    }
}

// Generous bounds: the slowest action seen took 30 ms a folder.
double TimeoutFor(int folders) {
    return 120 + 0.05 * folders;
}

struct ScanTimes {
    double total;
    double afterBrowser; // from the browser's window gone: the program's own part
};

ScanTimes TimeScan(e2e::TarnwickProcess& program, const Archive& archive) {
    program.Click(IDC_SOURCE_BROWSE);
    const HWND browser = program.WaitForBrowser();
    if (!browser) {
        Fail("no folder browser appeared");
    }
    // ChooseFolder presses OK as its last step.
    if (!program.ChooseFolder(browser, archive.path)) {
        Fail("the browser did not take the archive: " + program.Error());
    }
    const double start = Seconds();
    // The browser's window goes before the program has its choice. Watching it
    // needs nothing of the program, so this does not slow the scan down.
    while (IsWindow(browser)) {
        const double elapsed = Seconds() - start;
        if (elapsed > 60) {
            Fail("the folder browser did not close");
        }
        PollPause(elapsed);
    }
    const double gone = Seconds();
    const auto folders = static_cast<int>(archive.stems.size());
    const double total =
        SecondsUntilCounts(program, folders, 0, start, TimeoutFor(folders), "scan");
    return {total, total - (gone - start)};
}

double TimeClick(const e2e::TarnwickProcess& program, int button, int left, int right, int folders,
                 const char* what) {
    const double start = Seconds();
    program.Click(button);
    return SecondsUntilCounts(program, left, right, start, TimeoutFor(folders), what);
}

// Selects the list's last line, which the program finds last among the lines and
// records of the same text, then moves it.
double TimeMoveOne(const e2e::TarnwickProcess& program, int list, int button, int left, int right,
                   int folders, const char* what) {
    const int lines = list == IDC_SOURCE_LIST ? left + 1 : right + 1;
    if (!program.SelectListItem(list, lines - 1)) {
        Fail(std::string(what) + ": could not select the last line");
    }
    return TimeClick(program, button, left, right, folders, what);
}

std::size_t FilesIn(const std::string& directory) {
    std::size_t files = 0;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        files += (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return files;
}

std::string NewDirectory(const std::string& path) {
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
        Fail("cannot create " + path);
    }
    return path;
}

double TimeRestore(e2e::TarnwickProcess& program, const Archive& archive,
                   const std::string& target) {
    if (!program.SetText(IDC_DEST_PATH, target)) {
        Fail("cannot set the destination");
    }
    const auto folders = static_cast<int>(archive.stems.size());
    const double start = Seconds();
    program.Click(IDC_RESTORE);
    HWND box = nullptr;
    while (!box) {
        for (HWND window : program.TopLevelDialogs(kProgramTitle)) {
            if (IsWindowVisible(window) && GetDlgItem(window, 0xFFFF)) {
                box = window;
            }
        }
        const double elapsed = Seconds() - start;
        if (!box && elapsed > TimeoutFor(folders) * 4) {
            Fail("no completion box in time");
        }
        if (!box) {
            PollPause(elapsed);
        }
    }
    const double seconds = Seconds() - start;
    // On a loaded machine the box may be shown a moment before it answers.
    std::string text;
    e2e::WaitUntil(
        [&] {
            text = e2e::MessageBoxText(box);
            return !text.empty() || !IsWindow(box);
        },
        30000, 100);
    e2e::DismissMessageBox(box);
    if (!e2e::WaitUntilGone(box)) {
        Fail("the completion box did not close");
    }
    if (text.rfind("Mail files copied from ", 0) != 0) {
        Fail("the restore reported: " + text.substr(0, 400));
    }
    if (FilesIn(target) != 2 * archive.stems.size()) {
        Fail("the restore did not write every file into " + target);
    }
    return seconds;
}

double TimeBareCopies(const Archive& archive, const std::string& target) {
    std::vector<std::pair<std::string, std::string>> copies;
    for (const std::string& stem : archive.stems) {
        for (const char* extension : {".PMM", ".PMI"}) {
            copies.emplace_back(archive.path + "\\" + stem + extension,
                                target + "\\BAK" + stem.substr(3) + extension);
        }
    }
    std::size_t copied = 0;
    const double start = Seconds();
    for (const auto& [from, to] : copies) {
        copied += CopyFileA(from.c_str(), to.c_str(), FALSE) ? 1 : 0;
    }
    const double seconds = Seconds() - start;
    if (copied != copies.size()) {
        Fail("the bare loop did not copy every file into " + target);
    }
    return seconds;
}

struct Options {
    std::string program = e2e::DefaultProgramPath();
    std::string scratch;
    bool restore = true;
    std::vector<std::pair<int, std::string>> runs; // repetitions, archive
};

std::string ParentOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
}

// One program run on one archive: every action `repetitions` times, in the
// order a user could click them, each reference next to its action (before it
// in even repetitions, after it in odd ones).
SizeResult MeasureArchive(const Options& options, int repetitions, const std::string& path) {
    Archive archive = ListAndReadHeaders(path); // also warms the file cache
    const auto folders = static_cast<int>(archive.stems.size());
    if (folders == 0) {
        Fail("no folder files in " + path);
    }
    SizeResult result;
    result.folders = folders;
    std::printf("%d folders in %s, %d repetition%s:\n", folders, path.c_str(), repetitions,
                repetitions == 1 ? "" : "s");
    std::fflush(stdout);

    e2e::TarnwickProcess program(options.program);
    if (!program.Start()) {
        Fail(program.Error());
    }
    const ReferenceLists reference(program);
    const std::string scratch = options.scratch.empty() ? ParentOf(path) : options.scratch;
    const std::string targetStem = scratch + "\\" + path.substr(path.find_last_of('\\') + 1) + "-" +
                                   std::to_string(GetCurrentProcessId());

    for (int repetition = 0; repetition < repetitions; ++repetition) {
        const bool referenceFirst = repetition % 2 == 0;
        const auto side = [&](Action action, auto real, auto bare) {
            if (referenceFirst) {
                result.samples[action].reference.push_back(bare());
            }
            result.samples[action].real.push_back(real());
            if (!referenceFirst) {
                result.samples[action].reference.push_back(bare());
            }
        };
        const auto bareScan = [&] {
            const double start = Seconds();
            const Archive again = ListAndReadHeaders(path);
            const double seconds = Seconds() - start;
            if (again.stems.size() != archive.stems.size()) {
                Fail("the bare scan did not read every header");
            }
            return seconds;
        };
        ScanTimes scan{};
        side(
            kScan,
            [&] {
                scan = TimeScan(program, archive);
                return scan.total;
            },
            bareScan);
        result.samples[kScanAfterBrowser].real.push_back(scan.afterBrowser);
        result.samples[kScanAfterBrowser].reference.push_back(
            result.samples[kScan].reference.back());
        result.samples[kAddOne].real.push_back(TimeMoveOne(
            program, IDC_SOURCE_LIST, IDC_ADD_SELECTED, folders - 1, 1, folders, "\">\""));
        side(
            kAddAll, [&] { return TimeClick(program, IDC_ADD_ALL, 0, folders, folders, "\">>\""); },
            [&] { return reference.Fill(IDC_RESTORE_LIST, archive.displayNames); });
        result.samples[kRemoveOne].real.push_back(TimeMoveOne(
            program, IDC_RESTORE_LIST, IDC_REMOVE_SELECTED, 1, folders - 1, folders, "\"<\""));
        side(
            kRemoveAll,
            [&] { return TimeClick(program, IDC_REMOVE_ALL, folders, 0, folders, "\"<<\""); },
            [&] { return reference.Fill(IDC_SOURCE_LIST, archive.displayNames); });
        // Every folder chosen for the restore, and a state the next scan visibly
        // changes.
        TimeClick(program, IDC_ADD_ALL, 0, folders, folders, "\">>\"");

        if (options.restore) {
            const std::string number = std::to_string(repetition + 1);
            side(
                kRestore,
                [&] {
                    return TimeRestore(program, archive,
                                       NewDirectory(targetStem + "-restored-" + number));
                },
                [&] {
                    return TimeBareCopies(archive, NewDirectory(targetStem + "-copied-" + number));
                });
        }
        // Each repetition's figures at once, so that a run cut short still tells.
        std::printf("  repetition %d, ms (reference):", repetition + 1);
        for (int action = 0; action < kActionCount; ++action) {
            const Samples& samples = result.samples[action];
            if (samples.real.size() == static_cast<std::size_t>(repetition) + 1) {
                std::printf(" %s%.1f", action ? "| " : "", samples.real.back() * 1000);
                if (!samples.reference.empty()) {
                    std::printf(" (%.1f)", samples.reference.back() * 1000);
                }
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    if (program.CloseAndWait() != 0) {
        Fail("the program did not end cleanly");
    }
    return result;
}

void PrintSize(const SizeResult& result) {
    std::printf("  %-46s %10s %10s %7s %11s\n", "action", "median ms", "ref. ms", "ratio",
                "us/folder");
    for (int action = 0; action < kActionCount; ++action) {
        const Samples& samples = result.samples[action];
        if (samples.real.empty()) {
            continue;
        }
        const double real = Median(samples.real);
        std::printf("  %-46s %10.1f", kActions[action].label, real * 1000);
        if (!samples.reference.empty()) {
            const double reference = Median(samples.reference);
            std::printf(" %10.1f %7.2f", reference * 1000, real / reference);
        } else {
            std::printf(" %10s %7s", "", "");
        }
        std::printf(" %11.1f\n", real * 1e6 / result.folders);
    }
    for (int action = 0; action < kActionCount; ++action) {
        if (kActions[action].reference && action != kScanAfterBrowser &&
            !result.samples[action].reference.empty()) {
            std::printf("  reference for %s: %s\n", kActions[action].label,
                        kActions[action].reference);
        }
    }
    std::fflush(stdout);
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

// Growth of time per folder from one size to the next, and the goals.
void PrintSummary(const std::vector<SizeResult>& results) {
    std::printf("\nSummary (medians; ratio to the reference; time per folder)\n");
    for (int action = 0; action < kActionCount; ++action) {
        if (results.front().samples[action].real.empty()) {
            continue;
        }
        std::printf("  %s\n", kActions[action].label);
        for (std::size_t i = 0; i < results.size(); ++i) {
            const SizeResult& size = results[i];
            const Samples& samples = size.samples[action];
            const double real = Median(samples.real);
            const double perFolder = real / size.folders;
            std::printf("    %6d folders: %10.1f ms", size.folders, real * 1000);
            if (!samples.reference.empty()) {
                const double ratio = real / Median(samples.reference);
                std::printf("  ratio %5.2f", ratio);
                if (action != kRestore) {
                    std::printf(" (goal <= 1.5: %s)", Verdict(ratio <= 1.5));
                }
            }
            std::printf("  %8.1f us/folder", perFolder * 1e6);
            if (i > 0) {
                const SizeResult& previous = results[i - 1];
                const double growth =
                    perFolder / (Median(previous.samples[action].real) / previous.folders) - 1;
                std::printf("  growth from %d: %+.0f%%", previous.folders, growth * 100);
                if (!samples.reference.empty()) {
                    const double referenceGrowth =
                        (Median(samples.reference) / size.folders) /
                            (Median(previous.samples[action].reference) / previous.folders) -
                        1;
                    std::printf(" (reference %+.0f%%)", referenceGrowth * 100);
                }
                // The goal is for work done per folder: not the restore (Wine's
                // file creation grows with the directory) nor a single move.
                const bool perFolderWork =
                    action != kRestore && action != kAddOne && action != kRemoveOne;
                if (previous.folders >= 5000 && perFolderWork) {
                    std::printf(" (goal <= +10%%: %s)", Verdict(growth <= 0.10));
                }
            }
            if (action == kAddAll || action == kRemoveAll) {
                // The user's wait for the scan includes the browser's closing.
                const double ofScan = real / Median(size.samples[kScan].real);
                std::printf("  %.2f of the scan (goal <= 0.5: %s)", ofScan, Verdict(ofScan <= 0.5));
            }
            if (action == kAddOne || action == kRemoveOne) {
                std::printf("  (goal < 50 ms: %s)", Verdict(real < 0.050));
            }
            std::printf("\n");
        }
    }
    std::fflush(stdout);
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--program" && i + 1 < argc) {
            options.program = argv[++i];
        } else if (argument == "--scratch" && i + 1 < argc) {
            options.scratch = argv[++i];
        } else if (argument == "--no-restore") {
            options.restore = false;
        } else if (i + 1 < argc && std::atoi(argv[i]) > 0) {
            options.runs.emplace_back(std::atoi(argv[i]), argv[i + 1]);
            ++i;
        } else {
            return false;
        }
    }
    return !options.runs.empty();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_dialog.exe [--program tarnwick.exe] [--scratch "
                             "directory] [--no-restore] <repetitions> <archive> ...\n");
        return 2;
    }
    std::vector<SizeResult> results;
    try {
        for (const auto& [repetitions, archive] : options.runs) {
            results.push_back(MeasureArchive(options, repetitions, archive));
            PrintSize(results.back());
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "bench_dialog: %s\n", failure.what());
        return 1;
    }
    PrintSummary(results);
    return 0;
}
