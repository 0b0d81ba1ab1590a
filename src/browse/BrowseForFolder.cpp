#include "browse/BrowseForFolder.h"

#include <shlobj.h>

#include <cwchar>

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

// Whether the UTF-16 path survives the trip to the ANSI code page and back: a
// character that does not fit comes back as "?" or as a look-alike.
bool FitsAnsiCodePage(const wchar_t* path) {
    const int bytes = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return false;
    }
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, path, -1, ansi.data(), bytes, nullptr, nullptr);
    const int characters = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    if (characters <= 0) {
        return false;
    }
    std::wstring back(static_cast<std::size_t>(characters), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, back.data(), characters);
    return back == std::wstring(path, std::wcslen(path) + 1);
}

} // namespace

ChosenDirectory BrowseForFolder(HWND owner, const std::string& title,
                                const std::string& startPath) {
    BROWSEINFOA request{};
    request.hwndOwner = owner;
    request.pidlRoot = nullptr;
    request.pszDisplayName = nullptr;
    request.lpszTitle = title.c_str();
    request.ulFlags = kBrowseFlags;
    request.lpfn = PreselectStartPath;
    request.lParam = reinterpret_cast<LPARAM>(startPath.c_str());

    const ItemIdListOwner chosen{SHBrowseForFolderA(&request)};
    if (!chosen.list) {
        return {};
    }
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.list, path)) {
        return {};
    }
    wchar_t widePath[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen.list, widePath) && !FitsAnsiCodePage(widePath)) {
        return {"", true};
    }
    return {path, false};
}

void ShowUnnamableDirectoryError() {
    MessageBoxA(nullptr,
                "The name of this directory has characters that Tarnwick cannot use on this "
                "system. Please choose another directory.",
                "Directory Error", MB_OK);
}
