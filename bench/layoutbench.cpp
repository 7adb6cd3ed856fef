// layoutbench prepare DIR [FOLDERS]: 20,000 folders (or FOLDERS) of 15
// empty files each in DIR (300,000 files), in groups of 100 at the top.
// layoutbench build DIR: adds DIR to a burner's image tree and builds the
// file system's header, printing the seconds of each step and the header's
// size; bench/layout.sh measures its peak memory around it.
#include "burner/kqCDBC.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kFolders = 20000;
constexpr int kFilesPerFolder = 15;
constexpr int kFoldersPerGroup = 100;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Prepare(const std::filesystem::path& dir, int folders) {
    for (int d = 0; d < folders; ++d) {
        const auto folder = dir / ("group " + std::to_string(d / kFoldersPerGroup)) / ("folder " + std::to_string(d));
        std::filesystem::create_directories(folder);
        for (int f = 0; f < kFilesPerFolder; ++f)
            std::ofstream(folder / ("empty file number " + std::to_string(f) + ".txt"));
    }
    return 0;
}

int Build(const std::string& dir) {
    kq::TQCDBurner burner;
    (void)burner.ImageTree().ResetTree(kFolders * kFilesPerFolder, kFolders + kFolders / kFoldersPerGroup + 1);
    auto start = std::chrono::steady_clock::now();
    kq::TAddReport report;
    if (!burner.AddFolder("", dir, report)) {
        std::fprintf(stderr, "layoutbench: %s\n", report.Error.c_str());
        return 1;
    }
    const double added = Seconds(start);
    start = std::chrono::steady_clock::now();
    std::string error;
    const int64_t sectors = burner.BuildImageLayout(error);
    const double built = Seconds(start);
    if (sectors < 0) {
        std::fprintf(stderr, "layoutbench: %s\n", error.c_str());
        return 1;
    }
    std::printf("%d %.3f %.3f %lld\n", burner.ImageTree().FileCount(), added, built,
                static_cast<long long>(burner.HeaderStream().Size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "prepare") return Prepare(argv[2], kFolders);
    if (argc == 4 && std::string(argv[1]) == "prepare") return Prepare(argv[2], std::stoi(argv[3]));
    if (argc == 3 && std::string(argv[1]) == "build") return Build(argv[2]);
    std::fprintf(stderr, "usage: layoutbench prepare|build DIR\n");
    return 2;
}
