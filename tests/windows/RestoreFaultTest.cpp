// One sweep over what a restore can meet on a real Windows machine: every
// starting state of a folder's names, every file call failing alone, acting and
// then reporting failure (an answer a network drive lost), failing for good (the
// program killed there), or failing once as a virus scanner makes it; files held
// open; deleted names that linger into later runs; the settling of a cut-off run,
// itself cut off at each of its calls; and a mark taken away after a kill. After
// every run the report is true, every folder is whole or as it was, and the
// directory for unfinished copies holds nothing the report does not account for.
#include "Fixtures.h"

#include "lists/FolderRecord.h"
#include "lists/SourceScan.h"
#include "restore/Restore.h"
#include "win32/FileSystem.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <map>
#include <set>

using namespace fixtures;
using win32::FileCall;

namespace {

// The names a restore writes down in its directory for unfinished copies.
constexpr const char kTemporaryDirectory[] = ".tarnwick-tmp";
constexpr const char kAsideSuffix[] = ".TARNWICK-PREV";
constexpr const char kMarkSuffixes[][16] = {".TARNWICK-PAIR", ".TARNWICK-SOLO"};
// What the report says of a folder it leaves to the next run.
constexpr const char kLeftForNextRun[] = "the next restore into this directory tries again";

std::string Upper(std::string text) {
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The world around the program, as the test seam shows it: which try of which
// call fails and how, files that another program holds, and deleted names that
// stay listed until whoever holds the file lets go of it.
enum class Fault { None, One, DoneThenFail, Transient, FromThenOn };
struct World {
    Fault fault = Fault::None;
    int at = 0;
    int tries = 0;
    std::set<std::string> held;
    bool deletionsLinger = false;
    std::set<std::string> lingering;
};
World world;
// The calls of a run, by try, when a test wants to know them.
std::vector<FileCall>* callsMade = nullptr;

// A call whose effect is more than its answer: a kill just before it leaves the
// disk as a kill at the next such call does.
bool Changes(FileCall call) {
    switch (call) {
    case FileCall::CopyFile:
    case FileCall::MoveFile:
    case FileCall::DeleteFile:
    case FileCall::SetFileAttributes:
    case FileCall::CreateFile:
    case FileCall::WriteFile:
    case FileCall::CloseHandle:
    case FileCall::CreateDirectory:
    case FileCall::RemoveDirectory:
        return true;
    default:
        return false;
    }
}

DWORD Before(FileCall call, const std::string& path, const std::string& from) {
    const int tryNumber = world.tries++;
    if (callsMade) {
        callsMade->push_back(call);
    }
    if ((world.fault == Fault::One && tryNumber == world.at) ||
        (world.fault == Fault::FromThenOn && tryNumber >= world.at)) {
        return ERROR_DISK_FULL;
    }
    if (world.fault == Fault::Transient && tryNumber == world.at) {
        return ERROR_SHARING_VIOLATION;
    }
    if (call == FileCall::FindFirstFile || call == FileCall::FindNextFile) {
        return 0;
    }
    // Windows: a file held open still shows its attributes, a name being deleted
    // refuses everything; opening or renaming a held file is a sharing violation.
    const std::string target = Upper(path);
    for (const std::string& file : {target, Upper(from)}) {
        if (world.lingering.count(file)) {
            return ERROR_ACCESS_DENIED;
        }
        if (world.held.count(file) && call != FileCall::GetFileAttributes) {
            return ERROR_SHARING_VIOLATION;
        }
    }
    if (call == FileCall::DeleteFile && world.deletionsLinger) {
        world.lingering.insert(target);
        return win32::kPretendDone;
    }
    return 0;
}

DWORD After(FileCall call, const std::string& path, const std::string&, DWORD error) {
    if (call == FileCall::CloseHandle && world.deletionsLinger) {
        // The lock goes with its handle; its name stays while someone holds it.
        WriteBytes(path, "");
        world.lingering.insert(Upper(path));
    }
    if (world.fault == Fault::DoneThenFail && world.tries - 1 == world.at && error == 0) {
        return ERROR_UNEXP_NET_ERR;
    }
    return error;
}

// Whoever held the deleted files lets go: their names go.
void LetGo() {
    for (const std::string& path : world.lingering) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    world.lingering.clear();
}

Bytes EarlierBytes(const std::string& name) {
    return "earlier " + name;
}

struct Folder {
    std::string number; // BAK<number>.PMM restored from FOL<number>.PMM
    bool archiveHasIndex;
    std::string earlierMessage; // exact name in the destination before the run; "" for none
    std::string earlierIndex;

    // Its files in the destination, by exact name: as they were before the run,
    // and as a restore makes them.
    std::map<std::string, Bytes> Earlier() const {
        std::map<std::string, Bytes> files;
        for (const std::string* name : {&earlierMessage, &earlierIndex}) {
            if (!name->empty()) {
                files[*name] = EarlierBytes(*name);
            }
        }
        return files;
    }
    std::map<std::string, Bytes> Restored() const {
        std::map<std::string, Bytes> files = {
            {"BAK" + number + ".PMM",
             Overwritten(FolderFile("Folder " + number, "FOL" + number), 86, "BAK" + number)}};
        if (archiveHasIndex) {
            files["BAK" + number + ".PMI"] = IndexFile();
        }
        return files;
    }
};

// Every state a folder's names can be in before a run.
const std::vector<Folder> kFolders = {
    {"00001", true, "bak00001.pmm", "bak00001.pmi"},  // an earlier pair, in other letter case
    {"00002", true, "", "BAK00002.PMI"},              // an earlier index alone
    {"00003", true, "BAK00003.PMM", ""},              // an earlier message file alone
    {"00004", true, "", ""},                          // nothing earlier
    {"00005", false, "BAK00005.PMM", "BAK00005.PMI"}, // no index in the archive
    {"00006", false, "", "BAK00006.PMI"},             // no index in the archive, an earlier one
};

// Beside each folder's earlier files: nothing more; a leftover in the directory
// for unfinished copies that another program holds; the mail client holding an
// earlier message file open; or deleted names that linger.
enum class Start { EarlierFiles, HeldLeftover, HeldEarlier, LingeringNames };
const char* const kStartNames[] = {"earlier files", "a held leftover", "a held earlier file",
                                   "lingering names"};

// Each starting state with the faults it can change the outcome of: a retried
// call goes the same way whatever stands in the directory, and a held file is
// only ever a name the run must not take.
struct Row {
    Start start;
    std::vector<Fault> faults;
};
const Row kRows[] = {
    {Start::EarlierFiles, {Fault::One, Fault::DoneThenFail, Fault::Transient, Fault::FromThenOn}},
    {Start::HeldLeftover, {Fault::FromThenOn}},
    {Start::HeldEarlier, {Fault::FromThenOn}},
    {Start::LingeringNames, {Fault::One, Fault::FromThenOn}},
};

const char* FaultName(Fault fault) {
    switch (fault) {
    case Fault::One:
        return "call failing alone: ";
    case Fault::DoneThenFail:
        return "call acting, then failing: ";
    case Fault::Transient:
        return "call failing once: ";
    default:
        return "killed at call: ";
    }
}

class RestoreFaultTest : public WithMainWindow {
  protected:
    void SetUp() override {
        WithMainWindow::SetUp();
        for (const Folder& folder : kFolders) {
            WriteBytes(source / ("FOL" + folder.number + ".PMM"),
                       FolderFile("Folder " + folder.number, "FOL" + folder.number));
            if (folder.archiveHasIndex) {
                WriteBytes(source / ("FOL" + folder.number + ".PMI"), IndexFile());
            }
        }
        WriteBytes(source / "Y2GMIRAW.CNM", NewMailFile("New"));
        WriteBytes(source / "HIDDEN.CNM", NewMailFile("Not to replace the hidden one"));
        sourceBefore_ = Snapshot(source.Path());
        ResetLists();
        ScanSourceFolders(source.Path());
        // The retry waits cost nothing here: what they wait out is the seam's.
        win32::fileSeam = {Before, After, [](DWORD) {}};
    }
    void TearDown() override {
        win32::fileSeam = {};
        world = World();
        EXPECT_EQ(Snapshot(source.Path()), sourceBefore_) << "the source directory changed";
        WithMainWindow::TearDown();
    }

    // A run with every folder chosen, or none, and this fault; the report's lines.
    std::vector<std::string> Run(const TempDir& destination, bool everything,
                                 Fault fault = Fault::None, int at = 0) {
        for (FolderRecord& record : folderRecords) {
            record.chosen = everything && !record.fileName.empty() ? 1 : 0;
        }
        world.fault = fault;
        world.at = at;
        world.tries = 0;
        const RestoreOutcome outcome =
            RestoreFolders(folderRecords, source.Path(), destination.Path(), everything);
        world.fault = Fault::None;
        if (!outcome.refusal.empty()) {
            // Refused before anything was copied, as only a fault can make it.
            EXPECT_NE(fault, Fault::None) << outcome.refusal;
            EXPECT_NE(fault, Fault::Transient) << outcome.refusal;
            return {"refused: " + outcome.refusal};
        }
        std::vector<std::string> lines;
        for (const RestoreFailure& failure : outcome.failures) {
            lines.push_back(failure.fileName + ": " + failure.reason);
        }
        return lines;
    }

    void PutEarlierFiles(const TempDir& destination) const {
        for (const Folder& folder : kFolders) {
            for (const auto& [name, bytes] : folder.Earlier()) {
                WriteBytes(destination / name, bytes);
            }
        }
        WriteBytes(destination / "HIDDEN.CNM", EarlierBytes("HIDDEN.CNM"), FILE_ATTRIBUTE_HIDDEN);
    }

    // The destination as the row starts it.
    void Prepare(const TempDir& destination, Start start) {
        PutEarlierFiles(destination);
        if (start == Start::HeldLeftover) {
            // A file that a completed replacement set aside and could not remove,
            // since another program has held it open ever since.
            const std::string unfinished = destination.MakeSubdirectory(kTemporaryDirectory);
            const std::string leftover = unfinished + "\\BAK00001.PMM" + kAsideSuffix;
            WriteBytes(leftover, "a leftover");
            world.held.insert(Upper(leftover));
        }
        mailClientHolds_ = start == Start::HeldEarlier ? "00003" : "";
        if (!mailClientHolds_.empty()) {
            world.held.insert(Upper(destination / ("BAK" + mailClientHolds_ + ".PMM")));
        }
        // Every name the run deletes stays listed, and refuses to be opened or
        // replaced, until the test lets go: into the settling after a kill, too.
        world.deletionsLinger = start == Start::LingeringNames;
    }

    // The folder a name of the destination or of its directory for unfinished
    // copies, or a report line, belongs to ("00001"); "" for none.
    static std::string FolderOf(const std::string& name) {
        const std::string upper = Upper(name);
        const bool named = upper.compare(0, 3, "BAK") == 0 || upper.compare(0, 3, "FOL") == 0;
        return upper.size() > 8 && named ? upper.substr(3, 5) : "";
    }

    // A folder's files in the destination, by exact name.
    static std::map<std::string, Bytes> FilesOf(const TempDir& destination, const Folder& folder) {
        std::map<std::string, Bytes> files;
        for (const std::string& name : NamesIn(destination.Path())) {
            if (FolderOf(name) == folder.number) {
                files[name] = ReadBytes(destination / name);
            }
        }
        return files;
    }

    // Each folder holds its earlier files under their exact earlier names, or the
    // whole new pair (the message file alone where the archive has no index); the
    // hidden new-mail file is never replaced. Returns the folders and new-mail
    // files that were not restored.
    std::set<std::string> ExpectWholeOrAsItWas(const TempDir& destination) const {
        std::set<std::string> notRestored;
        for (const Folder& folder : kFolders) {
            SCOPED_TRACE("BAK" + folder.number);
            const std::map<std::string, Bytes> files = FilesOf(destination, folder);
            EXPECT_TRUE(files == folder.Earlier() || files == folder.Restored())
                << "neither its earlier files nor the new pair: "
                << ::testing::PrintToString(files);
            if (files != folder.Restored()) {
                notRestored.insert(folder.number);
            }
        }
        EXPECT_EQ(ReadBytes(destination / "HIDDEN.CNM"), EarlierBytes("HIDDEN.CNM"));
        const Bytes newMail = ReadBytes(destination / "Y2GMIRAW.CNM");
        EXPECT_TRUE(newMail == NewMailFile("New") || !Exists(destination / "Y2GMIRAW.CNM"));
        if (newMail != NewMailFile("New")) {
            notRestored.insert("Y2GMIRAW");
        }
        return notRestored;
    }

    // The report names exactly what was not restored (a line may name the
    // archive's file or the restored one), and the hidden new-mail file. The
    // advice for a held file names the mail client only where it holds the file.
    void ExpectReportTrue(const std::vector<std::string>& lines,
                          std::set<std::string> notRestored) const {
        std::set<std::string> reported;
        bool newMailUnlisted = false;
        for (const std::string& line : lines) {
            const std::string name = Upper(line.substr(0, line.find(':')));
            if (line.find("mail client") != std::string::npos) {
                EXPECT_EQ(FolderOf(line), mailClientHolds_) << "no mail client holds it: " << line;
            }
            if (name == "REFUSED") {
                reported = {"00001", "00002", "00003", "00004", "00005", "00006", "Y2GMIRAW"};
            } else if (name == "*.CNM") {
                newMailUnlisted = true;
            } else if (name.rfind("HIDDEN", 0) == 0 ||
                       line.find("not in the archive") != std::string::npos) {
                continue; // never replaced; restored without an index, as the line says
            } else if (name.rfind("Y2GMIRAW", 0) == 0) {
                reported.insert("Y2GMIRAW");
            } else {
                reported.insert(name.substr(3, 5));
            }
        }
        if (newMailUnlisted) {
            reported.erase("Y2GMIRAW");
            notRestored.erase("Y2GMIRAW");
        }
        EXPECT_EQ(reported, notRestored) << ::testing::PrintToString(lines);
    }

    // The directory for unfinished copies holds nothing the report does not
    // account for: names that linger or are held, names of folders that the
    // report leaves to the next run, and leftovers of folders restored whole and
    // of files being deleted, which the next run removes. A folder put back as
    // it was leaves nothing there.
    void ExpectTemporaryAccountedFor(const TempDir& destination,
                                     const std::vector<std::string>& lines) const {
        std::set<std::string> restored;
        for (const Folder& folder : kFolders) {
            if (FilesOf(destination, folder) == folder.Restored()) {
                restored.insert(folder.number);
            }
        }
        std::set<std::string> leftForNextRun;
        for (const std::string& line : lines) {
            if (line.find(kLeftForNextRun) != std::string::npos ||
                line.find("stays in") != std::string::npos) {
                leftForNextRun.insert(FolderOf(line.substr(0, line.find(':'))));
            }
        }
        const std::string directory = destination / kTemporaryDirectory;
        for (const std::string& name : NamesIn(directory)) {
            const std::string path = Upper(directory + "\\" + name);
            const std::string folder = FolderOf(name);
            EXPECT_TRUE(
                world.lingering.count(path) || world.held.count(path) ||
                EndsWith(path, ".TARNWICK-DEL") ||
                (!folder.empty() && (leftForNextRun.count(folder) || restored.count(folder))))
                << name << " in " << kTemporaryDirectory
                << " is not accounted for by the report: " << ::testing::PrintToString(lines);
        }
    }

    // A run after this one: the report is true, and nothing is left of the runs
    // but the restored files, the earlier ones that were not replaced and what
    // another program holds. Where names linger, once more before they are let go.
    void ExpectRestoredAgain(const TempDir& destination, Start start) {
        if (start == Start::LingeringNames) {
            const std::vector<std::string> lines = Run(destination, true);
            ExpectReportTrue(lines, ExpectWholeOrAsItWas(destination));
            ExpectTemporaryAccountedFor(destination, lines);
        }
        LetGo();
        world.deletionsLinger = false;
        const std::vector<std::string> lines = Run(destination, true);
        ExpectReportTrue(lines, ExpectWholeOrAsItWas(destination));
        ExpectTemporaryAccountedFor(destination, lines);
        std::set<std::string> expected = {"HIDDEN.CNM", "Y2GMIRAW.CNM"};
        for (const Folder& folder : kFolders) {
            const bool held = (start == Start::HeldLeftover && folder.number == "00001") ||
                              (start == Start::HeldEarlier && folder.number == "00003");
            for (const auto& [name, bytes] : held ? folder.Earlier() : folder.Restored()) {
                expected.insert(name);
            }
        }
        if (start == Start::HeldLeftover) {
            expected.insert(kTemporaryDirectory);
            EXPECT_THAT(UpperCaseNamesIn(destination / kTemporaryDirectory),
                        ::testing::ElementsAre(std::string("BAK00001.PMM") + kAsideSuffix));
        }
        const std::vector<std::string> names = NamesIn(destination.Path());
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
    }

    // The calls of a clean run from this start.
    std::vector<FileCall> CallsOfACleanRun(Start start) {
        std::vector<FileCall> calls;
        TempDir destination;
        Prepare(destination, start);
        callsMade = &calls;
        Run(destination, true);
        callsMade = nullptr;
        world = World();
        return calls;
    }

    // The sweep of one row: every fault of it at every call it can matter at.
    void Sweep(const Row& row);

    TempDir source;

  private:
    // The folder whose earlier message file the mail client holds open, if any.
    std::string mailClientHolds_;
    DirectorySnapshot sourceBefore_;
};

TEST_F(RestoreFaultTest, EarlierFiles) {
    Sweep(kRows[0]);
}
TEST_F(RestoreFaultTest, HeldFiles) {
    Sweep(kRows[1]);
    Sweep(kRows[2]);
}
TEST_F(RestoreFaultTest, LingeringNames) {
    Sweep(kRows[3]);
}

void RestoreFaultTest::Sweep(const Row& row) {
    SCOPED_TRACE(kStartNames[static_cast<int>(row.start)]);
    std::vector<std::string> cleanReport;
    {
        TempDir destination;
        Prepare(destination, row.start);
        cleanReport = Run(destination, true);
        if (row.start == Start::HeldEarlier) {
            EXPECT_THAT(cleanReport,
                        ::testing::Contains(::testing::AllOf(
                            ::testing::StartsWith("FOL00003.PMM: "),
                            ::testing::HasSubstr("close the folder in the mail client"))));
        }
        ExpectReportTrue(cleanReport, ExpectWholeOrAsItWas(destination));
        ExpectTemporaryAccountedFor(destination, cleanReport);
        ExpectRestoredAgain(destination, row.start);
    }
    const std::vector<FileCall> calls = CallsOfACleanRun(row.start);
    ASSERT_GT(calls.size(), 40u);
    std::set<FileCall> transientSeen;
    for (const Fault fault : row.faults) {
        for (int at = 0; at < static_cast<int>(calls.size()); ++at) {
            // A kill, or an answer lost, matters only where the call changes the
            // disk; the retry lives in one wrapper, so one sharing violation per
            // call is enough.
            if ((fault == Fault::FromThenOn || fault == Fault::DoneThenFail) &&
                !Changes(calls[at])) {
                continue;
            }
            if (fault == Fault::Transient && !transientSeen.insert(calls[at]).second) {
                continue;
            }
            SCOPED_TRACE(FaultName(fault) + std::to_string(at) + " (" + NameOf(calls[at]) + ")");
            world = World();
            TempDir destination;
            Prepare(destination, row.start);
            const std::vector<std::string> lines = Run(destination, true, fault, at);
            if (fault == Fault::Transient) {
                // Waited out: the run is the clean one.
                EXPECT_EQ(lines, cleanReport);
                ExpectWholeOrAsItWas(destination);
                ExpectTemporaryAccountedFor(destination, lines);
                continue;
            }
            if (fault == Fault::FromThenOn) {
                const std::vector<std::string> settled = Run(destination, false);
                ExpectReportTrue(settled, {});
                ExpectWholeOrAsItWas(destination);
                ExpectTemporaryAccountedFor(destination, settled);
            } else {
                ExpectReportTrue(lines, ExpectWholeOrAsItWas(destination));
                ExpectTemporaryAccountedFor(destination, lines);
            }
            ExpectRestoredAgain(destination, row.start);
            if (HasFailure()) {
                return;
            }
        }
    }
}

// A run killed wherever it changes the disk, then a settling run killed at each
// of its own such calls, then a clean one.
TEST_F(RestoreFaultTest, SettlingCutOffAtEveryCall) {
    const std::vector<FileCall> calls = CallsOfACleanRun(Start::EarlierFiles);
    for (int at = 0; at < static_cast<int>(calls.size()); ++at) {
        if (calls[at] != FileCall::MoveFile && calls[at] != FileCall::DeleteFile) {
            continue;
        }
        std::vector<FileCall> settleCalls;
        {
            TempDir destination;
            Prepare(destination, Start::EarlierFiles);
            Run(destination, true, Fault::FromThenOn, at);
            callsMade = &settleCalls;
            Run(destination, false);
            callsMade = nullptr;
        }
        for (int settleAt = 0; settleAt < static_cast<int>(settleCalls.size()); ++settleAt) {
            if (!Changes(settleCalls[settleAt])) {
                continue;
            }
            SCOPED_TRACE("killed at call " + std::to_string(at) + ", then the settling killed at " +
                         std::to_string(settleAt));
            TempDir destination;
            Prepare(destination, Start::EarlierFiles);
            Run(destination, true, Fault::FromThenOn, at);
            Run(destination, false, Fault::FromThenOn, settleAt);
            const std::vector<std::string> lines = Run(destination, false);
            EXPECT_THAT(lines, ::testing::IsEmpty());
            ExpectWholeOrAsItWas(destination);
            ExpectTemporaryAccountedFor(destination, lines);
            if (HasFailure()) {
                return;
            }
        }
    }
}

// A virus scanner holds each file being deleted for a moment: a run that
// succeeds waits it out and leaves no directory for unfinished copies behind.
TEST_F(RestoreFaultTest, SuccessWaitsOutNamesBeingDeleted) {
    TempDir destination;
    Prepare(destination, Start::LingeringNames);
    win32::fileSeam.wait = [](DWORD) { LetGo(); };
    const std::vector<std::string> lines = Run(destination, true);
    ExpectReportTrue(lines, ExpectWholeOrAsItWas(destination));
    EXPECT_FALSE(Exists(destination / kTemporaryDirectory));
}

// A run killed wherever it renames, after which a virus scanner takes away every
// mark (or someone tidies them away by hand): the next run loses no earlier file.
// Each folder is whole or as it was, or has a line that says what was kept, and
// every earlier file is still there, under its name or set aside.
TEST_F(RestoreFaultTest, MarkTakenAfterAKillCostsNoEarlierFile) {
    const std::vector<FileCall> calls = CallsOfACleanRun(Start::EarlierFiles);
    for (int at = 0; at < static_cast<int>(calls.size()); ++at) {
        if (calls[at] != FileCall::MoveFile) {
            continue;
        }
        SCOPED_TRACE("killed at call " + std::to_string(at));
        TempDir destination;
        Prepare(destination, Start::EarlierFiles);
        Run(destination, true, Fault::FromThenOn, at);
        const std::string directory = destination / kTemporaryDirectory;
        for (const std::string& name : UpperCaseNamesIn(directory)) {
            for (const char* mark : kMarkSuffixes) {
                if (EndsWith(name, mark)) {
                    SetFileAttributesA((directory + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA((directory + "\\" + name).c_str());
                }
            }
        }
        const std::vector<std::string> lines = Run(destination, false);
        for (const Folder& folder : kFolders) {
            SCOPED_TRACE("BAK" + folder.number);
            const std::map<std::string, Bytes> files = FilesOf(destination, folder);
            if (files == folder.Earlier() || files == folder.Restored()) {
                continue;
            }
            const bool reported =
                std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
                    return FolderOf(line) == folder.number;
                });
            // A folder with nothing earlier has nothing to lose, and where its mark
            // was its only record, nothing is left to tell of it.
            EXPECT_TRUE(reported || folder.Earlier().empty())
                << "neither earlier nor new, and not reported: " << ::testing::PrintToString(files);
            for (const auto& [name, bytes] : folder.Earlier()) {
                const std::string aside = directory + "\\" + name + kAsideSuffix;
                EXPECT_TRUE(ReadBytes(destination / name) == bytes || ReadBytes(aside) == bytes)
                    << "the earlier " << name << " is lost";
            }
        }
        ExpectTemporaryAccountedFor(destination, lines);
        if (HasFailure()) {
            return;
        }
    }
}

} // namespace
