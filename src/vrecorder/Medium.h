#pragma once
// The kinds of medium the drive can hold and what each one is.
#include <cstdint>
#include <optional>
#include <string_view>

namespace vrec {

// DvdRwRo is a DVD-RW formatted for restricted overwrite: the same disc as
// DvdRw to the drive's abilities, random writable once formatted.
// BdRRrm (random recording) and DvdRDlJump (layer jump) are the BD-R and
// DVD-R DL in their other recording mode: the same discs to the abilities.
enum class MediumKind { None, CdRom, CdR, CdRw, DvdRom, DvdR, DvdRw, DvdRwRo, DvdPlusR, DvdPlusRw, DvdRam,
                        BdR, BdRRrm, BdRe, DvdPlusRDl, DvdRDl, DvdRDlJump };

struct MediumInfo {
    MediumKind kind;
    std::string_view name;    // as the configuration spells it
    uint16_t profile;         // current profile of GET CONFIGURATION
    bool cd;                  // CD addressing, ATIP, lead-in/lead-out
    bool recordable;          // can be written at all
    bool sequential;          // written at the next writable address only
    bool erasable;            // disc information "erasable" bit
    bool writeParameters;     // written by mode page 05h (drives ignore it on the others)
    uint32_t defaultCapacity; // sectors (of both layers on a dual-layer DVD, of one on BD)
    bool bd = false;          // Blu-ray: no page 05h at all, 32-sector clusters
    bool formats = false;     // comes unformatted: FORMAT UNIT before it takes data
};

// Lead-in start in the ATIP of the CD-R and CD-RW media emulated (97:26:66).
inline constexpr int64_t kAtipLeadIn = -11634;

const MediumInfo& InfoOf(MediumKind kind);
[[nodiscard]] std::optional<MediumKind> MediumByName(std::string_view name);
// The physical disc a kind is, for what a drive can read or write:
// a restricted overwrite DVD-RW is a DVD-RW, a BD-R in random recording a
// BD-R, a DVD-R DL set to layer jump a DVD-R DL.
MediumKind DiscOf(MediumKind kind);

// Every profile a drive lists, in the order GET CONFIGURATION gives them.
inline constexpr MediumKind kAllMedia[] = {MediumKind::BdRe, MediumKind::BdRRrm, MediumKind::BdR,
                                           MediumKind::DvdPlusRDl, MediumKind::DvdRDlJump, MediumKind::DvdRDl,
                                           MediumKind::DvdPlusR, MediumKind::DvdPlusRw, MediumKind::DvdRw,
                                           MediumKind::DvdRwRo,  MediumKind::DvdRam,    MediumKind::DvdR,
                                           MediumKind::DvdRom,   MediumKind::CdRw,      MediumKind::CdR,
                                           MediumKind::CdRom};

}  // namespace vrec
