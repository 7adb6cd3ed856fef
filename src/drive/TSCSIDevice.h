#pragma once
// TSCSIDevice: one drive, addressed by adapter, target and LUN, reached
// through the transport entry. Every command goes through ExecuteCommand;
// the command wrappers of the drive class go through RunCommand.
#include "drive/DiscReplies.h"
#include "drive/DriveTypes.h"
#include "transport/kqASPI.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Event;
}

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
    // No drive selected. When a transport is already loaded, the adapters
    // are asked and Devices is filled at once.
    TSCSIDevice();
    virtual ~TSCSIDevice();
    TSCSIDevice(const TSCSIDevice&) = delete;
    TSCSIDevice& operator=(const TSCSIDevice&) = delete;

    // The selected drive; HaId == NoAddress when none is.
    uint8_t HaId = NoAddress;
    uint8_t Target = NoAddress;
    uint8_t Lun = NoAddress;

    // ---- Discovery, selection and identification ----
    // Loads the transport (LoadASPI; an exception counts as failure) and,
    // when it loaded, sweeps the devices. The loader's result.
    [[nodiscard]] bool InitASPI(bool PreferPassThrough, const std::string& LibraryPath);
    // Rebuilds Devices: INQUIRY at every target and LUN of every adapter;
    // the address fields are left as they were.
    void RescanDevices();
    // Sets HostAdapterCount (-1 when the inquiry failed, 7 for a reported
    // 0) and leaves the reply in the inquiry block.
    void HostAdapterInquiry(uint8_t Adapter);
    // Letter of the drive at HaId/Target/Lun, or character 0 when none is known.
    char GetDriveLetter();
    // Drive number the transport reports for the address (0 = A); 128 when
    // it does not.
    uint8_t ASPIGetDiskInfo(uint8_t Adapter, uint8_t TargetId, uint8_t Unit);
    // Selects the entry of Devices (SetDeviceID); true in every case.
    bool SelectDevice(const std::string& Entry);
    // Parses, identifies, applies the model quirks, fires OnDeviceChange and
    // probes the write types; a refused entry clears the selection. Throws
    // nothing.
    void SetDeviceID(const std::string& Entry);
    // Capabilities, INQUIRY and description; false when the INQUIRY failed.
    [[nodiscard]] bool IdentifyDevice();
    // INQUIRY of 128 bytes into InquiryData.
    [[nodiscard]] bool Inquiry();

    bool ASPIInitialized() const { return ASPILoaded(); }
    const std::vector<std::string>& Devices() const { return devices_; }
    const std::string& DeviceID() const { return deviceID_; }
    uint8_t DeviceType() const { return deviceType_; }
    const std::string& DeviceDescription() const { return deviceDescription_; }
    // 0 to 255 adapters, or -1: the system numbers hosts upward with every
    // plug-in, so counts above 127 are real and must not turn negative.
    int16_t HostAdapterCount() const { return hostAdapterCount_; }
    const std::array<uint8_t, 131>& InquiryData() const { return inquiryData_; }
    bool Erasing() const { return erasing_; }
    // Fired after every successful selection, before the write-type probe.
    std::function<void(TSCSIDevice& Sender)> OnDeviceChange;

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
    // The additional sense code of LastSense; kAscNone when there is none.
    uint8_t SenseAsc() const;
    // The drive's own status of the last command said busy, or reserved
    // by another initiator (a reservation conflict carries no sense).
    bool TargetBusy() const { return targetStatus_ == kTargetStatusBusy; }
    bool ReservationConflict() const { return targetStatus_ == kTargetStatusReservationConflict; }
    // True when the last command reached the drive and the drive itself gave
    // its status: false for a drive gone from the bus, a host adapter error,
    // a time-out, or a command that was never sent.
    bool LastCommandReachedDrive() const { return reachedDrive_; }
    // The layer could not take the last command this time (the adapter was
    // busy): it never reached the drive, and may be sent again.
    bool LastCommandAdapterBusy() const { return adapterBusy_; }
    // The last command got no answer within its time (or the adapter's).
    bool LastCommandTimedOut() const { return timedOut_; }
    // The last command found no drive to answer it: gone from the bus, an
    // adapter or system failure; not a time-out, not a busy adapter.
    bool LastCommandFoundNoDrive() const { return !reachedDrive_ && !adapterBusy_ && !timedOut_; }
    // Opcode of the last command handed to the transport.
    uint8_t LastOpcode() const { return lastOpcode_; }

    // Ends the wait for a command in flight, as an abort does; the drive
    // still gets a second to answer (see WaitForCompletion).
    void WakeCommandWait();
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

    // ---- Disc, track and buffer information ----
    // Every wrapper returns true exactly when the request completed; a
    // buffer shorter than the asked length is refused before sending.
    [[nodiscard]] bool TestUnitReady(int timeoutMs);
    [[nodiscard]] bool RequestSense(std::span<uint8_t> buffer, uint8_t length);
    [[nodiscard]] bool ReadDiscInformation(std::span<uint8_t> buffer, uint8_t length);
    // Throws std::out_of_range for a length above 255 (nothing is sent).
    // READ TRACK INFORMATION (52h); addressType is a TrackAddress.
    [[nodiscard]] bool ReadTrackInformation(uint8_t addressType, uint32_t number, std::span<uint8_t> buffer,
                              uint16_t length);
    // READ CAPACITY: the last addressable block.
    [[nodiscard]] bool ReadCapacity(uint32_t& lastLba);
    // Sectors the drive can still take from where the burn writes (the
    // invisible track, or the whole of an overwritable disc); nullopt when
    // the drive does not say.
    [[nodiscard]] std::optional<int64_t> FreeSectors(uint16_t mediaType);
    // Sectors the medium holds in all, written or not, as it will have once
    // blanked: the ATIP's last possible lead-out on CD, else the disc
    // information's; nullopt when the drive does not say (a closed DVD).
    [[nodiscard]] std::optional<int64_t> DiscCapacity(bool cd);
    [[nodiscard]] bool ReadTocPmaAtip(uint8_t format, std::span<uint8_t> buffer, bool msf, uint8_t track,
                        uint8_t control, int length);
    // Only the low bytes of feature and length fit the command block.
    [[nodiscard]] bool GetConfiguration(uint8_t requestType, uint8_t feature, uint8_t length,
                          std::span<uint8_t> buffer);
    // Reads DiscInformationBlock afresh (its length field in host order).
    [[nodiscard]] bool RefreshDiscInformation();
    // Sessions on the disc; 0 when empty or unreadable.
    int RecordedSessionCount();
    // Media type code (media::*); 0 when nothing answers.
    uint16_t GetMediaType();
    // Sizes in bytes; sets DeviceBufferSize and DeviceFreeBufferSize.
    [[nodiscard]] bool ReadBufferCapacity(uint32_t& size, uint32_t& free);
    // True when the drive became ready within the budget (counted by passes).
    [[nodiscard]] bool WaitUntilReady(int total, int interval);
    // Waits for an operation started with Immed (a blank, a close) to end,
    // handing on the progress the drive reports (0..65535 of the whole).
    // True when the drive is ready again within the budget; otherwise the
    // last error says why.
    [[nodiscard]] bool WaitForOperation(int total, int interval, const std::function<void(uint16_t)>& onProgress);

    const std::array<uint8_t, 56>& DiscInformationBlock() const { return discInformation_; }
    // The last RefreshDiscInformation's reply decoded as it arrived, which
    // the session count's rewrite of the block leaves alone; nullopt when
    // it failed or came too short.
    const std::optional<DiscSummary>& DiscInformation() const { return disc_; }
    DiscStatusFields DiscInformationStatus() const { return disc_ ? disc_->status : DiscStatusFields(0); }
    bool DelayedReadyQuirk() const { return delayedReadyQuirk_; }
    static bool SlowReadyQuirk();
    // The unit-wide media type the write thread stores and WaitUntilReady reads.
    static uint16_t MediaType();
    static void SetMediaType(uint16_t type);

    // ---- Capabilities and model quirks ----
    // Rebuilds Capabilities, CapabilitiesPage and the maximum speeds; true
    // when the current-values page was read.
    [[nodiscard]] bool ReadCapabilities();
    [[nodiscard]] bool ProbeUnderrunPage();
    uint16_t GetMaxReadSpeed();
    uint16_t GetCurrentWriteSpeed();
    // kind: 0 raw, 1 session-at-once, 2 track-at-once.
    [[nodiscard]] bool TryWriteType(uint8_t kind);
    [[nodiscard]] bool ProbeWriteTypes();
    TDeviceCapabilities Capabilities() const { return {capabilities_.load()}; }
    TWriteTypes WriteTypes() const { return {writeTypes_.load()}; }
    // Page 2Ah from its page code on; five speed fields in host order.
    const std::array<uint8_t, 516>& CapabilitiesPage() const { return capabilitiesPage_; }

    // Decides the model quirk flags from the INQUIRY vendor (8 bytes) and
    // product (16 bytes) fields, untrimmed, control bytes already blanks.
    void SetModelQuirks(std::string_view vendorId, std::string_view productId);
    bool ForceUnderrunProtection() const { return forceUnderrunProtection_; }
    bool LinkSizeQuirk() const { return linkSizeQuirk_; }
    static bool CloseImmediate();

    static uint16_t Swap16(uint16_t value) { return static_cast<uint16_t>(value << 8 | value >> 8); }
    // Copies source reversed into the front of destination (at most its size).
    static void ReverseBytes(std::span<const uint8_t> source, std::span<uint8_t> destination);

    // ---- Speeds and buffer sizes (published by the burner component) ----
    uint16_t DeviceMaxWriteSpeed() const { return deviceMaxWriteSpeed_; }
    uint16_t DeviceMaxReadSpeed() const { return deviceMaxReadSpeed_; }
    std::atomic<uint16_t> ReadSpeed{0};
    // kB/s; BD speeds go past the 16 bits of SET CD SPEED.
    uint32_t WriteSpeed() const { return writeSpeed_; }
    // Sends SET CD SPEED (outcome ignored; above FFFFh it asks for the
    // fastest), then keeps the value.
    void SetWriteSpeed(uint32_t speed);
    uint32_t DeviceBufferSize() const { return deviceBufferSize_; }
    void SetDeviceBufferSize(uint32_t bytes) { deviceBufferSize_ = bytes; }
    uint32_t DeviceFreeBufferSize() const { return deviceFreeBufferSize_; }
    void SetDeviceFreeBufferSize(uint32_t bytes) { deviceFreeBufferSize_ = bytes; }
    // Counts bytes handed to the drive against the free space; stops at 0.
    void TakeDeviceFreeBuffer(uint32_t bytes);
    bool FinalizeDisc() const { return finalizeDisc_; }
    void SetFinalizeDisc(bool finalize) { finalizeDisc_ = finalize; }

    // ---- Write parameters, speed and session control ----
    // Clears clearLength + 1 bytes of buffer, then copies length reply bytes.
    [[nodiscard]] bool ModeSense10(uint8_t pageCode, std::span<uint8_t> buffer, bool defaults, uint16_t length,
                     uint16_t clearLength);
    // Refuses a length of 256 or more (byte 8 alone carries it) unsent.
    [[nodiscard]] bool ModeSelect10(std::span<const uint8_t> list, size_t length);
    // 0 is sent as FFFFh, the drive's maximum.
    [[nodiscard]] bool SetCDSpeed(uint16_t readSpeed, uint16_t writeSpeed);
    [[nodiscard]] bool SetStreaming(std::span<uint8_t> descriptor);
    // SET STREAMING of one performance descriptor: `writeKBps` kB/s from
    // block 0 to `endLba` (the reading speed left to the drive's maximum).
    [[nodiscard]] bool SetWritePerformance(uint32_t endLba, uint32_t writeKBps);
    [[nodiscard]] bool SendDVDStructure(uint8_t format, std::span<uint8_t> data);
    [[nodiscard]] bool SendTimeStamp(const TDateTime& when);
    [[nodiscard]] bool SendOPCInformation();
    [[nodiscard]] bool ReserveTrack(uint32_t blocks);
    [[nodiscard]] bool SendCueSheet(std::span<uint8_t> cueSheet);
    // flags: the block's direction flags (the write thread passes 50h).
    // False, with "no drive selected" as the error text, when unsent.
    [[nodiscard]] bool Write10(uint32_t lba, uint16_t blocks, uint8_t flags, std::span<uint8_t> data);
    // READ (10) of recorded user data: blocks * 2048 bytes into data, which
    // must hold them (refused unsent otherwise).
    [[nodiscard]] bool Read10(uint32_t lba, uint16_t blocks, std::span<uint8_t> data);
    // READ CD of the user data of CD sectors of any type, for a sector that
    // READ (10) is refused (ILLEGAL MODE FOR THIS TRACK); the same terms.
    [[nodiscard]] bool ReadCd(uint32_t lba, uint16_t blocks, std::span<uint8_t> data);
    [[nodiscard]] bool SynchronizeCache(int timeoutMs, bool immediate);
    [[nodiscard]] bool CloseTrackSession(bool closeTrack, bool immediate, bool finalize);
    [[nodiscard]] bool CloseTrackSessionRaw(bool immediate, uint8_t function, uint8_t byte3, uint8_t byte4,
                              uint8_t byte5);
    // BLANK (A1h) of a rewritable disc: type 0 the whole disc, 1 minimal.
    [[nodiscard]] bool Blank(uint8_t type, bool immediate);
    // READ FORMAT CAPACITIES (23h); nullopt when refused or cut short.
    [[nodiscard]] std::optional<FormatCapacities> ReadFormatCapacities();
    // FORMAT UNIT (04h) with one format descriptor; with `immediate` the
    // drive answers at once and WaitForOperation follows the format.
    [[nodiscard]] bool FormatUnit(const FormatDescriptor& format, bool immediate);
    // The full format the disc offers (READ FORMAT CAPACITIES, then FORMAT
    // UNIT); false, the reason in the last error, when it offers none.
    [[nodiscard]] bool FormatWholeDisc(bool immediate);
    // Asks READ FORMAT CAPACITIES whether the disc still needs formatting.
    [[nodiscard]] bool Unformatted();
    [[nodiscard]] bool StartStopUnit(bool eject);
    [[nodiscard]] bool PreventAllowRemoval(bool allow);
    void RewindUnit();
    static void SetReleaseHandleAfterCommand(bool value);
    static bool ReleaseHandleAfterCommand();
    // Builds and sends page 05h; true when accepted or nothing to send.
    [[nodiscard]] bool SetWriteParameters(bool testWrite, bool underrun, uint16_t mediaType);
    const std::array<uint8_t, 54>& WriteParametersPage() const { return writeParametersPage_; }

protected:
    // True while the owner no longer waits long for this drive (a burn the
    // user aborted): a command then gets a second to answer, not its time-out.
    virtual bool GiveUpWaiting() const { return false; }

    // The wrapper convention: a fresh zeroed block with flags 40h/48h/50h,
    // CDB length, sense length 24, the data and the CDB; executed with the
    // wrapper's time-out under the command lock. RunRequest returns the
    // finished block; RunCommand is true exactly when its status is SS_COMP.
    SRB_ExecSCSICmd RunRequest(std::span<const uint8_t> cdb, DataPhase data, int timeoutMs);
    [[nodiscard]] bool RunCommand(std::span<const uint8_t> cdb, DataPhase data, int timeoutMs) {
        return RunRequest(cdb, data, timeoutMs).SRB_Status == SS_COMP;
    }

    // Work and reply buffer of the command wrappers; use it under the
    // command lock only.
    alignas(16) std::array<uint8_t, 65536> TransferBuffer{};

    // Used by Write10 when the executor did not send the block.
    void SetLastErrorText(std::string text);

private:
    [[nodiscard]] bool ReadCapabilitiesDefaults(size_t& offset);
    void AddCapabilityFeatures();
    [[nodiscard]] bool ReadCapabilitiesCurrent(size_t fallbackOffset);
    [[nodiscard]] std::optional<size_t> SenseWriteParametersPage(bool tryByte7);
    [[nodiscard]] bool PollSenseUntilReady(int& budget, int interval, const std::function<void(uint16_t)>& onProgress);

    // Work and reply buffers of the wrappers, under the command lock like
    // TransferBuffer. Each starts on a 16-byte boundary: a reply buffer off
    // a 4-byte boundary would draw the executor's "aaaa" line.
    alignas(16) std::array<uint8_t, 4096> modeBuffer_{};
    alignas(16) std::array<uint8_t, 512> pageBuffer1_{};
    alignas(16) std::array<uint8_t, 512> pageBuffer2_{};
    alignas(16) std::array<uint8_t, 256> capabilityWork_{};
    alignas(16) std::array<uint8_t, 256> configuration_{};
    alignas(16) std::array<uint8_t, 26> atip_{};
    alignas(16) std::array<uint8_t, 56> discInformation_{};
    std::optional<DiscSummary> disc_;
    alignas(16) std::array<uint8_t, 516> capabilitiesPage_{};
    alignas(16) std::array<uint8_t, 54> writeParametersPage_{};

    std::atomic<uint32_t> capabilities_{0};
    std::atomic<uint8_t> writeTypes_{0};
    std::atomic<uint16_t> deviceMaxWriteSpeed_{0}, deviceMaxReadSpeed_{0};
    std::atomic<uint32_t> writeSpeed_{0};
    std::atomic<uint32_t> deviceBufferSize_{0}, deviceFreeBufferSize_{0};
    std::atomic<bool> finalizeDisc_{false};
    std::atomic<bool> forceUnderrunProtection_{false}, linkSizeQuirk_{false},
        delayedReadyQuirk_{false};

private:
    // Discovery and selection state.
    void ClearSelection();
    void RefuseSelection();
    bool TakeEntry(const std::string& entry);
    void SweepAdapter(uint8_t adapter);
    std::string DeviceEntry(uint8_t adapter, uint8_t target, uint8_t lun);

    std::vector<std::string> devices_;
    std::string deviceID_;
    std::string deviceDescription_;
    uint8_t deviceType_ = 0;
    int16_t hostAdapterCount_ = 0;
    bool erasing_ = false;
    alignas(16) std::array<uint8_t, 131> inquiryData_{};
    SRB_HAInquiry haInquiry_{};

private:
    void ClearLastError();
    void Submit(SRB_ExecSCSICmd& request);
    void TakeOutcome(SRB_ExecSCSICmd& request);
    void TraceCommand(const SRB_ExecSCSICmd& request);
    void WaitForCompletion(const platform::Event& event, uint32_t waitMs);

    std::recursive_mutex deviceLock_;
    std::recursive_mutex commandLock_;
    mutable std::mutex errorLock_;  // LastErrorText and LastSense
    std::string lastErrorText_;
    std::array<uint8_t, SENSE_LEN> lastSense_{};
    std::atomic<uint8_t> targetStatus_{0};  // SRB_TargStat of a failed command that reached the drive
    std::atomic<bool> reachedDrive_{false};
    std::atomic<bool> adapterBusy_{false};
    std::atomic<bool> timedOut_{false};
    std::atomic<uint8_t> lastOpcode_{0};
    std::atomic<bool> errorTraceDone_{false};
    std::mutex waitLock_;  // waitingOn_, which an abort's thread signals
    const platform::Event* waitingOn_ = nullptr;
    std::unique_ptr<InFlightRequest> flight_;
};

}  // namespace kq
