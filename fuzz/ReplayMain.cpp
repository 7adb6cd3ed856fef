// Replays seed corpora through a fuzz target without libFuzzer: every file
// named, and every file of every folder named, once each. Fails when an
// argument cannot be read or when nothing was replayed, so an emptied
// corpus does not pass unnoticed.
#include "FuzzTarget.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool Replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << file << "\n";
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

std::vector<fs::path> FilesOf(const fs::path& argument) {
    if (!fs::is_directory(argument)) return {argument};
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(argument))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());  // the same order on every run
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& file : FilesOf(argv[i])) {
            if (!Replay(file)) return 1;
            ++replayed;
        }
    }
    std::cout << replayed << " inputs replayed\n";
    return replayed > 0 ? 0 : 1;
}
