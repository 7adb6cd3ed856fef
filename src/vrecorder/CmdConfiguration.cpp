// GET CONFIGURATION: the profile list and the features of this drive, each
// marked current when the loaded medium uses it.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

namespace vrec {

namespace {

constexpr uint16_t kFeatureCodes[] = {0x0000, 0x0001, 0x0002, 0x0003, 0x0010, 0x001E, 0x001F,
                                      0x0021, 0x002A, 0x002B, 0x002D, 0x002E, 0x002F};

Reply Descriptor(uint16_t code, uint8_t version, bool persistent, bool current, uint8_t length) {
    Reply d(4 + length);
    d.BE16(0, code);
    d[2] = static_cast<uint8_t>(version << 2 | (persistent ? 0x02 : 0) | (current ? 0x01 : 0));
    d[3] = length;
    return d;
}

bool IsCd(MediumKind k) { return k != MediumKind::None && InfoOf(k).cd; }
bool IsDvd(MediumKind k) { return k != MediumKind::None && !InfoOf(k).cd; }

}  // namespace

// One feature descriptor, or nothing when the drive lacks the feature.
std::vector<uint8_t> VirtualRecorder::Feature(uint16_t code) const {
    MediumKind loaded = mediumPresent_ ? disc_.Kind() : MediumKind::None;
    bool writable = CanWriteMedium() && !disc_.Finalized();
    bool cdWrite = config_.Writes(MediumKind::CdR) || config_.Writes(MediumKind::CdRw);
    bool dvdReads = false;
    for (MediumKind k : kAllMedia) dvdReads = dvdReads || (IsDvd(k) && config_.Reads(k));
    const WriteAbilities& w = config_.write;
    switch (code) {
    case 0x0000: {
        Reply d = Descriptor(code, 0, true, true, 0);
        for (MediumKind k : kAllMedia) {
            if (!config_.Reads(k)) continue;
            size_t at = d.Size();
            d.BE16(at, InfoOf(k).profile);
            d[at + 2] = k == loaded ? 0x01 : 0x00;
            d[at + 3] = 0;
        }
        d[3] = static_cast<uint8_t>(d.Size() - 4);
        return d.Vector();
    }
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
        d.BE16(8, IsDvd(loaded) ? 16 : 1);
        return d.Vector();
    }
    case 0x001E: return Descriptor(code, 2, false, IsCd(loaded), 4).Vector();
    case 0x001F:
        if (!dvdReads) return {};
        return Descriptor(code, 0, false, IsDvd(loaded), 4).Vector();
    case 0x0021: {
        bool seq = writable && disc_.Info().sequential && loaded != MediumKind::DvdPlusR;
        if (!cdWrite && !config_.Writes(MediumKind::DvdR) && !config_.Writes(MediumKind::DvdRw)) return {};
        Reply d = Descriptor(code, 1, false, seq, 8);
        d.BE16(4, 1 << 8 | 1 << 10);  // Mode 1 and Mode 2 Form 1 blocks
        d[6] = w.bufe ? 0x01 : 0x00;
        d[7] = 1;                     // one link size
        d[8] = IsDvd(loaded) ? 16 : 7;
        return d.Vector();
    }
    case 0x002A: {
        if (!config_.feature2A) return {};
        Reply d = Descriptor(code, 0, false, loaded == MediumKind::DvdPlusRw, 4);
        d[4] = config_.Writes(MediumKind::DvdPlusRw) ? 0x01 : 0x00;
        return d.Vector();
    }
    case 0x002B: {
        if (!config_.Reads(MediumKind::DvdPlusR)) return {};
        Reply d = Descriptor(code, 0, false, loaded == MediumKind::DvdPlusR, 4);
        d[4] = config_.Writes(MediumKind::DvdPlusR) ? 0x01 : 0x00;
        return d.Vector();
    }
    case 0x002D: {
        if (!cdWrite || !w.tao) return {};
        Reply d = Descriptor(code, 2, false, writable && IsCd(loaded), 4);
        d[4] = static_cast<uint8_t>((w.bufe ? 0x40 : 0) | (w.testWrite ? 0x04 : 0) |
                                    (config_.Writes(MediumKind::CdRw) ? 0x02 : 0));
        d.BE16(6, 1 << 8 | 1 << 10 | 1);
        return d.Vector();
    }
    case 0x002E: {
        if (!cdWrite || !(w.sao || w.raw)) return {};
        Reply d = Descriptor(code, 1, false, writable && IsCd(loaded), 4);
        d[4] = static_cast<uint8_t>((w.bufe ? 0x40 : 0) | (w.sao ? 0x20 : 0) | (w.raw ? 0x18 : 0) |
                                    (w.testWrite ? 0x04 : 0) | (config_.Writes(MediumKind::CdRw) ? 0x02 : 0));
        d.BE24(5, 0x8000);  // largest cue sheet
        return d.Vector();
    }
    case 0x002F: {
        if (!config_.feature2F) return {};
        bool dvdMinus = loaded == MediumKind::DvdR || loaded == MediumKind::DvdRw;
        Reply d = Descriptor(code, 1, false, dvdMinus, 4);
        d[4] = static_cast<uint8_t>((w.bufe ? 0x40 : 0) | (w.testWrite ? 0x04 : 0) |
                                    (config_.Writes(MediumKind::DvdRw) ? 0x02 : 0));
        return d.Vector();
    }
    default:
        return {};
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
