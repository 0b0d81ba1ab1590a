#include "FolderFiles.h"

#include <algorithm>

namespace folder_files {

namespace {

// Index record fields after flags, offset and number, with their widths.
constexpr std::size_t kNewMailNameField = 14;
constexpr std::size_t kFromField = 30;
constexpr std::size_t kSubjectField = 36;
constexpr std::size_t kDateField = 20;

void AppendNumber(std::string& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Always leaves a NUL inside the field: readers take the text up to it.
void AppendField(std::string& bytes, const std::string& text, std::size_t width) {
    std::string field = text.substr(0, width - 1);
    field.resize(width, '\0');
    bytes += field;
}

} // namespace

std::string FolderHeader(const std::string& nameBytes, const std::string& idBytes) {
    std::string header(kHeaderLength, '\0');
    header.replace(kDisplayNameOffset, std::min<std::size_t>(nameBytes.size(), 50), nameBytes, 0,
                   50);
    // Set in every folder file users have.
    header[kMarkerOffset] = '\x01';
    header.replace(kFolderIdOffset, std::min(idBytes.size(), kFolderIdSpace), idBytes, 0,
                   kFolderIdSpace);
    return header;
}

std::string MessageText(const std::vector<std::string>& headerLines, const std::string& body) {
    std::string text;
    for (const std::string& line : headerLines) {
        text += line + "\n";
    }
    text += "\n" + body;
    std::string crlf;
    for (const char c : text) {
        if (c == '\n' && (crlf.empty() || crlf.back() != '\r')) {
            crlf += '\r';
        }
        crlf += c;
    }
    return crlf;
}

std::string FolderFile(const std::string& header, const std::vector<std::string>& messages) {
    std::string bytes = header;
    for (const std::string& message : messages) {
        bytes += message;
        bytes += kEndOfMessage;
    }
    return bytes;
}

std::string IndexFile(const std::vector<std::string>& messages,
                      const std::vector<IndexEntry>& entries) {
    std::string bytes;
    auto offset = static_cast<std::uint32_t>(kHeaderLength);
    for (std::size_t i = 0; i < entries.size() && i < messages.size(); ++i) {
        const IndexEntry& entry = entries[i];
        // The size stops short of the 0x1A: offset + size is where it stands.
        const auto size = static_cast<std::uint32_t>(messages[i].size());
        AppendNumber(bytes, entry.flags, 4);
        AppendNumber(bytes, offset, 4);
        AppendNumber(bytes, static_cast<std::uint32_t>(i + 1), 2);
        AppendField(bytes, entry.newMailName, kNewMailNameField);
        AppendField(bytes, entry.from, kFromField);
        AppendField(bytes, entry.subject, kSubjectField);
        AppendField(bytes, entry.date, kDateField);
        AppendNumber(bytes, entry.time, 4);
        AppendNumber(bytes, size, 4);
        offset += size + 1;
    }
    return bytes;
}

std::string IndexNameOf(const std::string& folderFileName) {
    const bool lowerCase = !folderFileName.empty() && folderFileName.back() >= 'a';
    return folderFileName.substr(0, folderFileName.size() - 3) + (lowerCase ? "pmi" : "PMI");
}

} // namespace folder_files
