#pragma once
// The image before any drive is touched: it can be read, and it matches
// its checksum companion.
#include "cli/Console.h"

#include <string>

namespace kq::cli {

// 0 when the image may be burnt; otherwise the exit code, with one line
// on the console saying why (2: unreadable or empty image; 3: the digests
// differ, or a companion exists that cannot be read or holds no digest for
// the image; 130: Ctrl-C stopped the check). With `skipChecksum` only the
// image itself is checked.
int CheckImage(const std::string& image, bool skipChecksum, Console& console);

}  // namespace kq::cli
