#pragma once
// The files a run writes (an image, its .part, its companions, its .bad
// list) replace only regular files: a device node, a FIFO or a socket
// given as an output is refused before anything is read or written.
#include "jobs/JobLog.h"

#include <string>
#include <vector>

namespace kq::jobs {

// `files` begins with the image, which may be there only with `force`;
// each of the others must be missing or a regular file, a symbolic link
// counting as what it leads to. True when all may be written; otherwise
// false, with the line naming the first that may not (after "`job`: ").
bool CheckOutputFiles(const std::string& job, const std::vector<std::string>& files, bool force, JobLog& console);

}  // namespace kq::jobs
