#include "drive/MediaTypes.h"

#include <array>
#include <cstdio>

namespace kq {

namespace {

struct MediaTypeRow {
    uint16_t code;
    uint16_t profile;  // the current profile a drive reports; 0: none tells it
    const char* name;
    MediaRecording recording;
    MediaTraits traits;
};

constexpr uint32_t kCd = 1764, kDvd = 13850, kBd = 44950;
constexpr int32_t kCdBlock = kCdBlockSize, kBlock = kDvdBlockSize;
constexpr const char* kRandomBdR =
    "it is formatted for random recording (BD-R RRM); only sequential recording (SRM) is written";
constexpr const char* kLayerJump =
    "it is set to layer jump recording; only sequential recording of both layers is written";
constexpr const char* kPressed = "it is a pressed disc, made only to be read";
constexpr const char* kRwDl = "dual-layer DVD+RW is not written";
constexpr const char* kUnknown = "the burner does not know this kind of medium";

using enum MediaRecording;
using F = MediaFamily;
using C = MediaClose;
constexpr std::array<MediaTypeRow, 23> kMediaTypes{{
    {media::None, 0x0000, "UNKNOWN", Other, {F::None, media::None, kBlock, true, C::Cd, nullptr}},
    {media::CdRom, 0x0008, "CD-ROM", Other, {F::Cd, media::CdRom, kBlock, true, C::Cd, nullptr}},
    {media::CdR, 0x0009, "CD-R", WriteOnce, {F::Cd, media::CdR, kCdBlock, true, C::Cd, nullptr}},
    {media::CdRw, 0x000A, "CD-RW", Blankable, {F::Cd, media::CdRw, kCdBlock, true, C::Cd, nullptr}},
    {media::DvdRom, 0x0010, "DVD-ROM", Other, {F::Dvd, media::DvdRom, kBlock, true, C::Cd, nullptr}},
    {media::DvdR, 0x0011, "DVD-R", WriteOnce, {F::Dvd, media::DvdR, kBlock, true, C::DvdR, nullptr}},
    {media::DvdRam, 0x0012, "DVD-RAM", Overwritable, {F::Dvd, media::DvdRam, kBlock, false, C::None, nullptr}},
    {media::DvdRw, 0x0000, "DVD-RW", Other, {F::Dvd, media::DvdRw, kBlock, true, C::None, nullptr}},
    {media::DvdRwRestricted, 0x0013, "DVD-RW", Overwritable, {F::Dvd, media::DvdRwRestricted, kBlock, true, C::DvdRw, nullptr}},
    {media::DvdRwSequential, 0x0014, "DVD-RW", Blankable, {F::Dvd, media::DvdRwSequential, kBlock, true, C::DvdRw, nullptr}},
    {media::DvdPlusRw, 0x001A, "DVD+RW", Overwritable, {F::Dvd, media::DvdPlusRw, kBlock, true, C::DvdPlusRw, nullptr}},
    {media::DvdPlusR, 0x001B, "DVD+R", WriteOnce, {F::Dvd, media::DvdPlusR, kBlock, true, C::DvdPlusR, nullptr}},
    {media::DdcdRom, 0x0020, "DDCD-ROM", Other, {F::Cd, media::DdcdRom, kBlock, true, C::Cd, nullptr}},
    {media::DdcdR, 0x0021, "DDCD-R", WriteOnce, {F::Cd, media::DdcdR, kBlock, true, C::Cd, nullptr}},
    {media::DdcdRw, 0x0022, "DDCD-RW", Other, {F::Cd, media::DdcdRw, kBlock, true, C::Cd, nullptr}},
    {media::BdR, 0x0041, "BD-R", WriteOnce, {F::Bd, media::BdR, kBlock, false, C::BdR, nullptr}},
    {media::BdRRandom, 0x0042, "BD-R", Other, {F::Bd, media::BdRRandom, kBlock, false, C::None, kRandomBdR}},
    {media::BdRe, 0x0043, "BD-RE", Overwritable, {F::Bd, media::BdRe, kBlock, false, C::None, nullptr}},
    {media::DvdPlusRDl, 0x002B, "DVD+R DL", WriteOnce, {F::Dvd, media::DvdPlusR, kBlock, true, C::DvdPlusR, nullptr}},
    {media::DvdRDl, 0x0015, "DVD-R DL", WriteOnce, {F::Dvd, media::DvdR, kBlock, true, C::DvdR, nullptr}},
    {media::DvdRDlJump, 0x0016, "DVD-R DL", Other, {F::Dvd, media::DvdRDlJump, kBlock, true, C::None, kLayerJump}},
    {media::BdRom, 0x0040, "BD-ROM", Other, {F::Bd, media::BdRom, kBlock, false, C::None, kPressed}},
    {media::DvdPlusRwDl, 0x002A, "DVD+RW DL", Overwritable, {F::Dvd, media::DvdPlusRwDl, kBlock, false, C::None, kRwDl}},
}};

constexpr MediaTypeRow kOtherProfileRow{media::OtherProfile, 0, "", Other,
                                        {F::None, media::OtherProfile, kBlock, false, C::None, kUnknown}};

bool IsOtherProfile(int mediaType) { return (mediaType & media::OtherProfile) != 0 && mediaType <= 0xFFFF; }

constexpr bool IndexedByCode() {
    for (size_t i = 0; i < kMediaTypes.size(); ++i)
        if (kMediaTypes[i].code != i) return false;
    return true;
}
static_assert(IndexedByCode(), "a row's place is its code");

const MediaTypeRow& RowOf(int mediaType) {
    if (IsOtherProfile(mediaType)) return kOtherProfileRow;
    const bool known = mediaType >= 0 && mediaType < static_cast<int>(kMediaTypes.size());
    return kMediaTypes[known ? static_cast<size_t>(mediaType) : size_t{media::None}];
}

struct FamilyRow {
    const char* name;
    uint32_t kBpsPerTenX;
};

// In MediaFamily's order; an unknown medium takes CD speeds.
constexpr std::array<FamilyRow, 4> kFamilies{{{"CD", kCd}, {"CD", kCd}, {"DVD", kDvd}, {"BD", kBd}}};

const FamilyRow& FamilyRowOf(MediaFamily family) { return kFamilies[static_cast<size_t>(family)]; }

}  // namespace

std::string MediaName(int mediaType) {
    if (!IsOtherProfile(mediaType)) return RowOf(mediaType).name;
    const unsigned profile = mediaType & 0x7FFF;
    char text[40];
    std::snprintf(text, sizeof text, "medium of profile %04Xh", profile == 0x7FFF ? 0xFFFFu : profile);
    return text;
}

MediaRecording RecordingOf(int mediaType) { return RowOf(mediaType).recording; }

const MediaTraits& TraitsOf(int mediaType) { return RowOf(mediaType).traits; }

uint16_t MediaOfProfile(uint16_t profile) {
    for (const auto& row : kMediaTypes)
        if (row.profile != 0 && row.profile == profile) return row.code;
    if (profile == 0) return media::None;
    // No profile sets bit 15 but FFFFh (no standard profile): it keeps 7FFFh.
    return static_cast<uint16_t>(media::OtherProfile | (profile & 0x7FFF));
}

const char* FamilyName(MediaFamily family) { return FamilyRowOf(family).name; }

uint32_t KBpsPerTenX(MediaFamily family) { return FamilyRowOf(family).kBpsPerTenX; }

int LayersOf(int mediaType, uint64_t sectors) {
    constexpr uint64_t kBdLayer = 12219392;
    if (mediaType == media::DvdPlusRDl || mediaType == media::DvdRDl || mediaType == media::DvdRDlJump) return 2;
    if (TraitsOf(mediaType).family != MediaFamily::Bd || sectors == 0) return 1;
    return static_cast<int>((sectors + kBdLayer - 1) / kBdLayer);
}

}  // namespace kq
