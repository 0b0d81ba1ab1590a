#pragma once
#include "FolderFiles.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What the tests against real files add to the shared fixtures: one folder file
// with its index, and a hidden window standing in for the main dialog.
namespace fixtures {

using folder_files::IndexNameOf;

// A folder message file as the mail client writes it: the 128-byte header with
// the display name and folder ID given as raw bytes, then two messages.
Bytes FolderFile(const std::string& displayName, const std::string& folderId);

// An index file of one 118-byte record for the first message of a FolderFile.
Bytes IndexFile();

// A new-mail file: one plain message, no header.
Bytes NewMailFile(const std::string& subject);

// bytes with those of replacement written over them from offset on.
Bytes Overwritten(Bytes bytes, std::size_t offset, const std::string& replacement);

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
