#include "platform/FileClaim.h"

#include "platform/win32/Win32Error.h"

#include <windows.h>

namespace platform {

namespace {
// Past any disc image, so the lock never covers data that is read or written.
constexpr DWORD kClaimOffsetHigh = 0x7FFFFFFF;
}  // namespace

FileHandle ClaimFile(const std::string& path, std::error_code& error) {
    error.clear();
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = Win32Error();
        return {};
    }
    OVERLAPPED at{};
    at.Offset = 0;
    at.OffsetHigh = kClaimOffsetHigh;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        DWORD code = GetLastError();
        CloseHandle(handle);
        error = code == ERROR_LOCK_VIOLATION || code == ERROR_SHARING_VIOLATION
                    ? std::make_error_code(std::errc::device_or_resource_busy)
                    : Win32Error(code);
        return {};
    }
    return FileHandle(reinterpret_cast<FileDescriptor>(handle));
}

}  // namespace platform
