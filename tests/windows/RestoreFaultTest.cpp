#include "Fixtures.h"

#include "lists/FolderRecord.h"
#include "lists/SourceScan.h"
#include "restore/Restore.h"
#include "win32/FileSystem.h"

#include <gmock/gmock.h>

#include <set>

using namespace fixtures;

namespace {

// Which file-system call fails: none, the one numbered `at` alone (the run goes
// on and undoes what it can), or that one and every later one (the process
// killed there: nothing more reaches the disk).
enum class Fault { None, One, FromThenOn };
Fault fault = Fault::None;
int callsMade = 0;
int failingCall = 0;

DWORD FailChosenCalls(const char*, const std::string&, const std::string&) {
    const int call = callsMade++;
    const bool fails = (fault == Fault::One && call == failingCall) ||
                       (fault == Fault::FromThenOn && call >= failingCall);
    return fails ? ERROR_DISK_FULL : 0;
}

// The report's lines, to be shown when a check fails.
std::vector<std::string> Lines(const std::vector<RestoreFailure>& failures) {
    std::vector<std::string> lines;
    for (const RestoreFailure& failure : failures) {
        lines.push_back(failure.fileName + ": " + failure.reason);
    }
    return lines;
}

struct Folder {
    std::string fileName; // in the archive
    std::string restored; // stem in the destination
    std::string earlierMessage;
    std::string earlierIndex; // "" where the destination held nothing
};

// Three folders, the second of which replaces an earlier pair, and a new-mail
// file, restored through every fault the restore's file-system calls
// can meet.
class RestoreFaultTest : public WithMainWindow {
  protected:
    void SetUp() override {
        WithMainWindow::SetUp();
        for (const Folder& folder : folders_) {
            WriteBytes(source / (folder.fileName + ".PMM"), FolderFile("Name", folder.fileName));
            WriteBytes(source / (folder.fileName + ".PMI"), IndexFile());
        }
        WriteBytes(source / "Y2GMIRAW.CNM", NewMailFile("New"));
        sourceBefore_ = Snapshot(source.Path());
        ResetLists();
        ScanSourceFolders(source.Path());
        for (FolderRecord& record : folderRecords) {
            record.chosen = record.fileName.empty() ? 0 : 1;
        }
        win32::fileFaultHook = FailChosenCalls;
    }
    void TearDown() override {
        win32::fileFaultHook = nullptr;
        EXPECT_EQ(Snapshot(source.Path()), sourceBefore_) << "the source directory changed";
        WithMainWindow::TearDown();
    }

    std::vector<RestoreFailure> RestoreInto(const TempDir& destination, Fault kind, int at = 0) {
        fault = kind;
        failingCall = at;
        callsMade = 0;
        const RestoreOutcome outcome =
            RestoreFolders(folderRecords, source.Path(), destination.Path(), true);
        fault = Fault::None;
        EXPECT_EQ(outcome.refusal, "");
        return outcome.failures;
    }

    void PutEarlierCopies(const TempDir& destination) const {
        for (const Folder& folder : folders_) {
            if (!folder.earlierMessage.empty()) {
                WriteBytes(destination / (folder.restored + ".PMM"), folder.earlierMessage);
                WriteBytes(destination / (folder.restored + ".PMI"), folder.earlierIndex);
            }
        }
    }

    // After any run: each restored name holds its earlier file (or nothing, where
    // there was nothing) or the whole new copy, never anything else; a pair is
    // both earlier or both new, except after a kill in the middle of a
    // replacement, which leaves its mark for the next run; the report names
    // exactly what was not restored.
    void ExpectWholeOrAsItWas(const TempDir& destination,
                              const std::vector<RestoreFailure>& failures, bool killed) const {
        std::set<std::string> reported;
        for (const RestoreFailure& failure : failures) {
            reported.insert(failure.fileName.substr(0, failure.fileName.find('.')));
        }
        std::set<std::string> notRestored;
        for (const Folder& folder : folders_) {
            SCOPED_TRACE(folder.restored);
            const std::string message = ReadBytes(destination / (folder.restored + ".PMM"));
            const std::string index = ReadBytes(destination / (folder.restored + ".PMI"));
            const std::string newMessage = Overwritten(FolderFile("Name", folder.fileName), 86,
                                                       "BAK" + folder.restored.substr(3));
            const std::string nothing = ReadBytes(destination / "no such file");
            const std::string earlierMessage =
                folder.earlierMessage.empty() ? nothing : folder.earlierMessage;
            const std::string earlierIndex =
                folder.earlierIndex.empty() ? nothing : folder.earlierIndex;
            const bool isNew = message == newMessage && index == IndexFile();
            const bool isEarlier = message == earlierMessage && index == earlierIndex;
            if (!isNew) {
                notRestored.insert(folder.fileName);
            }
            if (isNew || isEarlier) {
                continue;
            }
            EXPECT_TRUE(killed) << "a pair mixed, or a file neither earlier nor new";
            EXPECT_TRUE(message == newMessage || message == folder.earlierMessage ||
                        message == nothing);
            EXPECT_TRUE(index == IndexFile() || index == folder.earlierIndex || index == nothing);
            // What lets the next run finish or undo the replacement.
            const std::string aside = destination / (".tarnwick-tmp\\" + folder.restored);
            EXPECT_TRUE(Exists(aside + ".PMM.tarnwick-old") ||
                        Exists(aside + ".PMM.tarnwick-none") ||
                        Exists(aside + ".PMM.tarnwick-new") || Exists(aside + ".PMI.tarnwick-old"));
        }
        if (ReadBytes(destination / "Y2GMIRAW.CNM") != NewMailFile("New")) {
            notRestored.insert("Y2GMIRAW");
        }
        if (reported.count("*")) { // the new mail could not be listed, or not all of it
            reported.erase("*");
            reported.erase("Y2GMIRAW");
            notRestored.erase("Y2GMIRAW");
        }
        EXPECT_EQ(reported, notRestored) << ::testing::PrintToString(Lines(failures));
    }

    void ExpectAllRestored(const TempDir& destination) const {
        EXPECT_THAT(UpperCaseNamesIn(destination.Path()),
                    ::testing::ElementsAre("BAK00001.PMI", "BAK00001.PMM", "BAK00002.PMI",
                                           "BAK00002.PMM", "BAK00003.PMI", "BAK00003.PMM",
                                           "Y2GMIRAW.CNM"));
        ExpectWholeOrAsItWas(destination, {}, false);
    }

    TempDir source;
    const std::vector<Folder> folders_ = {{"FOL00001", "BAK00001", "", ""},
                                          {"FOL00002", "BAK00002", "earlier copy", "earlier index"},
                                          {"FOL00003", "BAK00003", "", ""}};

  private:
    DirectorySnapshot sourceBefore_;
};

TEST_F(RestoreFaultTest, EveryCallFailingAloneOrFromThenOn) {
    int calls = 0;
    {
        TempDir destination;
        PutEarlierCopies(destination);
        EXPECT_THAT(Lines(RestoreInto(destination, Fault::None)), ::testing::IsEmpty());
        calls = callsMade;
        ExpectAllRestored(destination);
    }
    ASSERT_GT(calls, 20);
    for (const Fault kind : {Fault::One, Fault::FromThenOn}) {
        for (int at = 0; at < calls; ++at) {
            SCOPED_TRACE((kind == Fault::One ? "call failing alone: " : "killed at call: ") +
                         std::to_string(at));
            TempDir destination;
            PutEarlierCopies(destination);
            const std::vector<RestoreFailure> failures = RestoreInto(destination, kind, at);
            ExpectWholeOrAsItWas(destination, failures, kind == Fault::FromThenOn);

            EXPECT_THAT(Lines(RestoreInto(destination, Fault::None)), ::testing::IsEmpty());
            ExpectAllRestored(destination);
            if (HasFailure()) {
                return;
            }
        }
    }
}

} // namespace
