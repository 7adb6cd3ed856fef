#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::error_code LastError() { return std::error_code(errno, std::system_category()); }

}  // namespace

std::optional<FileFacts> FileFactsOf(const std::string& path, std::error_code& error) {
    error.clear();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        error = LastError();
        return std::nullopt;
    }
    return FileFacts{static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtime)};
}

std::error_code FileRename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code FileRemove(const std::string& path) {
    return unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

}  // namespace platform
