// What the drive can do: mode page 2Ah (default values for the flags,
// current values for the speeds), the features of DVD and BD writing,
// vendor page 30h.
#include "drive/DriveUnitState.h"
#include "drive/ModePage.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <cstring>

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

namespace {

// How a feature tells an ability: by being listed, by its first byte being
// exactly 1, or by a bit of a byte or of a 16-bit class bitmap (BD: any
// version of class 0).
enum class Test : uint8_t { Listed, FirstByteIsOne, Bit, Bitmap };

struct FeatureAbility {
    uint16_t code;
    TDeviceCapability flag;
    Test test;
    uint8_t at = 0;     // byte of the feature descriptor
    uint16_t mask = 0;
};

using C = TDeviceCapability;
constexpr FeatureAbility kFeatureAbilities[] = {
    {0x2A, C::CanReadDVDPlusR, Test::Listed},          {0x2A, C::CanReadDVDPlusRW, Test::Listed},
    {0x2A, C::CanWriteDVDPlusR, Test::FirstByteIsOne}, {0x2A, C::CanWriteDVDPlusRW, Test::FirstByteIsOne},
    {0x2B, C::CanReadDVDPlusR, Test::Listed},          {0x2B, C::CanWriteDVDPlusR, Test::FirstByteIsOne},
    {0x2F, C::CanReadDVDR, Test::Listed},              {0x2F, C::CanReadDVDRW, Test::Listed},
    {0x2F, C::CanWriteDVDR, Test::FirstByteIsOne},     {0x2F, C::CanWriteDVDRW, Test::FirstByteIsOne},
    {0x2F, C::CanWriteDVDRDL, Test::Bit, 4, 0x08},     // RDL
    {0x33, C::CanLayerJump, Test::Listed},
    {0x3B, C::CanReadDVDPlusRDL, Test::Listed},        {0x3B, C::CanWriteDVDPlusRDL, Test::Bit, 4, 0x01},
    {0x40, C::CanReadBD, Test::Listed},
    {0x41, C::CanWriteBDRE, Test::Bitmap, 8, 0xFFFF},  {0x41, C::CanWriteBDR, Test::Bitmap, 16, 0xFFFF},
};

bool Shows(const ReplyView& feature, const FeatureAbility& a) {
    constexpr size_t kDescriptor = 8;  // the feature header comes first
    switch (a.test) {
        case Test::Listed: return true;
        case Test::FirstByteIsOne: return feature.Byte(kDescriptor + 4) == 1;
        case Test::Bit: return (feature.Byte(kDescriptor + a.at).value_or(0) & a.mask) != 0;
        case Test::Bitmap: return (feature.BE16(kDescriptor + a.at).value_or(0) & a.mask) != 0;
    }
    return false;
}

}  // namespace

// Features 2Ah (DVD+RW), 2Bh (DVD+R), 2Fh (DVD-R/-RW write), 33h (layer
// jump), 3Bh (DVD+R DL), 40h and 41h (BD read and write), each asked
// once. Some DVD+R writers list 2Bh alone: without it they would pass for
// unable to write the DVD+R they hold.
void TSCSIDevice::AddCapabilityFeatures() {
    constexpr uint8_t kLength = 114;
    TDeviceCapabilities caps{capabilities_.load()};
    uint16_t asked = 0;
    for (const auto& row : kFeatureAbilities) {
        if (row.code == asked) continue;
        asked = row.code;
        configuration_.fill(0);
        if (!GetConfiguration(2, row.code, kLength, configuration_)) continue;
        const ReplyView reply(configuration_, Length32Reply(configuration_, kLength));
        if (reply.BE16(8) != row.code) continue;
        for (const auto& a : kFeatureAbilities)
            if (a.code == row.code && Shows(reply, a)) caps.Include(a.flag);
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
