#pragma once
// Big-endian fields of command blocks, replies and parameter lists.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vrec {

inline uint16_t GetBE16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}
inline uint32_t GetBE24(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 16 | static_cast<uint32_t>(b[at + 1]) << 8 | b[at + 2];
}
inline uint32_t GetBE32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | GetBE24(b, at + 1);
}
inline void PutBE16(std::span<uint8_t> b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}
inline void PutBE24(std::span<uint8_t> b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v >> 16);
    PutBE16(b, at + 1, static_cast<uint16_t>(v));
}
inline void PutBE32(std::span<uint8_t> b, size_t at, uint32_t v) {
    PutBE16(b, at, static_cast<uint16_t>(v >> 16));
    PutBE16(b, at + 2, static_cast<uint16_t>(v));
}

// A reply under construction; fields are placed at offsets relative to
// its start, the vector growing as needed.
class Reply {
public:
    explicit Reply(size_t size = 0) : bytes_(size, 0) {}
    std::span<uint8_t> Bytes() { return bytes_; }
    const std::vector<uint8_t>& Vector() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }
    uint8_t& operator[](size_t at) { return Grow(at, 1)[at]; }
    void BE16(size_t at, uint16_t v) { PutBE16(Grow(at, 2), at, v); }
    void BE24(size_t at, uint32_t v) { PutBE24(Grow(at, 3), at, v); }
    void BE32(size_t at, uint32_t v) { PutBE32(Grow(at, 4), at, v); }
    void Append(std::span<const uint8_t> more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }

private:
    std::span<uint8_t> Grow(size_t at, size_t width) {
        if (bytes_.size() < at + width) bytes_.resize(at + width, 0);
        return bytes_;
    }
    std::vector<uint8_t> bytes_;
};

// CD addresses: LBA 0 is 00:02:00 (the 150-block pre-gap before it).
struct Msf {
    uint8_t m, s, f;
};
inline Msf LbaToMsf(int64_t lba) {
    int64_t a = lba + 150;
    if (a < 0) a += 450000;  // lead-in addresses wrap to 90 minutes and up
    return {static_cast<uint8_t>(a / 4500), static_cast<uint8_t>(a / 75 % 60), static_cast<uint8_t>(a % 75)};
}
inline uint32_t MsfField(int64_t lba) {
    Msf msf = LbaToMsf(lba);
    return static_cast<uint32_t>(msf.m) << 16 | static_cast<uint32_t>(msf.s) << 8 | msf.f;
}

}  // namespace vrec
