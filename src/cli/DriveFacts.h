#pragma once
// What --list and the medium check want to know of one drive.
#include <string>
#include <vector>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

enum class DiscStatus { Unknown, Blank, Appendable, Closed };

struct DriveFacts {
    std::string entry;        // the Devices entry
    bool selected = false;    // SelectDevice took it
    std::string description;  // vendor, product, revision
    std::vector<std::string> writes;  // media names it can write
    bool canWriteCDR = false;
    bool ready = false;
    std::string notReadyReason;  // the drive's text when not ready
    int mediaType = 0;
    DiscStatus status = DiscStatus::Unknown;
    int sessions = 0;
};

// Selects the entry and asks the drive: capabilities, readiness (TEST UNIT
// READY, 5 s), media type and disc status. Leaves the entry selected.
DriveFacts ExamineDrive(TQCDBurner& burner, const std::string& entry);

// Why the disc cannot take the image; empty when it can. Without
// `anyMedium` only a CD-R will do, as the window insists.
std::string UnusableMediumReason(const DriveFacts& facts, bool anyMedium);

// "blank", "appendable, 1 session", "closed", or "state unknown".
std::string DiscStatusText(const DriveFacts& facts);
// The display name of a media type code.
std::string MediumName(int mediaType);

}  // namespace kq::cli
