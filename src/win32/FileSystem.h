#pragma once
#include <windows.h>

#include "win32/Handle.h"

#include <string>
#include <vector>

namespace win32 {

// Outcome of one file-system call: the GetLastError() value is captured at once,
// before anything else can overwrite it. error is 0 on success.
struct FileResult {
    DWORD error = 0;
    // A rename that failed, and whether it was done all the same could not be
    // told (see the moves below).
    bool unsure = false;
    bool Ok() const { return error == 0; }
};

// Nothing stands under the path a call was given.
inline bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Something already stands under the name a call was to make.
inline bool IsTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Every call below runs through one wrapper that
//  - asks the test seam (fileSeam) before each try, and again after it;
//  - runs in the quiet error mode, so that an empty drive or a missing medium
//    fails quietly instead of raising a system dialog;
//  - retries what another program's brief hold on a file causes: a sharing
//    violation always (a virus scanner or an indexer opens a file right after
//    it was closed), and a denied access where a deleted name may still be
//    listed while someone holds the file (MakeDirectory, DirectoryLock). The
//    tries are spaced by growing delays, about a second in all; a file that the
//    mail client really holds still fails within that second.

// The calls, as the test seam names them.
enum class FileCall {
    CopyFile,
    MoveFile,
    DeleteFile,
    GetFileAttributes,
    SetFileAttributes,
    CreateFile,
    ReadFile,
    WriteFile,
    FlushFileBuffers,
    CloseHandle,
    CreateDirectory,
    RemoveDirectory,
    FindFirstFile,
    FindNextFile,
};
constexpr int kFileCalls = static_cast<int>(FileCall::FindNextFile) + 1;
const char* NameOf(FileCall call);

// Test seam; the program never sets it. Each hook is told the call, the path it
// works on and, for a copy or a rename, the path it works from.
struct FileSeam {
    // Before every try. 0 lets the try go ahead; kPretendDone reports success
    // without touching the disk (a deletion whose name lingers, say); any other
    // answer fails the try with that error, nothing done.
    using Before = DWORD (*)(FileCall call, const std::string& path, const std::string& from);
    // After a try that went ahead, with its error: the error the caller sees. A
    // hook that answers an error for a try that succeeded makes a call that acts
    // and then reports failure, as a lost answer from a network drive does.
    using After = DWORD (*)(FileCall call, const std::string& path, const std::string& from,
                            DWORD error);
    // Instead of each wait between two tries.
    using Wait = void (*)(DWORD milliseconds);

    Before before = nullptr;
    After after = nullptr;
    Wait wait = nullptr;
};
extern FileSeam fileSeam;
constexpr DWORD kPretendDone = 0xFFFFFFFF;

// Copies from to to, which must not exist yet.
FileResult CopyToFreeName(const std::string& from, const std::string& to);
FileResult ClearAttributes(const std::string& path);
FileResult SetAttributes(const std::string& path, DWORD attributes);

// The two renames. Each is a single step on one volume, written through to the
// disk, and a link is renamed itself. When the answer is a failure that need not
// be the truth (anything but "not found", "already exists" or a sharing
// violation that the retry waited out: a network drive can lose the answer to a
// rename it did), the names decide: from gone and to there is a rename done, and
// the result is success; from still there is one not done; anything else cannot
// be told, and the result says so (unsure).
//
// MoveReplacing replaces a file under to (the platform refuses a read-only one).
FileResult MoveReplacing(const std::string& from, const std::string& to);
// MoveToFreeName renames only when nothing stands under to. It fails when another
// program holds from open without letting it be renamed, as the mail client does
// with an open folder.
FileResult MoveToFreeName(const std::string& from, const std::string& to);

// Writes what the system still holds of a file in memory to the disk, so that a
// power cut after this cannot leave it zero-filled or with older contents.
FileResult FlushToDisk(const std::string& path);
// The same through a handle open for writing.
FileResult Flush(HANDLE file, const std::string& path);
// Writes a directory's entries to the disk: what renames into and out of it
// changed. NTFS takes it as a flush of its log, and with it of every rename made
// on the volume before; FAT and exFAT, which keep no log, write the directory.
FileResult FlushDirectory(const std::string& path);
// Deletes the file (or the link) under path itself, read-only as it may be; the
// attribute of what a link leads to is never changed.
FileResult DeleteFileItself(const std::string& path);

// Opens an existing file without sharing; access is GENERIC_READ and/or
// GENERIC_WRITE.
FileResult OpenExisting(const std::string& path, DWORD access, FileHandle& file);
// Reads up to length bytes at offset; read says how many came.
FileResult ReadAt(HANDLE file, const std::string& path, DWORD offset, char* buffer, DWORD length,
                  DWORD& read);
// Writes all of length bytes at offset.
FileResult WriteAt(HANDLE file, const std::string& path, DWORD offset, const char* bytes,
                   DWORD length);

// Makes a directory; one that is there already is fine.
FileResult MakeDirectory(const std::string& path);
// Removes a directory when it is empty. With waitForDeletions, one that still
// lists names being deleted (a deleted file's name stays listed while another
// program holds the file) is tried again within the retry rule's second.
FileResult RemoveEmptyDirectory(const std::string& path, bool waitForDeletions = false);

struct DirectoryEntry {
    std::string name;
    DWORD attributes = 0;
    // The reparse point's tag, when attributes has FILE_ATTRIBUTE_REPARSE_POINT.
    DWORD reparseTag = 0;
};

// Every entry matching pattern, in the file system's order, but "." and "..".
// A pattern that matches nothing gives no entries and error ERROR_FILE_NOT_FOUND;
// a listing that stops part-way gives the entries so far and its error.
FileResult ListEntries(const std::string& pattern, std::vector<DirectoryEntry>& entries);

// The same, passing over directories, hidden and system entries as well.
FileResult ListPlainFiles(const std::string& pattern, std::vector<DirectoryEntry>& entries);

// A link to another place: a junction, a mount point or a symbolic link (or a
// reparse point whose tag is not known). Other reparse points (cloud
// placeholders, say) are ordinary files and directories.
bool IsLink(const DirectoryEntry& entry);

// The attributes of what stands under path itself, a link not followed; error
// ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when nothing does.
FileResult AttributesOf(const std::string& path, DWORD& attributes);
bool IsExistingDirectory(const std::string& path);

// Held by a run for its whole length: a file made anew and opened without
// sharing, which the system removes when it is closed, also when the process
// dies. Taking it fails with ERROR_FILE_EXISTS while something stands under its
// name, and with ERROR_ACCESS_DENIED while the name of one deleted lingers.
// Another program that tries to open or rename it meanwhile gets a sharing
// violation.
class DirectoryLock {
  public:
    DirectoryLock() = default;
    ~DirectoryLock() { Release(); }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    FileResult Take(const std::string& path);
    bool Held() const { return file_.IsValid(); }
    const std::string& Path() const { return path_; }
    void Release();

  private:
    FileHandle file_;
    std::string path_;
};

} // namespace win32
