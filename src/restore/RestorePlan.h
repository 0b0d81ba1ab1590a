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

// Every copy is made and completed under a temporary name and only then renamed
// into place. The temporary files stand in a directory of their own inside the
// destination: creating a file costs a search of its directory under some file
// systems (Wine's), and that one stays small however many folders the
// destination holds. Every temporary name, the directory's included, ends in
// this suffix: no extension of the mail client's files, so the client never takes
// one for a folder or for new mail, and distinctive enough that a run can remove
// what a run cut off left behind.
constexpr const char kTemporarySuffix[] = ".tarnwick-tmp";
constexpr const char kTemporaryDirectory[] = ".tarnwick-tmp";

inline bool IsTemporaryName(const std::string& name) {
    return HasExtension(name, kTemporarySuffix);
}

inline std::string TemporaryDirectoryOf(const std::string& destinationText) {
    return JoinPath(destinationText, kTemporaryDirectory);
}

// Where the file of this final name is completed.
inline std::string TemporaryPathOf(const std::string& destinationText, const std::string& name) {
    return JoinPath(TemporaryDirectoryOf(destinationText), name + kTemporarySuffix);
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

// One chosen folder as the restore will handle it: the message file (.PMM) and
// its index (.PMI), each with its path in the source, its final path in the
// destination and the temporary path it is completed under.
struct PlannedFolder {
    std::string fileName;
    std::string newFolderId;
    std::string sourcePath;
    std::string destinationPath;
    std::string temporaryPath;
    std::string indexName;
    std::string indexSourcePath;
    std::string indexDestinationPath;
    std::string indexTemporaryPath;
    // The destination holds a message file under the restored name already.
    bool replacesEarlierCopy = false;
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

// Failure lines a report lists at most; the rest are counted on one last line,
// so that the box always fits on the screen.
constexpr std::size_t kMaxReportedFailures = 20;

// The completion box's text: the plain success line when nothing failed,
// otherwise the warning line followed by one line per failure, the first
// kMaxReportedFailures of them and then "and N more".
std::string CompletionText(const std::string& sourceText, const std::string& destinationText,
                           const std::vector<RestoreFailure>& failures);
