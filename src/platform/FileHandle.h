#pragma once
// Plain file services on descriptors: open, read, write, 64-bit seek and
// end-of-file, with an optional advisory lock taken at open.
//
// Sharing on Linux: the kernel cannot deny other programs read or write
// access the way a share mode does. What we can express is an advisory
// lock (flock) on the open file: an exclusive lock fails while anyone else
// holds a lock, a shared lock fails only against an exclusive one. Only
// programs that lock too (this one does) are kept out.
//
// On Windows the lock is the share mode of the open: exclusive denies every
// other open, shared denies only an exclusive one, as the locks do here.
#include "platform/OwnedHandle.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

namespace platform {

// A descriptor on Linux, a file HANDLE on Windows; -1 (INVALID_HANDLE_VALUE
// there) when no file is open, and never negative otherwise.
using FileDescriptor = std::intptr_t;

enum class FileAccess { Read, Write, ReadWrite };
enum class FileLock { None, Shared, Exclusive };
enum class SeekOrigin { Begin, Current, End };

// Opens an existing file, or with create makes it (emptying an existing
// one, but only after the lock is held). Returns the descriptor, or -1
// with error set: the system's reason, or device_or_resource_busy when the
// lock is held elsewhere.
[[nodiscard]] FileDescriptor FileOpen(const std::string& path, FileAccess access, bool create, FileLock lock,
                        std::error_code& error);
void FileClose(FileDescriptor fd);

// One read or write; the bytes moved, or -1 when the system refuses.
[[nodiscard]] int64_t FileRead(FileDescriptor fd, void* buffer, size_t count);
[[nodiscard]] int64_t FileWrite(FileDescriptor fd, const void* buffer, size_t count);

// Writes all of `bytes`; the system's reason when it refuses part of them
// (a full file system: no_space_on_device).
[[nodiscard]] std::error_code FileWriteAll(FileDescriptor fd, const void* bytes, size_t count);
// Sends what was written to the storage; the system's reason when it cannot.
[[nodiscard]] std::error_code FileSync(FileDescriptor fd);
// Asks the system to start sending length bytes at offset to the storage
// now, without waiting, so that a later FileSync has little left to do.
// Where the system has no such request it does nothing; FileSync alone
// decides that the bytes are on the storage.
[[nodiscard]] std::error_code FileStartWriteback(FileDescriptor fd, int64_t offset, int64_t length);

// The new position, or -1.
[[nodiscard]] int64_t FileSeek(FileDescriptor fd, int64_t offset, SeekOrigin origin);
// Sets the end of file at size; the system's reason when refused.
[[nodiscard]] std::error_code FileTruncate(FileDescriptor fd, int64_t size);
// Bytes in the file, or -1.
int64_t FileSize(FileDescriptor fd);
// The process's standard output, to write bytes (not text) to; not owned.
FileDescriptor StandardOutputFile();

// What is at a path, told without opening it: opening a FIFO for reading
// waits for a writer, and a device may answer anything.
enum class FileKind { Missing, Regular, Folder, Fifo, Socket, CharacterDevice, BlockDevice, Other };
FileKind FileKindAt(const std::string& path);

// Owns a descriptor; closes it when the holder goes.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(FileDescriptor fd) : fd_(fd) {}

    FileDescriptor Get() const { return fd_.Get(); }
    bool IsOpen() const { return fd_.Get() >= 0; }

private:
    OwnedHandle<FileDescriptor, -1, FileClose> fd_;
};

}  // namespace platform
