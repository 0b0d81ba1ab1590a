#pragma once
#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// Files for the program to work on, built in code: temporary directories, plain
// files with attributes, and mail folder files shaped like the ones users have.
// All paths are Windows paths; bytes travel in std::string.
namespace e2e {

// A fresh directory under the Windows temp path (C:\users\<user>\Temp\...), which
// the folder browser can reach through drive C. Removed with everything in it,
// read-only or not, when the object goes. Its name starts with a letter, since
// names that begin with "." are hidden under Wine.
class TempDir {
  public:
    explicit TempDir(const std::string& label = "e2e");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory, without a trailing backslash.
    const std::string& Path() const { return path_; }
    // Path() joined with `name` by a backslash.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    // Creates a subdirectory and returns its path.
    std::string MakeSubdirectory(const std::string& name) const;

  private:
    std::string path_;
};

// Removes a directory tree, clearing read-only attributes on the way.
void RemoveTree(const std::string& path);

// Writes `bytes` as the whole file (replacing it). False on failure.
bool WriteBytes(const std::string& path, const std::string& bytes);
// The whole file, or an empty string when it cannot be read; check Exists() first
// where an empty file matters.
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// INVALID_FILE_ATTRIBUTES when the file is missing.
DWORD Attributes(const std::string& path);
// Adds attributes to those the file has (FILE_ATTRIBUTE_READONLY, _HIDDEN, _SYSTEM).
bool AddAttributes(const std::string& path, DWORD attributes);

// One directory entry as a "source unchanged" check compares it.
struct FileState {
    std::string name;
    DWORD attributes = 0;
    bool isDirectory = false;
    std::string bytes; // files only
};
bool operator==(const FileState& a, const FileState& b);
inline bool operator!=(const FileState& a, const FileState& b) {
    return !(a == b);
}
// Lets test failures name the entry instead of dumping its bytes.
void PrintTo(const FileState& state, std::ostream* out);

// Every entry of `directory` (hidden and system ones too, subdirectories with
// their own entries as "sub\name"), sorted by name.
using DirectorySnapshot = std::vector<FileState>;
DirectorySnapshot Snapshot(const std::string& directory);
// The names of the entries directly in `directory`, sorted.
std::vector<std::string> FileNames(const std::string& directory);

// --- Mail folder files -----------------------------------------------------------

// One RFC 822 message with CR LF line ends.
std::string Message(const std::string& from, const std::string& subject, const std::string& body);

// Byte offsets of the folder file header.
constexpr size_t kHeaderSize = 128;
constexpr size_t kDisplayNameOffset = 0;
constexpr size_t kDisplayNameField = 32; // the part the program reads
constexpr size_t kFolderIdOffset = 86;
constexpr size_t kFolderIdSpace = kHeaderSize - kFolderIdOffset;

// A 128-byte header: `nameBytes` at offset 0 (at most 50 bytes), byte 56 set to 1,
// `idBytes` at offset 86 (at most 42 bytes), zeros elsewhere. The fields are
// copied as given: pass a name of 32 bytes or more, or one padded with spaces, to
// test how the program bounds the field.
std::string FolderHeader(const std::string& nameBytes, const std::string& idBytes);

// A folder as it sits in a mailbox directory: `<stem>.PMM` and `<stem>.PMI`.
struct Folder {
    std::string stem;        // "FOL12345"
    std::string displayName; // "Projects"
    std::string folderId;    // "632A9229:7633:FOL12345" or just "FOL12345"
    std::vector<std::string> messages;
    std::string messageExtension = ".PMM";
    std::string indexExtension = ".PMI";
};

// The .PMM bytes: the header, then each message followed by 0x1A.
std::string FolderFile(const Folder& folder);
// The .PMI bytes: one 118-byte record per message (flags, offset, number, original
// file name, from, subject, date, time, size), little-endian.
std::string IndexFile(const Folder& folder);
// Writes both files into `directory`; false when either cannot be written.
bool WriteFolder(const std::string& directory, const Folder& folder);

// A new-mail file: one message, no header and no 0x1A.
std::string NewMailFile(const std::string& from, const std::string& subject,
                        const std::string& body);

} // namespace e2e
