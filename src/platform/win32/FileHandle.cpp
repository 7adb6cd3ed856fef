#include "platform/FileHandle.h"

#include "platform/win32/WidePath.h"
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
    HANDLE handle = CreateFileW(WidePath(path).c_str(), DesiredAccess(access), ShareMode(lock), nullptr,
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

std::error_code FileWriteAll(FileDescriptor fd, const void* bytes, size_t count) {
    const char* at = static_cast<const char*>(bytes);
    while (count > 0) {
        const int64_t n = FileWrite(fd, at, count);
        if (n < 0) return Win32Error();
        // No progress and no error: the device took nothing, as a full one does.
        if (n == 0) return std::make_error_code(std::errc::no_space_on_device);
        at += n;
        count -= static_cast<size_t>(n);
    }
    return {};
}

std::error_code FileSync(FileDescriptor fd) {
    return FlushFileBuffers(AsHandle(fd)) ? std::error_code() : Win32Error();
}

// Windows writes back on its own schedule; FlushFileBuffers does the rest.
std::error_code FileStartWriteback(FileDescriptor, int64_t, int64_t) { return {}; }

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

// Pipes and devices are reached through the \\.\ namespace here; a name
// found in the file system is a file or a folder.
FileKind FileKindAt(const std::string& path) {
    if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("\\\\?\\pipe", 0) == 0) return FileKind::CharacterDevice;
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return FileKind::CharacterDevice;
    return FileKind::Regular;
}

FileDescriptor StandardOutputFile() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out == nullptr || out == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<FileDescriptor>(out);
}

int64_t FileSize(FileDescriptor fd) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(fd), &size)) return -1;
    return size.QuadPart;
}

}  // namespace platform
