// The restore of a generated archive of 200 folders (about 200 MB) with the real
// restore code, against the least a restore that writes every copy to the disk
// before naming it has to do (the necessary calls: for each file a copy, its
// attributes cleared, the .PMM's new ID written, a flush and a rename): same run,
// same warm source files, each into a fresh directory that is deleted again
// before the next run. Then the file calls each folder costs, as the test seam
// counts them, and the restore built up from a bare CopyFileA loop.
// Usage: bench_restore.exe [repetitions]
#include <windows.h>

#include "BenchSupport.h"
#include "common/Path.h"
#include "lists/FolderRecord.h"
#include "lists/SourceScan.h"
#include "restore/FolderHeader.h"
#include "restore/Replacement.h"
#include "restore/Restore.h"
#include "restore/RestoreNames.h"

#include "win32/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

constexpr unsigned kFolders = 200;
constexpr std::size_t kMessageBytes = 1024 * 1024;
constexpr double kGoal = 1.03;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "bench_restore: %s\n", what.c_str());
    std::exit(1);
}

// Read-only, as an archive copied from a CD keeps its files.
std::size_t MakeArchive(const std::string& directory) {
    bench::FolderMaker maker(200);
    std::size_t bytes = 0;
    for (unsigned i = 0; i < kFolders; ++i) {
        const std::string stem = bench::FolderStem(0x100 + i * 3);
        const bench::FolderFiles folder = maker.Make(stem, kMessageBytes);
        const std::string messagePath = JoinPath(directory, stem + ".PMM");
        const std::string indexPath = JoinPath(directory, stem + ".PMI");
        if (!bench::WriteWholeFile(messagePath, folder.messageFile) ||
            !bench::WriteWholeFile(indexPath, folder.indexFile) ||
            !bench::MakeReadOnly(messagePath) || !bench::MakeReadOnly(indexPath)) {
            Fail("could not write the archive");
        }
        bytes += folder.messageFile.size() + folder.indexFile.size();
    }
    return bytes;
}

// The calls of one run, by name, as the test seam sees them.
std::map<std::string, int> callCounts;
DWORD CountCall(win32::FileCall call, const std::string&, const std::string&) {
    ++callCounts[win32::NameOf(call)];
    return 0;
}

// The least a durable restore does per folder: a copy, the attributes and a
// flush for each file, the ID written into the .PMM (flushed through the same
// handle), and a rename of each from its temporary name, written through; and
// once a run, the destination's directory flushed before the box.
const std::map<std::string, int> kNecessaryCalls = {
    {"CopyFile", 2},  {"SetFileAttributes", 2}, {"CreateFile", 2},
    {"WriteFile", 1}, {"FlushFileBuffers", 2},  {"MoveFile", 2}};

// The folder table as the user would leave it after ">>": scanned, every
// folder chosen.
std::vector<FolderRecord> ChooseEveryFolder(const std::string& archive) {
    const bench::HiddenSourceList list;
    if (!list.Ok()) {
        Fail("could not create the hidden list box");
    }
    ScanSourceFolders(archive);
    std::vector<FolderRecord> records = folderRecords;
    if (UpperBound(records) != static_cast<int>(kFolders)) {
        Fail("the scan did not find every folder");
    }
    for (std::size_t i = 1; i < records.size(); ++i) {
        records[i].chosen = 1;
    }
    return records;
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;

    const bench::ScratchDirectory scratch("restore");
    const std::string archive = scratch.Ok() ? scratch.NewSubdirectory("archive") : "";
    if (archive.empty()) {
        Fail("no scratch directory");
    }
    const std::size_t archiveBytes = MakeArchive(archive);
    const std::vector<FolderRecord> records = ChooseEveryFolder(archive);
    std::vector<FolderRecord> noneChosen = records;
    for (FolderRecord& record : noneChosen) {
        record.chosen = 0;
    }

    int run = 0;
    const auto freshTarget = [&](const char* label) {
        const std::string target = scratch.NewSubdirectory(label + std::to_string(++run));
        if (target.empty()) {
            Fail("could not make a target directory");
        }
        return target;
    };
    const auto deleteTarget = [&](const std::string& target) {
        if (!bench::RemoveTree(target)) {
            Fail("could not delete " + target);
        }
    };

    const bench::TimedRun realRestore = [&] {
        const std::string target = freshTarget("restored-");
        std::vector<RestoreFailure> failures;
        const double seconds = bench::TimeOf(
            [&] { failures = RestoreFolders(records, archive, target, false).failures; });
        if (!failures.empty()) {
            Fail("the restore failed: " + CompletionText(archive, target, failures));
        }
        deleteTarget(target);
        return seconds;
    };

    // The restore built up from the bare loop one kind of call at a time, each
    // level adding to those before it, up to the necessary calls of a durable
    // restore: Rename, each copy is completed under a temporary name and then
    // renamed into place, as the restore does; Flush, each completed copy is
    // written to the disk before that, the .PMM through the handle of its ID
    // write, and renamed with write-through; FlushDirectory, once a run, the
    // destination's directory is flushed before the box.
    enum Level { Copy, Attributes, Id, Rename, Flush, FlushDirectory };
    const auto copyLoop = [&](const std::string& target, Level level) {
        const auto place = [&](const std::string& name) {
            return level >= Rename ? PlaceOf(target, name, kUnfinishedSuffix)
                                   : JoinPath(target, name);
        };
        if (level >= Rename) {
            CreateDirectoryA(TemporaryDirectoryOf(target).c_str(), nullptr);
        }
        const auto flushFile = [&](const std::string& path, DWORD flags = 0) {
            const HANDLE file =
                CreateFileA(path.c_str(), GENERIC_WRITE,
                            flags ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0,
                            nullptr, OPEN_EXISTING, flags, nullptr);
            FlushFileBuffers(file);
            CloseHandle(file);
        };
        for (std::size_t i = 1; i < records.size(); ++i) {
            const std::string& name = records[i].fileName;
            const std::string copy = MakeRestoredName(name);
            CopyFileA(JoinPath(archive, name).c_str(), place(copy).c_str(), TRUE);
            if (level >= Attributes) {
                SetFileAttributesA(place(copy).c_str(), 0);
            }
            if (level >= Id) {
                const std::string id = MakeNewFolderId(records[i].folderId, name);
                const HANDLE file =
                    CreateFileA(place(copy).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                DWORD written = 0;
                SetFilePointer(file, kFolderIdOffset, nullptr, FILE_BEGIN);
                WriteFile(file, id.data(), static_cast<DWORD>(id.size()), &written, nullptr);
                if (level >= Flush) {
                    FlushFileBuffers(file);
                }
                CloseHandle(file);
            }
            const std::string indexCopy = IndexPathOf(copy);
            CopyFileA(JoinPath(archive, IndexPathOf(name)).c_str(), place(indexCopy).c_str(), TRUE);
            if (level >= Attributes) {
                SetFileAttributesA(place(indexCopy).c_str(), 0);
            }
            if (level >= Flush) {
                flushFile(place(indexCopy));
            }
            if (level >= Rename) {
                const DWORD through = level >= Flush ? MOVEFILE_WRITE_THROUGH : 0;
                MoveFileExA(place(indexCopy).c_str(), JoinPath(target, indexCopy).c_str(), through);
                MoveFileExA(place(copy).c_str(), JoinPath(target, copy).c_str(), through);
            }
        }
        if (level >= Rename) {
            RemoveDirectoryA(TemporaryDirectoryOf(target).c_str());
        }
        if (level >= FlushDirectory) {
            flushFile(target, FILE_FLAG_BACKUP_SEMANTICS);
        }
    };
    const bench::TimedRun necessaryCalls = [&] {
        const std::string target = freshTarget("necessary-");
        const double seconds = bench::TimeOf([&] { copyLoop(target, FlushDirectory); });
        deleteTarget(target);
        return seconds;
    };

    std::printf("Restore of %u folders (%.1f MB of .PMM and .PMI files in %s), %d repetitions:\n",
                kFolders, static_cast<double>(archiveBytes) / (1024 * 1024), archive.c_str(),
                repetitions);
    bench::PrintSideBySide("real restore (RestoreFolders)", "its necessary calls",
                           bench::RunSideBySide(repetitions, realRestore, necessaryCalls), kGoal);

    {
        const std::string target = freshTarget("counted-");
        win32::fileSeam.before = CountCall;
        RestoreFolders(records, archive, target, false);
        win32::fileSeam.before = nullptr;
        deleteTarget(target);
        std::printf("  file calls per folder, RestoreFolders (the necessary ones):\n");
        int total = 0;
        int necessary = 0;
        for (const auto& [call, count] : callCounts) {
            const auto least = kNecessaryCalls.find(call);
            const int leastCount = least == kNecessaryCalls.end() ? 0 : least->second;
            std::printf("    %-20s %7.3f (%d)\n", call.c_str(),
                        static_cast<double>(count) / kFolders, leastCount);
            total += count;
            necessary += leastCount;
        }
        std::printf("    %-20s %7.3f (%d)\n", "all", static_cast<double>(total) / kFolders,
                    necessary);
    }

    std::string stepTarget;
    const auto freshStepTarget = [&] {
        if (!stepTarget.empty()) {
            deleteTarget(stepTarget);
        }
        stepTarget = freshTarget("steps-");
    };
    const std::vector<bench::Piece> steps = {
        {"CopyFileA per .PMM and .PMI (the bare loop)", freshStepTarget,
         [&] { copyLoop(stepTarget, Copy); }},
        {"  and SetFileAttributesA(0) per copy", freshStepTarget,
         [&] { copyLoop(stepTarget, Attributes); }},
        {"  and the new folder ID written into each .PMM copy", freshStepTarget,
         [&] { copyLoop(stepTarget, Id); }},
        {"  and each made under a temporary name, then renamed", freshStepTarget,
         [&] { copyLoop(stepTarget, Rename); }},
        {"  and each flushed to the disk before, renamed written through", freshStepTarget,
         [&] { copyLoop(stepTarget, Flush); }},
        {"  and the destination flushed before the box (the necessary calls)", freshStepTarget,
         [&] { copyLoop(stepTarget, FlushDirectory); }},
        {"RestoreFolders", freshStepTarget,
         [&] { RestoreFolders(records, archive, stepTarget, false); }},
        // Into what the piece before restored, nothing chosen, the new mail asked
        // for (the archive has none): the lock, the listings and the settling.
        {"its bookkeeping alone, once a run: nothing to copy", [] {},
         [&] { RestoreFolders(noneChosen, archive, stepTarget, true); }},
    };
    bench::PrintPieces(steps, bench::TimeRoundRobin(repetitions, steps));
    deleteTarget(stepTarget);
    return 0;
}
