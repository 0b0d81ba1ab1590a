#pragma once
#include <windows.h>

#include <string>

namespace win32 {

// The directory a path text names, as a full path in UTF-16 without trailing
// separator ("" when it cannot be made): "X:\dir", "X:\dir\" and "X:\dir\." come
// out alike, and an empty text gives the current drive's root, as the file paths
// joined to it do. UTF-16, since in a multibyte code page a backslash byte can
// end a character.
std::wstring FullDirectoryPath(const std::string& text);

// Whether two path texts name one directory: by file identity (links, other
// spellings, other drive letters for one place) where the volume reports one
// that tells directories apart, or by equal full paths compared without regard
// to case.
bool IsSameDirectory(const std::string& a, const std::string& b);

} // namespace win32
