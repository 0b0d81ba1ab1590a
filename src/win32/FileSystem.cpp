#include "win32/FileSystem.h"

#include "win32/ErrorMode.h"
#include "win32/Handle.h"

#include <iterator>

namespace win32 {

FileSeam fileSeam;

namespace {

// The waits between the tries of a call, in milliseconds: about a second in all,
// as careful Windows programs wait out a virus scanner.
constexpr DWORD kRetryDelays[] = {10, 20, 40, 80, 160, 320, 370};

// What a call tries again, besides a sharing violation.
enum class Retry {
    Sharing,
    // Denied access: what opening or making a name that still lingers gives.
    SharingAndDenied,
    // A directory not empty: what removing one whose names are being deleted gives.
    SharingAndNotEmpty,
};

bool IsTransient(DWORD error, Retry retry) {
    return error == ERROR_SHARING_VIOLATION ||
           (retry == Retry::SharingAndDenied && error == ERROR_ACCESS_DENIED) ||
           (retry == Retry::SharingAndNotEmpty && error == ERROR_DIR_NOT_EMPTY);
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
FileResult Guarded(FileCall name, const std::string& path, const std::string& from, Retry retry,
                   Call call) {
    for (std::size_t attempt = 0;; ++attempt) {
        const DWORD fault = fileSeam.before ? fileSeam.before(name, path, from) : 0;
        if (fault == kPretendDone) {
            return {};
        }
        FileResult result{fault};
        if (fault == 0) {
            {
                QuietErrorMode quiet;
                result = call();
            }
            if (fileSeam.after) {
                result.error = fileSeam.after(name, path, from, result.error);
            }
        }
        if (!IsTransient(result.error, retry) || attempt == std::size(kRetryDelays)) {
            return result;
        }
        if (fileSeam.wait) {
            fileSeam.wait(kRetryDelays[attempt]);
        } else {
            Sleep(kRetryDelays[attempt]);
        }
    }
}

template <typename Call>
FileResult Guarded(FileCall name, const std::string& path, Call call) {
    return Guarded(name, path, "", Retry::Sharing, call);
}

// An answer that a rename can be taken at: it was not done.
bool IsTrustedFailure(DWORD error) {
    return IsMissing(error) || IsTaken(error) || error == ERROR_SHARING_VIOLATION;
}

FileResult Move(const std::string& from, const std::string& to, DWORD flags) {
    const FileResult moved = Guarded(FileCall::MoveFile, to, from, Retry::Sharing, [&] {
        return Outcome(MoveFileExA(from.c_str(), to.c_str(), flags | MOVEFILE_WRITE_THROUGH));
    });
    if (moved.Ok() || IsTrustedFailure(moved.error)) {
        return moved;
    }
    // The disk decides what became of it.
    DWORD attributes = 0;
    const FileResult source = AttributesOf(from, attributes);
    if (source.Ok()) {
        return moved;
    }
    if (IsMissing(source.error) && AttributesOf(to, attributes).Ok()) {
        return {};
    }
    return {moved.error, true};
}

} // namespace

const char* NameOf(FileCall call) {
    constexpr const char* kNames[kFileCalls] = {
        "CopyFile",          "MoveFile",    "DeleteFile",      "GetFileAttributes",
        "SetFileAttributes", "CreateFile",  "ReadFile",        "WriteFile",
        "FlushFileBuffers",  "CloseHandle", "CreateDirectory", "RemoveDirectory",
        "FindFirstFile",     "FindNextFile"};
    return kNames[static_cast<int>(call)];
}

FileResult CopyToFreeName(const std::string& from, const std::string& to) {
    return Guarded(FileCall::CopyFile, to, from, Retry::Sharing,
                   [&] { return Outcome(CopyFileA(from.c_str(), to.c_str(), TRUE)); });
}

FileResult ClearAttributes(const std::string& path) {
    // 0 clears read-only, hidden, system and archive alike.
    return SetAttributes(path, 0);
}

FileResult SetAttributes(const std::string& path, DWORD attributes) {
    return Guarded(FileCall::SetFileAttributes, path,
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
    return Guarded(FileCall::FlushFileBuffers, path,
                   [&] { return Outcome(FlushFileBuffers(file)); });
}

FileResult FlushDirectory(const std::string& path) {
    // A flush needs write access; a directory opens only with backup semantics.
    // Shared every way, so that no other program is kept from it meanwhile.
    FileHandle directory;
    const FileResult opened = Guarded(FileCall::CreateFile, path, [&] {
        directory.Reset(CreateFileA(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return FileResult{directory ? 0 : GetLastError()};
    });
    if (!opened.Ok()) {
        return opened;
    }
    return Flush(directory.Get(), path);
}

FileResult DeleteFileItself(const std::string& path) {
    const auto remove = [&] { return Outcome(DeleteFileA(path.c_str())); };
    const FileResult removed = Guarded(FileCall::DeleteFile, path, remove);
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
    return writable.Ok() ? Guarded(FileCall::DeleteFile, path, remove) : writable;
}

FileResult OpenExisting(const std::string& path, DWORD access, FileHandle& file) {
    const FileResult opened = Guarded(FileCall::CreateFile, path, [&] {
        file.Reset(CreateFileA(path.c_str(), access, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        return FileResult{file ? 0 : GetLastError()};
    });
    if (!opened.Ok()) {
        // An open whose answer was lost gives the caller no handle.
        file.Reset();
    }
    return opened;
}

FileResult ReadAt(HANDLE file, const std::string& path, DWORD offset, char* buffer, DWORD length,
                  DWORD& read) {
    read = 0;
    return Guarded(FileCall::ReadFile, path, [&] {
        if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER) {
            return FileResult{GetLastError()};
        }
        return Outcome(ReadFile(file, buffer, length, &read, nullptr));
    });
}

FileResult WriteAt(HANDLE file, const std::string& path, DWORD offset, const char* bytes,
                   DWORD length) {
    return Guarded(FileCall::WriteFile, path, [&] {
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
    const FileResult made =
        Guarded(FileCall::CreateDirectory, path, "", Retry::SharingAndDenied,
                [&] { return Outcome(CreateDirectoryA(path.c_str(), nullptr)); });
    // There already, or made although the answer says otherwise: the disk decides.
    return !made.Ok() && IsExistingDirectory(path) ? FileResult{} : made;
}

FileResult RemoveEmptyDirectory(const std::string& path, bool waitForDeletions) {
    return Guarded(FileCall::RemoveDirectory, path, "",
                   waitForDeletions ? Retry::SharingAndNotEmpty : Retry::Sharing,
                   [&] { return Outcome(RemoveDirectoryA(path.c_str())); });
}

FileResult ListEntries(const std::string& pattern, std::vector<DirectoryEntry>& entries) {
    WIN32_FIND_DATAA entry{};
    FindHandle search;
    const FileResult first = Guarded(FileCall::FindFirstFile, pattern, [&] {
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
        const FileResult next = Guarded(FileCall::FindNextFile, pattern, [&] {
            return Outcome(FindNextFileA(search.Get(), &entry));
        });
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
    return Guarded(FileCall::GetFileAttributes, path, [&] {
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
    const FileResult taken = Guarded(FileCall::CreateFile, path, "", Retry::SharingAndDenied, [&] {
        file_.Reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                                nullptr));
        return FileResult{file_ ? 0 : GetLastError()};
    });
    if (!taken.Ok()) {
        file_.Reset();
    }
    return taken;
}

void DirectoryLock::Release() {
    if (file_) {
        // Closed whatever the answer: a process that ends has its handles closed.
        Guarded(FileCall::CloseHandle, path_, [&] {
            file_.Reset();
            return FileResult{};
        });
        file_.Reset();
    }
}

} // namespace win32
