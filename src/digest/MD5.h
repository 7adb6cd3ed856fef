#pragma once
// MD5 (RFC 1321) of memory blocks and whole files, and the mapped-file
// reader the image check uses.
#include "platform/FileHandle.h"
#include "platform/MappedView.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kq {

using TMD5Digest = std::array<uint8_t, 16>;

struct TMD5Context {
    uint32_t State[4];   // A, B, C, D
    uint32_t Count[2];   // bytes fed so far: low, high
    uint8_t Buffer[64];  // a partial block waiting for more bytes
};

void MD5Init(TMD5Context& context);
// Feeds length bytes; any number of calls, so inputs beyond 4 GiB go in pieces.
void MD5Update(TMD5Context& context, const void* bytes, uint32_t length);
// The digest (A, B, C, D, each least significant byte first); the context
// is then overwritten with zeros.
TMD5Digest MD5Final(TMD5Context& context);

// Digest of one memory block of any size.
TMD5Digest MD5Buffer(const void* bytes, size_t length);
// Digest of a whole file, or 16 zero bytes when it cannot be opened or
// mapped, an empty file included.
TMD5Digest MD5File(const std::string& fileName);
// The same, asking `stop` between pieces of a few megabytes: nullopt when
// it said stop.
[[nodiscard]] std::optional<TMD5Digest> MD5FileUntil(const std::string& fileName, const std::function<bool()>& stop);
// 32 lower-case hex digits.
std::string MD5Print(const TMD5Digest& digest);

// A whole file mapped for reading, the file held open under a shared lock.
struct TMappedFile {
    platform::FileHandle File;
    std::optional<platform::MappedView> View;
    int64_t Size = 0;

    const uint8_t* Address() const { return View ? View->Data() : nullptr; }
};

// Maps the whole file read-only. False when it cannot be opened (Size 0)
// or mapped (empty, or larger than the address space); nothing stays open then.
[[nodiscard]] bool MapFile(TMappedFile& mapped, const std::string& fileName);
// Releases the view and the file; harmless when nothing is mapped.
void UnmapFile(TMappedFile& mapped);

// The file's bytes, one character per byte, zero bytes kept; empty when
// the file cannot be mapped.
std::string ReadTextFile(const std::string& fileName);

}  // namespace kq
