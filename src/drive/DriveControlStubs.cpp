// Placeholder bodies, replaced concern by concern.
#include "drive/TSCSIDevice.h"

namespace kq {

bool TSCSIDevice::TryWriteType(uint8_t) { return false; }
bool TSCSIDevice::ProbeWriteTypes() { return true; }
void TSCSIDevice::SetModelQuirks(std::string_view, std::string_view) {}
bool TSCSIDevice::SetCDSpeed(uint16_t, uint16_t) { return false; }
bool TSCSIDevice::SetStreaming(std::span<uint8_t>) { return false; }
bool TSCSIDevice::SendDVDStructure(uint8_t, std::span<uint8_t>) { return false; }
bool TSCSIDevice::SendTimeStamp(const TDateTime&) { return false; }
bool TSCSIDevice::SendOPCInformation() { return false; }
bool TSCSIDevice::ReserveTrack(uint32_t) { return false; }
bool TSCSIDevice::SendCueSheet(std::span<uint8_t>) { return false; }
bool TSCSIDevice::Write10(uint32_t, uint16_t, uint8_t, std::span<uint8_t>) { return false; }
bool TSCSIDevice::SynchronizeCache(int, bool) { return false; }
bool TSCSIDevice::CloseTrackSession(bool, bool, bool) { return false; }
bool TSCSIDevice::CloseTrackSessionRaw(bool, uint8_t, uint8_t, uint8_t, uint8_t) { return false; }
bool TSCSIDevice::StartStopUnit(bool) { return false; }
bool TSCSIDevice::PreventAllowRemoval(bool) { return false; }
void TSCSIDevice::RewindUnit() {}
bool TSCSIDevice::SetWriteParameters(bool, bool, uint16_t) { return false; }

}  // namespace kq
