#include "win32/Directory.h"

#include "common/Path.h"
#include "win32/ErrorMode.h"
#include "win32/Handle.h"

namespace win32 {

namespace {

bool DirectoryIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    QuietErrorMode quiet;
    const FileHandle directory(
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return directory && GetFileInformationByHandle(directory.Get(), &info);
}

} // namespace

std::string FullDirectoryPath(const std::string& text) {
    // Joining "." first makes a trailing separator, or none, come out alike.
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

bool IsSameDirectory(const std::string& a, const std::string& b) {
    const std::string fullA = FullDirectoryPath(a);
    const std::string fullB = FullDirectoryPath(b);
    if (!fullA.empty() && lstrcmpiA(fullA.c_str(), fullB.c_str()) == 0) {
        return true;
    }
    BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
    return DirectoryIdentity(JoinPath(a, "."), infoA) &&
           DirectoryIdentity(JoinPath(b, "."), infoB) &&
           infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
           infoA.nFileIndexLow == infoB.nFileIndexLow;
}

} // namespace win32
