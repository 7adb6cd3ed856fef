#pragma once
// One image onto several recorders at once: every medium checked first,
// then one child process per drive, each a plain single burn.
#include "cli/CliOptions.h"
#include "cli/Console.h"

#include <string>

namespace kq::cli {

// The exit code: 0 when every burn succeeded, else the worst one's.
int RunMultiBurn(const std::string& self, const CliOptions& options, Console& console);

}  // namespace kq::cli
