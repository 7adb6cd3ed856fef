#pragma once
// The files a run writes (an image, its .part, its companions, its .bad
// list) replace only regular files: a device node, a FIFO or a socket
// given as an output is refused before anything is read or written.
#include "cli/Console.h"

#include <string>
#include <vector>

namespace kq::cli {

// `files` begins with the image, which may be there only with `force`;
// each of the others must be missing or a regular file, a symbolic link
// counting as what it leads to. 0 when all may be written; otherwise 2,
// with the line naming the first that may not (after "`job`: ").
int CheckOutputFiles(const std::string& job, const std::vector<std::string>& files, bool force, Console& console);

}  // namespace kq::cli
