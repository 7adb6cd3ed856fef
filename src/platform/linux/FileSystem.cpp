#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::error_code LastError() { return std::error_code(errno, std::system_category()); }

int64_t NanosecondsOf(const timespec& time) { return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec; }

}  // namespace

std::optional<FileFacts> FileFactsOf(const std::string& path, std::error_code& error) {
    error.clear();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        error = LastError();
        return std::nullopt;
    }
    return FileFacts{static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtime), NanosecondsOf(st.st_mtim),
                     NanosecondsOf(st.st_ctim), static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

std::error_code FileRename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code FileRemove(const std::string& path) {
    return unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

}  // namespace platform
