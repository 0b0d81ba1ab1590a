#include "DemoArchive.h"

#include "restore/FolderHeader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

namespace {

std::uint32_t NumberAt(const std::string& bytes, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value =
            (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

bool HasBareLineFeed(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            return true;
        }
    }
    return false;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST(DemoArchive, HeadersReadBackThroughTheProgramsDecoder) {
    for (const DemoFolder& folder : DemoFolders()) {
        SCOPED_TRACE(folder.fileName);
        const std::string bytes = FolderFileBytes(folder);
        ASSERT_GT(bytes.size(), kHeaderLength);
        EXPECT_EQ(FieldText(bytes.data() + kDisplayNameOffset, kDisplayNameLength),
                  folder.displayName);
        EXPECT_EQ(FieldText(bytes.data() + kFolderIdOffset, kFolderIdLength), folder.folderId);
        EXPECT_TRUE(FolderIdFits(folder.folderId));
        EXPECT_EQ(bytes[folder_files::kMarkerOffset], '\x01');
        EXPECT_EQ(bytes.back(), folder_files::kEndOfMessage);
        EXPECT_FALSE(HasBareLineFeed(bytes));
    }
}

// The mail client trusts the index: a record that misses its message would show
// the wrong text, so every record must end exactly on its message's 0x1A.
TEST(DemoArchive, IndexRecordsPointAtTheirMessages) {
    for (const DemoFolder& folder : DemoFolders()) {
        SCOPED_TRACE(folder.fileName);
        const std::string messages = FolderFileBytes(folder);
        const std::string index = IndexFileBytes(folder);
        ASSERT_EQ(index.size(), folder.messages.size() * folder_files::kRecordLength);

        std::size_t expectedOffset = folder_files::kHeaderLength;
        for (std::size_t i = 0; i < folder.messages.size(); ++i) {
            const std::size_t record = i * folder_files::kRecordLength;
            const std::uint32_t offset = NumberAt(index, record + 4, 4);
            const std::uint32_t size = NumberAt(index, record + folder_files::kRecordLength - 4, 4);
            EXPECT_EQ(offset, expectedOffset);
            EXPECT_EQ(NumberAt(index, record + 8, 2), i + 1);
            ASSERT_LT(offset + size, messages.size());
            EXPECT_EQ(messages[offset + size], folder_files::kEndOfMessage);
            EXPECT_EQ(messages.compare(offset, size, MessageText(folder.messages[i])), 0);
            expectedOffset = offset + size + 1;
        }
        EXPECT_EQ(expectedOffset, messages.size());
    }
}

TEST(DemoArchive, EachFolderHasItsIndexAndNewMailIsPlainText) {
    std::set<std::string> names;
    int newMail = 0;
    for (const DemoFile& file : BuildDemoArchive()) {
        // The file system ignores letter case: two names may not differ by it alone.
        EXPECT_TRUE(names.insert(Upper(file.name)).second) << file.name;
        if (Upper(file.name).find(".CNM") != std::string::npos) {
            ++newMail;
            EXPECT_EQ(file.bytes.find(folder_files::kEndOfMessage), std::string::npos) << file.name;
            EXPECT_FALSE(HasBareLineFeed(file.bytes)) << file.name;
        }
    }
    for (const DemoFolder& folder : DemoFolders()) {
        const std::string stem = Upper(folder.fileName.substr(0, folder.fileName.rfind('.')));
        EXPECT_EQ(names.count(stem + ".PMI"), 1u) << folder.fileName;
    }
    EXPECT_EQ(newMail, 2);
}

} // namespace
