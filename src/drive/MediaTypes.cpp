#include "drive/MediaTypes.h"

#include <array>

namespace kq {

namespace {

struct MediaTypeRow {
    uint16_t code;
    const char* name;
    MediaRecording recording;
};

using enum MediaRecording;
constexpr std::array<MediaTypeRow, 15> kMediaTypes{{
    {media::None, "UNKNOWN", Other},
    {media::CdRom, "CD-ROM", Other},
    {media::CdR, "CD-R", WriteOnce},
    {media::CdRw, "CD-RW", Blankable},
    {media::DvdRom, "DVD-ROM", Other},
    {media::DvdR, "DVD-R", WriteOnce},
    {media::DvdRam, "DVD-RAM", Overwritable},
    {media::DvdRw, "DVD-RW", Other},
    {media::DvdRwRestricted, "DVD-RW", Overwritable},
    {media::DvdRwSequential, "DVD-RW", Blankable},
    {media::DvdPlusRw, "DVD+RW", Overwritable},
    {media::DvdPlusR, "DVD+R", WriteOnce},
    {media::DdcdRom, "DDCD-ROM", Other},
    {media::DdcdR, "DDCD-R", WriteOnce},
    {media::DdcdRw, "DDCD-RW", Other},
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

}  // namespace kq
