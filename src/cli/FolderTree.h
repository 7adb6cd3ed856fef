#pragma once
// --folder and --add as the burner's image tree: the one place where the
// command line asks the library to add files and lay out the file system.
#include "cli/CliOptions.h"
#include "cli/Console.h"

#include <cstdint>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

struct FolderTree {
    int code = 0;          // the exit code when the tree cannot be burnt; 0 when it can
    int64_t sectors = 0;   // the image's sectors when it can
};

// Fills the burner's tree and lays it out, before anything is written.
// Skipped special files are warnings; unreadable files and folders are
// listed, and refuse the burn (exit 2) unless --skip-unreadable.
FolderTree BuildFolderTree(TQCDBurner& burner, const CliOptions& options, Console& console);

}  // namespace kq::cli
