#include "drive/MediaTypes.h"

#include <array>

namespace kq {

namespace {

struct MediaTypeRow {
    uint16_t code;
    const char* name;
    MediaRecording recording;
    MediaTraits traits;
};

constexpr uint32_t kCd = 1764, kDvd = 13850, kBd = 44950;
constexpr const char* kRandomBdR =
    "it is formatted for random recording (BD-R RRM); only sequential recording (SRM) is written";
constexpr const char* kLayerJump =
    "it is set to layer jump recording; only sequential recording of both layers is written";

using enum MediaRecording;
using F = MediaFamily;
using C = MediaClose;
constexpr std::array<MediaTypeRow, 21> kMediaTypes{{
    {media::None, "UNKNOWN", Other, {F::None, media::None, kCd, true, C::Cd, nullptr}},
    {media::CdRom, "CD-ROM", Other, {F::Cd, media::CdRom, kCd, true, C::Cd, nullptr}},
    {media::CdR, "CD-R", WriteOnce, {F::Cd, media::CdR, kCd, true, C::Cd, nullptr}},
    {media::CdRw, "CD-RW", Blankable, {F::Cd, media::CdRw, kCd, true, C::Cd, nullptr}},
    {media::DvdRom, "DVD-ROM", Other, {F::Dvd, media::DvdRom, kDvd, true, C::Cd, nullptr}},
    {media::DvdR, "DVD-R", WriteOnce, {F::Dvd, media::DvdR, kDvd, true, C::DvdR, nullptr}},
    {media::DvdRam, "DVD-RAM", Overwritable, {F::Dvd, media::DvdRam, kDvd, false, C::None, nullptr}},
    {media::DvdRw, "DVD-RW", Other, {F::Dvd, media::DvdRw, kDvd, true, C::None, nullptr}},
    {media::DvdRwRestricted, "DVD-RW", Overwritable, {F::Dvd, media::DvdRwRestricted, kDvd, true, C::DvdRw, nullptr}},
    {media::DvdRwSequential, "DVD-RW", Blankable, {F::Dvd, media::DvdRwSequential, kDvd, true, C::DvdRw, nullptr}},
    {media::DvdPlusRw, "DVD+RW", Overwritable, {F::Dvd, media::DvdPlusRw, kDvd, true, C::DvdPlusRw, nullptr}},
    {media::DvdPlusR, "DVD+R", WriteOnce, {F::Dvd, media::DvdPlusR, kDvd, true, C::DvdPlusR, nullptr}},
    {media::DdcdRom, "DDCD-ROM", Other, {F::Cd, media::DdcdRom, kCd, true, C::Cd, nullptr}},
    {media::DdcdR, "DDCD-R", WriteOnce, {F::Cd, media::DdcdR, kCd, true, C::Cd, nullptr}},
    {media::DdcdRw, "DDCD-RW", Other, {F::Cd, media::DdcdRw, kCd, true, C::Cd, nullptr}},
    {media::BdR, "BD-R", WriteOnce, {F::Bd, media::BdR, kBd, false, C::BdR, nullptr}},
    {media::BdRRandom, "BD-R", Other, {F::Bd, media::BdRRandom, kBd, false, C::None, kRandomBdR}},
    {media::BdRe, "BD-RE", Overwritable, {F::Bd, media::BdRe, kBd, false, C::None, nullptr}},
    {media::DvdPlusRDl, "DVD+R DL", WriteOnce, {F::Dvd, media::DvdPlusR, kDvd, true, C::DvdPlusR, nullptr}},
    {media::DvdRDl, "DVD-R DL", WriteOnce, {F::Dvd, media::DvdR, kDvd, true, C::DvdR, nullptr}},
    {media::DvdRDlJump, "DVD-R DL", Other, {F::Dvd, media::DvdRDlJump, kDvd, true, C::None, kLayerJump}},
}};

constexpr bool IndexedByCode() {
    for (size_t i = 0; i < kMediaTypes.size(); ++i)
        if (kMediaTypes[i].code != i) return false;
    return true;
}
static_assert(IndexedByCode(), "a row's place is its code");

const MediaTypeRow& RowOf(int mediaType) {
    const bool known = mediaType >= 0 && mediaType < static_cast<int>(kMediaTypes.size());
    return kMediaTypes[known ? static_cast<size_t>(mediaType) : size_t{media::None}];
}

}  // namespace

std::string MediaName(int mediaType) { return RowOf(mediaType).name; }

MediaRecording RecordingOf(int mediaType) { return RowOf(mediaType).recording; }

const MediaTraits& TraitsOf(int mediaType) { return RowOf(mediaType).traits; }

int LayersOf(int mediaType, uint64_t sectors) {
    constexpr uint64_t kBdLayer = 12219392;
    if (mediaType == media::DvdPlusRDl || mediaType == media::DvdRDl || mediaType == media::DvdRDlJump) return 2;
    if (TraitsOf(mediaType).family != MediaFamily::Bd || sectors == 0) return 1;
    return static_cast<int>((sectors + kBdLayer - 1) / kBdLayer);
}

}  // namespace kq
