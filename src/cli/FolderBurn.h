#pragma once
// --folder and --add: the size, an image file, or a burn onto one or
// several recorders.
#include "cli/CliOptions.h"
#include "cli/Console.h"

#include <string>

namespace kq::cli {

// The exit codes of the whole run (the options are good): a burn onto one
// or several recorders, the image's size, the image into a file.
int RunFolderBurn(const std::string& self, const CliOptions& options, Console& console);
int RunPrintSize(const CliOptions& options, Console& console);
int RunWriteImage(const CliOptions& options, Console& console);

}  // namespace kq::cli
