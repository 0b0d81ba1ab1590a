#include "win32/FileSystem.h"

#include "win32/ErrorMode.h"
#include "win32/Handle.h"

#include <iterator>

namespace win32 {

FaultHook fileFaultHook = nullptr;

namespace {

// The waits between the tries of a call, in milliseconds: about a second in all,
// as careful Windows programs wait out a virus scanner.
constexpr DWORD kRetryDelays[] = {10, 20, 40, 80, 160, 320, 370};

enum class Retry {
    // Sharing violations only.
    Sharing,
    // Denied access too: what opening or making a name that still lingers gives.
    SharingAndDenied,
};

bool IsTransient(DWORD error, Retry retry) {
    return error == ERROR_SHARING_VIOLATION ||
           (retry == Retry::SharingAndDenied && error == ERROR_ACCESS_DENIED);
}

FileResult Outcome(BOOL succeeded) {
    return FileResult{succeeded ? 0 : GetLastError()};
}

bool IsPlainFile(DWORD attributes) {
    const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (attributes & skipped) == 0;
}

// The one wrapper of every file call: the test seam, the quiet error mode and
// the retry rule (see the header).
template <typename Call>
FileResult Guarded(const char* name, const std::string& path, const std::string& from, Retry retry,
                   Call call) {
    for (std::size_t attempt = 0;; ++attempt) {
        const DWORD fault = fileFaultHook ? fileFaultHook(name, path, from) : 0;
        if (fault == kPretendDone) {
            return {};
        }
        FileResult result{fault};
        if (fault == 0) {
            QuietErrorMode quiet;
            result = call();
        }
        if (!IsTransient(result.error, retry) || attempt == std::size(kRetryDelays)) {
            return result;
        }
        Sleep(kRetryDelays[attempt]);
    }
}

template <typename Call>
FileResult Guarded(const char* name, const std::string& path, Call call) {
    return Guarded(name, path, "", Retry::Sharing, call);
}

FileResult Move(const std::string& from, const std::string& to, DWORD flags) {
    return Guarded("MoveFile", to, from, Retry::Sharing,
                   [&] { return Outcome(MoveFileExA(from.c_str(), to.c_str(), flags)); });
}

} // namespace

FileResult CopyToFreeName(const std::string& from, const std::string& to) {
    return Guarded("CopyFile", to, from, Retry::Sharing,
                   [&] { return Outcome(CopyFileA(from.c_str(), to.c_str(), TRUE)); });
}

FileResult ClearAttributes(const std::string& path) {
    // 0 clears read-only, hidden, system and archive alike.
    return SetAttributes(path, 0);
}

FileResult SetAttributes(const std::string& path, DWORD attributes) {
    return Guarded("SetFileAttributes", path,
                   [&] { return Outcome(SetFileAttributesA(path.c_str(), attributes)); });
}

FileResult MoveReplacing(const std::string& from, const std::string& to) {
    return Move(from, to, MOVEFILE_REPLACE_EXISTING);
}

FileResult MoveToFreeName(const std::string& from, const std::string& to) {
    return Move(from, to, 0);
}

FileResult FlushToDisk(const std::string& path) {
    FileHandle file;
    const FileResult opened = OpenExisting(path, GENERIC_WRITE, file);
    return opened.Ok() ? Flush(file.Get(), path) : opened;
}

FileResult Flush(HANDLE file, const std::string& path) {
    return Guarded("FlushFileBuffers", path, [&] { return Outcome(FlushFileBuffers(file)); });
}

FileResult DeleteFileItself(const std::string& path) {
    const auto remove = [&] { return Outcome(DeleteFileA(path.c_str())); };
    const FileResult removed = Guarded("DeleteFile", path, remove);
    if (removed.error != ERROR_ACCESS_DENIED) {
        return removed;
    }
    // Read-only (an unfinished copy from a CD): it goes once it is writable. The
    // attribute of a link would be that of what it leads to.
    DWORD attributes = 0;
    if (!AttributesOf(path, attributes).Ok() || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return removed;
    }
    const FileResult writable = SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
    return writable.Ok() ? Guarded("DeleteFile", path, remove) : writable;
}

FileResult OpenExisting(const std::string& path, DWORD access, FileHandle& file) {
    return Guarded("CreateFile", path, [&] {
        file.Reset(CreateFileA(path.c_str(), access, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        return FileResult{file ? 0 : GetLastError()};
    });
}

FileResult ReadAt(HANDLE file, const std::string& path, DWORD offset, char* buffer, DWORD length,
                  DWORD& read) {
    read = 0;
    return Guarded("ReadFile", path, [&] {
        if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER) {
            return FileResult{GetLastError()};
        }
        return Outcome(ReadFile(file, buffer, length, &read, nullptr));
    });
}

FileResult WriteAt(HANDLE file, const std::string& path, DWORD offset, const char* bytes,
                   DWORD length) {
    return Guarded("WriteFile", path, [&] {
        DWORD written = 0;
        if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
                INVALID_SET_FILE_POINTER ||
            !WriteFile(file, bytes, length, &written, nullptr)) {
            return FileResult{GetLastError()};
        }
        return FileResult{written == length ? 0 : static_cast<DWORD>(ERROR_WRITE_FAULT)};
    });
}

FileResult MakeDirectory(const std::string& path) {
    // A directory removed while another program looks into it stays until that
    // program lets go, and cannot be made anew meanwhile.
    const FileResult made = Guarded("CreateDirectory", path, "", Retry::SharingAndDenied, [&] {
        return Outcome(CreateDirectoryA(path.c_str(), nullptr));
    });
    return made.error == ERROR_ALREADY_EXISTS && IsExistingDirectory(path) ? FileResult{} : made;
}

FileResult RemoveEmptyDirectory(const std::string& path) {
    return Guarded("RemoveDirectory", path,
                   [&] { return Outcome(RemoveDirectoryA(path.c_str())); });
}

FileResult ListEntries(const std::string& pattern, std::vector<DirectoryEntry>& entries) {
    WIN32_FIND_DATAA entry{};
    FindHandle search;
    const FileResult first = Guarded("FindFirstFile", pattern, [&] {
        search.Reset(FindFirstFileA(pattern.c_str(), &entry));
        return FileResult{search ? 0 : GetLastError()};
    });
    if (!first.Ok()) {
        return first;
    }
    for (;;) {
        if (lstrcmpA(entry.cFileName, ".") != 0 && lstrcmpA(entry.cFileName, "..") != 0) {
            const bool reparse = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
            entries.push_back(
                {entry.cFileName, entry.dwFileAttributes, reparse ? entry.dwReserved0 : 0});
        }
        const FileResult next = Guarded(
            "FindNextFile", pattern, [&] { return Outcome(FindNextFileA(search.Get(), &entry)); });
        if (!next.Ok()) {
            return FileResult{next.error == ERROR_NO_MORE_FILES ? 0 : next.error};
        }
    }
}

FileResult ListPlainFiles(const std::string& pattern, std::vector<DirectoryEntry>& entries) {
    std::vector<DirectoryEntry> all;
    const FileResult result = ListEntries(pattern, all);
    for (DirectoryEntry& entry : all) {
        if (IsPlainFile(entry.attributes)) {
            entries.push_back(std::move(entry));
        }
    }
    return result;
}

bool IsLink(const DirectoryEntry& entry) {
    // IsReparseTagNameSurrogate: junctions, mount points and symbolic links.
    // Windows always gives the tag; Wine gives none for its symbolic links.
    return (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (entry.reparseTag == 0 || (entry.reparseTag & 0x20000000));
}

FileResult AttributesOf(const std::string& path, DWORD& attributes) {
    return Guarded("GetFileAttributes", path, [&] {
        attributes = GetFileAttributesA(path.c_str());
        return FileResult{attributes != INVALID_FILE_ATTRIBUTES ? 0 : GetLastError()};
    });
}

bool IsExistingDirectory(const std::string& path) {
    DWORD attributes = 0;
    return AttributesOf(path, attributes).Ok() && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileResult DirectoryLock::Take(const std::string& path) {
    Release();
    path_ = path;
    // Made anew, so that nothing already standing under the name (a link, say)
    // is ever opened; a lock name that lingers is waited out.
    return Guarded("CreateFile", path, "", Retry::SharingAndDenied, [&] {
        file_.Reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                                nullptr));
        return FileResult{file_ ? 0 : GetLastError()};
    });
}

void DirectoryLock::Release() {
    if (file_) {
        // Whatever the seam says: a process that ends has its handles closed.
        Guarded("CloseHandle", path_, [] { return FileResult{}; });
        file_.Reset();
    }
}

std::wstring Widened(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return L"";
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string FileNameKey(const std::string& name) {
    std::wstring wide = Widened(name);
    if (wide.empty()) {
        return name;
    }
    const int length = static_cast<int>(wide.size());
    // Upper-casing may work in place.
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.data(), length, wide.data(), length);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
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
