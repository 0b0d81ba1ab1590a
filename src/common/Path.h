#pragma once

#include <cstddef>
#include <string>

// Longest path the ANSI file calls take: their 260-byte buffer less the NUL.
// Longer paths are refused, never shortened into some other file's path.
constexpr std::size_t kMaxPathLength = 259;

// Joins a name to a directory path with a backslash, without looking at the
// path's last character: a drive root gives two backslashes in a row, which the
// platform accepts.
inline std::string JoinPath(const std::string& directory, const std::string& name) {
    return directory + "\\" + name;
}
