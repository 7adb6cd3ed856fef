#pragma once
// Files by name: what a file is now (to tell that a source changed under
// a burn), and the steps of writing a file that appears whole or not at
// all (write everything, make it durable, rename it into place).
#include "platform/FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace platform {

struct FileFacts {
    int64_t size = 0;
    int64_t modTime = 0;  // seconds since 1970, UTC
    // Nanoseconds since 1970; 0 where the system keeps none (no change time on Windows).
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    // Together name the file; 0 where the system has none at hand.
    uint64_t device = 0;
    uint64_t inode = 0;
};

// The file's size, times and identity, following links; nullopt with
// the system's reason (no_such_file_or_directory when it is gone).
[[nodiscard]] std::optional<FileFacts> FileFactsOf(const std::string& path, std::error_code& error);

// Writing all of a file and making it durable: FileWriteAll and FileSync
// (FileHandle.h).
// Moves `from` to `to`, replacing a file already there.
[[nodiscard]] std::error_code FileRename(const std::string& from, const std::string& to);
[[nodiscard]] std::error_code FileRemove(const std::string& path);

}  // namespace platform
