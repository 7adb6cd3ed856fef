// Turning a failed request's status bytes and sense data into LastErrorText.
#include "drive/CommandTrace.h"
#include "drive/DriveMessages.h"
#include "drive/SenseCodeTexts.h"
#include "drive/SenseFields.h"
#include "drive/TSCSIDevice.h"
#include "platform/SystemError.h"

#include <cstring>

namespace kq {

namespace {

Msg RequestStatusText(uint8_t status) {
    switch (status) {
        case 0x00: case 0x01: return Msg::NoError;
        case 0x02: case 0x03: return Msg::OperationAborted;
        case 0x80: return Msg::InvalidRequest;
        case 0x81: return Msg::InvalidHostAdapter;
        case 0x82: return Msg::NoDevice;
        case 0xE0: return Msg::InvalidSrb;
        case 0xE1: return Msg::BufferAlignment;
        case 0xE5: return Msg::AspiIsBusy;
        case 0xE6: return Msg::BufferTooBig;
        default: return Msg::Unknown;
    }
}

Msg AdapterStatusText(uint8_t haStat) {
    switch (haStat) {
        case 0x09: return Msg::CommandTimeout;
        case 0x0B: return Msg::SrbTimeout;
        case 0x0D: return Msg::MessageReject;
        case 0x0E: return Msg::BusReset;
        case 0x0F: return Msg::ParityError;
        case 0x10: return Msg::RequestSenseFailed;
        case 0x11: return Msg::SelectionTimeout;
        case 0x12: return Msg::DataOverrun;
        case 0x13: return Msg::UnexpectedBusFree;
        default: return Msg::Unknown;
    }
}

Msg TargetStatusText(uint8_t targStat) {
    switch (targStat) {
        case 0x00: case 0x02: return Msg::CheckCondition;
        case kTargetStatusBusy: return Msg::TargetBusy;
        case kTargetStatusReservationConflict: return Msg::TargetReservationConflict;
        case 0x28: return Msg::TargetQueueFull;
        default: return Msg::Unknown;
    }
}

// Sense key 0 tells its condition by the flag bits beside the key.
Msg NoSenseText(uint8_t flags) {
    if (flags & 0x80) return Msg::Filemark;
    if (flags & 0x40) return Msg::EndOfMedia;
    if (flags & 0x20) return Msg::IllegalLength;
    return Msg::NoAdditionalSense;
}

// The sense key's text, or nullopt for the keys that keep "CHECK CONDITION".
std::optional<Msg> SenseKeyText(const SenseFields& sense) {
    static constexpr Msg kKeys[16] = {
        Msg::NoAdditionalSense, Msg::RecoveredError, Msg::NotReady, Msg::MediumError,
        Msg::HardwareError, Msg::IllegalRequest, Msg::UnitAttention, Msg::DataProtect,
        Msg::EraseCheck, Msg::CheckCondition, Msg::CopyAborted, Msg::AbortedCommand,
        Msg::CheckCondition, Msg::VolumeOverflow, Msg::Miscompare, Msg::Reserved};
    if (sense.Key() == 0) return NoSenseText(sense.KeyFlags());
    if (kKeys[sense.Key()] == Msg::CheckCondition) return std::nullopt;
    return kKeys[sense.Key()];
}

Msg StatusMessage(uint8_t status, uint8_t haStat, uint8_t targStat) {
    if (status != SS_ERR) return RequestStatusText(status);
    return haStat == HASTAT_OK ? TargetStatusText(targStat) : AdapterStatusText(haStat);
}

// What the adapter's status alone would leave vague: which command ran out
// of time, and a failed system call in the system's own words.
std::optional<std::string> AdapterDetail(const SRB_ExecSCSICmd& request) {
    if (request.SRB_Status != SS_ERR) return std::nullopt;
    if (request.SRB_HaStat == HASTAT_TIMEOUT) return CommandTimeoutText(request.CDBByte[0]);
    const int code = SystemErrorOf(request);
    if (request.SRB_HaStat == HASTAT_PHASE_ERR && code != 0)
        return FormatDriveMessage(Msg::SystemError, {platform::SystemErrorText(code)});
    return std::nullopt;
}

}  // namespace

std::string TSCSIDevice::GetStatusText(uint8_t status, uint8_t haStat, uint8_t targStat) {
    targetStatus_ = status == SS_ERR && haStat == HASTAT_OK ? targStat : 0;
    return DriveMessage(StatusMessage(status, haStat, targStat));
}

std::string TSCSIDevice::BuildErrorText(const SRB_ExecSCSICmd& request) {
    std::string text = GetStatusText(request.SRB_Status, request.SRB_HaStat, request.SRB_TargStat);
    if (auto detail = AdapterDetail(request)) text = *detail;
    if (StatusMessage(request.SRB_Status, request.SRB_HaStat, request.SRB_TargStat) == Msg::CheckCondition) {
        const SenseFields sense(request.SenseArea);
        if (sense.ResponseCode() == 0) {
            text.clear();
        } else if (!sense.Fixed()) {
            text = DriveMessage(Msg::Unknown);
        } else if (auto key = SenseKeyText(sense)) {
            text = DriveMessage(*key);
        }
    }
    {
        std::lock_guard lock(errorLock_);
        lastErrorText_ = text;
    }
    AddSenseCodeText(request);
    return text;
}

void TSCSIDevice::AddSenseCodeText(const SRB_ExecSCSICmd& request) {
    const SenseFields sense(request.SenseArea);
    std::string text;
    if (auto known = FindSenseCodeText(sense.Asc(), sense.Ascq())) {
        text = *known;
    } else {
        text = std::to_string(sense.Asc()) + "," + std::to_string(sense.Ascq());
    }
    std::lock_guard lock(errorLock_);
    std::memcpy(lastSense_.data(), request.SenseArea, SENSE_LEN);
    if (sense.AdditionalLength() != 0) lastErrorText_ += " (" + text + ")";
}

}  // namespace kq
