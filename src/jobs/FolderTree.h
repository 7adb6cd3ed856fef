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
// A source named on the command line that cannot be read refuses the burn
// (exit 2), whatever --skip-unreadable says. Skipped special files are
// warnings; unreadable files and folders inside the sources are listed,
// and refuse the burn unless --skip-unreadable. A tree with no file or
// folder of the user's is refused: nothing to burn.
FolderTree BuildFolderTree(TQCDBurner& burner, const CliOptions& options, Console& console);

// The disc's build time: SOURCE_DATE_EPOCH, the parent's, or now.
int64_t BuildTimeOf(const CliOptions& options);

}  // namespace kq::cli
