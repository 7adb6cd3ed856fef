#pragma once
// The image before any drive is touched: it can be read, and it matches
// its .md5 companion.
#include "cli/Console.h"

#include <string>

namespace kq::cli {

// 0 when the image may be burnt; otherwise the exit code, with one line
// on the console saying why (2: unreadable image or companion, 3: the
// digests differ). With `skipChecksum` only readability is checked.
int CheckImage(const std::string& image, bool skipChecksum, Console& console);

// The companions that exist but cannot be read: "<path>: <reason>".
std::string UnreadableCompanion(const std::string& image);

}  // namespace kq::cli
