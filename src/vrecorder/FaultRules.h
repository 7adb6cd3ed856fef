#pragma once
// Faults on demand: "command X (the n-th time, or at LBA >= y, k times)
// answers so". A rule counts the commands it matches and fires while its
// conditions hold.
#include "vrecorder/Sense.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vrec {

enum class FaultAction {
    CheckCondition,  // with `code`
    Busy,
    Never,           // the request never completes
    Late,            // completes after delayMs
    Vanish,          // the drive disappears for good
    RemoveMedium,    // the medium is taken out
    Corrupt,         // a read answers GOOD with wrong bytes in the rule's blocks
};

struct FaultRule {
    int opcode = -1;                  // -1: any command
    uint32_t nth = 0;                 // 0: from the first match on
    std::optional<uint32_t> minLba;   // only commands addressing at or past it
    std::optional<uint32_t> maxLba;   // ... and reaching no further than it
    uint32_t times = 0;               // 0: no limit
    FaultAction action = FaultAction::CheckCondition;
    Sense code;
    uint32_t delayMs = 0;

    uint32_t seen = 0;   // matching commands so far
    uint32_t fired = 0;
};

// Parses "<command> [nth=N] [lba>=Y] [lba<=Z] [times=K] <action>"; the
// command is a name (write, read, read-cd, sync-cache, ...), an opcode in
// hex (2A, 0x2A, 2Ah) or "any"; the action one of "check K/ASC/ASCQ",
// "busy", "not-ready" (02/04/08), "never", "late MS", "vanish",
// "remove-medium", "corrupt". A command matches "lba>=" and "lba<=" when
// the blocks it addresses reach into that range.
// nullopt with `error` set when the text is not a rule.
[[nodiscard]] std::optional<FaultRule> ParseFaultRule(std::string_view text, std::string& error);

// The first rule that fires for this command, counted against all rules.
const FaultRule* MatchFault(std::vector<FaultRule>& rules, std::span<const uint8_t> cdb);

// The LBA a command addresses, for the "lba>=" condition.
std::optional<uint32_t> AddressedLba(std::span<const uint8_t> cdb);
// The blocks a command addresses (1 for a command without a count).
uint32_t AddressedBlocks(std::span<const uint8_t> cdb);

}  // namespace vrec
