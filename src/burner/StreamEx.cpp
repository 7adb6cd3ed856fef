#include "burner/StreamEx.h"

#include <system_error>

namespace kq {

int64_t TStreamEx::GetSize() {
    int64_t position = Seek(0, 1);
    int64_t size = Seek(0, 2);
    Seek(position, 0);
    return size;
}

void THandleStreamEx::SetSize(int64_t NewSize) {
    if (Seek(NewSize, 0) < 0)
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), "cannot set the file size");
    if (std::error_code error = platform::FileTruncate(Handle, NewSize))
        throw std::system_error(error, "cannot set the file size");
}

int32_t THandleStreamEx::Read(void* Buffer, int32_t Count) {
    if (Count <= 0) return 0;
    int64_t n = platform::FileRead(Handle, Buffer, static_cast<size_t>(Count));
    return n > 0 ? static_cast<int32_t>(n) : 0;
}

int32_t THandleStreamEx::Write(const void* Buffer, int32_t Count) {
    if (Count <= 0) return 0;
    int64_t n = platform::FileWrite(Handle, Buffer, static_cast<size_t>(Count));
    return n > 0 ? static_cast<int32_t>(n) : 0;
}

int64_t THandleStreamEx::Seek(int64_t Offset, uint16_t Origin) {
    if (Origin > 2) return -1;
    static constexpr platform::SeekOrigin kOrigins[] = {
        platform::SeekOrigin::Begin, platform::SeekOrigin::Current, platform::SeekOrigin::End};
    return platform::FileSeek(Handle, Offset, kOrigins[Origin]);
}

namespace {

platform::FileDescriptor OpenByMode(const std::string& name, uint16_t mode) {
    using platform::FileAccess;
    using platform::FileLock;
    std::error_code error;
    platform::FileDescriptor fd = -1;
    if (mode == kStreamCreate) {
        fd = platform::FileOpen(name, FileAccess::ReadWrite, true, FileLock::Exclusive, error);
    } else {
        static constexpr FileAccess kAccess[] = {FileAccess::Read, FileAccess::Write, FileAccess::ReadWrite};
        uint16_t access = mode & 0x03, share = mode & 0xF0;
        if (access > 2 || share > kShareDenyNone || (mode & ~0xF3) != 0) {
            error = std::make_error_code(std::errc::invalid_argument);
        } else {
            FileLock lock = share <= kShareExclusive ? FileLock::Exclusive : FileLock::Shared;
            fd = platform::FileOpen(name, kAccess[access], false, lock, error);
        }
    }
    if (fd < 0) throw std::system_error(error, "cannot open " + name);
    return fd;
}

}  // namespace

TFileStreamEx::TFileStreamEx(const std::string& FileName, uint16_t Mode)
    : THandleStreamEx(OpenByMode(FileName, Mode)) {}

TFileStreamEx::~TFileStreamEx() {
    if (Handle >= 0) platform::FileClose(Handle);
}

}  // namespace kq
