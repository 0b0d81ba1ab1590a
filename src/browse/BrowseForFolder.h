#pragma once
#include <windows.h>

#include <string>

// What the user chose in the folder browser.
struct ChosenDirectory {
    // The file-system directory exactly as the shell gives it (a drive root keeps
    // its backslash); "" when the user cancelled or the choice has no path.
    std::string path;
    // The directory's name cannot be written in the system's ANSI code page: path
    // would name some other directory (the shell puts "?" for what does not fit),
    // so it must not be used.
    bool unnamable = false;
};

// Shows the shell's folder browser rooted at the desktop. A non-empty startPath
// is pre-selected when the browser opens; one that does not exist leaves the
// browser at the desktop.
ChosenDirectory BrowseForFolder(HWND owner, const std::string& title, const std::string& startPath);

// The box that refuses an unnamable directory.
void ShowUnnamableDirectoryError();
