#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace fixtures {

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

std::string UpperCase(std::string text) {
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// Wide calls with the "\\?\" prefix, so that whatever a faulty restore left
// beyond the ANSI path limit is removed too.
void RemoveTreeWide(const std::wstring& path) {
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeWide(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

void SnapshotInto(const std::string& directory, const std::string& prefix,
                  DirectorySnapshot& snapshot) {
    WIN32_FIND_DATAA entry{};
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
        state.lastWritten = (std::uint64_t{entry.ftLastWriteTime.dwHighDateTime} << 32) |
                            entry.ftLastWriteTime.dwLowDateTime;
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
    // Wine hands out the same small process IDs run after run, so a name can be
    // taken by a directory an interrupted run left behind.
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::string candidate = root + "\\tarnwick-" + label + "-" +
                                      std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(counter++);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
        }
    }
    EXPECT_FALSE(path_.empty()) << "no temporary directory under " << root;
}

TempDir::~TempDir() {
    if (!path_.empty()) {
        RemoveTree(path_);
    }
}

std::string TempDir::MakeSubdirectory(const std::string& name) const {
    const std::string path = *this / name;
    MakeDirectory(path);
    return path;
}

void RemoveTree(const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    RemoveTreeWide(L"\\\\?\\" + wide);
}

bool WriteBytes(const std::string& path, const Bytes& bytes, DWORD attributes) {
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << path << ": error " << GetLastError();
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path;
        return false;
    }
    if (attributes != FILE_ATTRIBUTE_NORMAL && !SetFileAttributesA(path.c_str(), attributes)) {
        ADD_FAILURE() << "cannot set the attributes of " << path;
        return false;
    }
    return true;
}

Bytes ReadBytes(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<cannot be read: error " + std::to_string(GetLastError()) + ">";
    }
    Bytes bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

bool MakeDirectory(const std::string& path) {
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
        ADD_FAILURE() << "cannot create " << path << ": error " << GetLastError();
        return false;
    }
    return true;
}

DWORD AttributesOf(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool AddAttributes(const std::string& path, DWORD attributes) {
    const DWORD current = AttributesOf(path);
    return current != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesA(path.c_str(), (current & ~FILE_ATTRIBUTE_NORMAL) | attributes);
}

bool Exists(const std::string& path) {
    return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsReadOnly(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

std::vector<std::string> NamesIn(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry{};
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

std::vector<std::string> UpperCaseNamesIn(const std::string& directory) {
    std::vector<std::string> names = NamesIn(directory);
    for (std::string& name : names) {
        name = UpperCase(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool operator==(const FileState& a, const FileState& b) {
    return a.name == b.name && a.attributes == b.attributes && a.isDirectory == b.isDirectory &&
           a.bytes == b.bytes && a.lastWritten == b.lastWritten;
}

void PrintTo(const FileState& state, std::ostream* out) {
    *out << state.name << (state.isDirectory ? " (directory, " : " (") << "attributes 0x"
         << std::hex << state.attributes;
    if (state.lastWritten != 0) {
        *out << ", written 0x" << state.lastWritten;
    }
    *out << std::dec;
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

HeldOpen::HeldOpen(const std::string& path)
    : file_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
    EXPECT_NE(file_, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
}

HeldOpen::~HeldOpen() {
    Release();
}

void HeldOpen::Release() {
    if (Holds()) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
}

bool ReadOnlyIsEnforced() {
    TempDir probe("probe");
    const std::string path = probe / "probe.txt";
    if (!WriteBytes(path, "probe", FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return true;
    }
    CloseHandle(file);
    return false;
}

bool HiddenTargetIsProtected() {
    TempDir probe("probe");
    WriteBytes(probe / "from.txt", "new");
    WriteBytes(probe / "to.txt", "old", FILE_ATTRIBUTE_HIDDEN);
    return !CopyFileA((probe / "from.txt").c_str(), (probe / "to.txt").c_str(), FALSE);
}

} // namespace fixtures
