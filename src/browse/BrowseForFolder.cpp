#include "browse/BrowseForFolder.h"

#include "common/Titles.h"
#include "win32/Handle.h"

#include <shlobj.h>

#include <utility>

namespace {

// The folder browser's only text of its own.
constexpr const char kUnnamableDirectory[] =
    "The name of this directory has characters that Tarnwick cannot use on this system. Please "
    "choose another directory.";

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

namespace {

// The shell's parsing name of an item, which has no length limit; "" when it
// has none that is a file-system path.
std::wstring ParsingNameOf(LPCITEMIDLIST item) {
    IShellFolder* parent = nullptr;
    LPCITEMIDLIST child = nullptr;
    if (FAILED(SHBindToParent(item, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child))) {
        return L"";
    }
    STRRET name{};
    std::wstring parsingName;
    if (SUCCEEDED(parent->GetDisplayNameOf(child, SHGDN_FORPARSING, &name)) &&
        name.uType == STRRET_WSTR) {
        const win32::CoTaskMemPtr<wchar_t> text(name.pOleStr);
        parsingName = text.Get();
    }
    parent->Release();
    const bool fileSystemPath = parsingName.size() > 2 && (parsingName.compare(1, 2, L":\\") == 0 ||
                                                           parsingName.compare(0, 2, L"\\\\") == 0);
    return fileSystemPath ? parsingName : L"";
}

} // namespace

ChosenDirectory ChosenDirectoryFrom(const std::optional<std::wstring>& shellPath,
                                    const std::wstring& parsingName, UINT codePage) {
    // A path that fills MAX_PATH may be one the shell cut (Wine does); a longer
    // one the shell cannot give at all (Windows), which is no Cancel.
    const bool mayBeCut = !shellPath || shellPath->size() >= MAX_PATH - 1;
    const std::optional<std::wstring> whole =
        mayBeCut && parsingName.size() > (shellPath ? shellPath->size() : 0) ? parsingName
                                                                             : shellPath;
    if (!whole) {
        return {};
    }
    std::optional<std::string> path = AnsiDirectoryPath(*whole, codePage);
    if (!path) {
        return {"", true};
    }
    return {std::move(*path), false};
}

ChosenDirectory ChosenDirectoryOf(LPCITEMIDLIST item, UINT codePage) {
    // Read as UTF-16: the A form cuts (Wine) or fails on (Windows) a path whose
    // ANSI bytes outrun MAX_PATH although its characters fit.
    wchar_t widePath[MAX_PATH] = {};
    std::optional<std::wstring> shellPath;
    if (SHGetPathFromIDListW(item, widePath)) {
        shellPath = widePath;
    }
    const bool mayBeCut = !shellPath || shellPath->size() >= MAX_PATH - 1;
    return ChosenDirectoryFrom(shellPath, mayBeCut ? ParsingNameOf(item) : L"", codePage);
}

void ShowUnnamableDirectoryError() {
    MessageBoxA(nullptr, kUnnamableDirectory, kDirectoryErrorTitle, MB_OK);
}
