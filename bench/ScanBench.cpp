// The source scan of a generated archive of 5,000 folder files into a real
// sorted list box, against a bare loop that only lists the directory and reads
// each file's 128-byte header: same run, same directory, same warm cache.
// Usage: bench_scan.exe [repetitions]
#include <windows.h>

#include "BenchSupport.h"
#include "common/Path.h"
#include "lists/FolderRecord.h"
#include "lists/ListBox.h"
#include "lists/SourceScan.h"
#include "restore/FolderHeaderFile.h"
#include "win32/FileSystem.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr unsigned kFolders = 5000;
constexpr double kGoal = 1.5;

bool MakeArchive(const std::string& directory) {
    bench::FolderMaker maker(5000);
    for (unsigned i = 0; i < kFolders; ++i) {
        const std::string stem = bench::FolderStem(0x2E8 + i);
        // Small folders: the scan reads headers only, the size of the rest is
        // beside the point. The extension's letter case varies as in real archives.
        const bench::FolderFiles folder = maker.Make(stem, 200 + (i * 7919) % 3000);
        const char* const extension = i % 10 == 3 ? ".pmm" : ".PMM";
        if (!bench::WriteWholeFile(JoinPath(directory, stem + extension), folder.messageFile) ||
            !bench::WriteWholeFile(JoinPath(directory, stem + ".PMI"), folder.indexFile)) {
            return false;
        }
    }
    return true;
}

bool MakeArchiveReadOnly(const std::string& directory) {
    std::vector<win32::DirectoryEntry> entries;
    win32::ListPlainFiles(JoinPath(directory, "*"), entries);
    for (const win32::DirectoryEntry& entry : entries) {
        if (!bench::MakeReadOnly(JoinPath(directory, entry.name))) {
            return false;
        }
    }
    return true;
}

// The least any scan has to do: list the folder files and read each header.
unsigned BareScan(const std::string& directory) {
    unsigned headers = 0;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA(JoinPath(directory, "*.PMM").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        const HANDLE file =
            CreateFileA(JoinPath(directory, entry.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char header[kHeaderLength];
            DWORD bytesRead = 0;
            if (ReadFile(file, header, sizeof header, &bytesRead, nullptr) &&
                bytesRead == sizeof header) {
                ++headers;
            }
            CloseHandle(file);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return headers;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bench_scan: %s\n", what);
    std::exit(1);
}

void CompareWithBareLoop(const std::string& directory, const bench::HiddenSourceList& list,
                         int repetitions) {
    const bench::TimedRun realScan = [&] {
        list.Reset();
        const double seconds = bench::TimeOf([&] { ScanSourceFolders(directory); });
        if (UpperBound(folderRecords) != static_cast<int>(kFolders) ||
            list.Count() != static_cast<int>(kFolders)) {
            Fail("the scan did not list every folder");
        }
        return seconds;
    };
    const bench::TimedRun bareLoop = [&] {
        unsigned headers = 0;
        const double seconds = bench::TimeOf([&] { headers = BareScan(directory); });
        if (headers != kFolders) {
            Fail("the bare loop did not read every header");
        }
        return seconds;
    };
    bench::PrintSideBySide("real scan (ScanSourceFolders, sorted list box)",
                           "bare loop (list *.PMM, read 128-byte headers)",
                           bench::RunSideBySide(repetitions, realScan, bareLoop), kGoal);
}

bool IsReadOnly(const win32::DirectoryEntry& entry) {
    return (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Header reads of every listed file with the opens of the folder header code
// (read-write first, read-only at once where the listing says read-only) or
// with the bare loop's open, and with one 128-byte read or the two field reads.
void ReadHeaders(const std::string& directory, const std::vector<win32::DirectoryEntry>& entries,
                 bool bareOpen, bool oneRead) {
    for (const win32::DirectoryEntry& entry : entries) {
        const std::string path = JoinPath(directory, entry.name);
        HANDLE file = INVALID_HANDLE_VALUE;
        if (!bareOpen && !IsReadOnly(entry)) {
            file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (file == INVALID_HANDLE_VALUE) {
            file = CreateFileA(path.c_str(), GENERIC_READ, bareOpen ? FILE_SHARE_READ : 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        char header[kHeaderLength];
        DWORD bytesRead = 0;
        if (oneRead) {
            ReadFile(file, header, kHeaderLength, &bytesRead, nullptr);
        } else {
            SetFilePointer(file, kDisplayNameOffset, nullptr, FILE_BEGIN);
            ReadFile(file, header, kDisplayNameLength, &bytesRead, nullptr);
            SetFilePointer(file, kFolderIdOffset, nullptr, FILE_BEGIN);
            ReadFile(file, header, kFolderIdLength, &bytesRead, nullptr);
        }
        CloseHandle(file);
    }
}

// The scan taken apart, each piece timed on its own next to the variants that
// show what it costs beyond the bare loop, and what the scan's choices save.
void ProfileScanPieces(const std::string& directory, const bench::HiddenSourceList& sortedList,
                       int repetitions) {
    const bench::HiddenSourceList unsortedList(false);
    const std::string pattern = JoinPath(directory, "*.PMM");
    std::vector<win32::DirectoryEntry> entries;
    std::vector<FolderRecord> listed;
    std::vector<FolderRecord> sorted;
    const auto nothing = [] {};
    const auto addAll = [&](HWND list, bool redrawOff) {
        if (redrawOff) {
            SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        }
        for (std::size_t i = 1; i < sorted.size(); ++i) {
            ListAddString(list, sorted[i].displayName);
        }
        if (redrawOff) {
            SendMessageA(list, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list, nullptr, TRUE);
        }
    };
    const auto readAll = [&](bool useListedAttributes) {
        for (const win32::DirectoryEntry& entry : entries) {
            FolderHeaderTexts header = ReadFolderHeader(JoinPath(directory, entry.name),
                                                        useListedAttributes && IsReadOnly(entry));
            listed.push_back({header.displayName, entry.name, header.folderId, 0, {}});
        }
    };

    const std::vector<bench::Piece> pieces = {
        {"listing (ListPlainFiles)", [&] { entries.clear(); },
         [&] { win32::ListPlainFiles(pattern, entries); }},
        {"header reads (ReadFolderHeader, as the scan calls it)",
         [&] { listed.assign(1, FolderRecord{}); }, [&] { readAll(true); }},
        {"  read-write open tried first on every file", [&] { listed.assign(1, FolderRecord{}); },
         [&] { readAll(false); }},
        {"  the scan's opens, one 128-byte read", nothing,
         [&] { ReadHeaders(directory, entries, false, true); }},
        {"  the bare loop's reads (shared read-only open, one read)", nothing,
         [&] { ReadHeaders(directory, entries, true, true); }},
        {"sort (SortFolderRecords)", [&] { sorted = listed; }, [&] { SortFolderRecords(sorted); }},
        {"LB_ADDSTRING per name, as the scan (redraw off)", [&] { sortedList.Reset(); },
         [&] { addAll(sortedList.List(), true); }},
        {"  the same with redraw on", [&] { sortedList.Reset(); },
         [&] { addAll(sortedList.List(), false); }},
        {"  the same into an unsorted list box (redraw off)", [&] { unsortedList.Reset(); },
         [&] { addAll(unsortedList.List(), true); }},
    };
    bench::PrintPieces(pieces, bench::TimeRoundRobin(repetitions, pieces));
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;

    const bench::ScratchDirectory scratch("scan");
    const std::string archive = scratch.Ok() ? scratch.NewSubdirectory("archive") : "";
    if (archive.empty()) {
        Fail("no scratch directory");
    }
    if (!MakeArchive(archive)) {
        Fail("could not write the archive");
    }
    const bench::HiddenSourceList list;
    if (!list.Ok()) {
        Fail("could not create the hidden list box");
    }

    std::printf("Scan of %u folder files (%u .PMM and %u .PMI in %s), %d repetitions:\n", kFolders,
                kFolders, kFolders, archive.c_str(), repetitions);
    std::printf("read-write archive\n");
    CompareWithBareLoop(archive, list, repetitions);
    ProfileScanPieces(archive, list, repetitions);

    if (!bench::ReadOnlyIsEnforced(archive)) {
        std::printf("read-only archive (as from a CD): skipped, read-only files can be opened "
                    "for writing here (Wine run as root)\n");
    } else {
        if (!MakeArchiveReadOnly(archive)) {
            Fail("could not make the archive read-only");
        }
        std::printf("read-only archive (as from a CD)\n");
        CompareWithBareLoop(archive, list, repetitions);
        ProfileScanPieces(archive, list, repetitions);
    }
    return 0;
}
