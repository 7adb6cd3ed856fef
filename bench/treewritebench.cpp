// The image-file path of a tree burn, timed: every regular file below
// FOLDER laid one after the other behind a header of 64 sectors, written
// into OUTPUT by the burner component as a tree burn with ISOFileName set.
// What it leaves out is the file system's own structures; what it times
// is the rest of --write-image: the reader, the writer and the digest.
// usage: treewritebench FOLDER OUTPUT   (prints the wall time in seconds)
#include "burner/kqCDBC.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

constexpr int64_t kHeaderSectors = 64;

// The folder's files in the order a layout would send them.
std::vector<std::filesystem::path> FilesBelow(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool LayTree(kq::TQCDBurner& burner, const std::vector<std::filesystem::path>& files) {
    burner.ImageTree().ResetTree(static_cast<int>(files.size()), 1);
    const std::vector<uint8_t> header(kHeaderSectors * kq::kSectorSize);
    burner.HeaderStream().Write(header.data(), static_cast<int32_t>(header.size()));
    int64_t next = kHeaderSectors;
    for (const auto& path : files) {
        std::error_code why;
        const auto facts = platform::FileFactsOf(path.string(), why);
        kq::TFEntry* entry = burner.ImageTree().NewFile();
        if (!facts || !entry) return false;
        entry->SourcePath = path.string();
        entry->Size = facts->size;
        entry->ModTime = facts->modTime;
        entry->Attributes = facts->size == 0 ? kq::kAttrNoData : 0;
        entry->Extent = static_cast<uint32_t>(next);
        next += kq::SectorsOf(facts->size);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: treewritebench FOLDER OUTPUT\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    kq::TQCDBurner burner;
    std::string result;
    burner.OnWriteDone = [&result](kq::TQCDBurner&, const std::string& error) { result = error; };
    if (!LayTree(burner, FilesBelow(argv[1]))) {
        std::fprintf(stderr, "cannot read the folder %s\n", argv[1]);
        return 1;
    }
    burner.SetISOFileName(argv[2]);
    if (burner.BurnISOImage("")) {
        while (burner.Burning()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!result.empty()) {
        std::fprintf(stderr, "%s\n", result.c_str());
        return 1;
    }
    std::printf("%.2f\n", took.count());
    return 0;
}
