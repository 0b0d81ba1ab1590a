#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Helpers shared by the tests against real files: folder files built in code,
// temporary directories, snapshots of a directory, probes of what the platform
// enforces, and a hidden window standing in for the main dialog.
namespace fixtures {

// A whole file's bytes.
using Bytes = std::string;

// A folder message file as the mail client writes it: the 128-byte header with
// the display name at byte 0, 0x01 at byte 56 and the folder ID at byte 86, then
// the messages, each ending in 0x1A.
Bytes FolderFile(const std::string& displayName, const std::string& folderId);

// An index file of one 118-byte record for the first message of a FolderFile.
Bytes IndexFile();

// A new-mail file: one plain message, no header.
Bytes NewMailFile(const std::string& subject);

// The index file name that belongs to a folder file name, in the same letter case.
std::string IndexNameOf(const std::string& folderFileName);

// bytes with those of replacement written over them from offset on.
Bytes Overwritten(Bytes bytes, std::size_t offset, const std::string& replacement);

// A fresh directory under the system's temporary directory, removed with all
// its contents (read-only, hidden and system ones too) when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

void WriteBytes(const std::string& path, const Bytes& bytes,
                DWORD attributes = FILE_ATTRIBUTE_NORMAL);
Bytes ReadBytes(const std::string& path);
void MakeDirectory(const std::string& path);
void RemoveTree(const std::string& path);
// INVALID_FILE_ATTRIBUTES when there is no such file.
DWORD AttributesOf(const std::string& path);
bool Exists(const std::string& path);
bool IsReadOnly(const std::string& path);
// Entry names of a directory in upper case (the file system ignores case),
// sorted, without "." and "..".
std::vector<std::string> NamesIn(const std::string& directory);

// Everything in a directory tree that a restore must not change: names,
// attributes, last write times and contents.
struct Snapshot {
    std::vector<std::string> entries;
};
Snapshot TakeSnapshot(const std::string& directory);
// Empty when both snapshots are equal, else what differs.
std::string SnapshotDifference(const Snapshot& before, const Snapshot& after);

// Holds a file open with share mode 0, as the mail client does with an open
// folder, until the object goes.
class HeldOpen {
  public:
    explicit HeldOpen(const std::string& path);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

  private:
    HANDLE file_;
};

// Whether the platform refuses to open a read-only file for writing. Wine does not
// when it runs as root.
bool ReadOnlyIsEnforced();
// Whether the platform refuses to copy onto an existing hidden file. Windows does,
// Wine 8 does not.
bool HiddenTargetIsProtected();

// The folder list boxes of a hidden stand-in for the main dialog.
std::vector<std::string> ListItems(int listId);
void AddListItem(int listId, const std::string& text);
// Selects the entry whose text equals text exactly (letter case too).
void SelectListItem(int listId, const std::string& text);
void ResetLists();

// Every test of this fixture runs with hMainDlg set to a hidden window holding the
// two folder list boxes (sorted, like the program's), and with folderRecords in its
// never-scanned state.
class WithMainWindow : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

  private:
    HWND previousMainDlg_ = nullptr;
    HWND window_ = nullptr;
};

} // namespace fixtures
