#pragma once
#include <windows.h>

#include <string>

// Texts between the program's ANSI strings and the system: widening, the key a
// file system compares names by, and the system's words for an error.
namespace win32 {

// The text in UTF-16, read in the ANSI code page as the file calls read it.
std::wstring Widened(const std::string& text);

// A key that two file names share exactly when the file system takes them for
// the same file: the names in UTF-16, upper-cased by the system's fixed table
// (as file systems compare names, whatever the user's language), as bytes.
std::string FileNameKey(const std::string& name);

// The system's message for an error code, without its line break.
std::string ErrorText(DWORD error);

} // namespace win32
