// Finding the CD/DVD devices behind the transport: the adapter inquiry and
// the INQUIRY sweep that builds Devices.
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <cstring>

namespace kq {

namespace {

constexpr uint8_t kCdDvdDevice = 0x05;
constexpr uint8_t kWriteOnceDevice = 0x04;
constexpr int kInquiryTimeoutMs = 10000;
constexpr uint8_t kTargets = 8, kLuns = 8;

// A fixed-width text field up to its first zero byte.
std::string FieldText(const uint8_t (&field)[16]) {
    const auto* end = std::find(std::begin(field), std::end(field), 0);
    return std::string(std::begin(field), end);
}

std::string TrimBlanks(std::string text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool TSCSIDevice::InitASPI(bool PreferPassThrough, const std::string& LibraryPath) {
    bool loaded = false;
    try {
        loaded = LoadASPI(PreferPassThrough, LibraryPath);
    } catch (...) {
        loaded = false;
    }
    if (loaded) {
        HostAdapterInquiry(0);
        RescanDevices();
    }
    return loaded;
}

void TSCSIDevice::HostAdapterInquiry(uint8_t Adapter) {
    haInquiry_ = SRB_HAInquiry{};
    haInquiry_.SRB_Cmd = SC_HA_INQUIRY;
    haInquiry_.SRB_HaId = Adapter;
    SendASPI32Command(&haInquiry_);
    hostAdapterCount_ = LoadSrbStatus(haInquiry_.SRB_Status) == SS_COMP
                            ? int16_t{haInquiry_.HA_Count}
                            : int16_t{-1};
    // Some layers report no adapters and still answer on them.
    if (hostAdapterCount_ == 0) hostAdapterCount_ = 7;
}

bool TSCSIDevice::Inquiry() {
    const std::array<uint8_t, 6> cdb{0x12, 0, 0, 0, 0x80, 0};
    return RunCommand(cdb, DataIn(std::span(inquiryData_).first(128)), kInquiryTimeoutMs);
}

void TSCSIDevice::RescanDevices() {
    devices_.clear();
    const uint8_t haId = HaId, target = Target, lun = Lun;
    Lun = 0;
    if (DoDebug) SendDebugMessage(">>> " + ASPILayerName(), 1);
    // The count is taken once: each adapter's inquiry overwrites it.
    const int adapters = hostAdapterCount_;
    for (int adapter = 0; adapter < adapters; ++adapter) SweepAdapter(static_cast<uint8_t>(adapter));
    HaId = haId;
    Target = target;
    Lun = lun;
    ClearLastError();
}

void TSCSIDevice::SweepAdapter(uint8_t adapter) {
    HostAdapterInquiry(adapter);
    if (DoDebug) {
        SendDebugMessage(">>> " + FieldText(haInquiry_.HA_ManagerId) + " (" +
                             TrimBlanks(FieldText(haInquiry_.HA_Identifier)) + ")",
                         1);
    }
    for (uint8_t target = 0; target < kTargets; ++target) {
        for (uint8_t lun = 0; lun < kLuns; ++lun) {
            HaId = adapter;
            Target = target;
            Lun = lun;
            inquiryData_.fill(0);
            if (!Inquiry()) continue;
            // The whole byte: a set qualifier means no device is there.
            const uint8_t type = inquiryData_[0];
            if (type != kCdDvdDevice && type != kWriteOnceDevice) continue;
            devices_.push_back(DeviceEntry(adapter, target, lun));
        }
    }
}

// "1:0:0,E: " and the 28 identification bytes exactly as the drive sent them.
std::string TSCSIDevice::DeviceEntry(uint8_t adapter, uint8_t target, uint8_t lun) {
    const char letter = GetDriveLetter();
    std::string entry = std::to_string(adapter) + ":" + std::to_string(target) + ":" + std::to_string(lun) +
                        "," + (letter == 0 ? std::string("?:") : std::string{letter, ':'}) + " ";
    entry.append(reinterpret_cast<const char*>(&inquiryData_[8]), 28);
    if (inquiryData_[0] == kWriteOnceDevice) entry += " (not supported)";
    return entry;
}

}  // namespace kq
