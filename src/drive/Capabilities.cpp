// What the drive can do: mode page 2Ah (default values for the flags,
// current values for the speeds), features 2Ah, 2Bh and 2Fh, vendor page 30h.
#include "drive/DriveUnitState.h"
#include "drive/ModePage.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace kq {

namespace {

constexpr uint8_t kCapabilitiesPage = 0x2A;
// Speed reported when a drive gives none (1x DVD, kB/s).
constexpr uint16_t kUnreportedSpeed = 1385;
// Bytes of page 2Ah read here: through the current write speed.
constexpr size_t kNeeded = 22;

struct PageBit {
    uint8_t byte, mask;
    TDeviceCapability flag;
};

constexpr PageBit kPageBits[] = {
    {2, 0x01, TDeviceCapability::CanReadCDR},     {2, 0x02, TDeviceCapability::CanReadCDRW},
    {2, 0x04, TDeviceCapability::CanReadMethod2}, {2, 0x08, TDeviceCapability::CanReadDVDROM},
    {2, 0x10, TDeviceCapability::CanReadDVDR},    {2, 0x10, TDeviceCapability::CanReadDVDRW},
    {2, 0x20, TDeviceCapability::CanReadDVDRAM},  {3, 0x01, TDeviceCapability::CanWriteCDR},
    {3, 0x02, TDeviceCapability::CanWriteCDRW},   {3, 0x04, TDeviceCapability::CanTestWrite},
    {3, 0x10, TDeviceCapability::CanWriteDVDR},   {3, 0x10, TDeviceCapability::CanWriteDVDRW},
    {3, 0x20, TDeviceCapability::CanWriteDVDRAM}, {4, 0x80, TDeviceCapability::CanUnderrunProtect},
};

TDeviceCapabilities FlagsOfPage(std::span<const uint8_t> page) {
    TDeviceCapabilities caps;
    for (const auto& b : kPageBits)
        if (page[b.byte] & b.mask) caps.Include(b.flag);
    return caps;
}

// A drive with DVD-RAM write (byte 3 bit 5) but no speed gets 1.
uint16_t SpeedOrFallback(std::span<const uint8_t> page, size_t at) {
    const uint16_t speed = GetBE16(page.subspan(at));
    if (speed != 0) return speed;
    return (page[3] & 0x20) ? 1 : 0;
}

void SwapToHostOrder(std::span<uint8_t> page, size_t at) {
    const uint16_t value = GetBE16(page.subspan(at));
    std::memcpy(page.data() + at, &value, sizeof value);
}

uint16_t HostField(std::span<const uint8_t> page, size_t at) {
    uint16_t value;
    std::memcpy(&value, page.data() + at, sizeof value);
    return value;
}

}  // namespace

bool TSCSIDevice::ReadCapabilities() {
    auto lock = LockCommands();
    capabilities_ = 0;
    deviceMaxWriteSpeed_ = 0;
    deviceMaxReadSpeed_ = 0;
    capabilitiesPage_.fill(0);
    capabilityWork_.fill(0);
    size_t offset = 8;
    if (ReadCapabilitiesDefaults(offset)) AddCapabilityFeatures();
    return ReadCapabilitiesCurrent(offset);
}

// Pass 1: the flags and first speeds, from the default values. A reply
// that does not hold the whole page counts as a failed pass.
bool TSCSIDevice::ReadCapabilitiesDefaults(size_t& offset) {
    constexpr uint16_t kLength = 255;
    if (!ModeSense10(kCapabilitiesPage, capabilityWork_, true, kLength, 255)) return false;
    const auto page = FindModePage(capabilityWork_, kLength, kCapabilitiesPage, 8, true, kNeeded);
    if (!page) return false;
    offset = page->offset;
    std::copy(page->bytes.begin(), page->bytes.end(), capabilitiesPage_.begin());

    TDeviceCapabilities caps = FlagsOfPage(capabilitiesPage_);
    // Both are asked every time: the probe is a command the drive sees.
    const bool vendorPage = ProbeUnderrunPage();
    if (vendorPage || DriveUnit().ForceUnderrunProtection)
        caps.Include(TDeviceCapability::CanUnderrunProtect);
    capabilities_ = caps.bits;
    deviceMaxWriteSpeed_ = SpeedOrFallback(capabilitiesPage_, 18);
    deviceMaxReadSpeed_ = SpeedOrFallback(capabilitiesPage_, 8);
    return true;
}

// Features 2Ah (DVD+RW), 2Bh (DVD+R) and 2Fh (DVD-R/-RW write). Write
// ability counts only when the first feature byte is exactly 1. Some DVD+R
// writers list 2Bh alone: without it they would pass for unable to write
// the DVD+R they hold.
void TSCSIDevice::AddCapabilityFeatures() {
    constexpr uint8_t kLength = 114;
    struct Feature {
        uint8_t code;
        std::initializer_list<TDeviceCapability> reads, writes;
    };
    using C = TDeviceCapability;
    const Feature kFeatures[] = {
        {0x2A, {C::CanReadDVDPlusR, C::CanReadDVDPlusRW}, {C::CanWriteDVDPlusR, C::CanWriteDVDPlusRW}},
        {0x2B, {C::CanReadDVDPlusR}, {C::CanWriteDVDPlusR}},
        {0x2F, {C::CanReadDVDR, C::CanReadDVDRW}, {C::CanWriteDVDR, C::CanWriteDVDRW}},
    };
    TDeviceCapabilities caps{capabilities_.load()};
    for (const auto& f : kFeatures) {
        configuration_.fill(0);
        if (!GetConfiguration(2, f.code, kLength, configuration_)) continue;
        const ReplyView reply(configuration_, Length32Reply(configuration_, kLength));
        if (reply.BE16(8) != f.code) continue;
        for (C flag : f.reads) caps.Include(flag);
        if (reply.Byte(12) == 1)
            for (C flag : f.writes) caps.Include(flag);
    }
    capabilities_ = caps.bits;
}

// Pass 2: the current speeds; the flags stay those of pass 1.
bool TSCSIDevice::ReadCapabilitiesCurrent(size_t fallbackOffset) {
    constexpr uint16_t kLength = 128;
    capabilityWork_.fill(0);
    if (!ModeSense10(kCapabilitiesPage, capabilityWork_, false, kLength, 255)) return false;
    const auto page =
        FindModePage(capabilityWork_, kLength, kCapabilitiesPage, fallbackOffset, true, kNeeded);
    if (!page) return false;
    capabilitiesPage_.fill(0);
    std::copy(page->bytes.begin(), page->bytes.end(), capabilitiesPage_.begin());
    capabilityWork_.fill(0);

    auto p = std::span(capabilitiesPage_);
    if (GetBE16(p.subspan(20)) == 0) PutBE16(p.subspan(20), kUnreportedSpeed);
    if (GetBE16(p.subspan(18)) == 0) PutBE16(p.subspan(18), kUnreportedSpeed);
    for (size_t at : {20, 18, 14, 8, 12}) SwapToHostOrder(p, at);
    deviceMaxWriteSpeed_ = std::max<uint16_t>(deviceMaxWriteSpeed_, HostField(p, 18));
    deviceMaxReadSpeed_ = std::max<uint16_t>(deviceMaxReadSpeed_, HostField(p, 8));
    return true;
}

bool TSCSIDevice::ProbeUnderrunPage() {
    constexpr uint8_t kVendorPage = 0x30;
    constexpr uint16_t kLength = 128;
    auto lock = LockCommands();
    capabilityWork_.fill(0);
    if (!ModeSense10(kVendorPage, capabilityWork_, false, kLength, 255)) return false;
    const ReplyView reply(capabilityWork_, Length16Reply(capabilityWork_, kLength));
    return reply.Byte(16) == kVendorPage || reply.Byte(8) == kVendorPage ||
           reply.Byte(7) == kVendorPage;
}

uint16_t TSCSIDevice::GetMaxReadSpeed() {
    auto lock = LockCommands();
    return ReadCapabilities() ? HostField(capabilitiesPage_, 8) : 0;
}

uint16_t TSCSIDevice::GetCurrentWriteSpeed() {
    auto lock = LockCommands();
    return ReadCapabilities() ? HostField(capabilitiesPage_, 20) : 0;
}

}  // namespace kq
