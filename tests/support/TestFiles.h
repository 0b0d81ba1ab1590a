#pragma once
#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// Real files for the Windows-side tests: temporary directories, bytes and
// attributes, snapshots for "left unchanged" checks, and probes of what the
// platform enforces. All paths are Windows paths; bytes travel in std::string.
// Failures to set a fixture up are reported to GoogleTest where they happen.
namespace fixtures {

// A whole file's bytes.
using Bytes = std::string;

// A fresh directory under the Windows temp path, by its long name (the folder
// browser walks long names), removed with everything in it (read-only, hidden
// and system entries too) when the object goes. Its name starts with a letter,
// since names that begin with "." are hidden under Wine.
class TempDir {
  public:
    explicit TempDir(const std::string& label = "test");
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

// Removes a directory tree, clearing attributes on the way.
void RemoveTree(const std::string& path);

// Writes `bytes` as the whole file (replacing it), then sets `attributes`.
bool WriteBytes(const std::string& path, const Bytes& bytes,
                DWORD attributes = FILE_ATTRIBUTE_NORMAL);
// The whole file, or a "<cannot be read: ...>" text that no test expects.
Bytes ReadBytes(const std::string& path);
bool MakeDirectory(const std::string& path);
// INVALID_FILE_ATTRIBUTES when there is no such file.
DWORD AttributesOf(const std::string& path);
// Adds attributes to those the file has (FILE_ATTRIBUTE_READONLY, _HIDDEN, _SYSTEM).
bool AddAttributes(const std::string& path, DWORD attributes);
bool Exists(const std::string& path);
bool IsReadOnly(const std::string& path);

// Entry names directly in `directory`, sorted, without "." and "..".
std::vector<std::string> NamesIn(const std::string& directory);
// The same in upper case, for where the file system's letter case does not matter.
std::vector<std::string> UpperCaseNamesIn(const std::string& directory);

// One directory entry as a "left unchanged" check compares it.
struct FileState {
    std::string name;
    DWORD attributes = 0;
    bool isDirectory = false;
    Bytes bytes;                   // files only
    std::uint64_t lastWritten = 0; // FILETIME
};
bool operator==(const FileState& a, const FileState& b);
inline bool operator!=(const FileState& a, const FileState& b) {
    return !(a == b);
}
// Lets a failure name the entry instead of dumping its bytes.
void PrintTo(const FileState& state, std::ostream* out);

// Every entry of `directory` (hidden and system ones too, subdirectories with
// their own entries as "sub\name"), sorted by name.
using DirectorySnapshot = std::vector<FileState>;
DirectorySnapshot Snapshot(const std::string& directory);

// Holds a file open with share mode 0, as the mail client does with an open
// folder, until the object goes.
class HeldOpen {
  public:
    explicit HeldOpen(const std::string& path);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    bool Holds() const { return file_ != INVALID_HANDLE_VALUE; }
    // Lets go before the object goes.
    void Release();

  private:
    HANDLE file_;
};

// Whether the platform refuses to open a read-only file for writing. Wine does not
// when it runs as root.
bool ReadOnlyIsEnforced();
// Whether the platform refuses to copy onto an existing hidden file. Windows does,
// Wine 8 does not.
bool HiddenTargetIsProtected();

} // namespace fixtures
