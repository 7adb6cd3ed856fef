#include "vrecorder/VirtualRecorder.h"

#include <algorithm>
#include <array>

namespace vrec {

// The commands this recorder knows; any other opcode is refused with
// INVALID COMMAND OPERATION CODE, as an MMC drive refuses REWIND UNIT.
const VirtualRecorder::CommandSpec* VirtualRecorder::FindCommand(uint8_t opcode) {
    using V = VirtualRecorder;
    static const std::array<CommandSpec, 29> kCommands{{
        {0x00, true, false, &V::TestUnitReady},
        {0x03, false, true, &V::RequestSense},
        {0x04, true, false, &V::FormatUnit},
        {0x12, false, true, &V::Inquiry},
        {0x1B, false, false, &V::StartStopUnit},
        {0x1E, false, false, &V::PreventAllowRemoval},
        {0x23, false, false, &V::ReadFormatCapacities},
        {0x25, true, false, &V::ReadCapacity},
        {0x28, true, false, &V::Read10},
        {0x2A, true, false, &V::Write10},
        {0x35, true, false, &V::SynchronizeCache},
        {0x43, true, false, &V::ReadToc},
        {0x46, false, true, &V::GetConfiguration},
        {0x4A, false, true, &V::GetEventStatus},
        {0x51, true, false, &V::ReadDiscInformation},
        {0x52, true, false, &V::ReadTrackInformation},
        {0x53, true, false, &V::ReserveTrack},
        {0x54, true, false, &V::SendOpcInformation},
        {0x55, false, false, &V::ModeSelect10},
        {0x5A, false, true, &V::ModeSense10},
        {0x5B, true, false, &V::CloseTrackSession},
        {0x5C, false, true, &V::ReadBufferCapacity},
        {0x5D, true, false, &V::SendCueSheet},
        {0xA1, true, false, &V::Blank},
        {0xB6, false, false, &V::SetStreaming},
        {0xBB, false, false, &V::SetCdSpeed},
        {0xBD, false, true, &V::MechanismStatus},
        {0xBE, true, false, &V::ReadCd},
        {0xBF, true, false, &V::SendDvdStructure},
    }};
    auto it = std::find_if(kCommands.begin(), kCommands.end(), [&](const CommandSpec& c) { return c.opcode == opcode; });
    return it == kCommands.end() ? nullptr : &*it;
}

}  // namespace vrec
