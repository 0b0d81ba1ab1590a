#include "Fixtures.h"

#include <algorithm>
#include <atomic>

namespace e2e {

namespace {

std::string TempRoot() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    // The browser walks long names; an 8.3 form would not match its items.
    char longPath[MAX_PATH] = {};
    const DWORD length = GetLongPathNameA(temp, longPath, MAX_PATH);
    std::string root = length > 0 && length < MAX_PATH ? longPath : temp;
    while (!root.empty() && (root.back() == '\\' || root.back() == '/')) {
        root.pop_back();
    }
    return root;
}

void AppendField(std::string& bytes, const std::string& text, size_t size) {
    std::string field = text.substr(0, size);
    field.resize(size, '\0');
    bytes += field;
}

void AppendLittleEndian(std::string& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void SnapshotInto(const std::string& directory, const std::string& prefix,
                  DirectorySnapshot& snapshot) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        FileState state;
        state.name = prefix + name;
        state.attributes = entry.dwFileAttributes;
        state.isDirectory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (state.isDirectory) {
            snapshot.push_back(state);
            SnapshotInto(directory + "\\" + name, state.name + "\\", snapshot);
        } else {
            state.bytes = ReadBytes(directory + "\\" + name);
            snapshot.push_back(state);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

} // namespace

TempDir::TempDir(const std::string& label) {
    static std::atomic<unsigned> counter{0};
    const std::string root = TempRoot();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::string candidate = root + "\\tarnwick-" + label + "-" +
                                      std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(counter++);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
        }
    }
}

TempDir::~TempDir() {
    if (!path_.empty()) {
        RemoveTree(path_);
    }
}

std::string TempDir::MakeSubdirectory(const std::string& name) const {
    const std::string path = *this / name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::string ReadBytes(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::string& path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool AddAttributes(const std::string& path, DWORD attributes) {
    const DWORD current = Attributes(path);
    return current != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesA(path.c_str(), (current & ~FILE_ATTRIBUTE_NORMAL) | attributes);
}

bool operator==(const FileState& a, const FileState& b) {
    return a.name == b.name && a.attributes == b.attributes && a.isDirectory == b.isDirectory &&
           a.bytes == b.bytes;
}

void PrintTo(const FileState& state, std::ostream* out) {
    *out << state.name << (state.isDirectory ? " (directory, " : " (") << "attributes 0x"
         << std::hex << state.attributes << std::dec;
    if (!state.isDirectory) {
        std::string start = state.bytes.substr(0, 24);
        for (char& c : start) {
            if (c < 0x20 || c > 0x7E) {
                c = '.';
            }
        }
        *out << ", " << state.bytes.size() << " bytes, starting \"" << start << "\"";
    }
    *out << ")";
}

DirectorySnapshot Snapshot(const std::string& directory) {
    DirectorySnapshot snapshot;
    SnapshotInto(directory, "", snapshot);
    std::sort(snapshot.begin(), snapshot.end(),
              [](const FileState& a, const FileState& b) { return a.name < b.name; });
    return snapshot;
}

std::vector<std::string> FileNames(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Message(const std::string& from, const std::string& subject, const std::string& body) {
    return "Received: from mail.example.org by archive.example.org\r\n"
           "From: " +
           from +
           "\r\n"
           "To: reader@example.org\r\n"
           "Subject: " +
           subject +
           "\r\n"
           "Date: Tue, 14 Mar 2006 09:12:44 +0100\r\n"
           "\r\n" +
           body + "\r\n";
}

std::string FolderHeader(const std::string& nameBytes, const std::string& idBytes) {
    std::string header(kHeaderSize, '\0');
    header.replace(kDisplayNameOffset, std::min<size_t>(nameBytes.size(), 50), nameBytes, 0, 50);
    // Set in every folder file users have.
    header[56] = 0x01;
    header.replace(kFolderIdOffset, std::min(idBytes.size(), kFolderIdSpace), idBytes, 0,
                   kFolderIdSpace);
    return header;
}

std::string FolderFile(const Folder& folder) {
    std::string bytes = FolderHeader(folder.displayName, folder.folderId);
    for (const std::string& message : folder.messages) {
        bytes += message;
        bytes += '\x1A';
    }
    return bytes;
}

std::string IndexFile(const Folder& folder) {
    std::string bytes;
    uint32_t offset = kHeaderSize;
    uint16_t number = 1;
    for (const std::string& message : folder.messages) {
        const auto size = static_cast<uint32_t>(message.size());
        AppendLittleEndian(bytes, 0, 4); // flags
        AppendLittleEndian(bytes, offset, 4);
        AppendLittleEndian(bytes, number, 2);
        AppendField(bytes, "T30527D" + std::to_string(number % 10) + ".CNM", 14);
        AppendField(bytes, "sender@example.org", 30);
        AppendField(bytes, "Message " + std::to_string(number), 36);
        AppendField(bytes, "14 Mar 06 09:12", 20);
        AppendLittleEndian(bytes, 0x442A8F1Cu + number, 4);
        AppendLittleEndian(bytes, size, 4);
        // Offset + size lands on the message's 0x1A byte.
        offset += size + 1;
        ++number;
    }
    return bytes;
}

bool WriteFolder(const std::string& directory, const Folder& folder) {
    const std::string stem = directory + "\\" + folder.stem;
    return WriteBytes(stem + folder.messageExtension, FolderFile(folder)) &&
           WriteBytes(stem + folder.indexExtension, IndexFile(folder));
}

std::string NewMailFile(const std::string& from, const std::string& subject,
                        const std::string& body) {
    return Message(from, subject, body);
}

} // namespace e2e
