#include "Fixtures.h"

#include "app/ControlIds.h"
#include "app/Handler.h"
#include "lists/FolderRecord.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace fixtures {

namespace {

const std::string kFirstMessage = "From: Archive Keeper <archive@example.org>\r\n"
                                  "To: reader@example.org\r\n"
                                  "Subject: Minutes of the March meeting\r\n"
                                  "\r\n"
                                  "Attached are the minutes.\r\n"
                                  "\x1A";
const std::string kSecondMessage = "Received: from mail.example.org\r\n"
                                   "From: someone@example.org\r\n"
                                   "Subject: Re: Minutes\r\n"
                                   "\r\n"
                                   "Thanks, \xE9t\xE9 noted.\r\n"
                                   "\x1A";

void PutLittleEndian(Bytes& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string UpperCase(std::string text) {
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

void CollectSnapshot(const std::string& directory, const std::string& prefix,
                     std::vector<std::string>& entries) {
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        entries.push_back(prefix + "<cannot be listed>");
        return;
    }
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = directory + "\\" + name;
        char line[128];
        std::snprintf(line, sizeof line, " attributes=%#lx written=%08lx%08lx",
                      entry.dwFileAttributes, entry.ftLastWriteTime.dwHighDateTime,
                      entry.ftLastWriteTime.dwLowDateTime);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries.push_back(prefix + name + "\\" + line);
            CollectSnapshot(path, prefix + name + "\\", entries);
        } else {
            entries.push_back(prefix + name + line + " bytes=" + ReadBytes(path));
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

} // namespace

Bytes FolderFile(const std::string& displayName, const std::string& folderId) {
    Bytes header(128, '\0');
    header.replace(0, std::min<std::size_t>(displayName.size(), 50), displayName, 0, 50);
    header[56] = '\x01';
    header.replace(86, std::min<std::size_t>(folderId.size(), 42), folderId, 0, 42);
    return header + kFirstMessage + kSecondMessage;
}

Bytes IndexFile() {
    Bytes record(118, '\0');
    PutLittleEndian(record, 0, 0x00000002, 4); // flags
    PutLittleEndian(record, 4, 128, 4);        // where the message starts in the .PMM
    PutLittleEndian(record, 8, 1, 2);          // message number
    record.replace(10, 12, "T30527D1.CNM");    // original file name, 14 bytes
    record.replace(24, 15, "archive@example");
    record.replace(54, 29, "Minutes of the March meeting");
    record.replace(90, 9, "12 Mar 98");
    PutLittleEndian(record, 110, 0x1D2A3B4C, 4);
    PutLittleEndian(record, 114, static_cast<std::uint32_t>(kFirstMessage.size() - 1), 4);
    return record;
}

Bytes NewMailFile(const std::string& subject) {
    return "Received: from relay.example.org by mail.example.org\r\n"
           "From: sender@example.org\r\n"
           "Subject: " +
           subject + "\r\n\r\nBody of " + subject + ".\r\n";
}

std::string IndexNameOf(const std::string& folderFileName) {
    const bool lowerCase = !folderFileName.empty() && folderFileName.back() >= 'a';
    return folderFileName.substr(0, folderFileName.size() - 3) + (lowerCase ? "pmi" : "PMI");
}

Bytes Overwritten(Bytes bytes, std::size_t offset, const std::string& replacement) {
    if (bytes.size() < offset + replacement.size()) {
        bytes.resize(offset + replacement.size(), '\0');
    }
    bytes.replace(offset, replacement.size(), replacement);
    return bytes;
}

TempDir::TempDir() {
    static int counter = 0;
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    std::string root = base;
    if (!root.empty() && root.back() == '\\') {
        root.pop_back();
    }
    // Wine hands out the same small process IDs run after run, so a name can be
    // taken by a directory an interrupted run left behind.
    do {
        path_ = root + "\\tarnwick-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
    } while (!CreateDirectoryA(path_.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(Exists(path_)) << path_;
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

void WriteBytes(const std::string& path, const Bytes& bytes, DWORD attributes) {
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, 0);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == bytes.size()) << path;
    if (attributes != FILE_ATTRIBUTE_NORMAL) {
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
    }
}

Bytes ReadBytes(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<cannot be read: error " + std::to_string(GetLastError()) + ">";
    }
    Bytes bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

void MakeDirectory(const std::string& path) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path << " error " << GetLastError();
}

// Wide calls with the "\\?\" prefix, so that whatever a faulty restore left
// beyond the ANSI path limit is removed too.
static void RemoveTreeWide(const std::wstring& path) {
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

void RemoveTree(const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    RemoveTreeWide(L"\\\\?\\" + wide);
}

DWORD AttributesOf(const std::string& path) {
    return GetFileAttributesA(path.c_str());
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
            names.push_back(UpperCase(name));
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

Snapshot TakeSnapshot(const std::string& directory) {
    Snapshot snapshot;
    CollectSnapshot(directory, "", snapshot.entries);
    std::sort(snapshot.entries.begin(), snapshot.entries.end());
    return snapshot;
}

std::string SnapshotDifference(const Snapshot& before, const Snapshot& after) {
    std::string difference;
    for (const std::string& entry : before.entries) {
        if (!std::binary_search(after.entries.begin(), after.entries.end(), entry)) {
            difference += "before only: " + entry.substr(0, 120) + "\n";
        }
    }
    for (const std::string& entry : after.entries) {
        if (!std::binary_search(before.entries.begin(), before.entries.end(), entry)) {
            difference += "after only:  " + entry.substr(0, 120) + "\n";
        }
    }
    return difference;
}

HeldOpen::HeldOpen(const std::string& path)
    : file_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
    EXPECT_NE(file_, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
}

HeldOpen::~HeldOpen() {
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
    }
}

bool ReadOnlyIsEnforced() {
    TempDir probe;
    const std::string path = probe / "probe.txt";
    WriteBytes(path, "probe", FILE_ATTRIBUTE_READONLY);
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return true;
    }
    CloseHandle(file);
    return false;
}

bool HiddenTargetIsProtected() {
    TempDir probe;
    WriteBytes(probe / "from.txt", "new");
    WriteBytes(probe / "to.txt", "old", FILE_ATTRIBUTE_HIDDEN);
    return !CopyFileA((probe / "from.txt").c_str(), (probe / "to.txt").c_str(), FALSE);
}

std::vector<std::string> ListItems(int listId) {
    const HWND list = GetDlgItem(hMainDlg, listId);
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string text(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1,
                         '\0');
        text.resize(static_cast<std::size_t>(
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(text);
    }
    return items;
}

void AddListItem(int listId, const std::string& text) {
    SendDlgItemMessageA(hMainDlg, listId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void SelectListItem(int listId, const std::string& text) {
    const std::vector<std::string> items = ListItems(listId);
    const auto found = std::find(items.begin(), items.end(), text);
    ASSERT_NE(found, items.end()) << "no entry \"" << text << "\"";
    SendDlgItemMessageA(hMainDlg, listId, LB_SETCURSEL, found - items.begin(), 0);
}

void ResetLists() {
    SendDlgItemMessageA(hMainDlg, IDC_SOURCE_LIST, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(hMainDlg, IDC_RESTORE_LIST, LB_RESETCONTENT, 0, 0);
}

void WithMainWindow::SetUp() {
    previousMainDlg_ = hMainDlg;
    window_ = CreateWindowExA(0, "STATIC", kProgramTitle, WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    for (const int id : {IDC_SOURCE_LIST, IDC_RESTORE_LIST}) {
        const HWND list = CreateWindowExA(
            0, "LISTBOX", "", WS_CHILD | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_HASSTRINGS, 0, 0,
            150, 200, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
            GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(list, nullptr);
    }
    hMainDlg = window_;
    folderRecords.clear();
}

void WithMainWindow::TearDown() {
    folderRecords.clear();
    hMainDlg = previousMainDlg_;
    if (window_) {
        DestroyWindow(window_);
    }
}

} // namespace fixtures
