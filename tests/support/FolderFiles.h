#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Mail folder files as the mail client writes them, built in memory: the message
// file (.PMM) with its 128-byte header, the index (.PMI) of 118-byte records, and
// message text as new-mail files (.CNM) hold it. Plain C++, so that the demo
// archive generator builds on the same bytes as the tests.
namespace folder_files {

// Byte layout of the header.
constexpr std::size_t kHeaderLength = 128;
constexpr std::size_t kDisplayNameOffset = 0;
constexpr std::size_t kDisplayNameLength = 32; // the part the program reads
constexpr std::size_t kMarkerOffset = 56;
constexpr std::size_t kFolderIdOffset = 86;
constexpr std::size_t kFolderIdSpace = kHeaderLength - kFolderIdOffset;
constexpr std::size_t kRecordLength = 118;
constexpr char kEndOfMessage = '\x1A';

// A 128-byte header: nameBytes at offset 0 (at most 50 bytes), 0x01 at byte 56,
// idBytes at offset 86 (at most 42 bytes), zeros elsewhere. The fields are copied
// as given, so a test can pass a name of 32 bytes or more, one without a NUL, or
// an ID that fills its field, to see how the program bounds them.
std::string FolderHeader(const std::string& nameBytes, const std::string& idBytes);

// A message as it is stored: the header lines, an empty line, then the body,
// with every bare LF turned into CR LF. No 0x1A.
std::string MessageText(const std::vector<std::string>& headerLines, const std::string& body);

// The .PMM bytes: the header, then each message followed by its 0x1A.
std::string FolderFile(const std::string& header, const std::vector<std::string>& messages);

// What an index record says about its message besides where it stands.
struct IndexEntry {
    std::uint32_t flags = 0;
    std::string newMailName; // the 8.3 name the message arrived under
    std::string from;
    std::string subject;
    std::string date;
    std::uint32_t time = 0; // seconds since 1970
};

// The .PMI bytes that go with FolderFile(header, messages): one 118-byte record
// per entry, entries[i] describing messages[i] (there may be fewer entries than
// messages). Offset, number and size come from where the message stands, so that
// offset + size lands on its 0x1A. Texts are cut to leave a NUL in their field;
// numbers are little-endian.
std::string IndexFile(const std::vector<std::string>& messages,
                      const std::vector<IndexEntry>& entries);

// The index file name of a folder file, in the same letter case:
// "FOL07633.PMM" gives "FOL07633.PMI", "copyself.pmm" gives "copyself.pmi".
std::string IndexNameOf(const std::string& folderFileName);

} // namespace folder_files
