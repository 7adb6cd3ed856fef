// Selecting an entry of Devices: its address parsed back out of the text,
// the device identified, its quirks and write types taken.
#include "drive/DriveMessages.h"
#include "drive/TSCSIDevice.h"

#include <charconv>
#include <optional>

namespace kq {

namespace {

constexpr uint8_t kCdDvdDevice = 0x05;
constexpr uint8_t kWriteOnceDevice = 0x04;
constexpr uint8_t kNoValidDevice = 0x7F;
constexpr size_t kShortestEntry = 5;  // "1:0:0"

struct EntryAddress {
    uint8_t haId, target, lun;
};

// One whole decimal number of a byte at `at`, followed by `stop` (or the
// end when stop is 0); advances `at` past it.
std::optional<uint8_t> Number(std::string_view entry, size_t& at, char stop) {
    unsigned value = 0;
    const char* first = entry.data() + at;
    const char* last = entry.data() + entry.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end == first || value > 0xFF) return std::nullopt;
    at = static_cast<size_t>(end - entry.data());
    if (stop != 0) {
        if (at >= entry.size() || entry[at] != stop) return std::nullopt;
        ++at;
    }
    return static_cast<uint8_t>(value);
}

// "12:0:0,..." -> 12, 0, 0. Adapter numbers have as many digits as they
// need: the system's host numbers grow with every hot-plugged drive.
std::optional<EntryAddress> ParseEntry(std::string_view entry) {
    size_t at = 0;
    auto haId = Number(entry, at, ':');
    if (!haId) return std::nullopt;
    auto target = Number(entry, at, ':');
    if (!target) return std::nullopt;
    auto lun = Number(entry, at, 0);
    if (!lun) return std::nullopt;
    return EntryAddress{*haId, *target, *lun};
}

}  // namespace

bool TSCSIDevice::SelectDevice(const std::string& Entry) {
    SetDeviceID(Entry);
    return true;
}

void TSCSIDevice::SetDeviceID(const std::string& Entry) {
    if (Entry.size() < kShortestEntry) {
        if (!Entry.empty()) SendDebugMessage(DriveMessage(Msg::InvalidDeviceId), 0);
        ClearSelection();
        return;
    }
    try {
        if (!TakeEntry(Entry)) RefuseSelection();
    } catch (...) {
        // An exception of OnDeviceChange or of the drive code ends here.
        try {
            RefuseSelection();
        } catch (...) {
            ClearSelection();
        }
    }
}

// False when the entry does not name a CD/DVD device that answers.
bool TSCSIDevice::TakeEntry(const std::string& entry) {
    const auto address = ParseEntry(entry);
    if (!address) return false;
    HaId = address->haId;
    Target = address->target;
    Lun = address->lun;
    deviceID_ = entry;
    if (!IdentifyDevice()) return false;
    // A write-once device is taken, though its entry says "not supported".
    if (inquiryData_[0] != kCdDvdDevice && inquiryData_[0] != kWriteOnceDevice) return false;
    const auto* id = reinterpret_cast<const char*>(inquiryData_.data());
    SetModelQuirks(std::string_view(id + 8, 8), std::string_view(id + 16, 16));
    if (OnDeviceChange) OnDeviceChange(*this);
    (void)ProbeWriteTypes();  // WriteTypes keeps what it found
    return true;
}

void TSCSIDevice::RefuseSelection() {
    SendDebugMessage(DriveMessage(Msg::InvalidDeviceId), 0);
    ClearSelection();
}

void TSCSIDevice::ClearSelection() {
    deviceID_.clear();
    deviceDescription_.clear();
    deviceType_ = kNoValidDevice;
    HaId = Target = Lun = NoAddress;
}

bool TSCSIDevice::IdentifyDevice() {
    (void)ReadCapabilities();  // refreshes or clears the capability fields
    if (!Inquiry()) {
        deviceDescription_ = LastErrorText();
        return false;
    }
    deviceType_ = inquiryData_[0];
    for (size_t i = 8; i <= 55; ++i)
        if (inquiryData_[i] < 0x20) inquiryData_[i] = ' ';
    const auto* id = reinterpret_cast<const char*>(inquiryData_.data());
    deviceDescription_ = std::string(id + 8, 8) + " " + std::string(id + 16, 16) + " " + std::string(id + 32, 4);
    return true;
}

}  // namespace kq
