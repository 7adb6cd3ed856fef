#include "platform/FileSystem.h"

#include "platform/win32/WidePath.h"
#include "platform/win32/Win32Error.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace platform {

namespace {

// FILETIME counts 100 ns from 1601; the Unix epoch is 11644473600 s later.
int64_t UnixSeconds(const FILETIME& time) {
    const int64_t ticks = static_cast<int64_t>(uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
    return ticks / 10000000 - 11644473600LL;
}

}  // namespace

std::optional<FileFacts> FileFactsOf(const std::string& path, std::error_code& error) {
    error.clear();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
        error = Win32Error();
        return std::nullopt;
    }
    const int64_t size = static_cast<int64_t>(uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow);
    FileFacts facts{size, UnixSeconds(data.ftLastWriteTime)};
    const int64_t ticks = static_cast<int64_t>(uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 |
                                               data.ftLastWriteTime.dwLowDateTime);
    facts.modifiedNs = (ticks - 116444736000000000LL) * 100;
    return facts;
}

std::error_code FileRename(const std::string& from, const std::string& to) {
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? std::error_code()
               : Win32Error();
}

std::error_code FileRemove(const std::string& path) {
    return DeleteFileW(WidePath(path).c_str()) ? std::error_code() : Win32Error();
}

}  // namespace platform
