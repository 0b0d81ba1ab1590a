#include "restore/Restore.h"

#include "common/ControlIds.h"
#include "lists/FolderRecord.h"
#include "restore/FolderHeaderFile.h"
#include "restore/RestoreNames.h"
#include "restore/RestorePlan.h"
#include "win32/Cursor.h"
#include "win32/DialogControls.h"
#include "win32/Directory.h"
#include "win32/FileSystem.h"

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

// The directory the copies are completed in. Whatever a run that was cut off
// (the program killed, the machine stopped) left in it goes first, and nothing
// else; the directory is made when the first copy needs it and removed at the
// end of the run, once it is empty.
class TemporaryDirectory {
  public:
    TemporaryDirectory(const std::string& destinationText, FailureList& failures)
        : path_(TemporaryDirectoryOf(destinationText)) {
        std::vector<win32::DirectoryEntry> entries;
        win32::ListEntries(JoinPath(path_, "*"), entries);
        for (const win32::DirectoryEntry& entry : entries) {
            if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && IsTemporaryName(entry.name)) {
                failures.Check(win32::RemoveOwnFile(JoinPath(path_, entry.name)), entry.name,
                               "a file left by an interrupted restore could not be removed");
            }
        }
        win32::RemoveEmptyDirectory(path_);
    }
    ~TemporaryDirectory() {
        if (made_) {
            win32::RemoveEmptyDirectory(path_);
        }
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    win32::FileResult Make() {
        if (!made_) {
            made_ = true;
            result_ = win32::MakeDirectory(path_);
        }
        return result_;
    }

  private:
    std::string path_;
    bool made_ = false;
    win32::FileResult result_;
};

const char kNoTemporaryDirectory[] =
    "the directory for unfinished copies could not be made in the destination";

// Each file is completed under its temporary name (copied, made read-write, the
// message file given its new ID) and only then renamed, the index first and the
// message file last, so that a restored name never holds a part of a file or a
// copy with the old ID. When a step fails, the folder's temporary files go and
// whatever the destination held under the restored names stays as it was.
void RestoreFolder(const PlannedFolder& folder, TemporaryDirectory& temporaryDirectory,
                   FailureList& failures) {
    if (!folder.refusal.empty()) {
        failures.Add(folder.fileName, folder.refusal);
        return;
    }
    if (!failures.Check(temporaryDirectory.Make(), folder.fileName, kNoTemporaryDirectory)) {
        return;
    }
    // The index is renamed first: an earlier copy that another program holds open
    // must be found before that, or a new index would end up beside the old
    // message file.
    if (folder.replacesEarlierCopy &&
        !failures.Check(win32::CheckReplaceable(folder.destinationPath), folder.fileName)) {
        return;
    }
    TemporaryFiles temporary;
    temporary.Add(folder.temporaryPath);
    if (!failures.Check(win32::CopyFileReplacing(folder.sourcePath, folder.temporaryPath),
                        folder.fileName) ||
        !failures.Check(win32::ClearAttributes(folder.temporaryPath), folder.fileName,
                        "the copy could not be made read-write") ||
        !failures.Check(WriteFolderId(folder.temporaryPath, folder.newFolderId), folder.fileName,
                        "the new folder ID could not be written")) {
        return;
    }

    temporary.Add(folder.indexTemporaryPath);
    const win32::FileResult indexCopy =
        win32::CopyFileReplacing(folder.indexSourcePath, folder.indexTemporaryPath);
    if (indexCopy.error == ERROR_FILE_NOT_FOUND) {
        // No index in the archive: the folder comes without one, as reported. An
        // index an earlier restore left under the restored name would not match
        // the new message file.
        failures.Check(indexCopy, folder.indexName);
        const win32::FileResult removed = win32::RemoveOwnFile(folder.indexDestinationPath);
        if (removed.error != ERROR_FILE_NOT_FOUND &&
            !failures.Check(removed, folder.fileName,
                            "the earlier restored index could not be removed")) {
            return;
        }
    } else if (!failures.Check(indexCopy, folder.indexName) ||
               !failures.Check(win32::ClearAttributes(folder.indexTemporaryPath), folder.indexName,
                               "the index copy could not be made read-write") ||
               !failures.Check(
                   win32::MoveReplacing(folder.indexTemporaryPath, folder.indexDestinationPath),
                   folder.indexName)) {
        return;
    }
    if (failures.Check(win32::MoveReplacing(folder.temporaryPath, folder.destinationPath),
                       folder.fileName)) {
        temporary.Keep();
    }
}

// New-mail files keep their names, contents and attributes; each is copied under
// its temporary name and then renamed, so a failed copy leaves nothing behind. A
// directory without any is fine; one that cannot be listed is a failure.
void CopyNewMail(const std::string& sourceText, const std::string& destinationText,
                 const DestinationNames& existing, TemporaryDirectory& temporaryDirectory,
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
        if (!failures.Check(temporaryDirectory.Make(), name, kNoTemporaryDirectory)) {
            continue;
        }
        TemporaryFiles temporary;
        temporary.Add(temporaryPath);
        if (failures.Check(win32::CopyFileReplacing(from, temporaryPath), name) &&
            failures.Check(win32::MoveReplacing(temporaryPath, to), name)) {
            temporary.Keep();
        }
    }
}

} // namespace

std::string CheckDestination(const std::string& sourceText, const std::string& destinationText) {
    if (DestinationTextIsMissing(destinationText)) {
        return "You must have a destination";
    }
    if (!win32::IsExistingDirectory(destinationText)) {
        return "The destination directory does not exist";
    }
    if (win32::IsSameDirectory(sourceText, destinationText)) {
        return "The destination must differ from the source directory";
    }
    return "";
}

std::vector<RestoreFailure> RestoreFolders(const std::vector<FolderRecord>& records,
                                           const std::string& sourceText,
                                           const std::string& destinationText, bool copyNewMail) {
    FailureList failures;
    TemporaryDirectory temporaryDirectory(destinationText, failures);
    const DestinationNames existing = ReadDestination(destinationText);
    for (const PlannedFolder& folder :
         PlanRestore(records, sourceText, destinationText, existing, win32::FileNameKey)) {
        RestoreFolder(folder, temporaryDirectory, failures);
    }
    if (copyNewMail) {
        CopyNewMail(sourceText, destinationText, existing, temporaryDirectory, failures);
    }
    return failures.All();
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
    const std::vector<RestoreFailure> failures =
        RestoreFolders(folderRecords, sourceText, destinationText, copyNewMail);
    win32::ShowSystemCursor(MAKEINTRESOURCEA(32512)); // IDC_ARROW

    const std::string text = CompletionText(sourceText, destinationText, failures);
    MessageBoxA(nullptr, text.c_str(), kProgramTitle,
                failures.empty() ? MB_OK : MB_OK | MB_ICONWARNING);
    return 0;
}
