// One sweep over what a restore can meet on a real Windows machine: every
// starting state of a folder's names, every file call failing alone, failing
// for good (the program killed there), or failing once as a virus scanner makes
// it, and the settling of a cut-off run, itself cut off at each of its calls.
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

namespace {

// The name under which a completed replacement sets an earlier file aside.
constexpr const char kAsideSuffix[] = ".tarnwick-prev";

std::string Upper(std::string text) {
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The world around the program, as the test seam shows it: which try of which
// call fails, files that another program holds, and deleted names that stay
// listed until whoever holds the file lets go of it.
enum class Fault { None, One, FromThenOn, Transient };
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
std::vector<std::string>* callNames = nullptr;

DWORD Answer(const char* call, const std::string& path, const std::string& from) {
    const int tryNumber = world.tries++;
    if (callNames) {
        callNames->push_back(call);
    }
    if ((world.fault == Fault::One && tryNumber == world.at) ||
        (world.fault == Fault::FromThenOn && tryNumber >= world.at)) {
        return ERROR_DISK_FULL;
    }
    if (world.fault == Fault::Transient && tryNumber == world.at) {
        return ERROR_SHARING_VIOLATION;
    }
    const std::string name(call);
    if (name == "FindFirstFile" || name == "FindNextFile" || name == "GetFileAttributes") {
        return 0;
    }
    const std::string target = Upper(path);
    for (const std::string& file : {target, Upper(from)}) {
        if (world.held.count(file) || world.lingering.count(file)) {
            return ERROR_ACCESS_DENIED;
        }
    }
    if (name == "DeleteFile" && world.deletionsLinger) {
        world.lingering.insert(target);
        return win32::kPretendDone;
    }
    return 0;
}

// Whoever held the deleted files lets go: their names go.
void LetGo() {
    for (const std::string& path : world.lingering) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    world.lingering.clear();
    world.deletionsLinger = false;
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
    {"00001", true, "bak00001.pmm", "bak00001.pmi"}, // an earlier pair, in other letter case
    {"00002", true, "", "BAK00002.PMI"},             // an earlier index alone
    {"00003", true, "BAK00003.PMM", ""},             // an earlier message file alone
    {"00004", true, "", ""},                         // nothing earlier
    {"00005", false, "BAK00005.PMM", "BAK00005.PMI"} // no index in the archive
};

// Beside each folder's earlier files: nothing more, a leftover in the directory
// for unfinished copies that another program holds, or deleted names that linger.
enum class Start { EarlierFiles, HeldLeftover, LingeringNames };
const char* const kStartNames[] = {"earlier files", "a held leftover", "lingering names"};

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
        win32::fileFaultHook = Answer;
    }
    void TearDown() override {
        win32::fileFaultHook = nullptr;
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
            const std::string unfinished = destination.MakeSubdirectory(".tarnwick-tmp");
            const std::string leftover = unfinished + "\\BAK00001.PMM" + kAsideSuffix;
            WriteBytes(leftover, "a leftover");
            world.held.insert(Upper(leftover));
        }
        // Every name the run deletes stays listed, and refuses to be opened or
        // replaced, until the test lets go: into the settling after a kill, too.
        world.deletionsLinger = start == Start::LingeringNames;
    }

    // Each folder holds its earlier files under their exact earlier names, or the
    // whole new pair (the message file alone where the archive has no index); the
    // hidden new-mail file is never replaced. Returns the folders and new-mail
    // files that were not restored.
    std::set<std::string> ExpectWholeOrAsItWas(const TempDir& destination) const {
        std::map<std::string, std::map<std::string, Bytes>> byFolder;
        for (const std::string& name : NamesIn(destination.Path())) {
            if (name.size() > 3 && Upper(name.substr(0, 3)) == "BAK") {
                byFolder[name.substr(3, 5)][name] = ReadBytes(destination / name);
            }
        }
        std::set<std::string> notRestored;
        for (const Folder& folder : kFolders) {
            SCOPED_TRACE("BAK" + folder.number);
            const std::map<std::string, Bytes>& files = byFolder[folder.number];
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
    // archive's file or the restored one), and the hidden new-mail file.
    void ExpectReportTrue(const std::vector<std::string>& lines,
                          std::set<std::string> notRestored) const {
        std::set<std::string> reported;
        bool newMailUnlisted = false;
        for (const std::string& line : lines) {
            const std::string name = Upper(line.substr(0, line.find(':')));
            if (name == "REFUSED") {
                reported = {"00001", "00002", "00003", "00004", "00005", "Y2GMIRAW"};
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

    // Nothing left of the runs but the restored files, the earlier ones that were
    // not replaced and, where it is held, the leftover.
    void ExpectRestoredAgain(const TempDir& destination, Start start) {
        LetGo();
        const std::vector<std::string> lines = Run(destination, true);
        ExpectReportTrue(lines, ExpectWholeOrAsItWas(destination));
        std::set<std::string> expected = {"HIDDEN.CNM", "Y2GMIRAW.CNM"};
        for (const Folder& folder : kFolders) {
            const bool held = start == Start::HeldLeftover && folder.number == "00001";
            for (const auto& [name, bytes] : held ? folder.Earlier() : folder.Restored()) {
                expected.insert(name);
            }
        }
        if (start == Start::HeldLeftover) {
            expected.insert(".tarnwick-tmp");
            EXPECT_THAT(NamesIn(destination / ".tarnwick-tmp"),
                        ::testing::ElementsAre(std::string("BAK00001.PMM") + kAsideSuffix));
        }
        const std::vector<std::string> names = NamesIn(destination.Path());
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
    }

    TempDir source;

  private:
    DirectorySnapshot sourceBefore_;
};

// Each starting state with the faults it can change the outcome of: a retried
// call goes the same way whatever stands in the directory, and a held leftover
// is only ever a name the run must not take.
struct Row {
    Start start;
    std::vector<Fault> faults;
};
const Row kRows[] = {
    {Start::EarlierFiles, {Fault::One, Fault::Transient, Fault::FromThenOn}},
    {Start::HeldLeftover, {Fault::FromThenOn}},
    {Start::LingeringNames, {Fault::One, Fault::FromThenOn}},
};

TEST_F(RestoreFaultTest, EveryStartEveryCallEveryFault) {
    for (const auto& [start, faults] : kRows) {
        SCOPED_TRACE(kStartNames[static_cast<int>(start)]);
        int calls = 0;
        std::vector<std::string> cleanReport;
        {
            TempDir destination;
            Prepare(destination, start);
            cleanReport = Run(destination, true);
            calls = world.tries;
            ExpectReportTrue(cleanReport, ExpectWholeOrAsItWas(destination));
            ExpectRestoredAgain(destination, start);
        }
        ASSERT_GT(calls, 40);
        for (const Fault fault : faults) {
            for (int at = 0; at < calls; ++at) {
                SCOPED_TRACE((fault == Fault::One         ? "call failing alone: "
                              : fault == Fault::Transient ? "call failing once: "
                                                          : "killed at call: ") +
                             std::to_string(at));
                world = World();
                TempDir destination;
                Prepare(destination, start);
                const std::vector<std::string> lines = Run(destination, true, fault, at);
                if (fault == Fault::Transient) {
                    // Waited out: the run is the clean one.
                    EXPECT_EQ(lines, cleanReport);
                    ExpectWholeOrAsItWas(destination);
                    continue;
                }
                if (fault == Fault::FromThenOn) {
                    EXPECT_THAT(Run(destination, false), ::testing::IsEmpty());
                    ExpectWholeOrAsItWas(destination);
                } else {
                    ExpectReportTrue(lines, ExpectWholeOrAsItWas(destination));
                }
                ExpectRestoredAgain(destination, start);
                if (HasFailure()) {
                    return;
                }
            }
        }
    }
}

bool ChangesNames(const std::string& call) {
    return call == "MoveFile" || call == "DeleteFile";
}

// A run killed wherever names change hands (at a rename or a removal), then a
// settling run killed at each of its own renames and removals and just after
// the last, then a clean one.
TEST_F(RestoreFaultTest, SettlingCutOffAtEveryCall) {
    std::vector<std::string> calls;
    {
        TempDir destination;
        Prepare(destination, Start::EarlierFiles);
        callNames = &calls;
        Run(destination, true);
        callNames = nullptr;
    }
    for (int at = 0; at < static_cast<int>(calls.size()); ++at) {
        if (!ChangesNames(calls[at])) {
            continue;
        }
        std::vector<std::string> settleCalls;
        {
            TempDir destination;
            Prepare(destination, Start::EarlierFiles);
            Run(destination, true, Fault::FromThenOn, at);
            callNames = &settleCalls;
            Run(destination, false);
            callNames = nullptr;
        }
        for (int settleAt = 0; settleAt < static_cast<int>(settleCalls.size()); ++settleAt) {
            if (!ChangesNames(settleCalls[settleAt]) &&
                (settleAt == 0 || !ChangesNames(settleCalls[settleAt - 1]))) {
                continue;
            }
            SCOPED_TRACE("killed at call " + std::to_string(at) + ", then the settling killed at " +
                         std::to_string(settleAt));
            TempDir destination;
            Prepare(destination, Start::EarlierFiles);
            Run(destination, true, Fault::FromThenOn, at);
            Run(destination, false, Fault::FromThenOn, settleAt);
            EXPECT_THAT(Run(destination, false), ::testing::IsEmpty());
            ExpectWholeOrAsItWas(destination);
            if (HasFailure()) {
                return;
            }
        }
    }
}

} // namespace
