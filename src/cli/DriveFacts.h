#pragma once
// What --list and the medium check want to know of one drive.
#include "jobs/DiscState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

using namespace jobs;
struct DriveFacts {
    std::string entry;        // the Devices entry
    bool selected = false;    // SelectDevice took it
    std::string description;  // vendor, product, revision
    std::vector<std::string> writes;  // media names it can write
    bool canWriteCDR = false;
    bool ready = false;
    std::string notReadyReason;  // the drive's text when not ready
    bool noDisc = false;         // the drive says it holds no medium
    int mediaType = 0;
    // Incomplete: the last session holds tracks but was never closed (a burn
    // that failed or was cut off). Nullopt when the drive did not say.
    std::optional<DiscState> status;
    int sessions = 0;
    uint32_t incompleteSectors = 0;  // written in the unclosed session
};

// Selects the entry and asks the drive: capabilities, readiness (TEST UNIT
// READY, 5 s), media type and disc status. Leaves the entry selected.
DriveFacts ExamineDrive(TQCDBurner& burner, const std::string& entry);

// Why the disc cannot take the image; empty when it can. Without
// `anyMedium` only a CD-R will do, as the window insists.
std::string UnusableMediumReason(const DriveFacts& facts, bool anyMedium);

// "blank", "appendable, 1 session", "closed", "incomplete session, 1,863
// sectors written", or "state unknown".
std::string DiscStatusText(const DriveFacts& facts);

}  // namespace kq::cli
