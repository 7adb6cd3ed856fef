// READ FORMAT CAPACITIES and FORMAT UNIT: what a BD-RE can be formatted
// to, and formatting it.
#include "drive/DriveMessages.h"
#include "drive/ModePage.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq {

namespace {

constexpr size_t kHeader = 4, kDescriptor = 8;
constexpr uint8_t kUnformattedDescriptor = 1;
// Full format types of BD-RE: with the drive's default spare (00h) or
// with spare areas (30h).
constexpr uint8_t kFullFormats[] = {0x00, 0x30};

std::array<uint8_t, 10> ReadFormatCapacitiesCdb(uint16_t allocation) {
    std::array<uint8_t, 10> cdb{0x23};
    PutBE16(std::span(cdb).subspan(7), allocation);
    return cdb;
}

// Format code 001b with a parameter list (FmtData).
constexpr std::array<uint8_t, 6> kFormatUnitCdb{0x04, 0x11, 0, 0, 0, 0};

}  // namespace

std::optional<FormatCapacities> TSCSIDevice::ReadFormatCapacities() {
    constexpr int kTimeoutMs = 10000;
    auto lock = LockCommands();
    auto reply = std::span(TransferBuffer).first(252);
    std::fill(reply.begin(), reply.end(), uint8_t{0});
    if (!RunCommand(ReadFormatCapacitiesCdb(static_cast<uint16_t>(reply.size())), DataIn(reply), kTimeoutMs))
        return std::nullopt;
    const ReplyView r(reply, kHeader + reply[3]);  // the list length counts what follows the header
    const auto blocks = r.BE32(kHeader);
    const auto type = r.Byte(kHeader + 4);
    if (!blocks || !type) return std::nullopt;
    FormatCapacities caps;
    caps.unformatted = (*type & 0x03) == kUnformattedDescriptor;
    caps.blocks = *blocks;
    for (size_t at = kHeader + kDescriptor; r.Byte(at + kDescriptor - 1); at += kDescriptor) {
        const uint8_t formatType = static_cast<uint8_t>(*r.Byte(at + 4) >> 2);
        if (std::find(std::begin(kFullFormats), std::end(kFullFormats), formatType) == std::end(kFullFormats)) continue;
        caps.full = FormatDescriptor{*r.BE32(at), formatType, r.BE32(at + 4).value_or(0) & 0xFFFFFF};
        break;
    }
    return caps;
}

bool TSCSIDevice::FormatWholeDisc(bool immediate) {
    auto lock = LockCommands();
    const std::optional<FormatCapacities> caps = ReadFormatCapacities();
    if (!caps) return false;
    if (!caps->full) {
        SetLastErrorText(DriveMessage(Msg::NoFullFormat));
        return false;
    }
    return FormatUnit(*caps->full, immediate);
}

bool TSCSIDevice::Unformatted() {
    const std::optional<FormatCapacities> caps = ReadFormatCapacities();
    return caps && caps->unformatted;
}

// A whole BD-RE takes minutes to format: with Immed the drive answers at
// once and reports its progress to REQUEST SENSE meanwhile.
bool TSCSIDevice::FormatUnit(const FormatDescriptor& format, bool immediate) {
    constexpr int kImmediateTimeoutMs = 20000;
    constexpr int kFormatTimeoutMs = 120 * 60 * 1000;
    alignas(4) std::array<uint8_t, kHeader + kDescriptor> list{};
    list[1] = immediate ? 0x02 : 0x00;
    PutBE16(std::span(list).subspan(2), kDescriptor);
    PutBE32(std::span(list).subspan(kHeader), format.blocks);
    PutBE32(std::span(list).subspan(kHeader + 4), format.parameter & 0xFFFFFF);
    list[kHeader + 4] = static_cast<uint8_t>(format.type << 2);
    return RunCommand(kFormatUnitCdb, DataOut(list), immediate ? kImmediateTimeoutMs : kFormatTimeoutMs);
}

}  // namespace kq
