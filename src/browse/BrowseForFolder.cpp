#include "browse/BrowseForFolder.h"

#include <shlobj.h>

namespace {

// BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX | BIF_NEWDIALOGSTYLE
constexpr UINT kBrowseFlags = 0x53;

int CALLBACK PreselectStartPath(HWND browser, UINT message, LPARAM, LPARAM startPath) {
    const char* path = reinterpret_cast<const char*>(startPath);
    if (message == BFFM_INITIALIZED && path && *path) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, startPath);
    }
    return 0;
}

// Frees the identifier list the browser returned, on every path.
struct ItemIdListOwner {
    LPITEMIDLIST list;
    ~ItemIdListOwner() { CoTaskMemFree(list); }
};

} // namespace

std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& startPath) {
    BROWSEINFOA request{};
    request.hwndOwner = owner;
    request.pidlRoot = nullptr;
    request.pszDisplayName = nullptr;
    request.lpszTitle = title.c_str();
    request.ulFlags = kBrowseFlags;
    request.lpfn = PreselectStartPath;
    request.lParam = reinterpret_cast<LPARAM>(startPath.c_str());

    char path[MAX_PATH] = {};
    const ItemIdListOwner chosen{SHBrowseForFolderA(&request)};
    if (!chosen.list) {
        return "";
    }
    if (!SHGetPathFromIDListA(chosen.list, path)) {
        return "";
    }
    return path;
}
