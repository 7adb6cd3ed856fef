#include "platform/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>


namespace platform {

namespace {

// Handles are descriptors here.
int Fd(FileDescriptor fd) { return static_cast<int>(fd); }

int OpenFlags(FileAccess access) {
    switch (access) {
    case FileAccess::Read: return O_RDONLY;
    case FileAccess::Write: return O_WRONLY;
    case FileAccess::ReadWrite: return O_RDWR;
    }
    return O_RDONLY;
}

// False only when another holder's lock conflicts; a file system without
// flock support is not a reason to refuse the file.
bool TakeLock(FileDescriptor fd, FileLock lock) {
    if (lock == FileLock::None) return true;
    int how = (lock == FileLock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    int rc;
    do {
        rc = flock(Fd(fd), how);
    } while (rc < 0 && errno == EINTR);
    return rc == 0 || errno != EWOULDBLOCK;
}

}  // namespace

FileDescriptor FileOpen(const std::string& path, FileAccess access, bool create, FileLock lock,
                        std::error_code& error) {
    error.clear();
    int flags = OpenFlags(access) | O_CLOEXEC | (create ? O_CREAT : 0);
    int fd;
    do {
        fd = open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = std::error_code(errno, std::system_category());
        return -1;
    }
    if (!TakeLock(fd, lock)) {
        close(fd);
        error = std::make_error_code(std::errc::device_or_resource_busy);
        return -1;
    }
    // Emptied only now, so a file locked by someone else is left intact.
    if (create && ftruncate(fd, 0) != 0) {
        error = std::error_code(errno, std::system_category());
        close(fd);
        return -1;
    }
    return fd;
}

void FileClose(FileDescriptor fd) {
    if (fd >= 0) close(Fd(fd));
}

int64_t FileRead(FileDescriptor fd, void* buffer, size_t count) {
    ssize_t n;
    do {
        n = read(Fd(fd), buffer, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

int64_t FileWrite(FileDescriptor fd, const void* buffer, size_t count) {
    ssize_t n;
    do {
        n = write(Fd(fd), buffer, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

std::error_code FileWriteAll(FileDescriptor fd, const void* buffer, size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (count > 0) {
        const int64_t n = FileWrite(fd, bytes, count);
        if (n < 0) return std::error_code(errno, std::system_category());
        // A write that moves nothing will not move more when asked again.
        if (n == 0) return std::make_error_code(std::errc::no_space_on_device);
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return {};
}

int64_t FileSeek(FileDescriptor fd, int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    static_assert(sizeof(off_t) == 8, "64-bit file offsets are required");
    return lseek(Fd(fd), static_cast<off_t>(offset), whence);
}

std::error_code FileTruncate(FileDescriptor fd, int64_t size) {
    int rc;
    do {
        rc = ftruncate(Fd(fd), static_cast<off_t>(size));
    } while (rc < 0 && errno == EINTR);
    return rc == 0 ? std::error_code() : std::error_code(errno, std::system_category());
}

int64_t FileSize(FileDescriptor fd) {
    struct stat st;
    if (fstat(Fd(fd), &st) != 0) return -1;
    return st.st_size;
}

}  // namespace platform
