// MODE SENSE (10) and MODE SELECT (10): the write parameters page (05h),
// the capabilities page (2Ah) and, when configured, vendor page 30h.
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

#include <algorithm>

namespace vrec {

namespace {
constexpr uint8_t kCapabilitiesPage = 0x2A;
constexpr uint8_t kVendorPage = 0x30;
constexpr uint8_t kAllPages = 0x3F;
enum PageControl : uint8_t { kCurrent = 0, kChangeable = 1, kDefault = 2, kSaved = 3 };
}  // namespace

std::vector<uint8_t> VirtualRecorder::CapabilitiesPage(bool current) const {
    auto reads = [&](MediumKind k) { return config_.Reads(k); };
    auto writes = [&](MediumKind k) { return config_.Writes(k); };
    uint16_t descriptors = config_.maxWriteSpeed ? 1 : 0;
    // The page's speed fields are 16 bits: a faster BD drive shows FFFFh
    // there and tells the truth through SET STREAMING.
    auto field = [](uint32_t kBps) { return static_cast<uint16_t>(std::min<uint32_t>(kBps, 0xFFFF)); };
    const uint16_t maxWrite = field(config_.maxWriteSpeed), write = field(writeSpeed_);
    Reply p(32 + 4 * descriptors);
    p[0] = kCapabilitiesPage;
    p[1] = static_cast<uint8_t>(p.Size() - 2);
    p[2] = static_cast<uint8_t>((reads(MediumKind::CdR) ? 0x01 : 0) | (reads(MediumKind::CdRw) ? 0x02 : 0) | 0x04 |
                                (reads(MediumKind::DvdRom) ? 0x08 : 0) |
                                (reads(MediumKind::DvdR) || reads(MediumKind::DvdRw) ? 0x10 : 0) |
                                (reads(MediumKind::DvdRam) ? 0x20 : 0));
    p[3] = static_cast<uint8_t>((writes(MediumKind::CdR) ? 0x01 : 0) | (writes(MediumKind::CdRw) ? 0x02 : 0) |
                                (config_.write.testWrite ? 0x04 : 0) |
                                (writes(MediumKind::DvdR) || writes(MediumKind::DvdRw) ? 0x10 : 0) |
                                (writes(MediumKind::DvdRam) ? 0x20 : 0));
    p[4] = static_cast<uint8_t>((config_.write.bufe ? 0x80 : 0) | 0x70);  // multi-session, mode 2 forms
    p[6] = static_cast<uint8_t>(0x20 | 0x08 | 0x01 | (removalPrevented_ ? 0x02 : 0));  // tray, eject, lock
    p.BE16(8, config_.maxReadSpeed);
    p.BE16(12, static_cast<uint16_t>(std::min<uint32_t>(config_.bufferSize / 1024, 0xFFFF)));
    p.BE16(14, current ? readSpeed_ : config_.maxReadSpeed);
    p.BE16(18, maxWrite);
    p.BE16(20, current ? write : maxWrite);
    p.BE16(28, current ? write : maxWrite);
    p.BE16(30, descriptors);
    if (descriptors) p.BE16(34, maxWrite);
    return p.Vector();
}

// One page as MODE SENSE gives it; empty when the drive has no such page.
std::vector<uint8_t> VirtualRecorder::ModePage(uint8_t page, uint8_t control) const {
    if (page == kWriteParametersPage) {
        if (mediumPresent_ && disc_.Info().bd) return {};  // BD is written without it
        if (control == kChangeable) {
            auto m = WriteParameters::ChangeableMask(config_.write);
            return {m.begin(), m.end()};
        }
        auto p = control == kDefault ? WriteParameters::Default().Bytes() : page_.Bytes();
        return {p.begin(), p.end()};
    }
    if (page == kCapabilitiesPage) {
        auto p = CapabilitiesPage(control == kCurrent);
        if (control == kChangeable) std::fill(p.begin() + 2, p.end(), uint8_t{0});
        return p;
    }
    if (page == kVendorPage && config_.vendorPage30) {
        std::vector<uint8_t> p(16, 0);
        p[0] = kVendorPage;
        p[1] = 14;
        if (control != kChangeable) p[2] = 0x01;  // underrun protection available
        return p;
    }
    return {};
}

CommandResult VirtualRecorder::ModeSense10(Request& rq) {
    bool dbd = rq.cdb[1] & 0x08;
    uint8_t control = rq.cdb[2] >> 6, code = rq.cdb[2] & 0x3F;
    if (control == kSaved) return Check(sense::SavingParametersNotSupported);
    if (rq.cdb[3] != 0) return Check(sense::InvalidFieldInCdb);  // no subpages
    std::vector<uint8_t> pages;
    for (uint8_t c : {kWriteParametersPage, kCapabilitiesPage, kVendorPage}) {
        if (code != kAllPages && code != c) continue;
        auto p = ModePage(c, control);
        pages.insert(pages.end(), p.begin(), p.end());
    }
    if (pages.empty()) return Check(sense::InvalidFieldInCdb);
    bool descriptor = config_.blockDescriptor && !dbd;
    Reply r(8);
    if (descriptor) r.BE24(8 + 5, kBlockSize);  // all blocks, 2048 bytes each
    r.Append(pages);
    r.BE16(0, static_cast<uint16_t>(r.Size() - 2));
    r.BE16(6, descriptor ? 8 : 0);
    return SendIn(rq, r.Bytes(), GetBE16(rq.cdb, 7));
}

CommandResult VirtualRecorder::ModeSelect10(Request& rq) {
    if (!(rq.cdb[1] & 0x10) || (rq.cdb[1] & 0x01)) return Check(sense::InvalidFieldInCdb);  // PF, SP
    uint16_t length = GetBE16(rq.cdb, 7);
    if (length == 0) return {};
    if (auto refused = TakeOut(rq, length)) return *refused;
    auto list = rq.data.first(length);
    if (length < 8) return Check(sense::ParameterListLength);
    uint16_t descriptorLength = GetBE16(list, 6);
    if (descriptorLength != 0 && descriptorLength != 8) return Check(sense::InvalidFieldInParameterList);
    if (8u + descriptorLength > length) return Check(sense::ParameterListLength);
    if (auto refused = SelectPages(list.subspan(8 + descriptorLength))) return *refused;
    CommandResult r;
    r.transferred = length;
    return r;
}

// Checks every page of the list first, then takes them: a refused list
// changes nothing.
std::optional<CommandResult> VirtualRecorder::SelectPages(std::span<const uint8_t> pages) {
    std::optional<WriteParameters> newPage;
    for (size_t at = 0; at < pages.size();) {
        if (pages.size() - at < 2) return Check(sense::ParameterListLength);
        uint8_t code = pages[at], length = pages[at + 1];
        // Bytes beyond the last page, or a page cut short: the list length is wrong.
        if (code == 0 || at + 2 + length > pages.size()) return Check(sense::ParameterListLength);
        auto page = pages.subspan(at, 2 + length);
        if (code == kWriteParametersPage) {
            if (mediumPresent_ && disc_.Info().bd) return Check(sense::InvalidFieldInParameterList);
            if (auto bad = CheckWriteParameters(page, WritableKind(), config_.write)) return Check(*bad);
            WriteParameters::Page bytes{};
            std::copy_n(page.begin(), bytes.size(), bytes.begin());
            newPage.emplace(bytes);
        } else if (code != kVendorPage || !config_.vendorPage30 || length != 14) {
            return Check(sense::InvalidFieldInParameterList);  // unknown or unchangeable page
        }
        at += 2 + length;
    }
    if (newPage) {
        if (newPage->Type() != page_.Type() || !newPage->TestWrite()) simulatedNext_.reset();
        if (newPage->Type() != page_.Type()) cueSheet_ = false;
        page_ = *newPage;
        pageSelected_ = true;
    }
    return std::nullopt;
}

}  // namespace vrec
