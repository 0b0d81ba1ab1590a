// Writes an archive of small mail folders for the dialog benchmark:
//
//     make-bench-archive <directory> <folders>
//
// Each folder is FOLxxxxx.PMM of 512 bytes (the 128-byte header with a varied
// display name and a folder ID, one message, its 0x1A) and FOLxxxxx.PMI with one
// index record. A native program, because Wine makes every new file cost more the
// more files its directory already holds: 40,000 files written through Wine take
// minutes, here they take a second.
#include "BenchWords.h"
#include "FolderFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

namespace {

constexpr std::size_t kFolderFileBytes = 512;

using namespace bench_words;

class Names {
  public:
    // Display names as people give them: some repeated, most not, upper and
    // lower case mixed, at most 32 bytes.
    std::string Next() {
        const std::string topic = kTopics[Pick(CountOf(kTopics))];
        const std::string person = kPeople[Pick(CountOf(kPeople))];
        const std::string year = std::to_string(1994 + Pick(12));
        std::string name;
        switch (Pick(6)) {
        case 0:
            name = topic + " " + year;
            break;
        case 1:
            name = topic + " " + year + "/" + kMonths[Pick(12)];
            break;
        case 2:
            name = person + " - " + topic + " " + std::to_string(Pick(100));
            break;
        case 3:
            name = "Q" + std::to_string(1 + Pick(4)) + " " + year + " " + topic;
            break;
        case 4:
            name = "old " + topic + " " + std::to_string(Pick(1000));
            break;
        default:
            name = person + "'s " + topic + " " + year;
            break;
        }
        return name.substr(0, 32);
    }

    std::size_t Pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }

  private:
    std::mt19937 random_{20000};
};

// One message that makes the folder file exactly kFolderFileBytes long.
std::string MessageFilling(const std::string& subject) {
    const std::vector<std::string> lines = {"From: archive@example.org", "To: reader@example.org",
                                            "Subject: " + subject,
                                            "Date: Tue, 14 Mar 2006 09:12:44 +0100"};
    const std::size_t room = kFolderFileBytes - folder_files::kHeaderLength - 1;
    const std::size_t used = folder_files::MessageText(lines, "").size();
    std::string body;
    while (body.size() < room - used) {
        body += "Kept for the record. ";
    }
    body.resize(room - used);
    return folder_files::MessageText(lines, body);
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::atoi(argv[2]) <= 0 || std::atoi(argv[2]) > 0xFFFFF) {
        std::cerr << "usage: make-bench-archive <directory> <folders>\n";
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    const int folders = std::atoi(argv[2]);
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::cerr << "make-bench-archive: cannot create " << directory << ": " << error.message()
                  << "\n";
        return 1;
    }
    Names names;
    for (int i = 0; i < folders; ++i) {
        char stem[16] = {};
        std::snprintf(stem, sizeof stem, "FOL%05X", 0x100 + i);
        const std::string displayName = names.Next();
        char id[48] = {};
        std::snprintf(id, sizeof id, "632A9229:%04X:%s", static_cast<unsigned>(names.Pick(0x10000)),
                      stem);
        const std::vector<std::string> messages = {MessageFilling(displayName)};
        const std::string folderFile =
            folder_files::FolderFile(folder_files::FolderHeader(displayName, id), messages);
        const std::string indexFile =
            folder_files::IndexFile(messages, {{0, "T30527D1.CNM", "archive@example.org",
                                                displayName, "14 Mar 06 09:12", 0x442A8F1Cu}});
        if (folderFile.size() != kFolderFileBytes ||
            !WriteFile(directory / (std::string(stem) + ".PMM"), folderFile) ||
            !WriteFile(directory / (std::string(stem) + ".PMI"), indexFile)) {
            std::cerr << "make-bench-archive: cannot write " << stem << " in " << directory << "\n";
            return 1;
        }
    }
    return 0;
}
