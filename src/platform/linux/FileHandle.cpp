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
    // Without waiting, should a FIFO have taken a file's place since its
    // kind was asked; a regular file reads the same either way.
    case FileAccess::Read: return O_RDONLY | O_NONBLOCK;
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

// True also when the size cannot be asked: then the truncation decides.
bool NonEmpty(int fd) {
    struct stat st {};
    return fstat(fd, &st) != 0 || st.st_size > 0;
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
    // Emptied only now, so a file locked by someone else is left intact;
    // and only when it holds something: ext4 takes a truncation to zero as
    // a file being replaced in place, and writes all of it out at close.
    if (create && NonEmpty(fd) && ftruncate(fd, 0) != 0) {
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

std::error_code FileWriteAll(FileDescriptor fd, const void* bytes, size_t count) {
    const char* at = static_cast<const char*>(bytes);
    while (count > 0) {
        const int64_t n = FileWrite(fd, at, count);
        if (n < 0) return std::error_code(errno, std::system_category());
        // No progress and no error: the device took nothing, as a full one does.
        if (n == 0) return std::make_error_code(std::errc::no_space_on_device);
        at += n;
        count -= static_cast<size_t>(n);
    }
    return {};
}

// The data and what reading it back needs (its size); the times stay
// behind, which spares a journal commit per file.
std::error_code FileSync(FileDescriptor fd) {
    int rc;
    do {
        rc = fdatasync(Fd(fd));
    } while (rc < 0 && errno == EINTR);
    return rc == 0 ? std::error_code() : std::error_code(errno, std::system_category());
}

std::error_code FileStartWriteback(FileDescriptor fd, int64_t offset, int64_t length) {
    int rc;
    do {
        rc = sync_file_range(Fd(fd), static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
    } while (rc < 0 && errno == EINTR);
    // A file system or file that cannot take the request still syncs whole.
    if (rc < 0 && (errno == EINVAL || errno == ESPIPE || errno == ENOSYS)) return {};
    return rc == 0 ? std::error_code() : std::error_code(errno, std::system_category());
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

FileKind FileKindAt(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return FileKind::Missing;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Folder;
    if (S_ISFIFO(st.st_mode)) return FileKind::Fifo;
    if (S_ISSOCK(st.st_mode)) return FileKind::Socket;
    if (S_ISCHR(st.st_mode)) return FileKind::CharacterDevice;
    if (S_ISBLK(st.st_mode)) return FileKind::BlockDevice;
    return FileKind::Other;
}

FileDescriptor StandardOutputFile() { return STDOUT_FILENO; }

int64_t FileSize(FileDescriptor fd) {
    struct stat st;
    if (fstat(Fd(fd), &st) != 0) return -1;
    return st.st_size;
}

}  // namespace platform
