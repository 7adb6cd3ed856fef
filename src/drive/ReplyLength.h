#pragma once
// How much of a reply arrived. The transport reports no residual count,
// so each reply's own length field says it, capped by what was asked and
// by the buffer; reply buffers are zeroed before each command.
#include "drive/ByteOrder.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace kq {

// Replies whose first 16-bit word counts the bytes after it (disc
// information, TOC/PMA/ATIP, mode data, buffer capacity).
inline size_t Length16Reply(std::span<const uint8_t> reply, size_t asked) {
    if (reply.size() < 2 || asked < 2) return 0;
    return std::min<size_t>({size_t{GetBE16(reply)} + 2, asked, reply.size()});
}

// GET CONFIGURATION: a 32-bit length of the bytes after it.
inline size_t Length32Reply(std::span<const uint8_t> reply, size_t asked) {
    if (reply.size() < 4 || asked < 4) return 0;
    return static_cast<size_t>(
        std::min<uint64_t>({uint64_t{GetBE32(reply)} + 4, asked, reply.size()}));
}

// REQUEST SENSE: the additional sense length counts the bytes after byte 7.
inline size_t SenseReply(std::span<const uint8_t> reply, size_t asked) {
    if (reply.size() < 8 || asked < 8) return std::min(asked, reply.size());
    return std::min<size_t>({size_t{reply[7]} + 8, asked, reply.size()});
}

}  // namespace kq
