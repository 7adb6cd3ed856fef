#pragma once
// TSCSIDevice: one drive, addressed by adapter, target and LUN, reached
// through the transport entry. Every command goes through ExecuteCommand;
// the command wrappers of the drive class go through RunCommand.
#include "transport/kqASPI.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

namespace kq {

struct InFlightRequest;
class TSCSIDevice;

// The debug-message event: Sender, Message, mType (0 command trace and
// identification, 1 scan and progress lines, 3 image-tree limits).
using TOnDebugMsg = std::function<void(TSCSIDevice& Sender, const std::string& Message, uint8_t mType)>;

enum class DataDirection { None, In, Out };

// The data phase of one command: the caller's bytes and their direction.
struct DataPhase {
    DataDirection direction = DataDirection::None;
    std::span<uint8_t> bytes;
};
inline DataPhase NoData() { return {}; }
inline DataPhase DataIn(std::span<uint8_t> bytes) { return {DataDirection::In, bytes}; }
inline DataPhase DataOut(std::span<uint8_t> bytes) { return {DataDirection::Out, bytes}; }

// ExecuteCommand's answer when there is no transport or no drive selected.
inline constexpr int kNotSent = 226;

class TSCSIDevice {
public:
    TSCSIDevice();
    virtual ~TSCSIDevice();
    TSCSIDevice(const TSCSIDevice&) = delete;
    TSCSIDevice& operator=(const TSCSIDevice&) = delete;

    // The selected drive; HaId == NoAddress when none is.
    uint8_t HaId = NoAddress;
    uint8_t Target = 0;
    uint8_t Lun = 0;

    // Addresses the block to the selected drive, hands it to the transport,
    // waits for its completion (never less than 10 s) and records the last
    // error. Returns kNotSent, leaving the block untouched, when there is no
    // transport or no drive; otherwise 1. The outcome is the block's status:
    // a request that did not complete in time ends as SS_ERR with
    // HASTAT_TIMEOUT and an empty LastErrorText.
    int ExecuteCommand(SRB_ExecSCSICmd& request, int timeoutMs);

    // What the last command left: empty text and zero sense after success.
    std::string LastErrorText() const;
    std::array<uint8_t, SENSE_LEN> LastSense() const;
    bool TargetBusy() const { return targetBusy_; }
    bool ErrorTraceDone() const { return errorTraceDone_; }

    // Sense data and error texts.
    std::string GetStatusText(uint8_t status, uint8_t haStat, uint8_t targStat);
    std::string BuildErrorText(const SRB_ExecSCSICmd& request);
    void AddSenseCodeText(const SRB_ExecSCSICmd& request);

    void SendDebugMessage(const std::string& text, uint8_t kind);
    TOnDebugMsg OnDebugMessage;

    // The device lock guards the burn's block queue; it is not held around
    // drive commands, so the reader thread is never kept waiting by one.
    void LockDevice() { deviceLock_.lock(); }
    void UnlockDevice() { deviceLock_.unlock(); }
    std::recursive_mutex& DeviceLock() { return deviceLock_; }

    // The command lock keeps one command at a time on this device, its
    // transfer buffer included. A caller that reads LastErrorText after a
    // failed wrapper holds it across both, so another thread's command
    // cannot clear the text in between.
    std::unique_lock<std::recursive_mutex> LockCommands() {
        return std::unique_lock(commandLock_);
    }

    // Switches DoDebug's scan lines (read by discovery, not by the executor).
    bool DoDebug = false;

protected:
    // The wrapper convention: a fresh zeroed block with flags 40h/48h/50h,
    // CDB length, sense length 24, the data and the CDB; executed with the
    // wrapper's time-out under the command lock. RunRequest returns the
    // finished block; RunCommand is true exactly when its status is SS_COMP.
    SRB_ExecSCSICmd RunRequest(std::span<const uint8_t> cdb, DataPhase data, int timeoutMs);
    bool RunCommand(std::span<const uint8_t> cdb, DataPhase data, int timeoutMs) {
        return RunRequest(cdb, data, timeoutMs).SRB_Status == SS_COMP;
    }

    // Work and reply buffer of the command wrappers; use it under the
    // command lock only.
    alignas(16) std::array<uint8_t, 65536> TransferBuffer{};

private:
    void ClearLastError();
    void Submit(SRB_ExecSCSICmd& request);
    void TakeOutcome(SRB_ExecSCSICmd& request);
    void TraceCommand(const SRB_ExecSCSICmd& request);

    std::recursive_mutex deviceLock_;
    std::recursive_mutex commandLock_;
    mutable std::mutex errorLock_;  // LastErrorText and LastSense
    std::string lastErrorText_;
    std::array<uint8_t, SENSE_LEN> lastSense_{};
    std::atomic<bool> targetBusy_{false};
    std::atomic<bool> errorTraceDone_{false};
    std::unique_ptr<InFlightRequest> flight_;
};

}  // namespace kq
