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
    bool Ok() const { return error == 0; }
};

// Test seam: when set, every try of every call below (and of the calls of
// restore/FolderHeaderFile) asks it first, naming the call, the path it works on
// and, for a copy or a rename, the path it works from. 0 lets the try go ahead;
// kPretendDone reports success without touching the disk (a deletion whose name
// lingers, say); any other answer fails the try with that error. The program
// never sets it.
using FaultHook = DWORD (*)(const char* call, const std::string& path, const std::string& from);
extern FaultHook fileFaultHook;
constexpr DWORD kPretendDone = 0xFFFFFFFF;

// Opens an existing file without sharing; access is GENERIC_READ and/or
// GENERIC_WRITE.
FileResult OpenExisting(const std::string& path, DWORD access, FileHandle& file);
// Reads up to length bytes at offset; read says how many came.
FileResult ReadAt(HANDLE file, const std::string& path, DWORD offset, char* buffer, DWORD length,
                  DWORD& read);
// Writes all of length bytes at offset.
FileResult WriteAt(HANDLE file, const std::string& path, DWORD offset, const char* bytes,
                   DWORD length);

FileResult CopyFileReplacing(const std::string& from, const std::string& to);
FileResult ClearAttributes(const std::string& path);
FileResult SetAttributes(const std::string& path, DWORD attributes);
// Renames from to to, replacing a file of that name (the platform refuses a
// read-only one). On one volume this is a single step: to names either the old
// file or the new one, never a part of either.
FileResult MoveReplacing(const std::string& from, const std::string& to);
// Renames from to to when nothing stands under that name, in a single step. It
// fails when another program holds from open without letting it be renamed, as
// the mail client does with an open folder.
FileResult MoveToFreeName(const std::string& from, const std::string& to);
// Creates an empty file under a name that is free; fails when it is taken.
FileResult MakeEmptyFile(const std::string& path);
// Writes what the system still holds of a file in memory to the disk, so that a
// power cut after this cannot leave it zero-filled or with older contents.
FileResult FlushToDisk(const std::string& path);
// Removes a file that this program made, whatever attributes it was given.
FileResult RemoveOwnFile(const std::string& path);

// Makes a directory; one that is there already is fine.
FileResult MakeDirectory(const std::string& path);
// Removes a directory when it is empty.
FileResult RemoveEmptyDirectory(const std::string& path);

struct DirectoryEntry {
    std::string name;
    DWORD attributes;
};

// Every entry matching pattern, in the file system's order, but "." and "..".
// A pattern that matches nothing gives no entries and error ERROR_FILE_NOT_FOUND.
FileResult ListEntries(const std::string& pattern, std::vector<DirectoryEntry>& entries);

// The same, passing over directories, hidden and system entries as well.
FileResult ListPlainFiles(const std::string& pattern, std::vector<DirectoryEntry>& entries);

bool IsExistingDirectory(const std::string& path);

// The attributes of what stands under path itself, a link not followed;
// INVALID_FILE_ATTRIBUTES when nothing does.
DWORD AttributesOf(const std::string& path);

// Held by a run for its whole length: a file opened without sharing, which the
// system removes when it is closed, also when the process dies. A second holder
// is refused with ERROR_SHARING_VIOLATION.
class DirectoryLock {
  public:
    DirectoryLock() = default;
    // Takes the lock file at path, creating it.
    DirectoryLock(DirectoryLock&&) = default;
    DirectoryLock& operator=(DirectoryLock&&) = default;
    ~DirectoryLock() { Release(); }
    FileResult Take(const std::string& path);
    bool Held() const { return file_.IsValid(); }
    void Release();

  private:
    FileHandle file_;
    std::string path_;
};

// The text in UTF-16, read in the ANSI code page as the file calls read it.
std::wstring Widened(const std::string& text);

// A key that two file names share exactly when the file system takes them for
// the same file: the names in UTF-16, upper-cased by the system's fixed table
// (as file systems compare names, whatever the user's language), as bytes.
std::string FileNameKey(const std::string& name);

// The system's message for an error code, without its line break.
std::string ErrorText(DWORD error);

} // namespace win32
