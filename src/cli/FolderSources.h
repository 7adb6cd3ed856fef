#pragma once
// --folder and --add as the tree the jobs build: the options handed down,
// the outcome as an exit code.
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "jobs/FolderTree.h"

#include <cstdint>

namespace kq::cli {

using namespace jobs;
struct FolderTree {
    int code = 0;          // the exit code when the tree cannot be burnt; 0 when it can
    int64_t sectors = 0;   // the image's sectors when it can
};

jobs::TreeOptions TreeOptionsOf(const CliOptions& options);

// The jobs' tree building; a tree that cannot be burnt is exit 2.
FolderTree BuildFolderTree(TQCDBurner& burner, const CliOptions& options, Console& console);

// The disc's build time: SOURCE_DATE_EPOCH, the parent's, or now.
int64_t BuildTimeOf(const CliOptions& options);

}  // namespace kq::cli
