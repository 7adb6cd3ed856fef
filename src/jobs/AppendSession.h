#pragma once
// Appending: the new tree becomes a session after the disc's last, listing
// the last session's files where they are.
#include "jobs/JobLog.h"

#include <optional>
#include <string>
#include <vector>

namespace kq {
class TQCDBurner;
}

namespace kq::jobs {

struct AppendChoices {
    std::vector<std::string> removes;  // disc paths the new session leaves out
    bool volumeIdGiven = false;        // else the old volume's id is kept
};

struct AppendRefusal {
    bool removeMissing = false;  // a path to remove is not on the disc: the caller's mistake
    std::string why;             // ends "; nothing was written"
};

// On an appendable write-once disc: reads the last session's tree
// (refused, naming the sector, when it cannot be read), imports it into
// the burner's tree and starts the burn at the next writable address. An
// overwritable disc's volume is imported the same way, the new one
// written after it. On a blank disc nothing changes: the burn is a first
// session. The disc is untouched by a refusal.
std::optional<AppendRefusal> PrepareAppend(TQCDBurner& burner, int mediaType, const AppendChoices& choices,
                                           JobLog& log);

// The disc holds a session the burner can add to: an appendable
// write-once disc, or an overwritable one that holds a volume.
bool TakesAnotherSession(TQCDBurner& burner, int mediaType);

}  // namespace kq::jobs
