#include "cli/CliProgram.h"

#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"

#include <cstdio>

namespace kq::cli {

int RunCliProgram(const std::string&, const std::vector<std::string>& args) {
    Console console;
    ParseResult parsed = ParseCommandLine(args);
    if (!parsed.error.empty()) {
        console.Error(parsed.error);
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(HelpText(), stdout);
        return kExitSuccess;
    }
    console.Error("burning is not built yet");
    return kExitBurnFailed;
}

}  // namespace kq::cli
