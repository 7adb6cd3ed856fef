// How much room the disc has left for an image.
#include "drive/ReplyLength.h"
#include "drive/TSCSIDevice.h"

#include <array>

namespace kq {

namespace {

constexpr int kTimeoutMs = 10000;
constexpr uint32_t kInvisibleTrack = 0xFF;

// An MSF field of the disc information (byte 0 reserved) as a block address.
int64_t MsfToLba(uint32_t field) {
    const int64_t m = (field >> 16) & 0xFF, s = (field >> 8) & 0xFF, f = field & 0xFF;
    return (m * 60 + s) * 75 + f - 150;
}

// An MSF address as the ATIP and the disc information give it on CD, or
// nullopt when it lies before the program area.
std::optional<int64_t> LeadOutLba(uint32_t msf) {
    const int64_t lba = MsfToLba(msf);
    return lba > 0 ? std::optional(lba) : std::nullopt;
}

}  // namespace

bool TSCSIDevice::ReadCapacity(uint32_t& lastLba) {
    const std::array<uint8_t, 10> cdb{0x25};
    alignas(4) std::array<uint8_t, 8> reply{};
    if (!RunCommand(cdb, DataIn(reply), kTimeoutMs)) return false;
    lastLba = GetBE32(reply);
    return true;
}

std::optional<int64_t> TSCSIDevice::FreeSectors(uint16_t mediaType) {
    auto lock = LockCommands();
    if (RecordingOf(mediaType) == MediaRecording::Overwritable) {
        uint32_t last = 0;
        if (!ReadCapacity(last) || last == 0 || last == 0xFFFFFFFFu) return std::nullopt;
        return int64_t{last} + 1;
    }
    alignas(4) std::array<uint8_t, 36> track{};
    if (ReadTrackInformation(1, kInvisibleTrack, track, static_cast<uint16_t>(track.size()))) {
        const ReplyView r(track, Length16Reply(track, track.size()));
        const auto flags = r.Byte(7);
        const auto free = r.BE32(16);
        if (flags && free && (*flags & 0x01)) return int64_t{*free};  // NWA_V: the field is current
    }
    // A blank CD: from the start to the last possible lead-out (MSF on CD).
    if (TraitsOf(mediaType).family != MediaFamily::Cd) return std::nullopt;
    alignas(4) std::array<uint8_t, 34> disc{};
    if (!ReadDiscInformation(disc, static_cast<uint8_t>(disc.size()))) return std::nullopt;
    const ReplyView r(disc, Length16Reply(disc, disc.size()));
    const auto status = r.Byte(2);
    const auto leadOut = r.BE32(20);
    if (!status || !leadOut || (*status & 0x03) != 0 || *leadOut == 0xFFFFFFFFu) return std::nullopt;
    const int64_t lba = MsfToLba(*leadOut);
    return lba > 0 ? std::optional<int64_t>(lba) : std::nullopt;
}

// A closed disc has no free space left, yet its medium still holds what
// its ATIP says; only an open disc's information carries the lead-out.
std::optional<int64_t> TSCSIDevice::DiscCapacity(bool cd) {
    auto lock = LockCommands();
    if (cd) {
        alignas(4) std::array<uint8_t, 28> atip{};
        if (ReadTocPmaAtip(4, atip, true, 0, 0, static_cast<int>(atip.size()))) {
            const ReplyView r(atip, Length16Reply(atip, atip.size()));
            const auto m = r.Byte(12), s = r.Byte(13), f = r.Byte(14);
            if (m && s && f) return LeadOutLba(uint32_t{*m} << 16 | uint32_t{*s} << 8 | *f);
        }
    }
    alignas(4) std::array<uint8_t, 34> disc{};
    if (!ReadDiscInformation(disc, static_cast<uint8_t>(disc.size()))) return std::nullopt;
    const ReplyView r(disc, Length16Reply(disc, disc.size()));
    const auto leadOut = r.BE32(20);
    if (!leadOut || *leadOut == 0xFFFFFFFFu) return std::nullopt;
    if (cd) return LeadOutLba(*leadOut);
    return *leadOut > 0 ? std::optional<int64_t>(*leadOut) : std::nullopt;
}

}  // namespace kq
