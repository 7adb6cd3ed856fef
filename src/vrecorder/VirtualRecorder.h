#pragma once
// One emulated MMC recorder with its medium. Execute takes a command block
// and a data buffer and answers as a strict drive would: what a real
// recorder refuses is refused here, with the sense it gives. Thread-safe:
// commands are carried out one at a time, as a drive does.
#include "vrecorder/CommandLog.h"
#include "vrecorder/Disc.h"
#include "vrecorder/DiscStore.h"
#include "vrecorder/DriveBuffer.h"
#include "vrecorder/RecorderConfig.h"
#include "vrecorder/Sense.h"
#include "vrecorder/WriteParameters.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace vrec {

enum class DataDirection { None, In, Out };

class VirtualRecorder {
public:
    explicit VirtualRecorder(RecorderConfig config);
    ~VirtualRecorder();
    VirtualRecorder(const VirtualRecorder&) = delete;
    VirtualRecorder& operator=(const VirtualRecorder&) = delete;

    // Carries out one command. `buffer` holds bufferLength bytes: the data
    // the host sends (Out) or room for the reply (In). Never touches bytes
    // outside it; the result says how many moved.
    CommandResult Execute(const uint8_t* cdb, size_t cdbLength, DataDirection direction, uint8_t* buffer,
                          size_t bufferLength);

    // Address, identity and abilities (fixed for the recorder's life).
    const RecorderConfig& Config() const { return config_; }

    // Inspection, for tests and tools.
    Disc DiscState() const;
    bool MediumPresent() const;
    bool Vanished() const;
    std::vector<LogEntry> Log() const;
    void ClearLog();
    // The end address of the last stream performance descriptor taken.
    std::optional<uint32_t> StreamEnd() const;
    // Blocks as recorded (the backing file's contents); empty on an I/O error.
    std::vector<uint8_t> RecordedBytes(uint32_t lba, uint32_t blocks);

private:
    struct Request {
        std::array<uint8_t, 16> cdb{};
        size_t cdbLength = 0;
        DataDirection direction = DataDirection::None;
        std::span<uint8_t> data;
        uint8_t Op() const { return cdb[0]; }
    };
    using Handler = CommandResult (VirtualRecorder::*)(Request&);
    // What the recorder checks before a command runs, per opcode.
    enum Trait : uint8_t {
        kMedium = 1,     // NOT READY without a medium
        kBusy = 2,       // answered during a long write
        kAttention = 4,  // answered past a pending UNIT ATTENTION
        kChanges = 8,    // records, closes or erases: only the claim holder's run
    };
    struct CommandSpec {
        uint8_t opcode;
        uint8_t traits;
        Handler handler;
        bool Has(Trait t) const { return (traits & t) != 0; }
    };
    static const CommandSpec* FindCommand(uint8_t opcode);

    CommandResult Dispatch(Request& rq);
    std::optional<CommandResult> ApplyFault(Request& rq, const FaultRule*& corrupt);
    std::optional<CommandResult> Gatekeep(const Request& rq, const CommandSpec* spec);

    // Data phase helpers: the reply cut to the allocation length, and the
    // parameter list the host must send.
    CommandResult SendIn(Request& rq, std::span<const uint8_t> reply, size_t allocation);
    std::optional<CommandResult> TakeOut(const Request& rq, size_t length);

    // State helpers.
    void InitialiseDisc();
    Disc ConfiguredDisc() const;
    void AdoptSavedDisc();
    bool ClaimDisc();
    // Starts a track on the disc (emptying the backing of a blank disc).
    Track& BeginTrack(uint32_t reservedBlocks);
    void SaveState();
    void RemoveMedium();
    void LoadMedium();
    bool Busy() const;
    // While it runs, commands are refused NOT READY with `busy`.
    void BeginLongOperation(uint32_t ms, Sense busy = sense::LongWriteInProgress);
    bool CanWriteMedium() const;
    MediumKind WritableKind() const;
    uint64_t Now() const;

    // Commands (one file per group).
    CommandResult TestUnitReady(Request& rq);
    CommandResult RequestSense(Request& rq);
    CommandResult Inquiry(Request& rq);
    CommandResult GetEventStatus(Request& rq);
    CommandResult MechanismStatus(Request& rq);
    CommandResult ModeSense10(Request& rq);
    CommandResult ModeSelect10(Request& rq);
    CommandResult GetConfiguration(Request& rq);
    CommandResult ReadDiscInformation(Request& rq);
    CommandResult ReadTrackInformation(Request& rq);
    CommandResult ReadBufferCapacity(Request& rq);
    CommandResult ReadCapacity(Request& rq);
    CommandResult ReadToc(Request& rq);
    CommandResult Read10(Request& rq);
    CommandResult ReadCd(Request& rq);
    CommandResult Write10(Request& rq);
    CommandResult SynchronizeCache(Request& rq);
    CommandResult CloseTrackSession(Request& rq);
    CommandResult ReserveTrack(Request& rq);
    CommandResult SendCueSheet(Request& rq);
    CommandResult SendOpcInformation(Request& rq);
    CommandResult StartStopUnit(Request& rq);
    CommandResult PreventAllowRemoval(Request& rq);
    CommandResult SetCdSpeed(Request& rq);
    CommandResult SetStreaming(Request& rq);
    CommandResult SendDvdStructure(Request& rq);
    CommandResult Blank(Request& rq);
    CommandResult ReadFormatCapacities(Request& rq);
    CommandResult FormatUnit(Request& rq);

    // Pieces of the bigger commands.
    std::vector<uint8_t> ModePage(uint8_t page, uint8_t control) const;
    std::vector<uint8_t> CapabilitiesPage(bool current) const;
    std::optional<CommandResult> SelectPages(std::span<const uint8_t> pages);
    std::vector<uint8_t> Features(uint8_t requestType, uint16_t start) const;
    std::vector<uint8_t> Feature(uint16_t code) const;
    std::vector<uint8_t> TrackInformation(uint16_t number) const;
    std::optional<Sense> CheckWrite(uint32_t lba, uint32_t blocks) const;
    std::optional<Sense> CheckPageForWrite() const;
    std::optional<Sense> CheckRead(uint32_t lba, uint32_t blocks) const;
    CommandResult SendBlocks(Request& rq, uint32_t lba, uint32_t blocks);
    // Spoils the blocks of a read that a corrupt-read fault covers.
    static void Corrupt(const FaultRule& rule, Request& rq, const CommandResult& result);
    // Whether the loaded medium is written by the write parameters page;
    // a test write, underrun protection and the track mode come from it
    // only then.
    bool PageApplies() const { return disc_.Info().writeParameters; }
    bool Simulating() const { return PageApplies() && page_.TestWrite(); }
    bool UnderrunProtected() const { return !PageApplies() || page_.Bufe(); }
    uint8_t NewTrackMode() const { return PageApplies() ? page_.TrackMode() : 4; }
    std::optional<CommandResult> FillBuffer(uint32_t bytes);
    CommandResult CloseSession(uint8_t function);

    const RecorderConfig config_;
    mutable std::mutex lock_;
    DiscStore store_;
    Disc disc_;
    bool mediumPresent_ = false;
    bool unreadable_ = false;  // its state file does not parse
    bool removalPrevented_ = false;
    bool vanished_ = false;
    WriteParameters page_ = WriteParameters::Default();
    bool pageSelected_ = false;
    bool cueSheet_ = false;
    std::optional<uint32_t> simulatedNext_;  // next address of a test write
    DriveBuffer buffer_;
    uint16_t readSpeed_;
    uint32_t writeSpeed_;  // kB/s
    std::optional<uint32_t> streamEnd_;
    uint64_t busyFromMs_ = 0, busyUntilMs_ = 0;
    Sense busySense_ = sense::LongWriteInProgress;
    bool unitAttention_ = false;
    uint8_t mediaEvent_ = 0;  // pending GET EVENT STATUS media event
    std::vector<FaultRule> faults_;
    CommandLog log_;
};

}  // namespace vrec
