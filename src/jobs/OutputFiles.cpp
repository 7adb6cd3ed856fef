#include "cli/OutputFiles.h"

#include "digest/RegularFile.h"
#include "cli/ExitCode.h"

#include <filesystem>

namespace kq::cli {

namespace {

namespace fs = std::filesystem;

// What stands at `path` instead of a regular file; empty when nothing
// does or a regular file does.
std::string WhatIsThere(const std::string& path) {
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(path, ec);
    if (fs::is_symlink(link) && !fs::exists(fs::status(path, ec)))
        return "it is a symbolic link to nothing, not a file";
    return NotARegularFile(path);
}

}  // namespace

int CheckOutputFiles(const std::string& job, const std::vector<std::string>& files, bool force, Console& console) {
    for (const std::string& file : files) {
        std::string why = WhatIsThere(file);
        if (why.empty() && &file == &files.front() && !force && fs::exists(file)) {
            console.Error(job + ": " + file + " exists; --force replaces it");
            return kExitUsage;
        }
        if (why == "it is a folder" && &file == &files.front()) {
            console.Error(job + ": " + file + " is a folder; name the image file to write");
            return kExitUsage;
        }
        if (!why.empty()) {
            console.Error(job + ": " + file + ": " + why + "; nothing was written");
            return kExitUsage;
        }
    }
    return kExitSuccess;
}

}  // namespace kq::cli
