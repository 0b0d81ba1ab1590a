#include "Fixtures.h"

#include "lists/FolderRecord.h"
#include "lists/SourceScan.h"
#include "restore/Restore.h"
#include "win32/FileSystem.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <memory>
#include <tuple>

using namespace fixtures;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

bool IsPlainReadWrite(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    const DWORD unwanted = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_DIRECTORY;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & unwanted) == 0;
}

// What a run that was not refused failed at.
std::vector<RestoreFailure> Failures(const RestoreOutcome& outcome) {
    EXPECT_EQ(outcome.refusal, "");
    return outcome.failures;
}

const char kNoDestination[] = "You must have a destination";
const char kNoSuchDirectory[] = "The destination directory does not exist";
const char kSameAsSource[] = "The destination must differ from the source directory";
const char kEndsInSpaceOrDot[] = "The destination ends in a space or a dot, which Windows leaves "
                                 "out of a directory's name: please remove it, or choose the "
                                 "directory with Browse";

struct Folder {
    std::string fileName;
    std::string displayName;
    std::string folderId;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    bool withIndex = true;

    Bytes Contents() const { return FolderFile(displayName, folderId); }
};

// Every restore runs on a table built by the real scan; the source directory is
// compared with its state before that scan when the test ends.
class RestoreTest : public WithMainWindow {
  protected:
    void TearDown() override {
        if (scanned_) {
            EXPECT_EQ(Snapshot(source.Path()), sourceBefore_) << "the source directory changed";
        }
        WithMainWindow::TearDown();
    }

    void Put(const Folder& folder) {
        WriteBytes(source / folder.fileName, folder.Contents(), folder.attributes);
        if (folder.withIndex) {
            WriteBytes(source / IndexNameOf(folder.fileName), IndexFile(), folder.attributes);
        }
    }

    void ScanAndChoose(const std::vector<std::string>& fileNames) {
        sourceBefore_ = Snapshot(source.Path());
        scanned_ = true;
        ResetLists();
        ScanSourceFolders(source.Path());
        for (const std::string& name : fileNames) {
            const auto record =
                std::find_if(folderRecords.begin(), folderRecords.end(),
                             [&](const FolderRecord& r) { return r.fileName == name; });
            ASSERT_NE(record, folderRecords.end()) << name << " was not listed";
            record->chosen = 1;
        }
    }

    std::vector<RestoreFailure> Restore(bool copyNewMail = true) {
        return Failures(
            RestoreFolders(folderRecords, source.Path(), destination.Path(), copyNewMail));
    }

    // The files the completion box names, one per report line; each line also
    // has to give a reason.
    std::vector<std::string> ReportedFiles(const std::vector<RestoreFailure>& failures) const {
        const std::string text = CompletionText(source.Path(), destination.Path(), failures);
        std::vector<std::string> files;
        std::size_t start = text.find("\r\n");
        if (failures.empty()) {
            EXPECT_EQ(start, std::string::npos) << text;
            return files;
        }
        EXPECT_EQ(text.rfind("Not all mail files were copied from ", 0), 0u) << text;
        while (start != std::string::npos) {
            start += 2;
            const std::size_t end = text.find("\r\n", start);
            const std::string line = text.substr(start, end - start);
            const std::size_t colon = line.find(": ");
            EXPECT_NE(colon, std::string::npos) << line;
            EXPECT_GT(line.size(), colon + 2) << "no reason in: " << line;
            files.push_back(line.substr(0, colon));
            start = end;
        }
        return files;
    }

    // A restored folder: the archive's bytes with the new ID at byte 86, the index
    // copied unchanged, both read-write.
    void ExpectRestored(const Folder& folder, const std::string& restoredName,
                        const std::string& newFolderId) const {
        SCOPED_TRACE(restoredName);
        EXPECT_EQ(ReadBytes(destination / restoredName),
                  Overwritten(folder.Contents(), 86, newFolderId));
        EXPECT_EQ(ReadBytes(destination / IndexNameOf(restoredName)), IndexFile());
        EXPECT_TRUE(IsPlainReadWrite(destination / restoredName));
        EXPECT_TRUE(IsPlainReadWrite(destination / IndexNameOf(restoredName)));
    }

    TempDir source;
    TempDir destination;

  private:
    DirectorySnapshot sourceBefore_;
    bool scanned_ = false;
};

TEST_F(RestoreTest, TypicalRunByteForByte) {
    const Folder archive{"FOL12345.PMM", "Archive 1998", "FOL12345"};
    const Folder main{"FOL07633.PMM", "Main Folder", "632A9229:7633:FOL07633"};
    const Folder copies{"main.pmm", "Copies to self", "2984424:1C13:FOL07633"};
    const Folder notChosen{"FOL002E8.PMM", "Not chosen", "GTCNHPSY:0385:UNX0391B"};
    for (const Folder& folder : {archive, main, copies, notChosen}) {
        Put(folder);
    }
    WriteBytes(source / "Y2GMIRAW.CNM", NewMailFile("First"));
    WriteBytes(source / "P1A2B3C4.CNM", NewMailFile("Second"));
    ScanAndChoose({"FOL12345.PMM", "FOL07633.PMM", "main.pmm"});

    // Every call of the run, with the path it worked on and its answer.
    static std::vector<std::tuple<win32::FileCall, std::string, DWORD>> calls;
    calls.clear();
    win32::fileSeam.after = [](win32::FileCall call, const std::string& path, const std::string&,
                               DWORD error) {
        calls.emplace_back(call, path, error);
        return error;
    };
    EXPECT_THAT(ReportedFiles(Restore()), IsEmpty());
    win32::fileSeam = {};
    // The box comes only once the destination's directory, renames and all, is
    // written to the disk.
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.back(),
              std::make_tuple(win32::FileCall::FlushFileBuffers, destination.Path(), DWORD{0}));
    EXPECT_EQ(calls.end()[-2],
              std::make_tuple(win32::FileCall::CreateFile, destination.Path(), DWORD{0}));

    EXPECT_THAT(UpperCaseNamesIn(destination.Path()),
                ElementsAre("BAK07633.PMI", "BAK07633.PMM", "BAK12345.PMI", "BAK12345.PMM",
                            "BAKN.PMI", "BAKN.PMM", "P1A2B3C4.CNM", "Y2GMIRAW.CNM"));
    ExpectRestored(archive, "BAK12345.PMM", "BAK12345");
    ExpectRestored(main, "BAK07633.PMM", "BA2A9229:7633:BAK07633");
    ExpectRestored(copies, "BAKn.pmm", "BA84424:1C13:FOL07633");
    EXPECT_EQ(ReadBytes(destination / "Y2GMIRAW.CNM"), NewMailFile("First"));
    EXPECT_EQ(ReadBytes(destination / "P1A2B3C4.CNM"), NewMailFile("Second"));
}

// Every file read-only, as copied from a CD: the copies of a folder come out
// read-write, so a second run replaces both; the new-mail copy keeps the
// read-only attribute and so cannot be replaced by the second run.
TEST_F(RestoreTest, ArchiveFromCdRestoredTwice) {
    if (!ReadOnlyIsEnforced()) {
        GTEST_SKIP() << "read-only files are writable here (Wine as root): run as an ordinary user";
    }
    const Folder archive{"FOL12345.PMM", "Archive 1998", "FOL12345", FILE_ATTRIBUTE_READONLY};
    Put(archive);
    WriteBytes(source / "Y2GMIRAW.CNM", NewMailFile("First"), FILE_ATTRIBUTE_READONLY);
    ScanAndChoose({"FOL12345.PMM"});
    EXPECT_EQ(folderRecords[1].displayName, "Archive 1998");

    EXPECT_THAT(ReportedFiles(Restore()), IsEmpty());
    ExpectRestored(archive, "BAK12345.PMM", "BAK12345");
    EXPECT_EQ(ReadBytes(destination / "Y2GMIRAW.CNM"), NewMailFile("First"));
    EXPECT_TRUE(IsReadOnly(destination / "Y2GMIRAW.CNM"));

    WriteBytes(destination / "BAK12345.PMM", "changed by the mail client");
    WriteBytes(destination / "BAK12345.PMI", "changed by the mail client");
    EXPECT_THAT(ReportedFiles(Restore()), ElementsAre("Y2GMIRAW.CNM"));
    ExpectRestored(archive, "BAK12345.PMM", "BAK12345");
    EXPECT_EQ(ReadBytes(destination / "Y2GMIRAW.CNM"), NewMailFile("First"));
}

TEST_F(RestoreTest, SecondRunReplacesTheCopies) {
    const Folder archive{"FOL12345.PMM", "Archive 1998", "FOL12345"};
    Put(archive);
    WriteBytes(source / "Y2GMIRAW.CNM", NewMailFile("First"));
    ScanAndChoose({"FOL12345.PMM"});
    EXPECT_THAT(ReportedFiles(Restore()), IsEmpty());

    WriteBytes(destination / "BAK12345.PMM", "changed by the mail client");
    WriteBytes(destination / "BAK12345.PMI", "changed by the mail client");
    WriteBytes(destination / "Y2GMIRAW.CNM", "changed by the mail client");
    EXPECT_THAT(ReportedFiles(Restore()), IsEmpty());

    EXPECT_THAT(UpperCaseNamesIn(destination.Path()),
                ElementsAre("BAK12345.PMI", "BAK12345.PMM", "Y2GMIRAW.CNM"));
    ExpectRestored(archive, "BAK12345.PMM", "BAK12345");
    EXPECT_EQ(ReadBytes(destination / "Y2GMIRAW.CNM"), NewMailFile("First"));
}

class NewMailTest : public RestoreTest, public ::testing::WithParamInterface<bool> {};

// Only plain new-mail files are copied, unchanged and with their attributes.
TEST_P(NewMailTest, NothingChosenCopiesOnlyNewMail) {
    const bool copyNewMail = GetParam();
    Put({"FOL12345.PMM", "Archive 1998", "FOL12345"});
    WriteBytes(source / "PLAIN.CNM", NewMailFile("Plain"));
    WriteBytes(source / "lower.cnm", NewMailFile("Lower"));
    WriteBytes(source / "RDONLY.CNM", NewMailFile("Read-only"), FILE_ATTRIBUTE_READONLY);
    WriteBytes(source / "HIDDEN.CNM", NewMailFile("Hidden"), FILE_ATTRIBUTE_HIDDEN);
    WriteBytes(source / "SYSTEM.CNM", NewMailFile("System"), FILE_ATTRIBUTE_SYSTEM);
    MakeDirectory(source / "FOLDER.CNM");
    ScanAndChoose({});

    EXPECT_THAT(ReportedFiles(Restore(copyNewMail)), IsEmpty());

    if (!copyNewMail) {
        EXPECT_THAT(UpperCaseNamesIn(destination.Path()), IsEmpty());
        return;
    }
    EXPECT_THAT(UpperCaseNamesIn(destination.Path()),
                ElementsAre("LOWER.CNM", "PLAIN.CNM", "RDONLY.CNM"));
    EXPECT_EQ(ReadBytes(destination / "PLAIN.CNM"), NewMailFile("Plain"));
    EXPECT_EQ(ReadBytes(destination / "RDONLY.CNM"), NewMailFile("Read-only"));
    EXPECT_FALSE(IsReadOnly(destination / "PLAIN.CNM"));
    EXPECT_TRUE(IsReadOnly(destination / "RDONLY.CNM"));
}

INSTANTIATE_TEST_SUITE_P(Box, NewMailTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Ticked" : "NotTicked"; });

// A source directory without new mail is no failure; one that cannot be listed is.
TEST_F(RestoreTest, NewMailListing) {
    Put({"FOL12345.PMM", "Archive 1998", "FOL12345"});
    ScanAndChoose({});

    EXPECT_THAT(ReportedFiles(Restore()), IsEmpty());
    EXPECT_THAT(ReportedFiles(Failures(
                    RestoreFolders(folderRecords, source / "missing", destination.Path(), true))),
                ElementsAre("*.CNM"));
    EXPECT_THAT(UpperCaseNamesIn(destination.Path()), IsEmpty());
}

struct ClashCase {
    const char* label;
    Folder first;
    Folder second;
    std::string reported;
    std::string reason;
    std::string restoredId; // of the folder that was copied
};

void PrintTo(const ClashCase& c, std::ostream* out) {
    *out << c.label;
}

class NameClashTest : public RestoreTest, public ::testing::WithParamInterface<ClashCase> {};

// Two folders with one restored name: the later in table order is not copied, so
// the earlier one's copies stay.
TEST_P(NameClashTest, LaterFolderInTableOrderReported) {
    const ClashCase& c = GetParam();
    Put(c.first);
    Put(c.second);
    ScanAndChoose({c.first.fileName, c.second.fileName});

    const std::vector<RestoreFailure> failures = Restore(false);

    EXPECT_THAT(ReportedFiles(failures), ElementsAre(c.reported));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].reason, c.reason);
    EXPECT_THAT(UpperCaseNamesIn(destination.Path()), ElementsAre("BAK00001.PMI", "BAK00001.PMM"));
    EXPECT_EQ(ReadBytes(destination / "BAK00001.PMM").substr(86, c.restoredId.size()),
              c.restoredId);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, NameClashTest,
    ::testing::Values(ClashCase{"SameDisplayName",
                                {"ABC00001.PMM", "Same", "11111111:0001:ABC00001"},
                                {"XYZ00001.PMM", "Same", "22222222:0002:XYZ00001"},
                                "XYZ00001.PMM",
                                "same restored name as ABC00001.PMM",
                                "BA111111:0001:BAK00001"},
                      // Table order goes by display name first.
                      ClashCase{"DisplayNamesOrderTheTable",
                                {"ABC00001.PMM", "Zebra", "11111111:0001:ABC00001"},
                                {"XYZ00001.PMM", "Aardvark", "22222222:0002:XYZ00001"},
                                "ABC00001.PMM",
                                "same restored name as XYZ00001.PMM",
                                "BA222222:0002:BAK00001"},
                      // The file system ignores case, so BAK00001.pmm would replace BAK00001.PMM.
                      ClashCase{"NamesDifferingInCase",
                                {"abc00001.pmm", "Same", "11111111:0001:abc00001"},
                                {"XYZ00001.PMM", "Same", "22222222:0002:XYZ00001"},
                                "abc00001.pmm",
                                "same restored name as XYZ00001.PMM",
                                "BA222222:0002:BAK00001"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RestoreTest, MissingIndexReportedFolderStillRestored) {
    const Folder withoutIndex{"FOL00001.PMM", "No index", "FOL00001", FILE_ATTRIBUTE_NORMAL, false};
    const Folder complete{"FOL00002.PMM", "Complete", "FOL00002"};
    Put(withoutIndex);
    Put(complete);
    // An index from an earlier restore would not match the new message file.
    WriteBytes(destination / "BAK00001.PMI", "earlier index");
    ScanAndChoose({"FOL00001.PMM", "FOL00002.PMM"});

    EXPECT_THAT(ReportedFiles(Restore(false)), ElementsAre("FOL00001.PMI"));

    EXPECT_THAT(UpperCaseNamesIn(destination.Path()),
                ElementsAre("BAK00001.PMM", "BAK00002.PMI", "BAK00002.PMM"));
    EXPECT_EQ(ReadBytes(destination / "BAK00001.PMM"),
              Overwritten(withoutIndex.Contents(), 86, "BAK00001"));
    ExpectRestored(complete, "BAK00002.PMM", "BAK00002");
}

enum class Blocker { SourceHeldOpen, CopyHeldOpen, CopyReadOnly, CopyHidden, IndexReadOnly };

class BlockedCopyTest : public RestoreTest, public ::testing::WithParamInterface<Blocker> {};

// When the message file cannot be copied or an earlier copy cannot be replaced,
// the earlier copies of that folder in the destination stay exactly as they were
// (a read-only or hidden one is never replaced, whatever the platform would
// allow), and nothing else of the folder is left. The other folders are restored.
TEST_P(BlockedCopyTest, FolderReportedEarlierCopiesUntouched) {
    const Blocker blocker = GetParam();
    const Folder blocked{"FOL00001.PMM", "Blocked", "FOL00001"};
    const Folder other{"FOL00002.PMM", "Other", "FOL00002"};
    Put(blocked);
    Put(other);
    const DWORD earlierAttributes = blocker == Blocker::CopyReadOnly ? FILE_ATTRIBUTE_READONLY
                                    : blocker == Blocker::CopyHidden ? FILE_ATTRIBUTE_HIDDEN
                                                                     : FILE_ATTRIBUTE_NORMAL;
    WriteBytes(destination / "BAK00001.PMM", "earlier copy", earlierAttributes);
    WriteBytes(destination / "BAK00001.PMI", "earlier index",
               blocker == Blocker::IndexReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    const DirectorySnapshot earlier = Snapshot(destination.Path());
    ScanAndChoose({"FOL00001.PMM", "FOL00002.PMM"});

    std::vector<RestoreFailure> failures;
    {
        std::unique_ptr<HeldOpen> held;
        if (blocker == Blocker::SourceHeldOpen) {
            held = std::make_unique<HeldOpen>(source / "FOL00001.PMM");
        } else if (blocker == Blocker::CopyHeldOpen) {
            held = std::make_unique<HeldOpen>(destination / "BAK00001.PMM");
        }
        failures = Restore(false);
    }

    EXPECT_THAT(ReportedFiles(failures), ElementsAre("FOL00001.PMM"));
    if (blocker == Blocker::CopyReadOnly || blocker == Blocker::IndexReadOnly) {
        EXPECT_THAT(failures[0].reason, ::testing::HasSubstr("read-only"));
    }
    if (blocker == Blocker::CopyHidden) {
        EXPECT_THAT(failures[0].reason, ::testing::HasSubstr("hidden"));
    }
    ExpectRestored(other, "BAK00002.PMM", "BAK00002");
    DeleteFileA((destination / "BAK00002.PMM").c_str());
    DeleteFileA((destination / "BAK00002.PMI").c_str());
    EXPECT_EQ(Snapshot(destination.Path()), earlier);
}

const char* BlockerName(Blocker blocker) {
    const char* const names[] = {"SourceHeldOpen", "CopyHeldOpen", "CopyReadOnly", "CopyHidden",
                                 "IndexReadOnly"};
    return names[static_cast<int>(blocker)];
}

void PrintTo(Blocker blocker, std::ostream* out) {
    *out << BlockerName(blocker);
}

INSTANTIATE_TEST_SUITE_P(Blockers, BlockedCopyTest,
                         ::testing::Values(Blocker::SourceHeldOpen, Blocker::CopyHeldOpen,
                                           Blocker::CopyReadOnly, Blocker::CopyHidden,
                                           Blocker::IndexReadOnly),
                         [](const auto& info) { return std::string(BlockerName(info.param)); });

// A step that fails once the message file is complete (its index cannot be read,
// or the earlier index cannot be replaced) takes the folder's temporary files
// with it; the earlier copies under the restored names stay as they were.
TEST_F(RestoreTest, FailedIndexStepLeavesNoPartOfTheFolder) {
    Put({"FOL00001.PMM", "Inbox", "FOL00001"});
    WriteBytes(destination / "BAK00001.PMM", "earlier copy");
    WriteBytes(destination / "BAK00001.PMI", "earlier index");
    const DirectorySnapshot earlier = Snapshot(destination.Path());
    ScanAndChoose({"FOL00001.PMM"});

    for (const auto& [heldPath, reported] :
         {std::pair{source / "FOL00001.PMI", "FOL00001.PMI"},
          std::pair{destination / "BAK00001.PMI", "FOL00001.PMM"}}) {
        SCOPED_TRACE(heldPath);
        {
            const HeldOpen held(heldPath);
            EXPECT_THAT(ReportedFiles(Restore(false)), ElementsAre(reported));
        }
        EXPECT_EQ(Snapshot(destination.Path()), earlier);
    }
}

// What a run that was cut off left behind is removed by the next run, read-only
// or hidden as it may be; nothing else is, not even a name that merely ends in
// the temporary suffix outside the directory of unfinished copies.
TEST_F(RestoreTest, LeftoversOfAnInterruptedRunRemovedAndNothingElse) {
    const Folder folder{"FOL00001.PMM", "Inbox", "FOL00001"};
    Put(folder);
    const std::string unfinished = destination / ".tarnwick-tmp";
    MakeDirectory(unfinished);
    WriteBytes(unfinished + "\\BAK00001.PMM.tarnwick-tmp", "part of a copy",
               FILE_ATTRIBUTE_READONLY);
    WriteBytes(unfinished + "\\BAK00002.PMI.TARNWICK-TMP", "part of an index");
    WriteBytes(unfinished + "\\Y2GMIRAW.CNM.tarnwick-tmp", "part of new mail",
               FILE_ATTRIBUTE_HIDDEN);
    WriteBytes(destination / "BAK00003.PMM.tarnwick-tmp", "the user's own");
    WriteBytes(destination / "BAK00009.PMM", "a whole earlier copy");
    MakeDirectory(destination / "kept.tarnwick-tmp");
    ScanAndChoose({"FOL00001.PMM"});

    EXPECT_THAT(ReportedFiles(Restore(false)), IsEmpty());
    EXPECT_THAT(UpperCaseNamesIn(destination.Path()),
                ElementsAre("BAK00001.PMI", "BAK00001.PMM", "BAK00003.PMM.TARNWICK-TMP",
                            "BAK00009.PMM", "KEPT.TARNWICK-TMP"));
    ExpectRestored(folder, "BAK00001.PMM", "BAK00001");

    // A file of someone else's in that directory stays, and so does the directory.
    MakeDirectory(unfinished);
    WriteBytes(unfinished + "\\notes.txt", "the user's own");
    EXPECT_THAT(ReportedFiles(Restore(false)), IsEmpty());
    EXPECT_THAT(NamesIn(unfinished), ElementsAre("notes.txt"));
}

// The Unix path of a Windows path where Wine runs this; "" elsewhere.
std::string UnixPathOf(const std::string& path) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* const unixPath = unixName ? unixName(wide) : nullptr;
    const std::string result = unixPath ? unixPath : "";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Runs a Unix command, as Wine can, and waits until path exists (or no longer
// does): Wine does not wait for a Unix process itself.
bool RunUnixUntil(std::string command, const std::string& path, bool exists) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int waited = 0; waited < 5000; waited += 20) {
        if ((AttributesOf(path) != INVALID_FILE_ATTRIBUTES) == exists) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

// A second run into a destination that a run holds, or a directory for
// unfinished copies that is a link to another place, refuses the whole run
// before anything is touched, there or where the link leads.
TEST_F(RestoreTest, RunRefusedTouchesNothing) {
    Put({"FOL00001.PMM", "Inbox", "FOL00001"});
    WriteBytes(destination / "BAK00001.PMM", "earlier copy");
    ScanAndChoose({"FOL00001.PMM"});
    {
        MakeDirectory(destination / ".tarnwick-tmp");
        win32::DirectoryLock otherRun;
        ASSERT_TRUE(otherRun.Take(destination / ".tarnwick-tmp\\restore-running.lock").Ok());
        const DirectorySnapshot before = Snapshot(destination.Path());
        const RestoreOutcome outcome =
            RestoreFolders(folderRecords, source.Path(), destination.Path(), true);
        EXPECT_THAT(outcome.refusal, ::testing::HasSubstr("Another restore into this directory"));
        EXPECT_EQ(Snapshot(destination.Path()), before);
    }
    EXPECT_THAT(NamesIn(destination / ".tarnwick-tmp"), IsEmpty()) << "the lock outlived its run";
    RemoveDirectoryA((destination / ".tarnwick-tmp").c_str());

    TempDir elsewhere;
    WriteBytes(elsewhere / "BAK00001.PMM.tarnwick-tmp", "not a leftover of ours");
    const std::string link = destination / ".tarnwick-tmp";
    if (UnixPathOf(link).empty() ||
        !RunUnixUntil("/bin/ln -s " + UnixPathOf(elsewhere.Path()) + " " + UnixPathOf(link), link,
                      true)) {
        GTEST_SKIP() << "no directory link can be made here";
    }
    ASSERT_TRUE(AttributesOf(link) & FILE_ATTRIBUTE_REPARSE_POINT);
    const DirectorySnapshot before = Snapshot(elsewhere.Path());
    const RestoreOutcome outcome =
        RestoreFolders(folderRecords, source.Path(), destination.Path(), true);
    EXPECT_THAT(outcome.refusal, ::testing::HasSubstr("link"));
    EXPECT_EQ(Snapshot(elsewhere.Path()), before);
    EXPECT_EQ(ReadBytes(destination / "BAK00001.PMM"), "earlier copy");
    EXPECT_NE(AttributesOf(link), INVALID_FILE_ATTRIBUTES);
    RunUnixUntil("/bin/rm " + UnixPathOf(link), link, false);
}

// The file system folds letters beyond ASCII too: BAK\xE9001.PMM and BAK\xC9001.PMM
// would be one file, so the later folder is refused rather than replacing the
// earlier one.
TEST_F(RestoreTest, NamesDifferingInTheCaseOfAnAccentedLetterClash) {
    const Folder first{"ABC\xE9"
                       "001.PMM",
                       "First",
                       "ABC\xE9"
                       "001"};
    const Folder second{"XYZ\xC9"
                        "001.PMM",
                        "Second",
                        "XYZ\xC9"
                        "001"};
    Put(first);
    Put(second);
    ScanAndChoose({first.fileName, second.fileName});

    const std::vector<RestoreFailure> failures = Restore(false);

    EXPECT_THAT(ReportedFiles(failures), ElementsAre(second.fileName));
    EXPECT_EQ(failures.at(0).reason, "same restored name as " + first.fileName);
    ExpectRestored(first,
                   "BAK\xE9"
                   "001.PMM",
                   "BAK\xE9"
                   "001");
}

struct ShortStemCase {
    const char* label;
    std::string fileName;
    std::string restoredName;
};

void PrintTo(const ShortStemCase& c, std::ostream* out) {
    *out << c.label;
}

class ShortStemTest : public RestoreTest, public ::testing::WithParamInterface<ShortStemCase> {};

// The extension stays, so the mail client still sees the copy as a folder.
TEST_P(ShortStemTest, KeepsTheExtension) {
    const Folder folder{GetParam().fileName, "Short", "632A9229:7633:FOL07633"};
    Put(folder);
    ScanAndChoose({folder.fileName});

    EXPECT_THAT(ReportedFiles(Restore(false)), IsEmpty());

    EXPECT_THAT(UpperCaseNamesIn(destination.Path()), ElementsAre("BAK.PMI", "BAK.PMM"));
    ExpectRestored(folder, GetParam().restoredName, "BA2A9229:7633:FOL07633");
}

INSTANTIATE_TEST_SUITE_P(Names, ShortStemTest,
                         ::testing::Values(ShortStemCase{"TwoCharacters", "AB.PMM", "BAK.PMM"},
                                           ShortStemCase{"OneCharacterLowerCase", "X.pmm",
                                                         "BAK.pmm"}),
                         [](const auto& info) { return std::string(info.param.label); });

// A destination path the ANSI calls cannot take (as the path of the unfinished
// copy) refuses that folder; no shortened path is used in its place, and folders
// whose paths fit are restored.
TEST_F(RestoreTest, PathTooLongRefusedNotCut) {
    std::string deep = destination.Path();
    while (deep.size() + 41 < 209) {
        deep += "\\" + std::string(40, 'd');
        MakeDirectory(deep);
    }
    // "\.tarnwick-tmp\BAK00001.PMM.tarnwick-none" takes the last 41 characters.
    deep += "\\" + std::string(218 - deep.size() - 1, 'e');
    MakeDirectory(deep);
    ASSERT_EQ(deep.size(), 218u);

    const Folder fits{"FOL00001.PMM", "Fits", "FOL00001"};
    const Folder tooLong{"FOLDER-WITH-A-LONG-FILE-NAME.PMM", "Too long", "FOL00002"};
    Put(fits);
    Put(tooLong);
    ScanAndChoose({fits.fileName, tooLong.fileName});

    const std::vector<RestoreFailure> failures =
        Failures(RestoreFolders(folderRecords, source.Path(), deep, false));

    EXPECT_THAT(ReportedFiles(failures), ElementsAre(tooLong.fileName));
    EXPECT_THAT(UpperCaseNamesIn(deep), ElementsAre("BAK00001.PMI", "BAK00001.PMM"));
    EXPECT_EQ(ReadBytes(deep + "\\BAK00001.PMM"), Overwritten(fits.Contents(), 86, "BAK00001"));
}

struct DestinationCase {
    const char* label;
    // {src} and {dst} stand for the two directories, {SRC} for the source in
    // upper case.
    std::string text;
    std::string expected;
};

void PrintTo(const DestinationCase& c, std::ostream* out) {
    *out << c.label;
}

class CheckDestinationTest : public ::testing::TestWithParam<DestinationCase> {};

TEST_P(CheckDestinationTest, GivesTheBoxText) {
    TempDir source;
    TempDir destination;
    MakeDirectory(source / "sub");
    WriteBytes(source / "FOL12345.PMM", FolderFile("Archive 1998", "FOL12345"));
    std::string upperSource = source.Path();
    CharUpperBuffA(upperSource.data(), static_cast<DWORD>(upperSource.size()));

    std::string text = GetParam().text;
    for (const auto& [token, value] : {std::pair<std::string, std::string>{"{src}", source.Path()},
                                       {"{SRC}", upperSource},
                                       {"{dst}", destination.Path()}}) {
        for (std::size_t at; (at = text.find(token)) != std::string::npos;) {
            text.replace(at, token.size(), value);
        }
    }
    EXPECT_EQ(CheckDestination(source.Path(), text), GetParam().expected) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CheckDestinationTest,
    ::testing::Values(DestinationCase{"Empty", "", kNoDestination},
                      DestinationCase{"Spaces", "   ", kNoDestination},
                      DestinationCase{"LeadingTab", "\t{dst}", kNoDestination},
                      DestinationCase{"SpacesThenTab", "  \t{dst}", kNoDestination},
                      DestinationCase{"Missing", "{dst}\\missing", kNoSuchDirectory},
                      // The existence check would find {dst} itself; the joined paths would not.
                      DestinationCase{"TrailingSpace", "{dst} ", kEndsInSpaceOrDot},
                      DestinationCase{"TrailingDot", "{dst}.", kEndsInSpaceOrDot},
                      DestinationCase{"AFile", "{src}\\FOL12345.PMM", kNoSuchDirectory},
                      DestinationCase{"Source", "{src}", kSameAsSource},
                      DestinationCase{"SourceInOtherCase", "{SRC}", kSameAsSource},
                      DestinationCase{"SourceWithTrailingBackslash", "{src}\\", kSameAsSource},
                      DestinationCase{"SourceThroughDotDot", "{src}\\sub\\..", kSameAsSource},
                      DestinationCase{"Other", "{dst}", ""},
                      DestinationCase{"OtherWithTrailingBackslash", "{dst}\\", ""},
                      DestinationCase{"SubdirectoryOfSource", "{src}\\sub", ""}),
    [](const auto& info) { return std::string(info.param.label); });

// The same directory under another drive letter differs in every byte of its
// path; only its identity shows it. Under Wine the Z: drive is the Unix root.
TEST(CheckDestination, SourceUnderAnotherDriveLetter) {
    TempDir source;
    const std::string unixPath = UnixPathOf(source.Path());
    if (unixPath.empty()) {
        GTEST_SKIP() << "not running under Wine: no second drive letter for one directory";
    }
    std::string other = "Z:" + unixPath;
    std::replace(other.begin(), other.end(), '/', '\\');
    ASSERT_TRUE(Exists(other)) << other;

    EXPECT_EQ(CheckDestination(source.Path(), other), kSameAsSource) << other;
}

} // namespace
