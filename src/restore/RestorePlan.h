#pragma once

#include "common/Path.h"
#include "lists/FolderRecord.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// True when the destination text, stripped of leading and trailing spaces,
// sorts below a single space: it is empty or begins with a control character
// such as a tab.
bool DestinationTextIsMissing(const std::string& destinationText);

// Whether the last part of a directory text ends in a space or a dot (".." and
// "." aside, trailing separators passed over). The file calls drop such an ending
// from the last part of a path but not from the middle of one, so the directory
// itself and the paths joined to it would name two different places. Works on
// UTF-16 too: in a multibyte code page a backslash byte can end a character.
template <typename Char>
bool LastPartEndsInSpaceOrDot(const std::basic_string<Char>& text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == Char('\\') || text[end - 1] == Char('/'))) {
        --end;
    }
    std::size_t start = end;
    while (start > 0 && text[start - 1] != Char('\\') && text[start - 1] != Char('/') &&
           text[start - 1] != Char(':')) {
        --start;
    }
    const std::basic_string<Char> last = text.substr(start, end - start);
    if (last.empty() || last == std::basic_string<Char>(1, Char('.')) ||
        last == std::basic_string<Char>(2, Char('.'))) {
        return false;
    }
    return last.back() == Char(' ') || last.back() == Char('.');
}

// Every copy is made and completed under a temporary name and only then renamed
// into place. The temporary files stand in a directory of their own inside the
// destination: creating a file costs a search of its directory under some file
// systems (Wine's), and that one stays small however many folders the
// destination holds. It also holds, while a folder's earlier pair is replaced,
// the earlier files moved aside, and a lock file held by the run under way.
// Every name there ends in one of these suffixes: no extension of the mail
// client's files, so the client never takes one for a folder or for new mail, and
// distinctive enough that a run can settle what a run cut off left behind.
constexpr const char kTemporaryDirectory[] = ".tarnwick-tmp";
// A copy being completed.
constexpr const char kTemporarySuffix[] = ".tarnwick-tmp";
// An earlier file moved aside from under its name while a new one takes it.
constexpr const char kEarlierSuffix[] = ".tarnwick-old";
// Marks that nothing stood under the name before, so that a run cut off can
// be told apart from one that had moved nothing aside.
constexpr const char kNoEarlierSuffix[] = ".tarnwick-none";
// A completed message file about to take a name under which neither it nor its
// index had anything: the mark and the copy in one.
constexpr const char kNewSuffix[] = ".tarnwick-new";
constexpr const char kLockName[] = "restore-running.lock";

inline bool IsTemporaryName(const std::string& name) {
    return HasExtension(name, kTemporarySuffix);
}

inline std::string TemporaryDirectoryOf(const std::string& destinationText) {
    return JoinPath(destinationText, kTemporaryDirectory);
}

// Where the file of this final name stands, with this suffix, inside the
// directory for unfinished copies.
inline std::string TemporaryPathOf(const std::string& destinationText, const std::string& name,
                                   const char* suffix = kTemporarySuffix) {
    return JoinPath(TemporaryDirectoryOf(destinationText), name + suffix);
}

// Folds a file name into a key that two names share exactly when the file system
// takes them for the same file. The default folds ASCII letters only; the
// program passes the system's own folding, which covers every letter.
using NameKey = std::function<std::string(const std::string& name)>;
std::string AsciiNameKey(const std::string& name);

// What the destination already holds under a name, by NameKey.
enum class ExistingFile { Plain, ReadOnly, Hidden, Directory };
using DestinationNames = std::unordered_map<std::string, ExistingFile>;

// Why a file of that kind is not replaced; "" for a plain file, which is.
std::string ExistingFileRefusal(ExistingFile existing, const std::string& name);

// One file of a chosen folder as the restore handles it: where it comes from,
// its restored name and final path, where its copy is completed, and where an
// earlier file under that name is moved aside (or the marks that there was
// none: see the suffixes above).
struct PlannedFile {
    std::string name;
    std::string sourcePath;
    std::string destinationPath;
    std::string temporaryPath;
    std::string earlierPath;
    std::string noEarlierPath;
    std::string newPath;
};

// The paths of a file restored under name from sourcePath.
PlannedFile PlanFile(const std::string& sourcePath, const std::string& destinationText,
                     const std::string& name);

// One chosen folder: its message file (.PMM) and its index (.PMI).
struct PlannedFolder {
    std::string fileName;
    std::string newFolderId;
    PlannedFile message;
    PlannedFile index;
    // The index's name in the source, as a report names it.
    std::string indexName;
    // Not empty: the folder is not copied and is reported with this reason.
    std::string refusal;
};

// The chosen records in table order, with their paths and new IDs. A folder is
// refused when its restored name is that of an earlier chosen folder (by key),
// when a path is too long for the file calls, or when the destination holds a
// read-only, hidden or directory entry under either restored name.
std::vector<PlannedFolder> PlanRestore(const std::vector<FolderRecord>& records,
                                       const std::string& sourceText,
                                       const std::string& destinationText,
                                       const DestinationNames& existing = {},
                                       const NameKey& key = AsciiNameKey);

struct RestoreFailure {
    std::string fileName;
    std::string reason;
};

// Failure lines a report lists at most; the rest are counted on one last line.
// The box lists fewer when they would not fit on the screen (restore/Report.h).
constexpr std::size_t kMaxReportedFailures = 20;

// The completion box's text: the plain success line when nothing failed,
// otherwise the warning line followed by one line per failure, the first
// kMaxReportedFailures of them and then "and N more".
std::string CompletionText(const std::string& sourceText, const std::string& destinationText,
                           const std::vector<RestoreFailure>& failures);
