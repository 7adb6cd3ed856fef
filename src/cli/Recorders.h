#pragma once
// Finding the recorders: the transport, the device list as --list shows
// it, and the recorder a burn goes to.
#include "cli/CliOptions.h"
#include "cli/Console.h"

#include <optional>
#include <string>
#include <vector>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

// Loads the transport and sweeps the devices (InitASPI); false when no
// transport could be loaded.
bool StartTransport(TQCDBurner& burner, const CliOptions& options);

// The --list text: each entry with its description, what it writes, its
// medium and the medium's state; then the drives that cannot be opened,
// with the reason and what to do.
std::vector<std::string> DriveListing(TQCDBurner& burner, bool transportLoaded);

// Each --device names a drive that is there: 0, else 2 after a line
// naming it (4 when no transport loads).
int CheckNamedDrives(const CliOptions& options, Console& console);

// The entries a burn goes to: those named with --device, every recorder
// with --all-recorders, else the first that can write CD-R. Prints one
// line and returns nullopt with `exitCode` set when none can be had
// (2: an unknown device, 4: no recorder, after the listing).
std::optional<std::vector<std::string>> ChooseRecorders(TQCDBurner& burner, const CliOptions& options,
                                                        Console& console, int& exitCode);

}  // namespace kq::cli
