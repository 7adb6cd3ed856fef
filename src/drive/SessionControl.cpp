// Flushing, closing tracks and sessions, blanking, and the tray and removal
// commands.
#include "drive/TSCSIDevice.h"

namespace kq {

namespace {
constexpr int kCloseTimeoutMs = 180000;  // closing a session writes lead-in and lead-out

std::array<uint8_t, 10> CloseCdb(bool immediate, uint8_t function) {
    std::array<uint8_t, 10> cdb{0x5B};
    cdb[1] = immediate ? 0x01 : 0x00;
    cdb[2] = function;
    return cdb;
}
}  // namespace

bool TSCSIDevice::SynchronizeCache(int timeoutMs, bool immediate) {
    std::array<uint8_t, 10> cdb{0x35};
    cdb[1] = immediate ? 0x02 : 0x00;
    return RunCommand(cdb, NoData(), timeoutMs);
}

// Function 5 finalizes the disc; 1 closes the invisible track, 2 the session.
bool TSCSIDevice::CloseTrackSession(bool closeTrack, bool immediate, bool finalize) {
    auto cdb = CloseCdb(immediate, finalize ? 5 : closeTrack ? 1 : 2);
    if (closeTrack) cdb[5] = 0xFF;
    return RunCommand(cdb, NoData(), kCloseTimeoutMs);
}

bool TSCSIDevice::CloseTrackSessionRaw(bool immediate, uint8_t function, uint8_t byte3,
                                       uint8_t byte4, uint8_t byte5) {
    auto cdb = CloseCdb(immediate, function);
    cdb[3] = byte3;
    cdb[4] = byte4;
    cdb[5] = byte5;
    return RunCommand(cdb, NoData(), kCloseTimeoutMs);
}

// Blanking types 0 (the whole disc) and 1 (minimal: lead-in, PMA and the
// first session's table). Without Immed the command lasts the whole
// erase, which on a DVD-RW at 1x is about an hour.
bool TSCSIDevice::Blank(uint8_t type, bool immediate) {
    constexpr int kImmediateTimeoutMs = 20000;
    constexpr int kBlankTimeoutMs = 80 * 60 * 1000;
    std::array<uint8_t, 12> cdb{0xA1};
    cdb[1] = static_cast<uint8_t>((type & 0x07) | (immediate ? 0x10 : 0x00));
    return RunCommand(cdb, NoData(), immediate ? kImmediateTimeoutMs : kBlankTimeoutMs);
}

// The handle is let go around the tray command so the system sees the
// new disc; it stays kept afterwards until the write thread ends.
bool TSCSIDevice::StartStopUnit(bool eject) {
    constexpr int kTimeoutMs = 20000;
    const std::array<uint8_t, 6> cdb{0x1B, 0, 0, 0, static_cast<uint8_t>(eject ? 0x02 : 0x03), 0};
    SetReleaseHandleAfterCommand(true);
    const bool ok = RunCommand(cdb, NoData(), kTimeoutMs);
    SetReleaseHandleAfterCommand(false);
    return ok;
}

bool TSCSIDevice::PreventAllowRemoval(bool allow) {
    constexpr int kTimeoutMs = 10000;
    const std::array<uint8_t, 6> cdb{0x1E, 0, 0, 0, static_cast<uint8_t>(allow ? 0x00 : 0x01), 0};
    if (allow) SetReleaseHandleAfterCommand(true);
    const bool ok = RunCommand(cdb, NoData(), kTimeoutMs);
    SetReleaseHandleAfterCommand(false);
    return ok;
}

// Callers ignore the outcome: many drives do not know the command.
void TSCSIDevice::RewindUnit() {
    constexpr int kTimeoutMs = 10000;
    constexpr std::array<uint8_t, 6> cdb{0x01};
    (void)RunCommand(cdb, NoData(), kTimeoutMs);  // many drives do not know it
}

}  // namespace kq
