#pragma once
// --list-files: the files of a session on the disc, one `ls -l`-like line
// each (mode, links, owner, group, size, date, path).
#include "burner/IsoReader.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"

#include <string>

namespace kq::cli {

// The line of entry `at`: "-rw-r--r--  1 0 0   5000 2017-07-14 02:40 /a/b.txt".
std::string FileLine(const iso::DiscTree& tree, size_t at);

int RunListFiles(const CliOptions& options, Console& console);

}  // namespace kq::cli
