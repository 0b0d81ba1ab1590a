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

struct DirectoryEntry {
    std::string name;
    DWORD attributes;
};

// The plain files matching pattern, in the file system's order: ".", "..",
// directories, hidden and system entries are passed over. A pattern that matches
// nothing gives no entries and error ERROR_FILE_NOT_FOUND.
FileResult ListPlainFiles(const std::string& pattern, std::vector<DirectoryEntry>& entries);
FileResult ListPlainFiles(const std::string& pattern, std::vector<std::string>& names);

bool IsExistingDirectory(const std::string& path);

// The system's message for an error code, without its line break.
std::string ErrorText(DWORD error);

} // namespace win32
