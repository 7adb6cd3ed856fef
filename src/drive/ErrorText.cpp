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
        case SS_PENDING: case SS_COMP: return Msg::NoError;
        case SS_ABORTED: case SS_ABORT_FAIL: return Msg::OperationAborted;
        case SS_INVALID_CMD: return Msg::InvalidRequest;
        case SS_INVALID_HA: return Msg::InvalidHostAdapter;
        case SS_NO_DEVICE: return Msg::NoDevice;
        case SS_INVALID_SRB: return Msg::InvalidSrb;
        case SS_BUFFER_ALIGN: return Msg::BufferAlignment;
        case SS_ASPI_IS_BUSY: return Msg::AspiIsBusy;
        case SS_BUFFER_TOO_BIG: return Msg::BufferTooBig;
        default: return Msg::Unknown;
    }
}

Msg AdapterStatusText(uint8_t haStat) {
    switch (haStat) {
        case HASTAT_TIMEOUT: return Msg::CommandTimeout;
        case HASTAT_COMMAND_TIMEOUT: return Msg::SrbTimeout;
        case HASTAT_MESSAGE_REJECT: return Msg::MessageReject;
        case HASTAT_BUS_RESET: return Msg::BusReset;
        case HASTAT_PARITY_ERROR: return Msg::ParityError;
        case HASTAT_REQUEST_SENSE_FAILED: return Msg::RequestSenseFailed;
        case HASTAT_SEL_TO: return Msg::SelectionTimeout;
        case HASTAT_DO_DU: return Msg::DataOverrun;
        case HASTAT_BUS_FREE: return Msg::UnexpectedBusFree;
        default: return Msg::Unknown;
    }
}

Msg TargetStatusText(uint8_t targStat) {
    switch (targStat) {
        case kTargetStatusGood: case kTargetStatusCheckCondition: return Msg::CheckCondition;
        case kTargetStatusBusy: return Msg::TargetBusy;
        case kTargetStatusReservationConflict: return Msg::TargetReservationConflict;
        case kTargetStatusQueueFull: return Msg::TargetQueueFull;
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
