#include "cli/ReadImage.h"

#include "burner/kqCDBC.h"
#include "cli/DiscReading.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "jobs/ImageRead.h"

namespace kq::cli {

int RunReadImage(const CliOptions& options, Console& console) {
    const jobs::ReadImageOptions read{options.readImage, options.force, options.md5, options.keepGoing};
    if (!CheckReadTarget(read, console)) return kExitUsage;
    TQCDBurner burner;
    int code = kExitNoRecorder;
    auto drive = PrepareReading(burner, options, console, code);
    if (!drive) return code;
    const auto written = ReadImageFile(burner, *drive, read, console, ConsoleReadRunner(console), InterruptRequested);
    return ExitCodeOf(written.end);
}

}  // namespace kq::cli
