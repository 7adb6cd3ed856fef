#pragma once
// --blank: erases the CD-RW or DVD-RW in the chosen recorder before a burn,
// or on its own.
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/DriveFacts.h"

#include <string>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

// Why the disc is not blanked; empty when it may be. With an image to
// burn afterwards, a disc the burn would refuse even blank is refused
// before anything is erased.
std::string BlankRefusal(const DriveFacts& facts, const CliOptions& options);

// Checks the disc, blanks it with its progress shown and waits for the
// drive to finish, even after Ctrl-C: a blank cannot be stopped. The exit
// code: 0 when the disc is blank and the run may go on.
int BlankDisc(TQCDBurner& burner, const std::string& entry, const CliOptions& options, Console& console);

// --format: why the disc is not formatted (only a BD-RE the drive writes is).
std::string FormatRefusal(const DriveFacts& facts);
// Formats the BD-RE with its full format, the progress shown as for a
// blank, and waits for the drive. The exit code as BlankDisc's.
int FormatDisc(TQCDBurner& burner, const std::string& entry, const CliOptions& options, Console& console);
// Before a burn: a BD-RE that the drive reports unformatted is formatted
// first, in view, rather than by the write thread out of sight.
int FormatIfUnformatted(TQCDBurner& burner, const std::string& entry, int mediaType, Console& console);

}  // namespace kq::cli
