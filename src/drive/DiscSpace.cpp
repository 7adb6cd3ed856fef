// How much room the disc has left for an image.
#include "drive/TSCSIDevice.h"

#include <array>

namespace kq {

namespace {

constexpr int kTimeoutMs = 10000;

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
    lastLba = DecodeCapacity(reply)->lastLba;  // eight bytes always: the buffer was asked whole
    return true;
}

std::optional<int64_t> TSCSIDevice::FreeSectors(uint16_t mediaType) {
    auto lock = LockCommands();
    if (RecordingOf(mediaType) == MediaRecording::Overwritable) {
        uint32_t last = 0;
        if (!ReadCapacity(last) || last == 0 || last == 0xFFFFFFFFu) return std::nullopt;
        return int64_t{last} + 1;
    }
    alignas(4) std::array<uint8_t, kTrackInformationLength> track{};
    if (ReadTrackInformation(kByTrackNumber, kInvisibleTrack, track, kTrackInformationLength)) {
        // Free blocks count only while the track takes data (NWA valid).
        if (const auto t = DecodeTrackInformation(track); t && t->nextWritable) return int64_t{t->freeBlocks};
    }
    // A blank CD: from the start to the last possible lead-out (MSF on CD).
    if (TraitsOf(mediaType).family != MediaFamily::Cd) return std::nullopt;
    alignas(4) std::array<uint8_t, kDiscInformationLength> disc{};
    if (!ReadDiscInformation(disc, kDiscInformationLength)) return std::nullopt;
    const auto d = DecodeDiscInformation(disc);
    if (!d || d->status.DiscStatus() != kDiscEmpty || !d->leadOut) return std::nullopt;
    return LeadOutLba(*d->leadOut);
}

// A closed disc has no free space left, yet its medium still holds what
// its ATIP says; only an open disc's information carries the lead-out.
std::optional<int64_t> TSCSIDevice::DiscCapacity(bool cd) {
    auto lock = LockCommands();
    if (cd) {
        alignas(4) std::array<uint8_t, kAtipLength> atip{};
        if (ReadTocPmaAtip(kAtipFormat, atip, true, 0, 0, kAtipLength))
            if (const auto leadOut = DecodeAtipLeadOut(atip)) return LeadOutLba(*leadOut);
    }
    alignas(4) std::array<uint8_t, kDiscInformationLength> disc{};
    if (!ReadDiscInformation(disc, kDiscInformationLength)) return std::nullopt;
    const auto d = DecodeDiscInformation(disc);
    if (!d || !d->leadOut) return std::nullopt;
    if (cd) return LeadOutLba(*d->leadOut);
    return *d->leadOut > 0 ? std::optional<int64_t>(*d->leadOut) : std::nullopt;
}

}  // namespace kq
