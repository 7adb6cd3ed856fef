#pragma once
// Folders and paths as the burner's image tree: the one place where the
// command line and the window ask the library to add files and lay out
// the file system.
#include "jobs/JobLog.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kq {
class TQCDBurner;
}

namespace kq::jobs {

// What goes onto the disc and how.
struct TreeOptions {
    std::string folder;                                      // its contents at the disc's root
    std::vector<std::pair<std::string, std::string>> adds;   // disc path, local path
    std::string volumeId;                                    // empty: the folder's name
    bool noJoliet = false;
    bool noRockRidge = false;
    bool relocateDeep = false;
    bool udf = false;  // UDF beside ISO 9660
    bool skipUnreadable = false;
    bool sizeOnly = false;  // measured, without building the header
    bool optionNames = true;  // the texts name the command line's options
    std::optional<int64_t> sourceDateEpoch;
    std::optional<int64_t> buildTime;
};

struct FolderLayout {
    bool ok = false;                      // the tree can be burnt
    int64_t sectors = 0;                  // the image's sectors when it can
    std::vector<std::string> unreadable;  // entries inside the sources that cannot be read
    bool refusedUnreadable = false;       // refused for those alone: skipping them would do
    std::string largeFile;                // without UDF: the first file of 4 GiB or more
};

// Fills the burner's tree and lays it out, before anything is written.
// A source that cannot be read refuses the burn, whatever skipUnreadable
// says. Skipped special files are warnings; unreadable files and folders
// inside the sources are listed, and refuse the burn unless
// skipUnreadable. A tree with no file or folder of the user's is
// refused: nothing to burn.
FolderLayout BuildFolderTree(TQCDBurner& burner, const TreeOptions& options, JobLog& log);

// The disc's build time: SOURCE_DATE_EPOCH, the given one, or now.
int64_t BuildTimeOf(const TreeOptions& options);

}  // namespace kq::jobs
