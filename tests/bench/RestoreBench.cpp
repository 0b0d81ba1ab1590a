// The restore of a generated archive of 200 folders (about 200 MB) with the real
// restore code, against a bare CopyFileA loop over the same message and index
// files: same run, same warm source files, each into a fresh directory that is
// deleted again before the next run.
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

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr unsigned kFolders = 200;
constexpr std::size_t kMessageBytes = 1024 * 1024;
constexpr double kGoal = 1.10;

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

    // Both sides copy the same files in the same (table) order.
    std::vector<std::string> fileNames;
    for (std::size_t i = 1; i < records.size(); ++i) {
        fileNames.push_back(records[i].fileName);
        fileNames.push_back(IndexPathOf(records[i].fileName));
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
    const bench::TimedRun bareCopies = [&] {
        const std::string target = freshTarget("copied-");
        unsigned copied = 0;
        const double seconds = bench::TimeOf([&] {
            for (const std::string& name : fileNames) {
                copied += CopyFileA(JoinPath(archive, name).c_str(), JoinPath(target, name).c_str(),
                                    FALSE)
                              ? 1
                              : 0;
            }
        });
        if (copied != fileNames.size()) {
            Fail("the bare loop did not copy every file");
        }
        deleteTarget(target);
        return seconds;
    };

    std::printf("Restore of %u folders (%.1f MB of .PMM and .PMI files in %s), %d repetitions:\n",
                kFolders, static_cast<double>(archiveBytes) / (1024 * 1024), archive.c_str(),
                repetitions);
    bench::PrintSideBySide("real restore (RestoreFolders)", "bare loop (CopyFileA per file)",
                           bench::RunSideBySide(repetitions, realRestore, bareCopies), kGoal);

    // The restore built up from the bare loop one kind of call at a time, each
    // run into a fresh directory, round-robin: where its time goes.
    std::string stepTarget;
    const auto freshStepTarget = [&] {
        if (!stepTarget.empty()) {
            deleteTarget(stepTarget);
        }
        stepTarget = freshTarget("steps-");
    };
    // rename: each copy is completed under its temporary name and then renamed
    // into place, as the restore does; flush: each completed copy is flushed to
    // the disk before that.
    const auto copyLoop = [&](bool clearAttributes, bool writeId, bool rename = false,
                              bool flush = false) {
        const auto place = [&](const std::string& finalPath) {
            return rename ? PlaceOf(stepTarget, finalPath.substr(stepTarget.size() + 1),
                                    kUnfinishedSuffix)
                          : finalPath;
        };
        if (rename) {
            CreateDirectoryA(TemporaryDirectoryOf(stepTarget).c_str(), nullptr);
        }
        const auto finish = [&](const std::string& finalPath) {
            if (flush) {
                const HANDLE file = CreateFileA(place(finalPath).c_str(), GENERIC_WRITE, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                FlushFileBuffers(file);
                CloseHandle(file);
            }
            if (rename) {
                MoveFileExA(place(finalPath).c_str(), finalPath.c_str(), MOVEFILE_REPLACE_EXISTING);
            }
        };
        for (std::size_t i = 1; i < records.size(); ++i) {
            const std::string& name = records[i].fileName;
            const std::string copy = JoinPath(stepTarget, MakeRestoredName(name));
            CopyFileA(JoinPath(archive, name).c_str(), place(copy).c_str(), FALSE);
            if (clearAttributes) {
                SetFileAttributesA(place(copy).c_str(), 0);
            }
            if (writeId) {
                const std::string id = MakeNewFolderId(records[i].folderId, name);
                const HANDLE file =
                    CreateFileA(place(copy).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                DWORD written = 0;
                SetFilePointer(file, kFolderIdOffset, nullptr, FILE_BEGIN);
                WriteFile(file, id.data(), static_cast<DWORD>(id.size()), &written, nullptr);
                CloseHandle(file);
            }
            const std::string indexCopy = IndexPathOf(copy);
            CopyFileA(JoinPath(archive, IndexPathOf(name)).c_str(), place(indexCopy).c_str(),
                      FALSE);
            if (clearAttributes) {
                SetFileAttributesA(place(indexCopy).c_str(), 0);
            }
            finish(indexCopy);
            finish(copy);
        }
    };
    const std::vector<bench::Piece> steps = {
        {"CopyFileA per .PMM and .PMI (the bare loop)", freshStepTarget,
         [&] { copyLoop(false, false); }},
        {"  and SetFileAttributesA(0) per copy", freshStepTarget, [&] { copyLoop(true, false); }},
        {"  and the new folder ID written into each .PMM copy", freshStepTarget,
         [&] { copyLoop(true, true); }},
        {"  and each made under a temporary name, then renamed", freshStepTarget,
         [&] { copyLoop(true, true, true); }},
        {"  and each flushed to the disk before the rename", freshStepTarget,
         [&] { copyLoop(true, true, true, true); }},
        {"RestoreFolders", freshStepTarget,
         [&] { RestoreFolders(records, archive, stepTarget, false); }},
    };
    bench::PrintPieces(steps, bench::TimeRoundRobin(repetitions, steps));
    deleteTarget(stepTarget);
    return 0;
}
