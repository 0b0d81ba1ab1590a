#pragma once
#include <windows.h>

#include <string>

namespace win32 {

// The directory a path text names, as a full path without trailing separator
// ("" when it cannot be made): "X:\dir", "X:\dir\" and "X:\dir\." come out alike,
// and an empty text gives the current drive's root, as the file paths joined to
// it do.
std::string FullDirectoryPath(const std::string& text);

// Whether two path texts name one directory: by file identity (links, other
// spellings, other drive letters for one place), or by equal full paths compared
// without regard to case.
bool IsSameDirectory(const std::string& a, const std::string& b);

} // namespace win32
