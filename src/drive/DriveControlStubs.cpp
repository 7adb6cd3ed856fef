// Placeholder bodies, replaced concern by concern.
#include "drive/TSCSIDevice.h"

namespace kq {

bool TSCSIDevice::TestUnitReady(int) { return false; }
bool TSCSIDevice::RequestSense(std::span<uint8_t>, uint8_t) { return false; }
bool TSCSIDevice::ReadDiscInformation(std::span<uint8_t>, uint8_t) { return false; }
bool TSCSIDevice::ReadTocPmaAtip(uint8_t, std::span<uint8_t>, bool, uint8_t, uint8_t, int) { return false; }
bool TSCSIDevice::GetConfiguration(uint8_t, uint8_t, uint8_t, std::span<uint8_t>) { return false; }
bool TSCSIDevice::RefreshDiscInformation() { return false; }
int TSCSIDevice::RecordedSessionCount() { return 0; }
uint16_t TSCSIDevice::GetMediaType() { return 0; }
bool TSCSIDevice::ReadBufferCapacity(uint32_t&, uint32_t&) { return false; }
bool TSCSIDevice::WaitUntilReady(int, int) { return false; }
bool TSCSIDevice::SlowReadyQuirk() { return false; }
uint16_t TSCSIDevice::MediaType() { return 0; }
void TSCSIDevice::SetMediaType(uint16_t) {}
bool TSCSIDevice::ReadCapabilities() { return false; }
bool TSCSIDevice::ProbeUnderrunPage() { return false; }
uint16_t TSCSIDevice::GetMaxReadSpeed() { return 0; }
uint16_t TSCSIDevice::GetCurrentWriteSpeed() { return 0; }
bool TSCSIDevice::TryWriteType(uint8_t) { return false; }
bool TSCSIDevice::ProbeWriteTypes() { return true; }
void TSCSIDevice::SetModelQuirks(std::string_view, std::string_view) {}
bool TSCSIDevice::CloseImmediate() { return true; }
void TSCSIDevice::ReverseBytes(std::span<const uint8_t>, std::span<uint8_t>) {}
void TSCSIDevice::SetWriteSpeed(uint16_t) {}
void TSCSIDevice::TakeDeviceFreeBuffer(uint32_t) {}
bool TSCSIDevice::ModeSense10(uint8_t, std::span<uint8_t>, bool, uint16_t, uint16_t) { return false; }
bool TSCSIDevice::ModeSelect10(std::span<const uint8_t>, size_t) { return false; }
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
void TSCSIDevice::SetReleaseHandleAfterCommand(bool) {}
bool TSCSIDevice::ReleaseHandleAfterCommand() { return true; }
bool TSCSIDevice::SetWriteParameters(bool, bool, uint16_t) { return false; }
void TSCSIDevice::SetLastErrorText(std::string) {}

}  // namespace kq
