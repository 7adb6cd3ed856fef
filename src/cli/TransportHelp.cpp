#include "cli/TransportHelp.h"

#include "app/PrintableName.h"
#include "transport/kqASPI.h"

namespace kq::cli {

std::vector<std::string> NoTransportLines(const CliOptions& options) {
    std::string tried = options.aspiLibrary.empty() ? std::string() : "\"" + PrintableName(options.aspiLibrary) + "\", ";
    tried += std::string(kAspiLibraryHere) + " and " + kAspiLibraryName;
    return {
        "no transport could be loaded: no ASPI library would load (tried " + tried +
            ") and the pass-through layer found no CD or DVD drive",
        "  to reach a drive: --pass-through uses the system's own SCSI pass-through (the drive's device node "
        "must be readable and writable by you);",
        "  --aspi-library PATH loads an ASPI-compatible library;",
        "  or try the virtual recorder: ./run demo prepares demo/, where " + std::string(kAspiLibraryName) +
            " is the recorder (cd demo, then run the program there)",
    };
}

}  // namespace kq::cli
