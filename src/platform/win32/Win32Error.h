#pragma once
// The calling thread's last Win32 error as an error_code. The errors that
// callers test for portably map to their generic condition.
#include <windows.h>

#include <system_error>

namespace platform {

inline std::error_code Win32Error(DWORD code = GetLastError()) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED: return std::make_error_code(std::errc::permission_denied);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return std::make_error_code(std::errc::device_or_resource_busy);
    case ERROR_INVALID_PARAMETER:
    case ERROR_NEGATIVE_SEEK: return std::make_error_code(std::errc::invalid_argument);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::make_error_code(std::errc::no_space_on_device);
    default: return std::error_code(static_cast<int>(code), std::system_category());
    }
}

}  // namespace platform
