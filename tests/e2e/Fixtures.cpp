#include "Fixtures.h"

namespace e2e {

std::string Message(const std::string& from, const std::string& subject, const std::string& body) {
    return folder_files::MessageText(
        {"Received: from mail.example.org by archive.example.org", "From: " + from,
         "To: reader@example.org", "Subject: " + subject, "Date: Tue, 14 Mar 2006 09:12:44 +0100"},
        body + "\n");
}

std::string FolderFile(const Folder& folder) {
    return folder_files::FolderFile(folder_files::FolderHeader(folder.displayName, folder.folderId),
                                    folder.messages);
}

std::string IndexFile(const Folder& folder) {
    std::vector<folder_files::IndexEntry> entries;
    for (std::uint32_t number = 1; number <= folder.messages.size(); ++number) {
        entries.push_back({0, "T30527D" + std::to_string(number % 10) + ".CNM",
                           "sender@example.org", "Message " + std::to_string(number),
                           "14 Mar 06 09:12", 0x442A8F1Cu + number});
    }
    return folder_files::IndexFile(folder.messages, entries);
}

bool WriteFolder(const std::string& directory, const Folder& folder) {
    const std::string stem = directory + "\\" + folder.stem;
    return fixtures::WriteBytes(stem + folder.messageExtension, FolderFile(folder)) &&
           fixtures::WriteBytes(stem + folder.indexExtension, IndexFile(folder));
}

std::string NewMailFile(const std::string& from, const std::string& subject,
                        const std::string& body) {
    return Message(from, subject, body);
}

} // namespace e2e
