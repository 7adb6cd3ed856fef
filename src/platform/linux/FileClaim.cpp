#include "platform/FileClaim.h"

namespace platform {

FileHandle ClaimFile(const std::string& path, std::error_code& error) {
    return FileHandle(FileOpen(path, FileAccess::Read, false, FileLock::Exclusive, error));
}

}  // namespace platform
