#include "cli/TransportHelp.h"

#include "platform/Process.h"
#include "app/PrintableName.h"
#include "transport/kqASPI.h"

#include <filesystem>

namespace kq::cli {

namespace {

// The virtual recorder's library that a package installs with this
// program, when this program is the installed one; else empty.
std::string InstalledRecorder() {
#ifdef KQ_RECORDER_FROM_BIN
    const std::string self = platform::SelfExecutable();
    if (self.empty()) return {};
    const auto path = (std::filesystem::path(self).parent_path() / KQ_RECORDER_FROM_BIN).lexically_normal();
    std::error_code ec;
    return std::filesystem::exists(path, ec) ? path.string() : std::string();
#else
    return {};
#endif
}

std::string VirtualRecorderHint() {
    const std::string installed = InstalledRecorder();
    if (!installed.empty())
        return "  or try the virtual recorder installed with the program: --aspi-library " + installed +
               " (man cdburner-cli tells how VRECORDER_CONFIG describes its drives and discs)";
    return "  or try the virtual recorder: ./run demo prepares demo/, where " + std::string(kAspiLibraryName) +
           " is the recorder (cd demo, then run the program there)";
}

}  // namespace

std::vector<std::string> NoTransportLines(const CliOptions& options) {
    std::string tried = options.aspiLibrary.empty() ? std::string() : "\"" + PrintableName(options.aspiLibrary) + "\", ";
    tried += std::string(kAspiLibraryHere) + " and " + kAspiLibraryName;
    return {
        "no transport could be loaded: no ASPI library would load (tried " + tried +
            ") and the pass-through layer found no CD or DVD drive",
        "  to reach a drive: --pass-through uses the system's own SCSI pass-through (the drive's device node "
        "must be readable and writable by you);",
        "  --aspi-library PATH loads an ASPI-compatible library;",
        VirtualRecorderHint(),
    };
}

}  // namespace kq::cli
