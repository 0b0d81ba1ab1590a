#include "restore/Restore.h"

#include "common/ControlIds.h"
#include "lists/FolderRecord.h"
#include "restore/FolderHeaderFile.h"
#include "restore/RestoreNames.h"
#include "restore/ReportBox.h"
#include "restore/RestorePlan.h"
#include "win32/Cursor.h"
#include "win32/DialogControls.h"
#include "win32/Directory.h"
#include "win32/FileSystem.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace {

class FailureList {
  public:
    // Records a failed step; true when the step succeeded.
    bool Check(win32::FileResult result, const std::string& fileName,
               const std::string& what = "") {
        if (result.Ok()) {
            return true;
        }
        const std::string reason = win32::ErrorText(result.error);
        failures_.push_back({fileName, what.empty() ? reason : what + " (" + reason + ")"});
        return false;
    }
    void Add(const std::string& fileName, const std::string& reason) {
        failures_.push_back({fileName, reason});
    }
    std::vector<RestoreFailure> All() const { return failures_; }

  private:
    std::vector<RestoreFailure> failures_;
};

// The temporary files of one folder or new-mail file: removed again unless the
// step that gives them their final names was reached.
class TemporaryFiles {
  public:
    ~TemporaryFiles() {
        for (const std::string& path : paths_) {
            win32::RemoveOwnFile(path);
        }
    }
    void Add(const std::string& path) { paths_.push_back(path); }
    void Keep() { paths_.clear(); }

  private:
    std::vector<std::string> paths_;
};

ExistingFile KindOf(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return ExistingFile::Directory;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        return ExistingFile::ReadOnly;
    }
    if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
        return ExistingFile::Hidden;
    }
    return ExistingFile::Plain;
}

// What the destination holds, by name key.
DestinationNames ReadDestination(const std::string& destinationText) {
    std::vector<win32::DirectoryEntry> entries;
    win32::ListEntries(JoinPath(destinationText, "*"), entries);
    DestinationNames existing;
    for (const win32::DirectoryEntry& entry : entries) {
        existing.emplace(win32::FileNameKey(entry.name), KindOf(entry.attributes));
    }
    return existing;
}

bool Exists(const std::string& path) {
    return win32::AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

// Ignores a file that is not there: nothing was left to remove.
win32::FileResult RemoveIfThere(const std::string& path) {
    const win32::FileResult removed = win32::RemoveOwnFile(path);
    return removed.error == ERROR_FILE_NOT_FOUND ? win32::FileResult{} : removed;
}

// Puts an earlier file moved aside back under its name, or takes away the mark
// that there was none. Nothing to put back is fine.
win32::FileResult PutBack(const PlannedFile& file) {
    const win32::FileResult moved = win32::MoveToFreeName(file.earlierPath, file.destinationPath);
    if (moved.error != ERROR_FILE_NOT_FOUND) {
        return moved;
    }
    return RemoveIfThere(file.noEarlierPath);
}

// Takes away an earlier file moved aside, or the mark that there was none, once
// the new file stands under its name.
win32::FileResult Discard(const PlannedFile& file) {
    const win32::FileResult earlier = RemoveIfThere(file.earlierPath);
    return earlier.Ok() ? RemoveIfThere(file.noEarlierPath) : earlier;
}

// Replaces what a folder's two restored names hold, all or nothing. What stands
// under them is moved aside into the directory for unfinished copies, the index
// first; where nothing stands under the message file's name, a mark says so
// (where nothing stands under either name, the completed message file is the
// mark, renamed for it). The new files are moved in, the index first and the
// message file last, and only then are the earlier ones removed. When a step
// fails, the new files go and the earlier ones are put back. A run cut off at
// any point leaves what SettleInterruptedPairs needs to finish the replacement
// or undo it: the mark or the earlier message file aside says that a
// replacement was under way, and the message file under its name says that it
// was complete.
class PairReplacement {
  public:
    PairReplacement(const PlannedFolder& folder, const DestinationNames& existing)
        : message_(folder.message), index_(folder.index),
          earlierMessage_(existing.count(win32::FileNameKey(folder.message.name)) != 0),
          earlierIndex_(existing.count(win32::FileNameKey(folder.index.name)) != 0) {}
    PairReplacement(const PairReplacement&) = delete;
    PairReplacement& operator=(const PairReplacement&) = delete;
    ~PairReplacement() { Undo(); }

    win32::FileResult MoveAside() {
        if (earlierIndex_) {
            if (const win32::FileResult moved =
                    win32::MoveToFreeName(index_.destinationPath, index_.earlierPath);
                !moved.Ok()) {
                return moved;
            }
            indexAside_ = true;
        }
        underWay_ = true;
        if (earlierMessage_) {
            return win32::MoveToFreeName(message_.destinationPath, message_.earlierPath);
        }
        if (earlierIndex_) {
            return win32::MakeEmptyFile(message_.noEarlierPath);
        }
        const win32::FileResult marked =
            win32::MoveToFreeName(message_.temporaryPath, message_.newPath);
        newMarked_ = marked.Ok();
        return marked;
    }

    // The new files, completed under their temporary names; a folder whose
    // archive has no index comes without one.
    win32::FileResult MoveIn(bool withIndex) {
        if (withIndex) {
            if (const win32::FileResult moved =
                    win32::MoveToFreeName(index_.temporaryPath, index_.destinationPath);
                !moved.Ok()) {
                return moved;
            }
            newIndexIn_ = true;
        }
        const win32::FileResult moved = win32::MoveToFreeName(
            newMarked_ ? message_.newPath : message_.temporaryPath, message_.destinationPath);
        if (moved.Ok()) {
            // Complete: what is aside is only to be removed, the message file's
            // mark last, so that a run cut off here is still known to have been
            // complete; what cannot be removed is left to the next run.
            underWay_ = false;
            if (!indexAside_ || RemoveIfThere(index_.earlierPath).Ok()) {
                if (earlierMessage_ || earlierIndex_) {
                    RemoveIfThere(earlierMessage_ ? message_.earlierPath : message_.noEarlierPath);
                }
            }
        }
        return moved;
    }

    // Takes the new files out again and puts the earlier ones back, unless the
    // replacement was complete or never began.
    win32::FileResult Undo() {
        if (!underWay_) {
            return {};
        }
        underWay_ = false;
        win32::FileResult result;
        if (newIndexIn_) {
            result = win32::RemoveOwnFile(index_.destinationPath);
        }
        if (result.Ok()) {
            result = newMarked_ ? RemoveIfThere(message_.newPath) : PutBack(message_);
        }
        if (result.Ok() && indexAside_) {
            result = win32::MoveToFreeName(index_.earlierPath, index_.destinationPath);
        }
        return result;
    }

  private:
    const PlannedFile& message_;
    const PlannedFile& index_;
    const bool earlierMessage_;
    const bool earlierIndex_;
    bool indexAside_ = false;
    bool underWay_ = false;
    bool newMarked_ = false;
    bool newIndexIn_ = false;
};

const char kNoTemporaryDirectory[] =
    "the directory for unfinished copies could not be made in the destination";

// Finishes or undoes each replacement that a run cut off left under way (see
// PairReplacement), so that every folder's names hold the earlier pair or the
// new one again.
void SettleInterruptedPairs(const std::string& destinationText,
                            const std::vector<win32::DirectoryEntry>& entries,
                            FailureList& failures) {
    // Restored message file names whose replacement was under way, and the
    // index names whose earlier file was moved aside, by the key of the name
    // without its last character ("BAK00001.PM"), which the two share.
    std::unordered_map<std::string, std::string> messages;
    std::unordered_map<std::string, std::string> indexes;
    // Message files that were to take a name under which nothing stood.
    std::vector<std::string> newMessages;
    for (const win32::DirectoryEntry& entry : entries) {
        for (const char* suffix : {kEarlierSuffix, kNoEarlierSuffix, kNewSuffix}) {
            const std::size_t length = std::char_traits<char>::length(suffix);
            if (entry.name.size() <= length + 1 || !HasExtension(entry.name, suffix)) {
                continue;
            }
            const std::string name = entry.name.substr(0, entry.name.size() - length);
            const std::string pair = win32::FileNameKey(name.substr(0, name.size() - 1));
            const char last = name.back();
            if ((last == 'M' || last == 'm') && suffix == kNewSuffix) {
                newMessages.push_back(name);
            } else if (last == 'M' || last == 'm') {
                messages[pair] = name;
            } else if ((last == 'I' || last == 'i') && suffix == kEarlierSuffix) {
                indexes[pair] = name;
            }
        }
    }
    const auto report = [&](const std::string& name, win32::FileResult result) {
        failures.Check(result, name,
                       "a restore that was cut off left it aside, and it could not be put back");
    };
    for (const std::string& messageName : newMessages) {
        // Not complete, or the mark would have gone with the move: an index
        // under the name can only be the new one.
        const PlannedFile message = PlanFile("", destinationText, messageName);
        win32::FileResult result = RemoveIfThere(IndexPathOf(message.destinationPath));
        if (result.Ok()) {
            result = RemoveIfThere(message.newPath);
        }
        failures.Check(
            result, messageName,
            "a restore that was cut off left it unfinished, and it could not be removed");
    }
    for (const auto& [pair, indexName] : indexes) {
        if (messages.count(pair) == 0) {
            // Cut off right after the earlier index was moved aside.
            const PlannedFile index = PlanFile("", destinationText, indexName);
            report(indexName, win32::MoveToFreeName(index.earlierPath, index.destinationPath));
        }
    }
    for (const auto& [pair, messageName] : messages) {
        const PlannedFile message = PlanFile("", destinationText, messageName);
        const auto indexName = indexes.find(pair);
        const PlannedFile index =
            PlanFile("", destinationText,
                     indexName != indexes.end() ? indexName->second : IndexPathOf(messageName));
        if (Exists(message.destinationPath)) {
            // The new message file took its name: the replacement was complete.
            if (indexName == indexes.end() || RemoveIfThere(index.earlierPath).Ok()) {
                Discard(message);
            }
            continue;
        }
        // Not complete: an index under the name is the new one, since the
        // earlier one, if any, was moved aside first.
        win32::FileResult result = RemoveIfThere(index.destinationPath);
        if (result.Ok()) {
            result = PutBack(message);
        }
        if (result.Ok() && indexName != indexes.end()) {
            result = win32::MoveToFreeName(index.earlierPath, index.destinationPath);
        }
        report(messageName, result);
    }
}

const char kBusyRefusal[] =
    "Another restore into this directory is running. Wait until it has finished, then "
    "restore again.";
const char kLinkRefusal[] =
    "The destination holds .tarnwick-tmp, which is a link to another place (a junction or "
    "symbolic link). Tarnwick neither follows nor removes it, and did nothing. Remove it, then "
    "restore again.";

// The directory the copies are completed in, held by this run for its whole
// length through a lock file, so that a second run into the same destination
// is refused and never takes away what this one needs. Once held, what a run
// that was cut off (the program killed, the machine stopped) left in it is
// settled: replacements under way are finished or undone, unfinished copies
// removed, and nothing else. It is removed at the end of the run, once empty.
class RunDirectory {
  public:
    explicit RunDirectory(const std::string& destinationText)
        : destinationText_(destinationText), path_(TemporaryDirectoryOf(destinationText)) {}
    ~RunDirectory() {
        if (lock_.Held()) {
            lock_ = win32::DirectoryLock();
            win32::RemoveEmptyDirectory(path_);
        }
    }
    RunDirectory(const RunDirectory&) = delete;
    RunDirectory& operator=(const RunDirectory&) = delete;

    // "" when the run may go on, whether or not the directory could be had (see
    // Usable); otherwise the text of the box that refuses the whole run.
    std::string Open(FailureList& failures) {
        // A link is neither followed nor removed: what it leads to is not ours.
        const DWORD attributes = win32::AttributesOf(path_);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            return kLinkRefusal;
        }
        // A run that ends removes the directory: between its making and the
        // lock, another run may have ended and taken it away.
        for (int attempt = 0; attempt < 3; ++attempt) {
            usable_ = win32::MakeDirectory(path_);
            if (!usable_.Ok()) {
                return "";
            }
            usable_ = lock_.Take(JoinPath(path_, kLockName));
            if (usable_.error == ERROR_SHARING_VIOLATION) {
                return kBusyRefusal;
            }
            if (usable_.error != ERROR_PATH_NOT_FOUND && usable_.error != ERROR_ACCESS_DENIED) {
                break;
            }
            Sleep(20);
        }
        if (usable_.Ok()) {
            Settle(failures);
        }
        return "";
    }

    // Whether the copies can be made: why not when they cannot.
    const win32::FileResult& Usable() const { return usable_; }

  private:
    void Settle(FailureList& failures) {
        std::vector<win32::DirectoryEntry> entries;
        win32::ListEntries(JoinPath(path_, "*"), entries);
        SettleInterruptedPairs(destinationText_, entries, failures);
        for (const win32::DirectoryEntry& entry : entries) {
            if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && IsTemporaryName(entry.name)) {
                failures.Check(win32::RemoveOwnFile(JoinPath(path_, entry.name)), entry.name,
                               "a file left by an interrupted restore could not be removed");
            }
        }
    }

    std::string destinationText_;
    std::string path_;
    win32::DirectoryLock lock_;
    win32::FileResult usable_;
};

// Each file is completed under its temporary name (copied, made read-write, the
// message file given its new ID, flushed to the disk) and only then takes its
// restored name, through a PairReplacement, so that a restored name never holds
// a part of a file, a copy with the old ID or one that a power cut could leave
// zero-filled, and the two names hold the earlier pair or the new one. When a
// step fails, the folder's temporary files go.
void RestoreFolder(const PlannedFolder& folder, const DestinationNames& existing,
                   const RunDirectory& runDirectory, FailureList& failures) {
    if (!folder.refusal.empty()) {
        failures.Add(folder.fileName, folder.refusal);
        return;
    }
    if (!failures.Check(runDirectory.Usable(), folder.fileName, kNoTemporaryDirectory)) {
        return;
    }
    const PlannedFile& message = folder.message;
    const PlannedFile& index = folder.index;
    TemporaryFiles temporary;
    temporary.Add(message.temporaryPath);
    if (!failures.Check(win32::CopyFileReplacing(message.sourcePath, message.temporaryPath),
                        folder.fileName) ||
        !failures.Check(win32::ClearAttributes(message.temporaryPath), folder.fileName,
                        "the copy could not be made read-write") ||
        !failures.Check(WriteFolderId(message.temporaryPath, folder.newFolderId), folder.fileName,
                        "the new folder ID could not be written") ||
        !failures.Check(win32::FlushToDisk(message.temporaryPath), folder.fileName,
                        "the copy could not be written to the disk")) {
        return;
    }

    temporary.Add(index.temporaryPath);
    const win32::FileResult indexCopy =
        win32::CopyFileReplacing(index.sourcePath, index.temporaryPath);
    // No index in the archive: the folder comes without one, as reported. An
    // index an earlier restore left under the restored name would not match the
    // new message file, so it goes with the earlier pair.
    const bool withIndex = indexCopy.error != ERROR_FILE_NOT_FOUND;
    if (!failures.Check(indexCopy, folder.indexName) && withIndex) {
        return;
    }
    if (withIndex && (!failures.Check(win32::ClearAttributes(index.temporaryPath), folder.indexName,
                                      "the index copy could not be made read-write") ||
                      !failures.Check(win32::FlushToDisk(index.temporaryPath), folder.indexName,
                                      "the index copy could not be written to the disk"))) {
        return;
    }

    PairReplacement replacement(folder, existing);
    if (failures.Check(replacement.MoveAside(), folder.fileName,
                       message.name + " and " + index.name +
                           " in the destination could not be replaced") &&
        failures.Check(replacement.MoveIn(withIndex), folder.fileName)) {
        temporary.Keep();
        return;
    }
    failures.Check(replacement.Undo(), folder.fileName,
                   "the earlier copy could not be put back; the next restore into this "
                   "directory puts it back");
}

// New-mail files keep their names, contents and attributes; each is copied under
// its temporary name, flushed to the disk and then renamed, so a failed copy
// leaves nothing behind. A directory without any is fine; one that cannot be
// listed is a failure.
void CopyNewMail(const std::string& sourceText, const std::string& destinationText,
                 const DestinationNames& existing, const RunDirectory& runDirectory,
                 FailureList& failures) {
    const char* const pattern = "*.CNM";
    std::vector<win32::DirectoryEntry> entries;
    const win32::FileResult listing = win32::ListPlainFiles(JoinPath(sourceText, pattern), entries);
    if (listing.error != ERROR_FILE_NOT_FOUND && listing.error != ERROR_NO_MORE_FILES) {
        failures.Check(listing, pattern);
    }
    for (const win32::DirectoryEntry& entry : entries) {
        const std::string& name = entry.name;
        if (!HasExtension(name, ".CNM")) {
            continue;
        }
        const std::string from = JoinPath(sourceText, name);
        const std::string to = JoinPath(destinationText, name);
        const std::string temporaryPath = TemporaryPathOf(destinationText, name);
        if (from.size() > kMaxPathLength || temporaryPath.size() > kMaxPathLength) {
            failures.Add(name, "the path is too long");
            continue;
        }
        const auto found = existing.find(win32::FileNameKey(name));
        if (found != existing.end() && found->second != ExistingFile::Plain) {
            failures.Add(name, ExistingFileRefusal(found->second, name));
            continue;
        }
        if (!failures.Check(runDirectory.Usable(), name, kNoTemporaryDirectory)) {
            continue;
        }
        TemporaryFiles temporary;
        temporary.Add(temporaryPath);
        if (!failures.Check(win32::CopyFileReplacing(from, temporaryPath), name)) {
            continue;
        }
        // The copy has the archive's attributes; a read-only one cannot be
        // opened to be flushed until it is made writable for that moment.
        const DWORD kept = entry.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
        const bool readOnly = (kept & FILE_ATTRIBUTE_READONLY) != 0;
        if ((readOnly && !failures.Check(win32::ClearAttributes(temporaryPath), name)) ||
            !failures.Check(win32::FlushToDisk(temporaryPath), name,
                            "the copy could not be written to the disk") ||
            (readOnly && !failures.Check(win32::SetAttributes(temporaryPath, kept), name)) ||
            !failures.Check(win32::MoveReplacing(temporaryPath, to), name)) {
            continue;
        }
        temporary.Keep();
    }
}

} // namespace

std::string CheckDestination(const std::string& sourceText, const std::string& destinationText) {
    if (DestinationTextIsMissing(destinationText)) {
        return "You must have a destination";
    }
    if (LastPartEndsInSpaceOrDot(win32::Widened(destinationText))) {
        return "The destination ends in a space or a dot, which Windows leaves out of a "
               "directory's name: please remove it, or choose the directory with Browse";
    }
    if (!win32::IsExistingDirectory(destinationText)) {
        return "The destination directory does not exist";
    }
    if (win32::IsSameDirectory(sourceText, destinationText)) {
        return "The destination must differ from the source directory";
    }
    return "";
}

RestoreOutcome RestoreFolders(const std::vector<FolderRecord>& records,
                              const std::string& sourceText, const std::string& destinationText,
                              bool copyNewMail) {
    FailureList failures;
    RunDirectory runDirectory(destinationText);
    if (std::string refusal = runDirectory.Open(failures); !refusal.empty()) {
        return {refusal, {}};
    }
    const DestinationNames existing = ReadDestination(destinationText);
    for (const PlannedFolder& folder :
         PlanRestore(records, sourceText, destinationText, existing, win32::FileNameKey)) {
        RestoreFolder(folder, existing, runDirectory, failures);
    }
    if (copyNewMail) {
        CopyNewMail(sourceText, destinationText, existing, runDirectory, failures);
    }
    return {"", failures.All()};
}

LRESULT OnRestore(HWND, UINT, WPARAM, LPARAM) {
    const std::string sourceText = win32::ControlText(hMainDlg, IDC_SOURCE_PATH);
    const std::string destinationText = win32::ControlText(hMainDlg, IDC_DEST_PATH);
    const bool copyNewMail =
        SendDlgItemMessageA(hMainDlg, IDC_COPY_NEW_MAIL, BM_GETCHECK, 0, 0) == BST_CHECKED;

    const std::string destinationError = CheckDestination(sourceText, destinationText);
    if (!destinationError.empty()) {
        MessageBoxA(nullptr, destinationError.c_str(), "Directory Error", MB_OK);
        return 0;
    }

    win32::ShowSystemCursor(MAKEINTRESOURCEA(32514)); // IDC_WAIT
    const RestoreOutcome outcome =
        RestoreFolders(folderRecords, sourceText, destinationText, copyNewMail);
    win32::ShowSystemCursor(MAKEINTRESOURCEA(32512)); // IDC_ARROW
    if (!outcome.refusal.empty()) {
        MessageBoxA(nullptr, outcome.refusal.c_str(), "Directory Error", MB_OK);
        return 0;
    }
    const std::vector<RestoreFailure>& failures = outcome.failures;

    ShowCompletionReport(sourceText, destinationText, failures);
    return 0;
}
