// What a user meets off the usual path, through the real dialog: the program
// killed during a restore, a destination that fills up, a directory the ANSI code
// page cannot name, a report of many failures, and folder names whose bytes the
// list box gives back differently under a multibyte or UTF-8 code page. Every
// scenario ends by proving the archive unchanged.
//
// The code-page scenario runs under the code page its run was started with
// (tests/e2e/CMakeLists.txt starts it under 932 and under 65001).
#include "Driver.h"
#include "Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using e2e::Folder;
using e2e::TarnwickProcess;

constexpr const char kDirectoryError[] = "Directory Error";
// The suffix of the names a copy is made under before it gets its own.
constexpr const char kTemporarySuffix[] = ".TARNWICK-TMP";
// The destination's directory where copies are made before they take their names.
constexpr const char kUnfinishedDirectory[] = ".tarnwick-tmp";
// Bounds the wait for the box that ends a restore of the large archive.
constexpr DWORD kRestoreTimeout = 120000;

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::wstring Widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                        static_cast<int>(text.size()), wide.data(),
                                                        static_cast<int>(wide.size()))));
    return wide;
}

// The box breaks its lines with CR LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string Stem(const char* prefix, int number) {
    char stem[16];
    std::snprintf(stem, sizeof stem, "%s%05d", prefix, number);
    return stem;
}

std::string WithFolderId(std::string bytes, const std::string& id) {
    return bytes.replace(folder_files::kFolderIdOffset, id.size(), id);
}

// What a "left unchanged" check compares of a directory: names, the attributes
// that matter, sizes and a digest of the bytes (the large archive is not held
// twice in memory).
struct FileDigest {
    std::string name;
    DWORD attributes = 0;
    size_t size = 0;
    std::uint64_t hash = 0;
};

bool operator==(const FileDigest& a, const FileDigest& b) {
    return std::tie(a.name, a.attributes, a.size, a.hash) ==
           std::tie(b.name, b.attributes, b.size, b.hash);
}

void PrintTo(const FileDigest& file, std::ostream* out) {
    *out << file.name << " (attributes " << file.attributes << ", " << file.size << " bytes)";
}

std::vector<FileDigest> Digest(const std::string& directory) {
    std::vector<FileDigest> files;
    for (const std::string& name : fixtures::NamesIn(directory)) {
        const std::string bytes = fixtures::ReadBytes(directory + "\\" + name);
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (unsigned char byte : bytes) {
            hash = (hash ^ byte) * 1099511628211ull;
        }
        files.push_back({name,
                         fixtures::AttributesOf(directory + "\\" + name) &
                             (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
                         bytes.size(), hash});
    }
    return files;
}

// A restored name, the file it is a copy of, and the folder ID its copy must
// carry (empty: a byte-for-byte copy).
struct Restorable {
    std::string sourcePath;
    std::string newId;
};
using RestorableFiles = std::map<std::string, Restorable>; // by upper-case restored name

// Adds the .PMM and .PMI of a folder restored as BAK<number>.
void AddRestorable(RestorableFiles& files, const std::string& archive, const Folder& folder) {
    const std::string restored = "BAK" + folder.stem.substr(3);
    files[restored + ".PMM"] = {archive + "\\" + folder.stem + ".PMM", restored};
    files[restored + ".PMI"] = {archive + "\\" + folder.stem + ".PMI", ""};
}

// Why the file under a restored name is not a whole restored copy; empty when it is.
std::string ProblemWithCopy(const std::string& path, const Restorable& source) {
    const std::string readOnly = fixtures::IsReadOnly(path) ? "is read-only and " : "";
    std::string expected = fixtures::ReadBytes(source.sourcePath);
    if (!source.newId.empty()) {
        expected = WithFolderId(expected, source.newId);
    }
    const std::string actual = fixtures::ReadBytes(path);
    if (actual.size() != expected.size()) {
        return readOnly + "has " + std::to_string(actual.size()) + " of " +
               std::to_string(expected.size()) + " bytes";
    }
    const auto parted = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (parted.first == actual.end()) {
        return readOnly.empty() ? "" : "is read-only";
    }
    const size_t at = static_cast<size_t>(parted.first - actual.begin());
    if (at >= folder_files::kFolderIdOffset && at < folder_files::kHeaderLength) {
        return readOnly + "does not carry the new folder ID " + source.newId;
    }
    return readOnly + "differs from its source at byte " + std::to_string(at);
}

// Every file in `directory` is a whole copy under a restored name, or (only when
// `temporaryAllowed`, after a killed run) a temporary file.
void ExpectOnlyWholeCopies(const std::string& directory, const RestorableFiles& restorable,
                           bool temporaryAllowed) {
    for (const std::string& name : fixtures::UpperCaseNamesIn(directory)) {
        if (EndsWith(name, kTemporarySuffix)) {
            EXPECT_TRUE(temporaryAllowed) << name << " was left over";
            continue;
        }
        const auto source = restorable.find(name);
        if (source == restorable.end()) {
            ADD_FAILURE() << name << " is no restored name";
            continue;
        }
        EXPECT_EQ(ProblemWithCopy(directory + "\\" + name, source->second), "") << name;
    }
}

// The sizes of the files directly in `directory`, by upper-case name.
std::map<std::string, std::uint64_t> SizesIn(const std::string& directory) {
    std::map<std::string, std::uint64_t> sizes;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return sizes;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            sizes[Upper(entry.cFileName)] =
                (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return sizes;
}

// What a restore under way has put in the destination so far.
struct Progress {
    // Files under restored names.
    size_t restored = 0;
    // Copies of message files being made that are shorter than the file they
    // copy. Each is made in the directory for unfinished copies, under its
    // restored name and a suffix, before it takes its name. (An index is copied
    // too fast to be caught half written.)
    std::set<std::string> halfWritten;
};

Progress ProgressIn(const std::string& destination, const RestorableFiles& restorable,
                    const std::map<std::string, std::uint64_t>& sourceSizes) {
    Progress progress;
    for (const auto& entry : SizesIn(destination)) {
        progress.restored += restorable.count(entry.first);
    }
    for (const auto& [name, size] : SizesIn(destination + "\\" + kUnfinishedDirectory)) {
        const std::string restoredName = name.substr(0, name.find('.', name.find('.') + 1));
        const auto source = sourceSizes.find(restoredName);
        if (EndsWith(restoredName, ".PMM") && source != sourceSizes.end() && size > 0 &&
            size < source->second) {
            progress.halfWritten.insert(name);
        }
    }
    return progress;
}

// The box a restore ended with, read and dismissed.
struct Box {
    std::string title; // empty: no box came
    std::string text;
    bool icon = false;
    RECT window{};
    RECT okButton{};
};

class FaultScenario : public ::testing::Test {
  protected:
    void TearDown() override {
        program_.reset();
        if (scanned_) {
            EXPECT_EQ(Digest(archive.Path()), archiveBefore_)
                << "the archive changed: a restore must only read it";
        }
    }

    TarnwickProcess& Program() { return *program_; }

    void Put(const Folder& folder, DWORD attributes = 0) {
        ASSERT_TRUE(e2e::WriteFolder(archive.Path(), folder));
        for (const std::string& extension : {folder.messageExtension, folder.indexExtension}) {
            ASSERT_TRUE(fixtures::AddAttributes(archive / (folder.stem + extension), attributes));
        }
    }

    // A fresh program that chooses the archive through the browser; the scan
    // lists `folders` names.
    void StartAndScan(size_t folders) {
        if (!scanned_) {
            archiveBefore_ = Digest(archive.Path());
            scanned_ = true;
        }
        program_ = std::make_unique<TarnwickProcess>();
        ASSERT_TRUE(program_->Start()) << program_->Error();
        ASSERT_TRUE(program_->BrowseSource(archive.Path())) << program_->Error();
        ASSERT_EQ(program_->ListItems(IDC_SOURCE_LIST).size(), folders);
    }

    void ChooseAll(size_t folders) {
        Program().Click(IDC_ADD_ALL);
        ASSERT_TRUE(
            e2e::WaitUntil([&] { return Program().ListItems(IDC_RESTORE_LIST).size() == folders; },
                           e2e::kBoxTimeout));
    }

    // Presses Restore; reads the box it ends with and presses OK.
    Box PressRestore() {
        sourceText_ = Program().Text(IDC_SOURCE_PATH);
        destinationText_ = Program().Text(IDC_DEST_PATH);
        Program().Click(IDC_RESTORE);
        Box box;
        HWND window = nullptr;
        e2e::WaitUntil(
            [&] {
                for (const char* title : {kProgramTitle, kDirectoryError}) {
                    if ((window = Program().WaitForMessageBox(title, 0))) {
                        box.title = title;
                        return true;
                    }
                }
                return false;
            },
            kRestoreTimeout);
        if (!window) {
            ADD_FAILURE() << "Restore brought no box";
            return box;
        }
        box.text = e2e::MessageBoxText(window);
        box.icon = e2e::HasIcon(window);
        GetWindowRect(window, &box.window);
        GetWindowRect(GetDlgItem(window, IDOK), &box.okButton);
        e2e::DismissMessageBox(window);
        EXPECT_TRUE(e2e::WaitUntilGone(window));
        EXPECT_TRUE(Program().Sync());
        return box;
    }

    void ExpectSuccess(const Box& box) const {
        EXPECT_EQ(box.title, kProgramTitle);
        EXPECT_EQ(box.text, "Mail files copied from " + sourceText_ + " to " + destinationText_);
        EXPECT_FALSE(box.icon);
    }

    // The failure lines of a report, after checking its first line.
    std::vector<std::string> FailureLines(const Box& box) const {
        EXPECT_EQ(box.title, kProgramTitle);
        EXPECT_TRUE(box.icon) << "a report of failures carries the warning icon";
        std::vector<std::string> lines = Lines(box.text);
        EXPECT_EQ(lines[0],
                  "Not all mail files were copied from " + sourceText_ + " to " + destinationText_);
        lines.erase(lines.begin());
        return lines;
    }

    fixtures::TempDir archive{"archive"};

  private:
    std::unique_ptr<TarnwickProcess> program_;
    std::vector<FileDigest> archiveBefore_;
    bool scanned_ = false;
    std::string sourceText_;
    std::string destinationText_;
};

// A folder of about `bytes` bytes in messages of 64 KiB.
Folder LargeFolder(int number, size_t bytes) {
    const std::string stem = Stem("FOL", number);
    std::string body;
    while (body.size() < 65536) {
        body += "Minutes of the meeting kept in folder " + stem + ", archived in 2006.\n";
    }
    const std::string message = e2e::Message("archive@example.org", "Part of " + stem, body);
    return {stem, "Archive " + stem, stem,
            std::vector<std::string>(bytes / message.size() + 1, message)};
}

TEST_F(FaultScenario, RestoreKilledAtAnyMomentLeavesOnlyWholeCopiesAndTheNextRunCompletesIt) {
    constexpr int kFolders = 12;
    RestorableFiles restorable;
    for (int number = 1; number <= kFolders; ++number) {
        const Folder folder = LargeFolder(number, 32u << 20);
        Put(folder, FILE_ATTRIBUTE_READONLY);
        AddRestorable(restorable, archive.Path(), folder);
    }
    std::map<std::string, std::uint64_t> sourceSizes;
    for (const auto& [name, source] : restorable) {
        sourceSizes[name] = fixtures::ReadBytes(source.sourcePath).size();
    }
    fixtures::TempDir destination("restored");

    // Killed in the middle of a copy: the first one, then one made with about a
    // third and about two thirds of the 24 files in place. Each time the user
    // starts the program again and restores into the same directory.
    for (size_t restored : {0u, 8u, 16u}) {
        SCOPED_TRACE("killed during a copy once the destination holds " + std::to_string(restored) +
                     " restored files");
        ASSERT_NO_FATAL_FAILURE(StartAndScan(kFolders));
        ASSERT_NO_FATAL_FAILURE(ChooseAll(kFolders));
        ASSERT_TRUE(Program().SetText(IDC_DEST_PATH, destination.Path()));
        Program().Click(IDC_RESTORE);
        Progress seen;
        e2e::WaitUntil(
            [&] {
                seen = ProgressIn(destination.Path(), restorable, sourceSizes);
                return (seen.restored >= restored && !seen.halfWritten.empty()) ||
                       !Program().TopLevelDialogs(kProgramTitle).empty();
            },
            kRestoreTimeout, 1);
        Program().Kill();
        ASSERT_FALSE(Program().IsRunning());
        ASSERT_GE(seen.restored, restored) << "the restore ended before the moment to kill it came";
        ASSERT_FALSE(seen.halfWritten.empty()) << "the restore ended before a copy was seen half "
                                                  "written";
        // The kill cut that copy off: it is still shorter than its source.
        const Progress left = ProgressIn(destination.Path(), restorable, sourceSizes);
        EXPECT_TRUE(std::includes(left.halfWritten.begin(), left.halfWritten.end(),
                                  seen.halfWritten.begin(), seen.halfWritten.end()))
            << *seen.halfWritten.begin() << " was completed before the kill took effect";
        ExpectOnlyWholeCopies(destination.Path(), restorable, true);
    }

    ASSERT_NO_FATAL_FAILURE(StartAndScan(kFolders));
    ASSERT_NO_FATAL_FAILURE(ChooseAll(kFolders));
    ASSERT_TRUE(Program().SetText(IDC_DEST_PATH, destination.Path()));
    ExpectSuccess(PressRestore());
    std::vector<std::string> all;
    for (const auto& entry : restorable) {
        all.push_back(entry.first);
    }
    EXPECT_EQ(fixtures::UpperCaseNamesIn(destination.Path()), all);
    ExpectOnlyWholeCopies(destination.Path(), restorable, false);
}

// Removes a directory tree when the scenario ends, also on a failed assertion.
struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() { fixtures::RemoveTree(path); }
};

TEST_F(FaultScenario, DestinationThatFillsUpKeepsOnlyWholeCopiesAndTheReportSaysWhich) {
    char mount[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("TARNWICK_SMALL_DISK", mount, MAX_PATH)) {
        GTEST_SKIP() << "no small file system to fill: scripts/test.sh mounts one when it runs "
                        "as root and names it in TARNWICK_SMALL_DISK";
    }
    std::string destination = std::string("Z:") + mount + "\\restored";
    std::replace(destination.begin(), destination.end(), '/', '\\');
    fixtures::RemoveTree(destination); // what a run cut off by hand left there
    ASSERT_TRUE(fixtures::MakeDirectory(destination)) << destination;
    const RemovedAtEnd removed{destination};
    ULARGE_INTEGER space{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(destination.c_str(), &space, nullptr, nullptr));
    const size_t room = static_cast<size_t>(space.QuadPart);

    // Two folders fit, a third does not; the large new-mail file would fit only
    // where no failed copy stays behind.
    constexpr int kFolders = 6;
    RestorableFiles restorable;
    for (int number = 1; number <= kFolders; ++number) {
        const Folder folder = LargeFolder(number, room * 2 / 5);
        Put(folder, FILE_ATTRIBUTE_READONLY);
        AddRestorable(restorable, archive.Path(), folder);
    }
    const std::map<std::string, size_t> newMail = {{"BIGMAIL1.CNM", room * 3 / 10},
                                                   {"SMALL001.CNM", 4096}};
    for (const auto& [name, size] : newMail) {
        ASSERT_TRUE(fixtures::WriteBytes(archive / name, std::string(size, 'm')));
        restorable[name] = {archive / name, ""};
    }

    ASSERT_NO_FATAL_FAILURE(StartAndScan(kFolders));
    ASSERT_NO_FATAL_FAILURE(ChooseAll(kFolders));
    ASSERT_TRUE(Program().SetText(IDC_DEST_PATH, destination));
    const Box box = PressRestore();

    std::set<std::string> reported;
    for (const std::string& line : FailureLines(box)) {
        reported.insert(Upper(line.substr(0, line.find(": "))));
    }
    const std::vector<std::string> names = fixtures::UpperCaseNamesIn(destination);
    const auto holds = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    int restored = 0;
    for (int number = 1; number <= kFolders; ++number) {
        const std::string copy = Stem("BAK", number) + ".PMM";
        const bool failed = reported.count(Stem("FOL", number) + ".PMM") > 0;
        EXPECT_NE(holds(copy), failed) << copy << ": restored and reported, or neither";
        EXPECT_EQ(holds(Stem("BAK", number) + ".PMI"), holds(copy)) << copy;
        restored += holds(copy) ? 1 : 0;
    }
    EXPECT_GE(restored, 1);
    EXPECT_LT(restored, kFolders);
    EXPECT_NE(holds("BIGMAIL1.CNM"), reported.count("BIGMAIL1.CNM") > 0);
    EXPECT_TRUE(holds("SMALL001.CNM")) << "a failed copy kept the space it took";
    ExpectOnlyWholeCopies(destination, restorable, false);
}

TEST_F(FaultScenario, DirectoryTheCodePageCannotNameIsRefusedAndChangesNothing) {
    const std::wstring name = L"\x0410\x0440\x0445\x0438\x0432"; // "Archive" in Cyrillic
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, nullptr, 0, nullptr, &lost);
    if (!lost) {
        GTEST_SKIP() << "code page " << GetACP() << " holds Cyrillic names";
    }
    const std::vector<std::string> mail = {e2e::Message("a@example.org", "Hi", "Hello.")};
    const Folder chosen{"FOL00001", "Chosen", "FOL00001", mail};
    Put(chosen);
    Put({"FOL00002", "Left alone", "FOL00002", mail});
    fixtures::TempDir elsewhere("elsewhere");
    const std::wstring unnamable = Widen(elsewhere.Path()) + L"\\" + name;
    ASSERT_TRUE(CreateDirectoryW(unnamable.c_str(), nullptr));
    // A folder there, which a scan of that directory would list.
    const HANDLE file = CreateFileW((unnamable + L"\\FOL00003.PMM").c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string bytes = e2e::FolderFile({"FOL00003", "Unnamable", "FOL00003", mail});
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    fixtures::TempDir destination("restored");

    ASSERT_NO_FATAL_FAILURE(StartAndScan(2));
    ASSERT_TRUE(Program().SelectListItem(IDC_SOURCE_LIST, 0));
    Program().Click(IDC_ADD_SELECTED);
    ASSERT_TRUE(Program().Sync());
    ASSERT_TRUE(Program().BrowseDestination(destination.Path())) << Program().Error();
    const auto seen = [&] {
        return std::make_tuple(e2e::TextW(Program().Control(IDC_SOURCE_PATH)),
                               e2e::TextW(Program().Control(IDC_DEST_PATH)),
                               e2e::ListItemsW(Program(), IDC_SOURCE_LIST),
                               e2e::ListItemsW(Program(), IDC_RESTORE_LIST));
    };
    const auto before = seen();

    for (int button : {IDC_SOURCE_BROWSE, IDC_DEST_BROWSE}) {
        SCOPED_TRACE(button == IDC_SOURCE_BROWSE ? "source" : "destination");
        Program().Click(button);
        const HWND browser = Program().WaitForBrowser();
        ASSERT_TRUE(browser) << "no folder browser appeared";
        std::string error;
        if (!e2e::ChooseFolderW(Program(), browser, unnamable, &error)) {
            Program().CancelBrowser(browser);
            FAIL() << error;
        }
        const HWND box = Program().WaitForMessageBox(kDirectoryError);
        ASSERT_TRUE(box) << "no \"Directory Error\" box; the field shows \""
                         << Program().Text(button == IDC_SOURCE_BROWSE ? IDC_SOURCE_PATH
                                                                       : IDC_DEST_PATH)
                         << "\"";
        EXPECT_TRUE(EndsWith(e2e::MessageBoxText(box), "Please choose another directory."))
            << e2e::MessageBoxText(box);
        e2e::DismissMessageBox(box);
        ASSERT_TRUE(e2e::WaitUntilGone(box));
        ASSERT_TRUE(Program().Sync());
        EXPECT_EQ(seen(), before);
    }

    // The choices made before still stand.
    ExpectSuccess(PressRestore());
    EXPECT_EQ(fixtures::UpperCaseNamesIn(destination.Path()),
              (std::vector<std::string>{"BAK00001.PMI", "BAK00001.PMM"}));
}

TEST_F(FaultScenario, ReportOfManyFailuresListsTwentyCountsTheRestAndFitsTheScreen) {
    // More lines than the screen is high, one for each folder.
    constexpr int kFolders = 80;
    const std::vector<std::string> mail = {e2e::Message("a@example.org", "Hi", "Hello.")};
    for (int number = 1; number <= kFolders; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "Folder %02d", number);
        Put({Stem("FOL", number), name, Stem("FOL", number), mail});
    }
    fixtures::TempDir emptied("emptied");
    fixtures::TempDir destination("restored");
    ASSERT_NO_FATAL_FAILURE(StartAndScan(kFolders));
    ASSERT_NO_FATAL_FAILURE(ChooseAll(kFolders));
    // The archive has gone from where the scan found it.
    ASSERT_TRUE(Program().SetText(IDC_SOURCE_PATH, emptied.Path()));
    ASSERT_TRUE(Program().SetText(IDC_DEST_PATH, destination.Path()));
    const Box box = PressRestore();

    ASSERT_GT(box.okButton.bottom, box.okButton.top) << "the box has no OK button";
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    for (const RECT& rect : {box.window, box.okButton}) {
        EXPECT_TRUE(rect.left >= screen.left && rect.top >= screen.top &&
                    rect.right <= screen.right && rect.bottom <= screen.bottom)
            << "(" << rect.left << ", " << rect.top << ")-(" << rect.right << ", " << rect.bottom
            << ") is not within the screen of " << screen.right << "x" << screen.bottom;
    }
    EXPECT_TRUE(fixtures::NamesIn(destination.Path()).empty());
    const std::vector<std::string> failures = FailureLines(box);
    ASSERT_EQ(failures.size(), 21u) << box.text;
    for (int number = 1; number <= 20; ++number) {
        const std::string lead = Stem("FOL", number) + ".PMM: ";
        EXPECT_EQ(failures[number - 1].substr(0, lead.size()), lead);
    }
    EXPECT_EQ(failures.back(), "and 60 more");
}

// --- Code pages -------------------------------------------------------------------

// The code page a run's LC_CTYPE picks under Wine (see tests/wine-run.sh).
UINT CodePageOfThisRun(std::string* locale) {
    char value[64] = {};
    GetEnvironmentVariableA("LC_CTYPE", value, sizeof value);
    *locale = value;
    if (locale->rfind("ja_JP", 0) == 0) {
        return 932;
    }
    if (locale->rfind("hi_IN", 0) == 0) {
        return CP_UTF8;
    }
    return 0;
}

// A folder whose display name the code page may read back differently; `tag` is
// the plain ASCII start of its name, by which its line is told from the others
// whatever the rest became.
struct Named {
    std::string stem;
    std::string nameBytes;
    std::wstring tag;
};

// The folder whose tag a list line starts with (letters, digits and spaces up to
// the first other character), or -1.
int FolderOfLine(const std::vector<Named>& folders, const std::wstring& line) {
    size_t end = 0;
    while (end < line.size() && line[end] < 0x80 &&
           (std::isalnum(static_cast<int>(line[end])) || line[end] == L' ')) {
        ++end;
    }
    for (size_t i = 0; i < folders.size(); ++i) {
        if (line.compare(0, end, folders[i].tag) == 0 && end == folders[i].tag.size()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

using CodePageScenario = FaultScenario;

TEST_F(CodePageScenario, TheRightListDecidesWhatIsRestoredWhateverTheNamesBytesBecome) {
    std::string locale;
    const UINT codePage = CodePageOfThisRun(&locale);
    if (!codePage) {
        GTEST_SKIP() << "runs under a multibyte or UTF-8 code page: TARNWICK_WINE_CTYPE="
                        "ja_JP.UTF-8 (932) or hi_IN.UTF-8 (65001)";
    }
    ASSERT_EQ(GetACP(), codePage) << "Wine did not take its code page from LC_CTYPE=" << locale;

    // The program reads the first 32 bytes of a name; the last two names are cut
    // there inside a character (a Shift-JIS pair, a UTF-8 sequence).
    const std::string cutDouble = "Cut in a double byte char xxxxx";
    const std::string cutUtf8 = "Cut in a UTF8 sequence xxxxxxx";
    ASSERT_EQ(cutDouble.size() + 1, folder_files::kDisplayNameLength);
    ASSERT_EQ(cutUtf8.size() + 2, folder_files::kDisplayNameLength);
    const std::vector<Named> folders = {
        {"FOL00001", "Inbox", L"Inbox"},
        {"FOL00002", "Caf\xE9", L"Caf"},
        {"FOL00003", "Entw\xFCrfe", L"Entw"},
        {"FOL00004", "M\xC3\xBCller", L"M"},
        {"FOL00005", "Nihon \x93\xFA\x96\x7B", L"Nihon "},
        {"FOL00006", "Odd \xFF\xFE\x80 bytes", L"Odd "},
        {"FOL00007", cutDouble + "\x93\xFA tail", Widen(cutDouble)},
        {"FOL00008", cutUtf8 + "\xE6\x97\xA5 tail", Widen(cutUtf8)},
    };
    RestorableFiles restorable;
    for (const Named& named : folders) {
        const Folder folder{named.stem,
                            named.nameBytes,
                            named.stem,
                            {e2e::Message("a@example.org", named.stem, "Archived.")}};
        Put(folder);
        AddRestorable(restorable, archive.Path(), folder);
    }
    ASSERT_NO_FATAL_FAILURE(StartAndScan(folders.size()));
    std::set<int> listed;
    for (const std::wstring& line : e2e::ListItemsW(Program(), IDC_SOURCE_LIST)) {
        listed.insert(FolderOfLine(folders, line));
    }
    ASSERT_EQ(listed.size(), folders.size()) << "the scan did not list each folder once";

    // Selects the line of folders[index] in a list and clicks a button.
    const auto move = [&](int list, size_t index, int button) {
        const std::vector<std::wstring> lines = e2e::ListItemsW(Program(), list);
        const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::wstring& l) {
            return FolderOfLine(folders, l) == static_cast<int>(index);
        });
        ASSERT_NE(found, lines.end()) << folders[index].stem << " is not in list " << list;
        ASSERT_TRUE(Program().SelectListItem(list, static_cast<int>(found - lines.begin())));
        Program().Click(button);
        ASSERT_TRUE(Program().Sync());
    };
    // Restores into a fresh directory; it holds exactly the folders of the right
    // list, which are those the moves put there.
    const auto restore = [&](const std::set<int>& moved) {
        std::set<int> right;
        for (const std::wstring& line : e2e::ListItemsW(Program(), IDC_RESTORE_LIST)) {
            right.insert(FolderOfLine(folders, line));
        }
        EXPECT_EQ(right, moved) << "the right list does not show the moves";
        fixtures::TempDir destination("restored");
        ASSERT_TRUE(Program().SetText(IDC_DEST_PATH, destination.Path()));
        ExpectSuccess(PressRestore());
        std::vector<std::string> expected;
        for (int index : right) {
            const std::string stem = "BAK" + folders[static_cast<size_t>(index)].stem.substr(3);
            expected.push_back(stem + ".PMI");
            expected.push_back(stem + ".PMM");
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(fixtures::UpperCaseNamesIn(destination.Path()), expected);
        ExpectOnlyWholeCopies(destination.Path(), restorable, false);
    };

    for (size_t index : {1u, 2u, 6u, 7u}) {
        ASSERT_NO_FATAL_FAILURE(move(IDC_SOURCE_LIST, index, IDC_ADD_SELECTED));
    }
    ASSERT_NO_FATAL_FAILURE(move(IDC_RESTORE_LIST, 1, IDC_REMOVE_SELECTED));
    ASSERT_NO_FATAL_FAILURE(restore({2, 6, 7}));

    Program().Click(IDC_ADD_ALL);
    ASSERT_TRUE(Program().Sync());
    ASSERT_NO_FATAL_FAILURE(move(IDC_RESTORE_LIST, 1, IDC_REMOVE_SELECTED));
    ASSERT_NO_FATAL_FAILURE(move(IDC_RESTORE_LIST, 4, IDC_REMOVE_SELECTED));
    ASSERT_NO_FATAL_FAILURE(restore({0, 2, 3, 5, 6, 7}));
}

} // namespace
