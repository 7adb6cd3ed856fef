#pragma once
// Images and companions are read only when they are regular files: a FIFO
// would keep the program waiting in open() for a writer that never comes,
// and a device or socket is no image.
#include "platform/FileHandle.h"

#include <string>

namespace kq {

// Empty for a regular file (and for a missing one, which callers tell
// apart themselves); otherwise what it is instead, such as "it is a named
// pipe (FIFO)". Asked without opening the file.
std::string NotARegularFile(platform::FileKind kind);
std::string NotARegularFile(const std::string& path);

}  // namespace kq
