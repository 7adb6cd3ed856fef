#include "vrecorder/WriteParameters.h"

#include "vrecorder/Bytes.h"

#include "drive/MediaTypes.h"

#include <algorithm>

namespace vrec {

WriteParameters WriteParameters::Default() {
    Page p{};
    p[0] = kWriteParametersPage;
    p[1] = kWriteParametersLength;
    p[wp::kTypeByte] = kTrackAtOnce;
    p[wp::kTrackByte] = wp::kDataUninterrupted;
    p[wp::kBlockTypeByte] = wp::kMode1;
    PutBE16(p, wp::kAudioPauseAt, wp::kAudioPauseBlocks);
    return WriteParameters(p);
}

WriteParameters::Page WriteParameters::ChangeableMask(const WriteAbilities& abilities) {
    Page m{};
    m.fill(0xFF);
    m[0] = kWriteParametersPage;
    m[1] = kWriteParametersLength;
    m[wp::kTypeByte] = static_cast<uint8_t>(wp::kLinkSizeValid | wp::kWriteTypeMask | (abilities.bufe ? wp::kBufe : 0) |
                                            (abilities.testWrite ? wp::kTestWrite : 0));
    m[wp::kBlockTypeByte] = wp::kBlockTypeMask;
    m[6] = 0;
    m[9] = 0;
    return m;
}

uint32_t BlockSizeOf(uint8_t type) {
    constexpr uint32_t kUser = kq::kSectorSize;  // Mode 1 and Mode 2 Form 1: user data alone
    static constexpr uint32_t kSizes[16] = {2352, 2368, 2448, 2448, 0, 0, 0, 0,
                                            kUser, 2336, kUser, 2056, 2324, 2332, 0, 0};
    return kSizes[type & 0x0F];
}

namespace {

bool WriteTypeAllowed(uint8_t type, MediumKind medium, const WriteAbilities& a) {
    bool byDrive = (type == kPacket && a.packet) || (type == kTrackAtOnce && a.tao) ||
                   (type == kSessionAtOnce && a.sao) || (type == kRaw && a.raw);
    if (!byDrive) return false;
    if (medium == MediumKind::None || InfoOf(medium).cd) return true;
    return type == kPacket || type == kSessionAtOnce;  // DVD-R, DVD-RW: incremental or disc at once
}

// Data block type against write type and track mode, as a CD recorder
// pairs them; DVD media carry 2048-byte blocks only.
bool BlockTypeAllowed(uint8_t type, uint8_t blockType, uint8_t trackMode, MediumKind medium) {
    bool dvd = medium != MediumKind::None && !InfoOf(medium).cd;
    if (dvd) return blockType == wp::kMode1;
    bool dataTrack = trackMode & wp::kDataTrack;
    if (type == kRaw) return blockType >= 1 && blockType <= 3;
    if (blockType == 0) return type != kPacket && !dataTrack;
    if (blockType >= 8 && blockType <= 13) return dataTrack;
    return false;
}

// DVD-R and DVD-RW link by one 16-block ECC block; a valid link size must say so.
bool LinkSizeAllowed(const WriteParameters& p, MediumKind medium) {
    bool dvd = medium != MediumKind::None && !InfoOf(medium).cd;
    return !dvd || !p.LinkSizeValid() || p.LinkSize() == 16;
}

}  // namespace

std::optional<Sense> CheckWriteParameters(std::span<const uint8_t> page, MediumKind medium,
                                          const WriteAbilities& abilities) {
    if (page.size() < kWriteParametersSize || page[1] != kWriteParametersLength)
        return sense::InvalidFieldInParameterList;
    if (medium != MediumKind::None && !InfoOf(medium).writeParameters) return std::nullopt;  // stored, unused
    WriteParameters::Page bytes{};
    std::copy_n(page.begin(), bytes.size(), bytes.begin());
    WriteParameters p(bytes);
    bool bad = !WriteTypeAllowed(p.Type(), medium, abilities) ||
               !BlockTypeAllowed(p.Type(), p.DataBlockType(), p.TrackMode(), medium) ||
               !LinkSizeAllowed(p, medium) || (p.TestWrite() && !abilities.testWrite) ||
               (p.Bufe() && !abilities.bufe) || p.MultiSession() == 2 || (p.FixedPacket() && p.Type() != kPacket);
    bool cd = medium == MediumKind::None || InfoOf(medium).cd;
    if (cd && p.FixedPacket() && GetBE32(page, wp::kPacketSizeAt) == 0) bad = true;
    if (cd && p.SessionFormat() != 0x00 && p.SessionFormat() != 0x10 && p.SessionFormat() != 0x20) bad = true;
    if (bad) return sense::InvalidFieldInParameterList;
    return std::nullopt;
}

}  // namespace vrec
