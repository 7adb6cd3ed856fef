#pragma once
// The rows and columns of the fault matrix: where in a CD-R burn the drive
// misbehaves, how, and what the burn must then report.
#include "vrecorder/CommandLog.h"
#include "vrecorder/FaultRules.h"
#include "vrecorder/Medium.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace e2e::matrix {

// 300 sectors go in blocks of 27 on CD (the last WRITE carries 3) and of
// 32 on DVD (the last carries 12).
inline constexpr uint32_t kImageSectors = 300;
inline constexpr uint8_t kRewind = 0x01, kInquiry = 0x12;

enum class Phase { Prepare, Data, Flush, Close, Restore };

struct Fault {
    const char* name;
    const char* action;
    uint32_t times;   // 0: for good, from its first firing on
    const char* key;  // the sense key a report of it names, for CHECK CONDITIONs
};

inline constexpr Fault kFaults[] = {
    {"MediumError", "check 3/0C/00", 1, "MEDIUM ERROR"},
    {"MediumErrorStays", "check 3/0C/00", 0, "MEDIUM ERROR"},
    {"IllegalRequest", "check 5/24/00", 1, "ILLEGAL REQUEST"},
    {"Busy", "busy", 3, nullptr},
    {"NotReady", "not-ready", 3, nullptr},
    {"NotReadyStays", "not-ready", 0, "NOT READY"},
    {"Never", "never", 1, nullptr},
    {"Late", "late 20", 1, nullptr},
    {"Vanish", "vanish", 1, nullptr},
    {"RemoveMedium", "remove-medium", 1, nullptr},
};

// One command of the burn: the nth of its kind, or the WRITE reaching an
// LBA. `expected` holds one letter per fault, in kFaults' order:
//   S  success, the image on the disc in a closed session
//   E  "WRITER ERROR [...]" naming the fault's own sense key
//   e  "WRITER ERROR [...]" with what the drive said afterwards
//   B  "WRITER BUSY/BUFFER FULL"
struct Position {
    const char* name;
    Phase phase;
    const char* command;
    uint32_t nth;                  // 0: by LBA
    std::optional<uint32_t> minLba;
    const char* expected;
};

// Columns: medium error once, for good, illegal request once, busy thrice,
// not ready thrice, not ready for good, never, late, vanish, medium removed.
inline const Position kCdRPositions[] = {
    // The room on the disc: unknown when refused, and the burn goes on.
    {"FreeSectors", Phase::Prepare, "read-track-info", 1, {}, "SSSSSSSSeS"},
    // Preparation: results ignored; only what the WRITEs then meet counts.
    {"ReadBufferCapacity", Phase::Prepare, "read-buffer-capacity", 1, {}, "SSSSSSSSeS"},
    {"MediaType", Phase::Prepare, "get-configuration", 2, {}, "SSSSSSSSeS"},
    {"MediaTypeDiscInfo", Phase::Prepare, "read-disc-info", 2, {}, "SSSSSSSSeS"},
    {"Load", Phase::Prepare, "start-stop", 1, {}, "SSSSSSSSeS"},
    {"Speed", Phase::Prepare, "set-cd-speed", 1, {}, "SSSSSSSSee"},
    {"WaitDiscInfo", Phase::Prepare, "read-disc-info", 3, {}, "SSSSSSSSee"},
    {"WaitTestUnitReady", Phase::Prepare, "test-unit-ready", 1, {}, "SSSSSSSSee"},
    // Busy answers go on to the next MODE SENSEs, and without the write
    // parameters page the drive takes no WRITE.
    {"WriteSpeed", Phase::Prepare, "mode-sense", 1, {}, "SeSeeeSSee"},
    {"WriteFeatures", Phase::Prepare, "get-configuration", 3, {}, "SSSSSSSSee"},
    {"WriteParameters", Phase::Prepare, "mode-select", 1, {}, "eeeeeeeSee"},
    {"SessionCount", Phase::Prepare, "read-disc-info", 4, {}, "SSSSSSSSee"},
    {"Opc", Phase::Prepare, "send-opc", 1, {}, "SSSSSSSSee"},
    // Data: only the WRITEs' own answers reach the report.
    {"FirstWrite", Phase::Data, "write", 0, 0, "EEESSBeSee"},
    {"MiddleWrite", Phase::Data, "write", 0, 135, "EEESSBeSee"},
    {"LastWrite", Phase::Data, "write", 0, 297, "EEESSBeSee"},
    {"BufferPoll", Phase::Data, "read-buffer-capacity", 2, {}, "SSSSSSSSee"},
    // Flush: a flush that fails for good fails the burn.
    {"FlushBufferCapacity", Phase::Flush, "read-buffer-capacity", 4, {}, "SSSSSSSSee"},
    {"Flush", Phase::Flush, "sync-cache", 1, {}, "SESSSSSSee"},
    // Close: sent once more after a refusal, retried while busy.
    {"CloseWriteParameters", Phase::Close, "mode-select", 2, {}, "SSSSSSSSee"},
    {"Close", Phase::Close, "close", 1, {}, "SESSSESSee"},
    // Restore: the disc is done; nothing here reaches the report.
    {"FinalWaitDiscInfo", Phase::Restore, "read-disc-info", 5, {}, "SSSSSSSSSS"},
    {"FinalWaitTestUnitReady", Phase::Restore, "test-unit-ready", 2, {}, "SSSSSSSSSS"},
    {"RestoreBufferCapacity", Phase::Restore, "read-buffer-capacity", 5, {}, "SSSSSSSSSS"},
    {"RestoreWriteParameters", Phase::Restore, "mode-select", 3, {}, "SSSSSSSSSS"},
    {"RestoreSpeed", Phase::Restore, "set-cd-speed", 2, {}, "SSSSSSSSSS"},
    {"Unlock", Phase::Restore, "prevent-allow", 1, {}, "SSSSSSSSSS"},
    {"RestoreLoad", Phase::Restore, "start-stop", 2, {}, "SSSSSSSSSS"},
    {"LastTestUnitReady", Phase::Restore, "test-unit-ready", 3, {}, "SSSSSSSSSS"},
};

// What a DVD-R burn sends beyond a CD's: the reservation, an immediate
// flush waited out with READ DISC INFORMATION, and three closes.
inline const Position kDvdRPositions[] = {
    {"FreeSectors", Phase::Prepare, "read-track-info", 1, {}, "SSSSSSSSee"},
    {"Streaming", Phase::Prepare, "set-streaming", 1, {}, "SSSSSSSSee"},
    {"TimeStamp", Phase::Prepare, "send-dvd-structure", 1, {}, "SSSSSSSSee"},
    {"Reserve", Phase::Prepare, "reserve-track", 1, {}, "SSSSSSSSee"},
    {"ReserveWait", Phase::Prepare, "read-disc-info", 5, {}, "SSSSSSSSee"},
    {"Opc", Phase::Prepare, "send-opc", 1, {}, "SSSSSSSSee"},
    {"FirstWrite", Phase::Data, "write", 0, 0, "EEESSBeSee"},
    {"MiddleWrite", Phase::Data, "write", 0, 160, "EEESSBeSee"},
    {"LastWrite", Phase::Data, "write", 0, 288, "EEESSBeSee"},
    // A flush that timed out may have left data in the drive's cache.
    {"Flush", Phase::Flush, "sync-cache", 1, {}, "EEESSSeSee"},
    {"Drain", Phase::Flush, "read-disc-info", 6, {}, "SSSSSSSSee"},
    // A refused close fails the burn when the session stayed open; these
    // closes are not retried while the drive is busy.
    {"CloseTrack", Phase::Close, "close", 1, {}, "SESeeESSee"},
    {"CloseNextTrack", Phase::Close, "close", 2, {}, "SESeeESSee"},
    {"CloseSession", Phase::Close, "close", 3, {}, "EEEeeEeSee"},
    {"FinalWaitDiscInfo", Phase::Restore, "read-disc-info", 7, {}, "SSSSSSSSSS"},
    {"RestoreWriteParameters", Phase::Restore, "mode-select", 2, {}, "SSSSSSSSSS"},
};

// The other media the burner writes, and a CD-R burn that leaves its
// session open (FinalizeTrack False): the data, the flush and the close.
inline const Position kDvdPlusRPositions[] = {
    {"FreeSectors", Phase::Prepare, "read-track-info", 1, {}, "SSSSSSSSeS"},
    {"FirstWrite", Phase::Data, "write", 0, 0, "EEESSBeSee"},
    {"LastWrite", Phase::Data, "write", 0, 288, "EEESSBeSee"},
    {"Flush", Phase::Flush, "sync-cache", 1, {}, "SESSSSSSee"},
    {"CloseTrack", Phase::Close, "close", 1, {}, "SESeeESSee"},
    {"CloseSession", Phase::Close, "close", 2, {}, "EEEeeEeSee"},
};
inline const Position kDvdPlusRwPositions[] = {
    {"FreeSectors", Phase::Prepare, "read-capacity", 1, {}, "SSSSSSSSeS"},
    {"FirstWrite", Phase::Data, "write", 0, 0, "EEESSBeSee"},
    {"LastWrite", Phase::Data, "write", 0, 288, "EEESSBeSee"},
    {"Flush", Phase::Flush, "sync-cache", 1, {}, "SESSSSSSee"},
    // A refused close is checked against the disc, which a formatted
    // DVD+RW reports complete.
    {"Close", Phase::Close, "close", 1, {}, "SSSSSSSSee"},
};
inline const Position kDvdRwPositions[] = {
    {"FirstWrite", Phase::Data, "write", 0, 0, "EEESSBeSee"},
    {"LastWrite", Phase::Data, "write", 0, 288, "EEESSBeSee"},
    {"Flush", Phase::Flush, "sync-cache", 1, {}, "EEESSSeSee"},
    {"CloseWriteParameters", Phase::Close, "mode-select", 2, {}, "SSSSSSSSee"},
    {"Close", Phase::Close, "close", 1, {}, "EEEeeEeSee"},
};
inline const Position kDvdRamPositions[] = {
    {"FreeSectors", Phase::Prepare, "read-capacity", 1, {}, "SSSSSSSSee"},
    {"FirstWrite", Phase::Data, "write", 0, 0, "EEESSBeSee"},
    {"LastWrite", Phase::Data, "write", 0, 288, "EEESSBeSee"},
    {"Flush", Phase::Flush, "sync-cache", 1, {}, "SESSSSSSee"},
};
// A BD-RE as it comes: formatted by the write thread before the data.
inline const Position kBdRePositions[] = {
    {"Format", Phase::Prepare, "format-unit", 1, {}, "EEESSEeSee"},
    {"FirstWrite", Phase::Data, "write", 0, 0, "EEESSBeSee"},
    {"Flush", Phase::Flush, "sync-cache", 1, {}, "SESSSSSSee"},
};
inline const Position kOpenSessionPositions[] = {
    {"FirstWrite", Phase::Data, "write", 0, 0, "EEESSBeSee"},
    {"LastWrite", Phase::Data, "write", 0, 297, "EEESSBeSee"},
    {"Flush", Phase::Flush, "sync-cache", 1, {}, "SESSSSSSee"},
};

struct Cell {
    vrec::MediumKind medium;
    bool finalizeTrack;
    const Position* position;
    const Fault* fault;
    char expected;
    std::string rule;
    std::string Name() const { return std::string(position->name) + "_" + fault->name; }
    friend void PrintTo(const Cell& cell, std::ostream* out) { *out << '"' << cell.rule << '"'; }
};

// The fault rule of one cell, e.g. "write lba>=135 times=3 busy".
inline std::string RuleText(const Position& p, const Fault& f) {
    std::string rule = p.command;
    rule += p.nth ? " nth=" + std::to_string(p.nth) : " lba>=" + std::to_string(p.minLba.value_or(0));
    if (f.times) rule += " times=" + std::to_string(f.times);
    else if (p.nth) rule += " times=1000000";  // "nth=" alone fires once
    return rule + " " + f.action;
}

inline std::vector<Cell> Cells(vrec::MediumKind medium, std::span<const Position> positions,
                                bool finalizeTrack = true) {
    std::vector<Cell> cells;
    for (const Position& p : positions)
        for (size_t f = 0; f < std::size(kFaults); ++f)
            cells.push_back({medium, finalizeTrack, &p, &kFaults[f], p.expected[f], RuleText(p, kFaults[f])});
    return cells;
}

inline uint8_t OpcodeOf(const Position& p) {
    std::string error;
    return static_cast<uint8_t>(vrec::ParseFaultRule(std::string(p.command) + " busy", error)->opcode);
}

// The log entry of the cell's command, if it was sent.
inline const vrec::LogEntry* Target(const std::vector<vrec::LogEntry>& log, const Position& p) {
    const uint8_t opcode = OpcodeOf(p);
    uint32_t seen = 0;
    for (const auto& e : log) {
        if (e.Opcode() != opcode) continue;
        if (p.nth && ++seen == p.nth) return &e;
        if (!p.nth) {
            const auto lba = vrec::AddressedLba(e.cdb);
            const uint32_t blocks = uint32_t{e.cdb[7]} << 8 | e.cdb[8];
            if (lba && *lba + blocks > *p.minLba) return &e;
        }
    }
    return nullptr;
}

// The cell's command was sent and met its fault.
inline bool FaultFired(const std::vector<vrec::LogEntry>& log, const Cell& cell) {
    const vrec::LogEntry* e = Target(log, *cell.position);
    if (!e) return false;
    std::string error;
    const vrec::FaultRule rule = *vrec::ParseFaultRule(cell.rule, error);
    switch (rule.action) {
    case vrec::FaultAction::CheckCondition: return e->status == 0x02 && e->code == rule.code;
    case vrec::FaultAction::Busy: return e->status == 0x08;
    case vrec::FaultAction::Never: return e->delivery == vrec::Delivery::Never;
    case vrec::FaultAction::Late: return e->delivery == vrec::Delivery::Late;
    case vrec::FaultAction::Vanish: return e->delivery == vrec::Delivery::Vanished;
    case vrec::FaultAction::RemoveMedium: return true;
    case vrec::FaultAction::Corrupt: return e->status == 0x00;  // wrong bytes arrive as good ones
    }
    return false;
}

}  // namespace e2e::matrix
