#pragma once
// --check-disc: the disc's data track against an image, byte for byte, or
// against the digest in a checksum companion. Nothing is written.
#include "cli/CliOptions.h"
#include "cli/Console.h"

namespace kq::cli {

// Exit codes: 0 the disc holds the image, 1 it differs or cannot be read,
// 2 neither the image nor a usable companion is there, 4 no drive or
// nothing to read, 130 stopped with Ctrl-C.
int RunCheckDisc(const CliOptions& options, Console& console);

}  // namespace kq::cli
