#pragma once
// --folder and --add: the size, an image file, or a burn onto one or
// several recorders.
#include "cli/CliOptions.h"
#include "cli/Console.h"

#include <string>

namespace kq::cli {

// The exit code of the whole run (the options are good).
int RunFolderBurn(const std::string& self, const CliOptions& options, Console& console);

}  // namespace kq::cli
