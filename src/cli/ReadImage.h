#pragma once
// --read-image: the data track of a disc into an image file, with its
// .sha256 (and .md5) companion beside it.
#include "cli/CliOptions.h"
#include "cli/Console.h"

namespace kq::cli {

// Exit codes: 0 the image is complete, 1 a sector could not be read (or
// was zero-filled with --keep-going) or the image could not be written,
// 2 the target exists without --force, 4 no drive or nothing to read,
// 130 stopped with Ctrl-C (what was read stays in OUT.part).
int RunReadImage(const CliOptions& options, Console& console);

}  // namespace kq::cli
