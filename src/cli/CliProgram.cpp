#include "cli/CliProgram.h"

#include "burner/kqCDBC.h"
#include "cli/BuildTime.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/FolderBurn.h"
#include "cli/ImageCheck.h"
#include "cli/InfoCommand.h"
#include "cli/CheckDisc.h"
#include "cli/Interrupt.h"
#include "cli/MultiBurn.h"
#include "cli/ReadImage.h"
#include "cli/Recorders.h"
#include "cli/SingleBurn.h"
#include "cli/TransportHelp.h"

#include "platform/Process.h"

#include <cstdio>

namespace kq::cli {

namespace {

int ListDrives(const CliOptions& options, Console& console) {
    TQCDBurner burner;
    bool loaded = StartTransport(burner, options);
    if (!loaded)
        for (const std::string& line : NoTransportLines(options)) console.Error(line);
    for (const std::string& line : DriveListing(burner, loaded)) console.Line(line);
    return loaded && !burner.Devices().empty() ? kExitSuccess : kExitNoRecorder;
}

// Ctrl-C, a hang-up and SIGTERM abort alike; the status names the one that came.
int WithStopSignal(int code) { return code == kExitAborted ? InterruptExitCode() : code; }

int RunCommand(const std::string& self, const CliOptions& options, Console& console) {
    if (options.list) return ListDrives(options, console);
    if (options.info) return ShowDiscInfo(options, console);
    if (!options.readImage.empty()) return RunReadImage(options, console);
    if (!options.checkDisc.empty()) return RunCheckDisc(options, console);
    // A mistyped drive is told at once, not after reading the whole image.
    int code = CheckNamedDrives(options, console);
    if (code != kExitSuccess) return code;
    if (options.TreeMode()) return RunFolderBurn(self, options, console);
    if (options.image.empty()) return RunSingleBurn(options, console);  // --blank or --format alone
    // One drive: the checksum waits until the disc is known to take the image.
    std::optional<CheckedDigest> checked;
    code = CheckImage(options.image, options.noChecksum || !options.ManyDrives(), console, &checked);
    if (code != kExitSuccess) return code;
    if (options.ManyDrives()) {
        CliOptions forChildren = options;
        if (checked) forChildren.imageDigest = CheckedDigestText(*checked);
        return RunMultiBurn(self, forChildren, console);
    }
    return RunSingleBurn(options, console);
}

}  // namespace

int RunCliProgram(const std::string& self, const std::vector<std::string>& args) {
    // A reader that went away (a closed pipe, a parent gone) must not kill a
    // burn halfway: writes to it fail instead, and the burn goes on.
    platform::IgnoreBrokenPipe();
    Console console;
    ParseResult parsed = ParseCommandLine(args);
    const CliOptions& options = parsed.options;
    // A bad value is refused before anything is read or written.
    if (parsed.error.empty() && options.TreeMode()) parsed.error = ReadSourceDateEpoch(parsed.options);
    if (!parsed.error.empty()) {
        console.Error(parsed.error);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(HelpText(), stdout);
        return kExitSuccess;
    }
    if (options.version) {
        std::printf("cdburner-cli %s\n", KQ_CLI_VERSION);
        return kExitSuccess;
    }
    InstallInterruptHandler();
    return WithStopSignal(RunCommand(self, options, console));
}

}  // namespace kq::cli
