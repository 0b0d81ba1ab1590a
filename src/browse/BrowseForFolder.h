#pragma once
#include <windows.h>

#include <shtypes.h>

#include <optional>
#include <string>

// What the user chose in the folder browser.
struct ChosenDirectory {
    // The file-system directory as the shell names it, in the ANSI code page (a
    // drive root keeps its backslash); "" when the user cancelled or the choice
    // has no path.
    std::string path;
    // The directory cannot be named in the system's ANSI code page: a character
    // does not fit it (the shell puts "?" there, naming some other directory), or
    // the ANSI path is longer than the MAX_PATH buffers the program reads it into.
    bool unnamable = false;
};

// The ANSI form of a directory path in codePage, or nothing when it would not name
// the same directory: a character does not survive the trip there and back, or the
// form needs more than MAX_PATH - 1 bytes (a double-byte or UTF-8 code page can
// need more bytes than the path has characters).
std::optional<std::string> AnsiDirectoryPath(const std::wstring& path, UINT codePage = CP_ACP);

// Shows the shell's folder browser rooted at the desktop. A non-empty startPath
// is pre-selected when the browser opens; one that does not exist leaves the
// browser at the desktop.
ChosenDirectory BrowseForFolder(HWND owner, const std::string& title, const std::string& startPath);

// What a choice of the browser comes to: its path in codePage, refused as
// unnamable when AnsiDirectoryPath gives nothing (a UTF-16 path longer than 259
// characters included); "" for an item with no file-system path.
ChosenDirectory ChosenDirectoryOf(LPCITEMIDLIST item, UINT codePage = CP_ACP);

// The same from what the shell says of the item: the path it gives into a
// MAX_PATH buffer (nothing when it gives none), and its parsing name, "" unless
// it is a file-system path.
ChosenDirectory ChosenDirectoryFrom(const std::optional<std::wstring>& shellPath,
                                    const std::wstring& parsingName, UINT codePage);

// The box that refuses an unnamable directory.
void ShowUnnamableDirectoryError();
