#include "restore/FolderHeader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const std::string& bytes) {
    return FieldText(bytes.data(), bytes.size());
}

TEST(FieldText, EndsAtTheFirstNul) {
    EXPECT_EQ(Text(std::string("Main Folder\0\0\0", 14)), "Main Folder");
    EXPECT_EQ(Text(std::string("Inbox\0junk", 10)), "Inbox");
    EXPECT_EQ(Text(std::string("\0Hidden", 7)), "");
}

TEST(FieldText, TakesTheWholeFieldWithoutNul) {
    const std::string full(32, 'N');
    EXPECT_EQ(Text(full), full);
}

TEST(FieldText, KeepsSpaces) {
    EXPECT_EQ(Text(std::string("  Old Mail  \0", 13)), "  Old Mail  ");
}

TEST(FieldText, GivesOnlyTheBytesRead) {
    EXPECT_EQ(Text(""), "");
    EXPECT_EQ(FieldText("FOL12345", 3), "FOL");
}

TEST(FolderHeader, IdFieldEndsWhereTheMessagesBegin) {
    EXPECT_EQ(kFolderIdOffset + kFolderIdLength, kHeaderLength);
    EXPECT_TRUE(FolderIdFits(std::string(42, 'X')));
    EXPECT_FALSE(FolderIdFits(std::string(43, 'X')));
}

} // namespace
