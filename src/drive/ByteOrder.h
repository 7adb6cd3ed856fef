#pragma once
// Big-endian fields of command blocks and drive replies, and a bounded view
// of a reply: every read says whether the bytes actually arrived.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kq {

inline void PutBE16(std::span<uint8_t> at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v >> 8);
    at[1] = static_cast<uint8_t>(v);
}
inline void PutBE24(std::span<uint8_t> at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v >> 16);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v);
}
inline void PutBE32(std::span<uint8_t> at, uint32_t v) {
    PutBE16(at, static_cast<uint16_t>(v >> 16));
    PutBE16(at.subspan(2), static_cast<uint16_t>(v));
}
inline uint16_t GetBE16(std::span<const uint8_t> at) {
    return static_cast<uint16_t>(at[0] << 8 | at[1]);
}
inline uint32_t GetBE32(std::span<const uint8_t> at) {
    return uint32_t{GetBE16(at)} << 16 | GetBE16(at.subspan(2));
}

class ReplyView {
public:
    ReplyView(std::span<const uint8_t> buffer, size_t received)
        : bytes_(buffer.first(std::min(received, buffer.size()))) {}

    size_t Size() const { return bytes_.size(); }
    bool Has(size_t at, size_t count) const { return at <= bytes_.size() && count <= bytes_.size() - at; }
    std::optional<uint8_t> Byte(size_t at) const {
        return Has(at, 1) ? std::optional<uint8_t>(bytes_[at]) : std::nullopt;
    }
    std::optional<uint16_t> BE16(size_t at) const {
        return Has(at, 2) ? std::optional<uint16_t>(GetBE16(bytes_.subspan(at))) : std::nullopt;
    }
    std::optional<uint32_t> BE32(size_t at) const {
        return Has(at, 4) ? std::optional<uint32_t>(GetBE32(bytes_.subspan(at))) : std::nullopt;
    }
    // The bytes [at, at + count) that arrived, possibly fewer.
    std::span<const uint8_t> Bytes(size_t at, size_t count) const {
        if (at >= bytes_.size()) return {};
        return bytes_.subspan(at, std::min(count, bytes_.size() - at));
    }

private:
    std::span<const uint8_t> bytes_;
};

}  // namespace kq
