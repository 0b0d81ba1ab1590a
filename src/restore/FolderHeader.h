#pragma once

#include <cstddef>
#include <string>

// The two fields of a folder message file's 128-byte header that the program
// touches. The first message starts at byte 128, so the folder ID field ends at
// byte 127: nothing is ever read from or written to the messages.
constexpr std::size_t kDisplayNameOffset = 0;
constexpr std::size_t kDisplayNameLength = 32;
constexpr std::size_t kFolderIdOffset = 86;
constexpr std::size_t kFolderIdLength = 42;
constexpr std::size_t kHeaderLength = 128;

struct FolderHeaderTexts {
    std::string displayName;
    std::string folderId;
};

// The text of a field of which count bytes were read: up to the first NUL, or
// all count bytes when there is none. Nothing is trimmed.
std::string FieldText(const char* bytes, std::size_t count);

// Whether id can be written at the folder ID offset without reaching byte 128.
bool FolderIdFits(const std::string& id);
