#include "vrecorder/VirtualRecorder.h"

#include <algorithm>
#include <array>

namespace vrec {

// The commands this recorder knows; any other opcode is refused with
// INVALID COMMAND OPERATION CODE, as an MMC drive refuses REWIND UNIT.
const VirtualRecorder::CommandSpec* VirtualRecorder::FindCommand(uint8_t opcode) {
    using V = VirtualRecorder;
    static const std::array<CommandSpec, 29> kCommands{{
        {0x00, kMedium, &V::TestUnitReady},
        {0x03, kBusy | kAttention, &V::RequestSense},
        {0x04, kMedium | kChanges, &V::FormatUnit},
        {0x12, kBusy | kAttention, &V::Inquiry},
        {0x1B, 0, &V::StartStopUnit},
        {0x1E, 0, &V::PreventAllowRemoval},
        {0x23, 0, &V::ReadFormatCapacities},
        {0x25, kMedium, &V::ReadCapacity},
        {0x28, kMedium, &V::Read10},
        {0x2A, kMedium | kChanges, &V::Write10},
        {0x35, kMedium, &V::SynchronizeCache},
        {0x43, kMedium, &V::ReadToc},
        {0x46, kBusy | kAttention, &V::GetConfiguration},
        {0x4A, kBusy | kAttention, &V::GetEventStatus},
        {0x51, kMedium, &V::ReadDiscInformation},
        {0x52, kMedium, &V::ReadTrackInformation},
        {0x53, kMedium | kChanges, &V::ReserveTrack},
        {0x54, kMedium, &V::SendOpcInformation},
        {0x55, 0, &V::ModeSelect10},
        {0x5A, kBusy, &V::ModeSense10},
        {0x5B, kMedium | kChanges, &V::CloseTrackSession},
        {0x5C, kBusy, &V::ReadBufferCapacity},
        {0x5D, kMedium, &V::SendCueSheet},
        {0xA1, kMedium | kChanges, &V::Blank},
        {0xB6, 0, &V::SetStreaming},
        {0xBB, 0, &V::SetCdSpeed},
        {0xBD, kBusy, &V::MechanismStatus},
        {0xBE, kMedium, &V::ReadCd},
        {0xBF, kMedium, &V::SendDvdStructure},
    }};
    auto it = std::find_if(kCommands.begin(), kCommands.end(), [&](const CommandSpec& c) { return c.opcode == opcode; });
    return it == kCommands.end() ? nullptr : &*it;
}

}  // namespace vrec
