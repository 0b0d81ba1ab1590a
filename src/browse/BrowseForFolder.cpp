#include "browse/BrowseForFolder.h"

#include "win32/Handle.h"

#include <shlobj.h>

#include <utility>

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

} // namespace

std::optional<std::string> AnsiDirectoryPath(const std::wstring& path, UINT codePage) {
    if (path.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(path.size());
    const int bytes =
        WideCharToMultiByte(codePage, 0, path.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0 || bytes > MAX_PATH - 1) {
        return std::nullopt;
    }
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, path.data(), length, ansi.data(), bytes, nullptr, nullptr);
    // A character that does not fit comes back as "?" or as a look-alike.
    const int characters = MultiByteToWideChar(codePage, 0, ansi.data(), bytes, nullptr, 0);
    if (characters != length) {
        return std::nullopt;
    }
    std::wstring back(static_cast<std::size_t>(characters), L'\0');
    MultiByteToWideChar(codePage, 0, ansi.data(), bytes, back.data(), characters);
    if (back != path) {
        return std::nullopt;
    }
    return ansi;
}

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

    const win32::CoTaskMemPtr<ITEMIDLIST> chosen(SHBrowseForFolderA(&request));
    if (!chosen) {
        return {};
    }
    return ChosenDirectoryOf(chosen.Get());
}

ChosenDirectory ChosenDirectoryOf(LPCITEMIDLIST item, UINT codePage) {
    // Read as UTF-16: the A form cuts (Wine) or fails on (Windows) a path whose
    // ANSI bytes outrun MAX_PATH although its characters fit, and a failure there
    // would look like Cancel.
    wchar_t widePath[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(item, widePath)) {
        return {};
    }
    std::optional<std::string> path = AnsiDirectoryPath(widePath, codePage);
    if (!path) {
        return {"", true};
    }
    return {std::move(*path), false};
}

void ShowUnnamableDirectoryError() {
    MessageBoxA(nullptr,
                "The name of this directory has characters that Tarnwick cannot use on this "
                "system. Please choose another directory.",
                "Directory Error", MB_OK);
}
