#include "BenchSupport.h"
#include "BenchWords.h"

#include "common/ControlIds.h"
#include "app/MainDialogHandle.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace bench {

double Seconds() {
    static const double ticksPerSecond = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerSecond;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

SideBySide RunSideBySide(int repetitions, const TimedRun& real, const TimedRun& bare) {
    real();
    bare();
    SideBySide times;
    for (int i = 0; i < repetitions; ++i) {
        if (i % 2 == 0) {
            times.real.push_back(real());
            times.bare.push_back(bare());
        } else {
            times.bare.push_back(bare());
            times.real.push_back(real());
        }
    }
    return times;
}

namespace {

void PrintSide(const char* label, const std::vector<double>& times) {
    const auto [fastest, slowest] = std::minmax_element(times.begin(), times.end());
    std::printf("  %-44s median %9.1f ms  (min %.1f, max %.1f)\n", label, Median(times) * 1000,
                *fastest * 1000, *slowest * 1000);
}

} // namespace

void PrintSideBySide(const char* realLabel, const char* bareLabel, const SideBySide& times,
                     double goal) {
    PrintSide(realLabel, times.real);
    PrintSide(bareLabel, times.bare);
    std::vector<double> pairedRatios;
    for (std::size_t i = 0; i < times.real.size() && i < times.bare.size(); ++i) {
        pairedRatios.push_back(times.real[i] / times.bare[i]);
    }
    const double ratio = Median(times.real) / Median(times.bare);
    const double minimumRatio = *std::min_element(times.real.begin(), times.real.end()) /
                                *std::min_element(times.bare.begin(), times.bare.end());
    std::printf("  ratio %.3f (goal <= %.2f: %s); paired runs %.3f, minimums %.3f\n", ratio, goal,
                ratio <= goal ? "met" : "MISSED", Median(pairedRatios), minimumRatio);
    std::fflush(stdout);
}

std::vector<double> TimeRoundRobin(int repetitions, const std::vector<Piece>& pieces) {
    std::vector<std::vector<double>> times(pieces.size());
    for (int round = 0; round <= repetitions; ++round) {
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            pieces[i].prepare();
            const double seconds = TimeOf(pieces[i].run);
            if (round > 0) {
                times[i].push_back(seconds);
            }
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& pieceTimes : times) {
        medians.push_back(Median(pieceTimes));
    }
    return medians;
}

void PrintPieces(const std::vector<Piece>& pieces, const std::vector<double>& medians) {
    std::printf("  pieces (medians):\n");
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::printf("    %-60s %9.1f ms\n", pieces[i].label, medians[i] * 1000);
    }
    std::fflush(stdout);
}

ScratchDirectory::ScratchDirectory(const std::string& label) {
    char temp[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    const std::string path = std::string(temp) + "tarnwick-bench-" + label + "-" +
                             std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount());
    if (CreateDirectoryA(path.c_str(), nullptr)) {
        path_ = path;
    }
}

ScratchDirectory::~ScratchDirectory() {
    if (!path_.empty() && !RemoveTree(path_)) {
        std::fprintf(stderr, "could not delete %s\n", path_.c_str());
    }
}

std::string ScratchDirectory::NewSubdirectory(const std::string& name) const {
    const std::string path = path_ + "\\" + name;
    return CreateDirectoryA(path.c_str(), nullptr) ? path : "";
}

bool RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    bool removed = true;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removed = RemoveTree(child) && removed;
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                removed = DeleteFileA(child.c_str()) && removed;
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return RemoveDirectoryA(path.c_str()) && removed;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    return CloseHandle(file) && ok;
}

bool MakeReadOnly(const std::string& path) {
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

bool ReadOnlyIsEnforced(const std::string& directory) {
    const std::string probe = directory + "\\read-only-probe";
    if (!WriteWholeFile(probe, "probe") || !MakeReadOnly(probe)) {
        return false;
    }
    const HANDLE file =
        CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool enforced = file == INVALID_HANDLE_VALUE;
    if (!enforced) {
        CloseHandle(file);
    }
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(probe.c_str());
    return enforced;
}

namespace {

using namespace bench_words;
const char* const kWords[] = {
    "the",    "meeting", "invoice", "attached", "please",   "thanks",  "regards", "next",
    "week",   "order",   "list",    "update",   "server",   "version", "we",      "will",
    "send",   "you",     "a",       "copy",     "of",       "report",  "and",     "draft",
    "agenda", "for",     "Monday",  "minutes",  "on",       "budget",  "review",  "mail",
    "folder", "news",    "about",   "price",    "delivery", "is",      "not",     "yet"};

void AppendFixed(std::string& record, const std::string& text, std::size_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, '\0');
    record += field;
}

void AppendLittleEndian(std::string& record, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        record += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

} // namespace

std::size_t FolderMaker::Pick(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
}

std::string FolderMaker::DisplayName() {
    const std::string topic = kTopics[Pick(CountOf(kTopics))];
    const std::string person = kPeople[Pick(CountOf(kPeople))];
    const std::string year = std::to_string(1994 + Pick(12));
    std::string name;
    switch (Pick(9)) {
    case 0:
        name = topic;
        break;
    case 1:
        name = topic + " " + year;
        break;
    case 2:
        name = topic + " " + year + "/" + kMonths[Pick(12)];
        break;
    case 3:
        name = person + " - " + topic;
        break;
    case 4:
        name = topic + " (" + person + ")";
        break;
    case 5:
        name = "Q" + std::to_string(1 + Pick(4)) + " " + year + " " + topic;
        break;
    case 6:
        name = topic;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        name += " " + std::to_string(Pick(1000));
        break;
    case 7:
        name = "Archive of " + person + "'s " + topic + " " + year;
        break;
    default:
        name = Pick(20) == 0 ? "Main Folder" : person + " " + year;
        break;
    }
    return name.substr(0, 32);
}

std::string FolderMaker::FolderId(const std::string& stem) {
    char id[64] = {};
    const unsigned hex = static_cast<unsigned>(Pick(0x10000));
    switch (Pick(10)) {
    case 0:
        std::snprintf(id, sizeof id, "%X:%04X:%s", static_cast<unsigned>(Pick(0x10000000)), hex,
                      stem.c_str());
        break;
    case 1:
        std::snprintf(id, sizeof id, "GTCNHPSY:%04X:UNX%05X", hex,
                      static_cast<unsigned>(Pick(0x100000)));
        break;
    default:
        std::snprintf(id, sizeof id, "632A9229:%04X:%s", hex, stem.c_str());
        break;
    }
    return id;
}

std::string FolderMaker::Message(std::size_t bodyBytes, std::string& from, std::string& subject,
                                 std::string& date) {
    from = std::string(kPeople[Pick(CountOf(kPeople))]) + " <" + kPeople[Pick(CountOf(kPeople))] +
           "@example.net>";
    subject =
        std::string("Re: ") + kTopics[Pick(CountOf(kTopics))] + " " + kWords[Pick(CountOf(kWords))];
    char when[64] = {};
    std::snprintf(when, sizeof when, "%u %s %u %02u:%02u:%02u +0100",
                  static_cast<unsigned>(1 + Pick(28)), kMonths[Pick(12)],
                  static_cast<unsigned>(1994 + Pick(12)), static_cast<unsigned>(Pick(24)),
                  static_cast<unsigned>(Pick(60)), static_cast<unsigned>(Pick(60)));
    date = when;

    std::string text;
    if (Pick(2)) {
        text += "Received: from mail.example.net by pop.example.net; " + date + "\r\n";
    }
    text += "From: " + from + "\r\nTo: archive@example.org\r\nSubject: " + subject +
            "\r\nDate: " + date + "\r\n\r\n";
    const std::size_t end = text.size() + bodyBytes;
    while (text.size() < end) {
        std::string line;
        while (line.size() < 60) {
            line += kWords[Pick(CountOf(kWords))];
            line += ' ';
        }
        line.back() = '\r';
        text += line + "\n";
    }
    return text;
}

FolderFiles FolderMaker::Make(const std::string& stem, std::size_t messageBytes) {
    FolderFiles folder;
    folder.displayName = DisplayName();
    folder.folderId = FolderId(stem);

    // Display name in bytes 0 to 49, byte 56 = 1, folder ID in 86 to 127.
    std::string& pmm = folder.messageFile;
    pmm.assign(128, '\0');
    std::memcpy(&pmm[0], folder.displayName.data(), folder.displayName.size());
    pmm[56] = 1;
    std::memcpy(&pmm[86], folder.folderId.data(), folder.folderId.size());

    std::uint32_t number = 0;
    do {
        std::string from, subject, date;
        const std::size_t body = std::min<std::size_t>(messageBytes, 300 + Pick(7000));
        const std::string text = Message(body, from, subject, date);
        const std::uint32_t offset = static_cast<std::uint32_t>(pmm.size());
        pmm += text;
        pmm += '\x1A';

        std::string record;
        AppendLittleEndian(record, 0, 4);
        AppendLittleEndian(record, offset, 4);
        AppendLittleEndian(record, ++number, 2);
        char original[16] = {};
        std::snprintf(original, sizeof original, "T%07X.CNM",
                      static_cast<unsigned>(Pick(1u << 28)));
        AppendFixed(record, original, 14);
        AppendFixed(record, from, 30);
        AppendFixed(record, subject, 36);
        AppendFixed(record, date, 20);
        AppendLittleEndian(record, static_cast<std::uint32_t>(Pick(1u << 30)), 4);
        AppendLittleEndian(record, static_cast<std::uint32_t>(text.size()), 4);
        folder.indexFile += record;
    } while (pmm.size() - 128 < messageBytes);
    return folder;
}

std::string FolderStem(unsigned number) {
    char stem[16] = {};
    std::snprintf(stem, sizeof stem, "FOL%05X", number);
    return stem;
}

namespace {

const char kHostClass[] = "TarnwickBenchHost";

bool RegisterHostClass() {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kHostClass;
        return RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

} // namespace

HiddenSourceList::HiddenSourceList(bool sorted) : previousMainDialog_(hMainDlg) {
    if (!RegisterHostClass()) {
        return;
    }
    // Never shown: WS_VISIBLE is left off the host, so the list paints nothing.
    host_ = CreateWindowExA(0, kHostClass, "bench", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!host_) {
        return;
    }
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY |
                                LBS_HASSTRINGS | (sorted ? LBS_SORT : 0),
                            10, 10, 200, 250, host_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SOURCE_LIST)),
                            GetModuleHandleA(nullptr), nullptr);
    hMainDlg = host_;
}

HiddenSourceList::~HiddenSourceList() {
    if (host_) {
        DestroyWindow(host_);
    }
    hMainDlg = previousMainDialog_;
}

int HiddenSourceList::Count() const {
    return static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
}

void HiddenSourceList::Reset() const {
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
}

} // namespace bench
