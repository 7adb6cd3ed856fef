#include "cli/CliProgram.h"

#include "cli/BuildTime.h"
#include "cli/CliModes.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"

#include "platform/Process.h"

namespace kq::cli {

namespace {

// Ctrl-C, a hang-up and SIGTERM abort alike; the status names the one that came.
int WithStopSignal(int code) { return code == kExitAborted ? InterruptExitCode() : code; }

}  // namespace

int RunCliProgram(const std::string& self, const std::vector<std::string>& args) {
    // A reader that went away (a closed pipe, a parent gone) must not kill a
    // burn halfway: writes to it fail instead, and the burn goes on.
    platform::IgnoreBrokenPipe();
    Console console;
    ParseResult parsed = ParseCommandLine(args);
    // A bad value is refused before anything is read or written.
    if (parsed.error.empty() && BuildsTree(parsed.options.mode)) parsed.error = ReadSourceDateEpoch(parsed.options);
    if (!parsed.error.empty()) {
        console.Error(parsed.error);
        return kExitUsage;
    }
    InstallInterruptHandler();
    return WithStopSignal(RunMode(self, parsed.options, console));
}

}  // namespace kq::cli
