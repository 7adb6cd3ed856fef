#include "jobs/OutputFiles.h"

#include "digest/RegularFile.h"

#include <filesystem>

namespace kq::jobs {

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

bool CheckOutputFiles(const std::string& job, const std::vector<std::string>& files, bool force, JobLog& console) {
    for (const std::string& file : files) {
        std::string why = WhatIsThere(file);
        if (why.empty() && &file == &files.front() && !force && fs::exists(file)) {
            console.Error(job + ": " + file + " exists; --force replaces it");
            return false;
        }
        if (why == "it is a folder" && &file == &files.front()) {
            console.Error(job + ": " + file + " is a folder; name the image file to write");
            return false;
        }
        if (!why.empty()) {
            console.Error(job + ": " + file + ": " + why + "; nothing was written");
            return false;
        }
    }
    return true;
}

}  // namespace kq::jobs
