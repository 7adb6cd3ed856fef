#include "vrecorder/Medium.h"

#include <array>

namespace vrec {

namespace {
constexpr uint32_t kCd80 = 359849;
constexpr uint32_t kDvd = 2295104;
constexpr uint32_t kDvdPlusRDl = 4173824, kDvdRDl = 4171712;
constexpr uint32_t kBdLayer = 12219392;

constexpr std::array<MediumInfo, 17> kMedia{{
    {MediumKind::None, "none", 0x0000, false, false, false, false, false, 0},
    {MediumKind::CdRom, "cd-rom", 0x0008, true, false, false, false, false, kCd80},
    {MediumKind::CdR, "cd-r", 0x0009, true, true, true, false, true, kCd80},
    {MediumKind::CdRw, "cd-rw", 0x000A, true, true, true, true, true, kCd80},
    {MediumKind::DvdRom, "dvd-rom", 0x0010, false, false, false, false, false, kDvd},
    {MediumKind::DvdR, "dvd-r", 0x0011, false, true, true, false, true, kDvd},
    {MediumKind::DvdRw, "dvd-rw", 0x0014, false, true, true, true, true, kDvd},
    {MediumKind::DvdRwRo, "dvd-rw-ro", 0x0013, false, true, false, true, false, kDvd},
    {MediumKind::DvdPlusR, "dvd+r", 0x001B, false, true, true, false, false, kDvd},
    {MediumKind::DvdPlusRw, "dvd+rw", 0x001A, false, true, false, true, false, kDvd},
    {MediumKind::DvdRam, "dvd-ram", 0x0012, false, true, false, true, false, kDvd},
    {MediumKind::BdR, "bd-r", 0x0041, false, true, true, false, false, kBdLayer, true},
    {MediumKind::BdRRrm, "bd-r-rrm", 0x0042, false, true, false, false, false, kBdLayer, true},
    {MediumKind::BdRe, "bd-re", 0x0043, false, true, false, true, false, kBdLayer, true, true},
    {MediumKind::DvdPlusRDl, "dvd+r-dl", 0x002B, false, true, true, false, false, kDvdPlusRDl},
    {MediumKind::DvdRDl, "dvd-r-dl", 0x0015, false, true, true, false, true, kDvdRDl},
    {MediumKind::DvdRDlJump, "dvd-r-dl-jump", 0x0016, false, true, true, false, true, kDvdRDl},
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

MediumKind DiscOf(MediumKind kind) {
    switch (kind) {
    case MediumKind::DvdRwRo: return MediumKind::DvdRw;
    case MediumKind::BdRRrm: return MediumKind::BdR;
    case MediumKind::DvdRDlJump: return MediumKind::DvdRDl;
    default: return kind;
    }
}

}  // namespace vrec
