#pragma once
// --append: the folder's tree becomes a new session after the disc's last,
// listing the last session's files where they are.
#include "cli/CliOptions.h"
#include "cli/Console.h"

#include <string>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

// On an appendable write-once disc: reads the last session's tree
// (refused, naming the sector, when it cannot be read), imports it into
// the burner's tree and starts the burn at the next writable address. On
// a blank disc nothing changes: the burn is a first session. The exit
// code; on a refusal the line is on the console and the disc untouched.
int PrepareAppend(TQCDBurner& burner, const CliOptions& options, int mediaType, const std::string& entry,
                  Console& console, std::string& refusal);

}  // namespace kq::cli
