#include "win32/Directory.h"

#include "common/Path.h"
#include "win32/ErrorMode.h"
#include "win32/FileSystem.h"
#include "win32/Handle.h"
#include "win32/Text.h"

namespace win32 {

namespace {

bool DirectoryIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    QuietErrorMode quiet;
    const FileHandle directory(
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return directory && GetFileInformationByHandle(directory.Get(), &info);
}

bool IsKnownIdentity(const BY_HANDLE_FILE_INFORMATION& info) {
    return IsKnownFileIndex((static_cast<unsigned long long>(info.nFileIndexHigh) << 32) |
                            info.nFileIndexLow);
}

} // namespace

std::wstring FullDirectoryPath(const std::string& text) {
    // Joining "." first makes a trailing separator, or none, come out alike.
    wchar_t full[MAX_PATH] = {};
    const DWORD length =
        GetFullPathNameW(Widened(JoinPath(text, ".")).c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        return L"";
    }
    std::wstring path(full, length);
    if (path.size() > 3 && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

bool IsSameDirectory(const std::string& a, const std::string& b) {
    const std::wstring fullA = FullDirectoryPath(a);
    const std::wstring fullB = FullDirectoryPath(b);
    if (!fullA.empty() && lstrcmpiW(fullA.c_str(), fullB.c_str()) == 0) {
        return true;
    }
    BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
    return DirectoryIdentity(JoinPath(a, "."), infoA) &&
           DirectoryIdentity(JoinPath(b, "."), infoB) && IsKnownIdentity(infoA) &&
           IsKnownIdentity(infoB) && infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
           infoA.nFileIndexLow == infoB.nFileIndexLow;
}

} // namespace win32
