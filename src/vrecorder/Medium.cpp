#include "vrecorder/Medium.h"

#include <array>

namespace vrec {

namespace {
constexpr uint32_t kCd80 = 359849;
constexpr uint32_t kDvd = 2295104;

constexpr std::array<MediumInfo, 10> kMedia{{
    {MediumKind::None, "none", 0x0000, false, false, false, false, 0},
    {MediumKind::CdRom, "cd-rom", 0x0008, true, false, false, false, kCd80},
    {MediumKind::CdR, "cd-r", 0x0009, true, true, true, false, kCd80},
    {MediumKind::CdRw, "cd-rw", 0x000A, true, true, true, true, kCd80},
    {MediumKind::DvdRom, "dvd-rom", 0x0010, false, false, false, false, kDvd},
    {MediumKind::DvdR, "dvd-r", 0x0011, false, true, true, false, kDvd},
    {MediumKind::DvdRw, "dvd-rw", 0x0014, false, true, true, true, kDvd},
    {MediumKind::DvdPlusR, "dvd+r", 0x001B, false, true, true, false, kDvd},
    {MediumKind::DvdPlusRw, "dvd+rw", 0x001A, false, true, false, true, kDvd},
    {MediumKind::DvdRam, "dvd-ram", 0x0012, false, true, false, true, kDvd},
}};
}  // namespace

const MediumInfo& InfoOf(MediumKind kind) {
    for (const auto& m : kMedia)
        if (m.kind == kind) return m;
    return kMedia[0];
}

std::optional<MediumKind> MediumByName(std::string_view name) {
    for (const auto& m : kMedia)
        if (m.name == name) return m.kind;
    return std::nullopt;
}

}  // namespace vrec
