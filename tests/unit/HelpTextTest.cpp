#include "app/HelpText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST(HelpText, HasFifteenLinesSeparatedByCrLf) {
    const std::string text = BuildHelpText();
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 15u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    }
    for (int empty : {2, 9, 11, 14, 15}) {
        EXPECT_EQ(lines[empty - 1], "") << "line " << empty;
    }
}

TEST(HelpText, JoinsItsPiecesWithSingleSpaces) {
    const std::vector<std::string> lines = Lines(BuildHelpText());
    EXPECT_EQ(lines[0],
              "Pegasus Mail cannot display two mail folders with the same internal ID even "
              "if they are in separate mailboxes. Mail folders also have to be Read-Write.");
    EXPECT_EQ(lines[5], "destination directory and renames them as BAKxxxxx.PMM and BAKxxxx.PMI.");
    EXPECT_EQ(lines[9],
              "Once you have run this program to restore archived folders to a directory "
              "you can attach that directory using the Pegasus Mail 'Add mailbox to list' "
              "option and access the archived folders in this new mailbox");
    EXPECT_EQ(lines[11], "Version 1.2");
    EXPECT_FALSE(lines[12].empty());
}

} // namespace
