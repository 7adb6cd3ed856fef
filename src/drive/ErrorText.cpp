// Turning a failed request's status bytes and sense data into LastErrorText.
#include "drive/DriveMessages.h"
#include "drive/SenseCodeTexts.h"
#include "drive/TSCSIDevice.h"

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
        case 0x08: return Msg::TargetBusy;
        case 0x18: return Msg::TargetReservationConflict;
        case 0x28: return Msg::TargetQueueFull;
        default: return Msg::Unknown;
    }
}

// Sense key 0 tells its condition by the flag bits of sense byte 2.
Msg NoSenseText(uint8_t byte2) {
    if (byte2 & 0x80) return Msg::Filemark;
    if (byte2 & 0x40) return Msg::EndOfMedia;
    if (byte2 & 0x20) return Msg::IllegalLength;
    return Msg::NoAdditionalSense;
}

// The sense key's text, or nullopt for the keys that keep "CHECK CONDITION".
std::optional<Msg> SenseKeyText(uint8_t byte2) {
    static constexpr Msg kKeys[16] = {
        Msg::NoAdditionalSense, Msg::RecoveredError, Msg::NotReady, Msg::MediumError,
        Msg::HardwareError, Msg::IllegalRequest, Msg::UnitAttention, Msg::DataProtect,
        Msg::EraseCheck, Msg::CheckCondition, Msg::CopyAborted, Msg::AbortedCommand,
        Msg::CheckCondition, Msg::VolumeOverflow, Msg::Miscompare, Msg::Reserved};
    const uint8_t key = byte2 & 0x0F;
    if (key == 0) return NoSenseText(byte2);
    if (kKeys[key] == Msg::CheckCondition) return std::nullopt;
    return kKeys[key];
}

}  // namespace

std::string TSCSIDevice::GetStatusText(uint8_t status, uint8_t haStat, uint8_t targStat) {
    targetBusy_ = false;
    Msg id = RequestStatusText(status);
    if (status == SS_ERR) {
        id = haStat == HASTAT_OK ? TargetStatusText(targStat) : AdapterStatusText(haStat);
        if (haStat == HASTAT_OK && targStat == 0x08) targetBusy_ = true;
    }
    return DriveMessage(id);
}

std::string TSCSIDevice::BuildErrorText(const SRB_ExecSCSICmd& request) {
    std::string text = GetStatusText(request.SRB_Status, request.SRB_HaStat, request.SRB_TargStat);
    if (text == DriveMessage(Msg::CheckCondition)) {
        const uint8_t* sense = request.SenseArea;
        if (sense[0] == 0) {
            text.clear();
        } else if ((sense[0] & 0x7E) != 0x70) {
            text = DriveMessage(Msg::Unknown);
        } else if (auto key = SenseKeyText(sense[2])) {
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
    const uint8_t* sense = request.SenseArea;
    const uint8_t asc = sense[12];
    const uint8_t ascq = sense[13];
    std::string text;
    if (auto known = FindSenseCodeText(asc, ascq)) {
        text = *known;
    } else {
        text = std::to_string(asc) + "," + std::to_string(ascq);
    }
    std::lock_guard lock(errorLock_);
    std::memcpy(lastSense_.data(), sense, SENSE_LEN);
    if (sense[7] != 0) lastErrorText_ += " (" + text + ")";
}

}  // namespace kq
