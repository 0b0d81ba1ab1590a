#pragma once

#include "FolderFiles.h"

#include <cstdint>
#include <string>
#include <vector>

// A small archive of mail folders as the mail client leaves them: a message file
// and an index per folder, and a few new-mail files. Built in memory so that it
// can be checked without a disk.

struct DemoMessage {
    std::string from; // "Name <address>"
    std::string to;
    std::string subject;
    std::string date;        // as in the Date: header
    std::uint32_t time;      // the same moment, seconds since 1970
    std::string newMailName; // the 8.3 name the message arrived under
    std::string body;        // lines separated by "\n"; written with CR LF
};

struct DemoFolder {
    std::string fileName; // the message file; the index has the same stem and .PMI
    std::string displayName;
    std::string folderId;
    std::vector<DemoMessage> messages;
};

struct DemoFile {
    std::string name;
    std::string bytes;
};

std::vector<DemoFolder> DemoFolders();

// The message as it is stored: RFC 822 text with CR LF line ends, no 0x1A.
std::string MessageText(const DemoMessage& message);

// The 128-byte header followed by each message and its 0x1A.
std::string FolderFileBytes(const DemoFolder& folder);

// One 118-byte record per message, pointing into FolderFileBytes(folder).
std::string IndexFileBytes(const DemoFolder& folder);

// Every file of the archive: each folder's message file and index, and two
// new-mail files.
std::vector<DemoFile> BuildDemoArchive();
