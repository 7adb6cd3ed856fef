#include "cli/CheckDisc.h"

#include "burner/kqCDBC.h"
#include "cli/DiscReading.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "jobs/DiscCheck.h"

namespace kq::cli {

int RunCheckDisc(const CliOptions& options, Console& console) {
    const auto reference = jobs::FindReference(options.checkDisc, console);
    if (!reference) return kExitUsage;
    TQCDBurner burner;
    int code = kExitNoRecorder;
    auto drive = PrepareReading(burner, options, console, code);
    if (!drive) return code;
    const auto checked = jobs::CheckDisc(burner, *drive, *reference, console, ConsoleReadRunner(console),
                                         InterruptRequested);
    return ExitCodeOf(checked.end);
}

}  // namespace kq::cli
