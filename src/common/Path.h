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

// Whether name ends in extension (".PMM"), without regard to ASCII case. A
// pattern such as "*.PMM" also matches longer extensions through their short 8.3
// names on Windows; those files are not folder files.
inline bool HasExtension(const std::string& name, const std::string& extension) {
    if (name.size() < extension.size()) {
        return false;
    }
    const auto upper = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    };
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (upper(name[name.size() - extension.size() + i]) != upper(extension[i])) {
            return false;
        }
    }
    return true;
}

// Whether a file index that a volume reports can tell its file from others. Some
// network redirectors report 0, and ReFS all ones where the index needs 128 bits:
// every directory there would have the same identity.
inline bool IsKnownFileIndex(unsigned long long index) {
    return index != 0 && index != ~0ULL;
}
