#include "restore/Restore.h"

#include "app/ControlIds.h"
#include "lists/FolderRecord.h"
#include "restore/FolderHeaderFile.h"
#include "restore/RestoreNames.h"
#include "restore/RestorePlan.h"
#include "win32/DialogControls.h"
#include "win32/ErrorMode.h"
#include "win32/FileSystem.h"
#include "win32/Handle.h"

namespace {

void SetSharedCursor(const char* id) {
    SetCursor(static_cast<HCURSOR>(
        LoadImageA(nullptr, id, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE)));
}

// The directory a path text names, as a full path without trailing separator:
// joining "." first makes "X:\dir", "X:\dir\" and an empty text (the current
// drive's root, as the file paths built from it) come out alike.
std::string FullDirectoryPath(const std::string& text) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(JoinPath(text, ".").c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        return "";
    }
    std::string path(full, length);
    if (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

bool DirectoryIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    win32::QuietErrorMode quiet;
    const win32::FileHandle directory(
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return directory && GetFileInformationByHandle(directory.Get(), &info);
}

// Same directory by file identity (links, other spellings), or by equal full
// paths compared without regard to case.
bool IsSameDirectory(const std::string& sourceText, const std::string& destinationText) {
    const std::string source = FullDirectoryPath(sourceText);
    const std::string destination = FullDirectoryPath(destinationText);
    if (!source.empty() && lstrcmpiA(source.c_str(), destination.c_str()) == 0) {
        return true;
    }
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return DirectoryIdentity(JoinPath(sourceText, "."), a) &&
           DirectoryIdentity(JoinPath(destinationText, "."), b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

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

// A failed message-file copy ends the folder there: whatever already carries the
// restored name in the destination belongs to something else and is not touched.
void RestoreFolder(const PlannedFolder& folder, FailureList& failures) {
    if (!folder.refusal.empty()) {
        failures.Add(folder.fileName, folder.refusal);
        return;
    }
    if (!failures.Check(win32::CopyFileReplacing(folder.sourcePath, folder.destinationPath),
                        folder.fileName)) {
        return;
    }
    failures.Check(win32::ClearAttributes(folder.destinationPath), folder.fileName,
                   "the copy could not be made read-write");
    failures.Check(WriteFolderId(folder.destinationPath, folder.newFolderId), folder.fileName,
                   "the new folder ID could not be written");

    const std::string indexName = IndexPathOf(folder.fileName);
    const std::string indexCopy = IndexPathOf(folder.destinationPath);
    if (failures.Check(win32::CopyFileReplacing(IndexPathOf(folder.sourcePath), indexCopy),
                       indexName)) {
        failures.Check(win32::ClearAttributes(indexCopy), indexName,
                       "the index copy could not be made read-write");
    }
}

// New-mail files keep their names, contents and attributes. A directory without
// any is fine; one that cannot be listed is a failure.
void CopyNewMail(const std::string& sourceText, const std::string& destinationText,
                 FailureList& failures) {
    const char* const pattern = "*.CNM";
    std::vector<std::string> names;
    const win32::FileResult listing = win32::ListPlainFiles(JoinPath(sourceText, pattern), names);
    if (listing.error != ERROR_FILE_NOT_FOUND && listing.error != ERROR_NO_MORE_FILES) {
        failures.Check(listing, pattern);
    }
    for (const std::string& name : names) {
        if (!HasExtension(name, ".CNM")) {
            continue;
        }
        const std::string from = JoinPath(sourceText, name);
        const std::string to = JoinPath(destinationText, name);
        if (from.size() > kMaxPathLength || to.size() > kMaxPathLength) {
            failures.Add(name, "the path is too long");
            continue;
        }
        failures.Check(win32::CopyFileReplacing(from, to), name);
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
    if (IsSameDirectory(sourceText, destinationText)) {
        return "The destination must differ from the source directory";
    }
    return "";
}

std::vector<RestoreFailure> RestoreFolders(const std::vector<FolderRecord>& records,
                                           const std::string& sourceText,
                                           const std::string& destinationText, bool copyNewMail) {
    FailureList failures;
    for (const PlannedFolder& folder : PlanRestore(records, sourceText, destinationText)) {
        RestoreFolder(folder, failures);
    }
    if (copyNewMail) {
        CopyNewMail(sourceText, destinationText, failures);
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

    SetSharedCursor(MAKEINTRESOURCEA(32514)); // IDC_WAIT
    const std::vector<RestoreFailure> failures =
        RestoreFolders(folderRecords, sourceText, destinationText, copyNewMail);
    SetSharedCursor(MAKEINTRESOURCEA(32512)); // IDC_ARROW

    const std::string text = CompletionText(sourceText, destinationText, failures);
    MessageBoxA(nullptr, text.c_str(), kProgramTitle,
                failures.empty() ? MB_OK : MB_OK | MB_ICONWARNING);
    return 0;
}
