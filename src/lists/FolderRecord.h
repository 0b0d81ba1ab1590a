#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One folder message file found by the last scan of the source directory.
struct FolderRecord {
    std::string displayName; // at most 32 bytes, from the header
    std::string fileName;    // the whole name as the directory listing gave it
    std::string folderId;    // at most 42 bytes, from the header
    std::uint8_t chosen = 0; // 1 while the name stands in the restore list
    // The display name as the list boxes hold it (UTF-16 on Windows), which is
    // what a list line is matched back to. Not part of the table order.
    std::wstring listText;
};

// Widths of the fixed fields that the table order is defined over.
constexpr std::size_t kDisplayNameField = 33;
constexpr std::size_t kFileNameField = 33;
constexpr std::size_t kFolderIdField = 47;

// The table order: display name, then file name, then folder ID, then chosen,
// each compared as its fixed-width field byte by byte as unsigned values (text
// fields zero-filled, the file name space-filled to 33 bytes). A file name
// longer than 33 bytes then compares by the rest of its text.
bool FolderRecordLess(const FolderRecord& a, const FolderRecord& b);

// Sorts the folders of the table; the blank element 0 stays first.
void SortFolderRecords(std::vector<FolderRecord>& records);

// Index of the last record; -1 for a table that was never filled.
int UpperBound(const std::vector<FolderRecord>& records);

// The record a list line of this text stands for when it moves to the list of
// flag: the first, in table order, whose listText equals text exactly and whose
// chosen is not flag yet. Lines of the same text thus stand for records of that
// text one each, and each list holds exactly the names of its records. nullptr
// when there is none.
FolderRecord* FindRecordToMove(std::vector<FolderRecord>& records, const std::wstring& text,
                               std::uint8_t flag);

// The program-wide table built by the source scan. Element 0 is a blank
// placeholder; it is empty until the first scan.
extern std::vector<FolderRecord> folderRecords;
