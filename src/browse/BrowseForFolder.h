#pragma once
#include <windows.h>

#include <string>

// Shows the shell's folder browser rooted at the desktop and returns the chosen
// file-system directory exactly as the shell gives it (a drive root keeps its
// backslash), or "" when the user cancels or the choice has no path. A non-empty
// startPath is pre-selected when the browser opens; one that does not exist
// leaves the browser at the desktop.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& startPath);
