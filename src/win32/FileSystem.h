#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace win32 {

// Outcome of one file-system call: the GetLastError() value is captured at once,
// before anything else can overwrite it. error is 0 on success.
struct FileResult {
    DWORD error = 0;
    bool Ok() const { return error == 0; }
};

FileResult CopyFileReplacing(const std::string& from, const std::string& to);
FileResult ClearAttributes(const std::string& path);
// Renames from to to, replacing a file of that name (the platform refuses a
// read-only one). Within one directory this is a single step: to names either
// the old file or the new one, never a part of either.
FileResult MoveReplacing(const std::string& from, const std::string& to);
// Whether an existing file could be replaced now: fails as the replacing rename
// would when another program holds the file open. A missing file is no obstacle.
FileResult CheckReplaceable(const std::string& path);
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

// A key that two file names share exactly when the file system takes them for
// the same file: the names in UTF-16, upper-cased by the system's fixed table
// (as file systems compare names, whatever the user's language), as bytes.
std::string FileNameKey(const std::string& name);

// The system's message for an error code, without its line break.
std::string ErrorText(DWORD error);

} // namespace win32
