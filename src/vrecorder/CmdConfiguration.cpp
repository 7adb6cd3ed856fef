// GET CONFIGURATION: the profile list and the features of this drive, each
// marked current when the loaded medium uses it.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

namespace vrec {

namespace {

constexpr uint16_t kFeatureCodes[] = {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x001F, 0x0021, 0x002A,
                                      0x002B, 0x002D, 0x002E, 0x002F, 0x0033, 0x003B, 0x0040, 0x0041};

Reply Descriptor(uint16_t code, uint8_t version, bool persistent, bool current, uint8_t length) {
    Reply d(4 + length);
    d.BE16(0, code);
    d[2] = static_cast<uint8_t>(version << 2 | (persistent ? 0x02 : 0) | (current ? 0x01 : 0));
    d[3] = length;
    return d;
}

bool IsCd(MediumKind k) { return k != MediumKind::None && InfoOf(k).cd; }
bool IsBd(MediumKind k) { return k != MediumKind::None && InfoOf(k).bd; }
bool IsDvd(MediumKind k) { return k != MediumKind::None && !InfoOf(k).cd && !IsBd(k); }

}  // namespace

namespace {

// What the features are built from: the drive and the medium in it.
struct FeatureContext {
    const RecorderConfig& config;
    MediumKind loaded;
    bool writable;  // a medium this drive can still write
    bool cdWrite;
};

std::vector<uint8_t> ProfileList(const FeatureContext& c) {
    Reply d = Descriptor(0x0000, 0, true, true, 0);
    for (MediumKind k : kAllMedia) {
        if (!c.config.Reads(k)) continue;
        size_t at = d.Size();
        d.BE16(at, InfoOf(k).profile);
        d[at + 2] = k == c.loaded ? 0x01 : 0x00;
        d[at + 3] = 0;
    }
    d[3] = static_cast<uint8_t>(d.Size() - 4);
    return d.Vector();
}

std::vector<uint8_t> IncrementalStreaming(const FeatureContext& c) {
    const auto& cfg = c.config;
    if (!c.cdWrite && !cfg.Writes(MediumKind::DvdR) && !cfg.Writes(MediumKind::DvdRw)) return {};
    // The media written through page 05h: DVD+R and BD-R have their own features.
    bool current = c.writable && InfoOf(c.loaded).sequential && InfoOf(c.loaded).writeParameters;
    Reply d = Descriptor(0x0021, 1, false, current, 8);
    d.BE16(4, 1 << 8 | 1 << 10);  // Mode 1 and Mode 2 Form 1 blocks
    d[6] = cfg.write.bufe ? 0x01 : 0x00;
    d[7] = 1;                     // one link size
    d[8] = IsDvd(c.loaded) ? 16 : 7;
    return d.Vector();
}

// CD Track at Once (2Dh) and CD Mastering (2Eh).
std::vector<uint8_t> CdWrite(const FeatureContext& c, uint16_t code) {
    const WriteAbilities& w = c.config.write;
    uint8_t common = static_cast<uint8_t>((w.bufe ? 0x40 : 0) | (w.testWrite ? 0x04 : 0) |
                                          (c.config.Writes(MediumKind::CdRw) ? 0x02 : 0));
    bool current = c.writable && IsCd(c.loaded);
    if (!c.cdWrite || (code == 0x002D && !w.tao) || (code == 0x002E && !w.sao && !w.raw)) return {};
    Reply d = Descriptor(code, code == 0x002D ? 2 : 1, false, current, 4);
    if (code == 0x002D) {
        d[4] = common;
        d.BE16(6, 1 << 8 | 1 << 10 | 1);
    } else {
        d[4] = static_cast<uint8_t>(common | (w.sao ? 0x20 : 0) | (w.raw ? 0x18 : 0));
        d.BE24(5, 0x8000);  // largest cue sheet
    }
    return d.Vector();
}

// DVD+RW (2Ah), DVD+R (2Bh) and DVD-R/-RW write (2Fh).
std::vector<uint8_t> DvdWrite(const FeatureContext& c, uint16_t code) {
    const auto& cfg = c.config;
    // A DVD-R DL writer tells it by the RDL bit of 2Fh, so it lists 2Fh.
    const bool list2F = cfg.feature2F || cfg.Writes(MediumKind::DvdRDl);
    if ((code == 0x002A && !cfg.feature2A) || (code == 0x002F && !list2F) ||
        (code == 0x002B && !cfg.feature2B))
        return {};
    bool current = code == 0x002A   ? c.loaded == MediumKind::DvdPlusRw
                   : code == 0x002B ? c.loaded == MediumKind::DvdPlusR
                                    : c.loaded == MediumKind::DvdR || c.loaded == MediumKind::DvdRw ||
                                          c.loaded == MediumKind::DvdRDl;
    Reply d = Descriptor(code, code == 0x002F ? 1 : 0, false, current, 4);
    if (code == 0x002A) d[4] = cfg.Writes(MediumKind::DvdPlusRw) ? 0x01 : 0x00;
    if (code == 0x002B) d[4] = cfg.Writes(MediumKind::DvdPlusR) ? 0x01 : 0x00;
    if (code == 0x002F)
        d[4] = static_cast<uint8_t>((cfg.write.bufe ? 0x40 : 0) | (cfg.write.testWrite ? 0x04 : 0) |
                                    (cfg.Writes(MediumKind::DvdRDl) ? 0x08 : 0) |  // RDL
                                    (cfg.Writes(MediumKind::DvdRw) ? 0x02 : 0));
    return d.Vector();
}

// Layer Jump Recording (33h), with the one link size of DVD-R DL, and
// DVD+R Double Layer (3Bh), whose Write bit says it records them.
std::vector<uint8_t> DualLayer(const FeatureContext& c, uint16_t code) {
    const auto& cfg = c.config;
    if (code == 0x0033) {
        if (!cfg.feature33 || !cfg.Writes(MediumKind::DvdRDl)) return {};
        Reply d = Descriptor(code, 0, false, c.writable && c.loaded == MediumKind::DvdRDlJump, 8);
        d[7] = 1;   // number of link sizes
        d[8] = 16;  // one ECC block
        return d.Vector();
    }
    if (!cfg.feature3B || !cfg.Reads(MediumKind::DvdPlusRDl)) return {};
    Reply d = Descriptor(code, 0, false, c.loaded == MediumKind::DvdPlusRDl, 4);
    d[4] = cfg.Writes(MediumKind::DvdPlusRDl) ? 0x01 : 0x00;
    return d.Vector();
}

// BD Read (40h) and BD Write (41h): class 0 bitmaps with version 1 for
// each BD kind the drive takes (BD-RE at byte 8, BD-R at 16, BD-ROM at 24).
std::vector<uint8_t> Blu(const FeatureContext& c, uint16_t code) {
    const auto& cfg = c.config;
    constexpr uint16_t kVersion1 = 0x0002;
    bool read = code == 0x0040;
    auto has = [&](MediumKind k) { return read ? cfg.Reads(k) : cfg.Writes(k); };
    if (!(read ? cfg.feature40 : cfg.feature41) || (!has(MediumKind::BdR) && !has(MediumKind::BdRe))) return {};
    bool current = read ? IsBd(c.loaded) : c.writable && IsBd(c.loaded);
    Reply d = Descriptor(code, read ? 1 : 2, false, current, read ? 28 : 24);
    if (has(MediumKind::BdRe)) d.BE16(8, kVersion1);
    if (has(MediumKind::BdR)) d.BE16(16, kVersion1);
    if (read) d.BE16(24, kVersion1);
    return d.Vector();
}

}  // namespace

// One feature descriptor, or nothing when the drive lacks the feature.
std::vector<uint8_t> VirtualRecorder::Feature(uint16_t code) const {
    MediumKind loaded = mediumPresent_ ? disc_.Kind() : MediumKind::None;
    FeatureContext c{config_, loaded, CanWriteMedium() && !disc_.Finalized(),
                     config_.Writes(MediumKind::CdR) || config_.Writes(MediumKind::CdRw)};
    bool dvdReads = false;
    for (MediumKind k : kAllMedia) dvdReads = dvdReads || (IsDvd(k) && config_.Reads(k));
    switch (code) {
    case 0x0000: return ProfileList(c);
    case 0x0001: {
        Reply d = Descriptor(code, 2, true, true, 8);
        d.BE32(4, 1);  // SCSI family
        d[8] = 0x01;   // device busy events
        return d.Vector();
    }
    case 0x0002: { Reply d = Descriptor(code, 1, true, true, 4); d[4] = 0x02; return d.Vector(); }
    case 0x0003: { Reply d = Descriptor(code, 0, true, true, 4); d[4] = 0x29; return d.Vector(); }
    case 0x0010: {
        Reply d = Descriptor(code, 0, false, loaded != MediumKind::None, 8);
        d.BE32(4, kBlockSize);
        d.BE16(8, IsBd(loaded) ? 32 : IsDvd(loaded) ? 16 : 1);
        return d.Vector();
    }
    case 0x001E: return Descriptor(code, 2, false, IsCd(loaded), 4).Vector();
    case 0x001F: return dvdReads ? Descriptor(code, 0, false, IsDvd(loaded), 4).Vector() : std::vector<uint8_t>{};
    case 0x0021: return IncrementalStreaming(c);
    case 0x002D: case 0x002E: return CdWrite(c, code);
    case 0x002A: case 0x002B: case 0x002F: return DvdWrite(c, code);
    case 0x0033: case 0x003B: return DualLayer(c, code);
    case 0x0040: case 0x0041: return Blu(c, code);
    default: return {};
    }
}

std::vector<uint8_t> VirtualRecorder::Features(uint8_t requestType, uint16_t start) const {
    std::vector<uint8_t> all;
    for (uint16_t code : kFeatureCodes) {
        if (code < start || (requestType == 2 && code != start)) continue;
        auto d = Feature(code);
        if (d.empty() || (requestType == 1 && !(d[2] & 0x01))) continue;
        all.insert(all.end(), d.begin(), d.end());
    }
    return all;
}

CommandResult VirtualRecorder::GetConfiguration(Request& rq) {
    uint8_t requestType = rq.cdb[1] & 0x03;
    if (requestType == 3) return Check(sense::InvalidFieldInCdb);
    Reply r(8);
    r.BE16(6, mediumPresent_ ? disc_.Info().profile : 0);
    r.Append(Features(requestType, GetBE16(rq.cdb, 2)));
    r.BE32(0, static_cast<uint32_t>(r.Size() - 4));
    return SendIn(rq, r.Bytes(), GetBE16(rq.cdb, 7));
}

}  // namespace vrec
