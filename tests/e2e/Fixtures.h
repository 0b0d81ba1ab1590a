#pragma once
#include "FolderFiles.h"
#include "TestFiles.h"

#include <string>
#include <vector>

// Mail folders for the end-to-end scenarios, built in code: a folder is a stem,
// a display name, an ID and its messages, written as the pair of files users have.
namespace e2e {

// One RFC 822 message with CR LF line ends.
std::string Message(const std::string& from, const std::string& subject, const std::string& body);

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
// The .PMI bytes: one 118-byte record per message.
std::string IndexFile(const Folder& folder);
// Writes both files into `directory`; false when either cannot be written.
bool WriteFolder(const std::string& directory, const Folder& folder);

// A new-mail file: one message, no header and no 0x1A.
std::string NewMailFile(const std::string& from, const std::string& subject,
                        const std::string& body);

} // namespace e2e
