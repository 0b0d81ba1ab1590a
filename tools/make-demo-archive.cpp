// Writes a small demo archive of mail folders into a directory, so that a new
// user can try a restore at once:  make-demo-archive <directory>
#include "DemoArchive.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-demo-archive <directory>\n";
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::cerr << "make-demo-archive: cannot create " << directory << ": " << error.message()
                  << "\n";
        return 1;
    }
    for (const DemoFile& file : BuildDemoArchive()) {
        const std::filesystem::path path = directory / file.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
        out.close();
        if (!out) {
            std::cerr << "make-demo-archive: cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
