#include "platform/FileHandle.h"

#include "platform/win32/Win32Error.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace platform {

namespace {

HANDLE AsHandle(FileDescriptor fd) { return reinterpret_cast<HANDLE>(fd); }

DWORD DesiredAccess(FileAccess access) {
    switch (access) {
    case FileAccess::Read: return GENERIC_READ;
    case FileAccess::Write: return GENERIC_WRITE;
    case FileAccess::ReadWrite: return GENERIC_READ | GENERIC_WRITE;
    }
    return GENERIC_READ;
}

DWORD ShareMode(FileLock lock) {
    switch (lock) {
    case FileLock::Exclusive: return 0;
    case FileLock::Shared: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case FileLock::None: break;
    }
    return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
}

}  // namespace

FileDescriptor FileOpen(const std::string& path, FileAccess access, bool create, FileLock lock,
                        std::error_code& error) {
    error.clear();
    // CREATE_ALWAYS empties the file only once the share check has passed,
    // so a file held by someone else is left intact.
    HANDLE handle = CreateFileA(path.c_str(), DesiredAccess(access), ShareMode(lock), nullptr,
                                create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = Win32Error();
        return -1;
    }
    return reinterpret_cast<FileDescriptor>(handle);
}

void FileClose(FileDescriptor fd) {
    if (fd >= 0) CloseHandle(AsHandle(fd));
}

int64_t FileRead(FileDescriptor fd, void* buffer, size_t count) {
    DWORD n = 0;
    DWORD wanted = static_cast<DWORD>(std::min<size_t>(count, std::numeric_limits<DWORD>::max()));
    if (!ReadFile(AsHandle(fd), buffer, wanted, &n, nullptr)) return -1;
    return n;
}

int64_t FileWrite(FileDescriptor fd, const void* buffer, size_t count) {
    DWORD n = 0;
    DWORD wanted = static_cast<DWORD>(std::min<size_t>(count, std::numeric_limits<DWORD>::max()));
    if (!WriteFile(AsHandle(fd), buffer, wanted, &n, nullptr)) return -1;
    return n;
}

std::error_code FileWriteAll(FileDescriptor fd, const void* buffer, size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (count > 0) {
        DWORD n = 0;
        DWORD wanted = static_cast<DWORD>(std::min<size_t>(count, std::numeric_limits<DWORD>::max()));
        if (!WriteFile(AsHandle(fd), bytes, wanted, &n, nullptr)) return Win32Error();
        if (n == 0) return std::make_error_code(std::errc::no_space_on_device);
        bytes += n;
        count -= n;
    }
    return {};
}

int64_t FileSeek(FileDescriptor fd, int64_t offset, SeekOrigin origin) {
    DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                   : origin == SeekOrigin::Current ? FILE_CURRENT
                                                   : FILE_END;
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(AsHandle(fd), distance, &position, method)) return -1;
    return position.QuadPart;
}

std::error_code FileTruncate(FileDescriptor fd, int64_t size) {
    if (size < 0) return std::make_error_code(std::errc::invalid_argument);
    // Sets the end without moving the file pointer, as ftruncate does.
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = size;
    if (!SetFileInformationByHandle(AsHandle(fd), FileEndOfFileInfo, &end, sizeof end)) return Win32Error();
    return {};
}

int64_t FileSize(FileDescriptor fd) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(fd), &size)) return -1;
    return size.QuadPart;
}

}  // namespace platform
