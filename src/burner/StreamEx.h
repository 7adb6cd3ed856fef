#pragma once
// Streams with 64-bit positions and sizes, for images and source files
// beyond 4 GB. Single reads and writes stay 32-bit.
#include "platform/FileHandle.h"

#include <cstdint>
#include <string>

namespace kq {

class TStreamEx {
public:
    virtual ~TStreamEx() = default;

    virtual void SetSize(int64_t NewSize) { (void)NewSize; }
    // The bytes moved; 0 on failure.
    virtual int32_t Read(void* Buffer, int32_t Count) = 0;
    virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
    // Origin 0 from the start, 1 from the current position, 2 from the
    // end. The new position, or -1.
    virtual int64_t Seek(int64_t Offset, uint16_t Origin) = 0;

    // The size; the position is left where it was.
    int64_t GetSize();
};

// A stream on a descriptor it does not own.
class THandleStreamEx : public TStreamEx {
public:
    explicit THandleStreamEx(platform::FileDescriptor AHandle) : Handle(AHandle) {}

    // Sets the end of file at NewSize and leaves the position there;
    // throws std::system_error with the system's reason when refused.
    void SetSize(int64_t NewSize) override;
    int32_t Read(void* Buffer, int32_t Count) override;
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, uint16_t Origin) override;

    platform::FileDescriptor Handle;  // negative when no file is open
};

// Mode 0xFFFF: create the file (emptying an existing one) for reading and writing.
inline constexpr uint16_t kStreamCreate = 0xFFFF;
// Otherwise bits 0-1 are the access, bits 4-7 the sharing.
inline constexpr uint16_t kOpenRead = 0x00;
inline constexpr uint16_t kOpenWrite = 0x01;
inline constexpr uint16_t kOpenReadWrite = 0x02;
inline constexpr uint16_t kShareCompat = 0x00;
inline constexpr uint16_t kShareExclusive = 0x10;
inline constexpr uint16_t kShareDenyWrite = 0x20;
inline constexpr uint16_t kShareDenyRead = 0x30;
inline constexpr uint16_t kShareDenyNone = 0x40;

// A stream on a file it opens by name and closes when it goes.
//
// Sharing is advisory here (see platform/FileHandle.h): create and the
// exclusive modes (0x00, 0x10) take an exclusive lock, the shared ones
// (0x20, 0x30, 0x40) a shared lock. So our own streams keep an exclusive
// file to themselves, while other programs are never kept out, and what
// 0x20 and 0x30 would deny (writing, reading) cannot be told apart: they
// behave as 0x40.
class TFileStreamEx : public THandleStreamEx {
public:
    // Throws std::system_error when the file cannot be opened or created,
    // is locked by another stream, or Mode is not one of the above.
    TFileStreamEx(const std::string& FileName, uint16_t Mode);
    ~TFileStreamEx() override;
    TFileStreamEx(const TFileStreamEx&) = delete;
    TFileStreamEx& operator=(const TFileStreamEx&) = delete;
};

}  // namespace kq
