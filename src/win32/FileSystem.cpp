#include "win32/FileSystem.h"

#include "win32/ErrorMode.h"
#include "win32/Handle.h"

namespace win32 {

namespace {

FileResult Outcome(BOOL succeeded) {
    return FileResult{succeeded ? 0 : GetLastError()};
}

bool IsPlainFile(const WIN32_FIND_DATAA& entry) {
    const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (entry.dwFileAttributes & skipped) == 0;
}

} // namespace

FileResult CopyFileReplacing(const std::string& from, const std::string& to) {
    QuietErrorMode quiet;
    return Outcome(CopyFileA(from.c_str(), to.c_str(), FALSE));
}

FileResult ClearAttributes(const std::string& path) {
    QuietErrorMode quiet;
    // 0 clears read-only, hidden, system and archive alike.
    return Outcome(SetFileAttributesA(path.c_str(), 0));
}

FileResult ListPlainFiles(const std::string& pattern, std::vector<DirectoryEntry>& entries) {
    WIN32_FIND_DATAA entry{};
    FindHandle search;
    {
        QuietErrorMode quiet;
        search.Reset(FindFirstFileA(pattern.c_str(), &entry));
        if (!search) {
            return FileResult{GetLastError()};
        }
    }
    for (;;) {
        if (IsPlainFile(entry)) {
            entries.push_back({entry.cFileName, entry.dwFileAttributes});
        }
        QuietErrorMode quiet;
        if (!FindNextFileA(search.Get(), &entry)) {
            const DWORD error = GetLastError();
            return FileResult{error == ERROR_NO_MORE_FILES ? 0 : error};
        }
    }
}

FileResult ListPlainFiles(const std::string& pattern, std::vector<std::string>& names) {
    std::vector<DirectoryEntry> entries;
    const FileResult result = ListPlainFiles(pattern, entries);
    for (DirectoryEntry& entry : entries) {
        names.push_back(std::move(entry.name));
    }
    return result;
}

bool IsExistingDirectory(const std::string& path) {
    QuietErrorMode quiet;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ErrorText(DWORD error) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length ? std::string(buffer, length) : std::string();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = "Error " + std::to_string(error);
    }
    return text;
}

} // namespace win32
