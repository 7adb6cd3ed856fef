#include "cli/FolderSources.h"

#include "cli/ExitCode.h"

namespace kq::cli {

jobs::TreeOptions TreeOptionsOf(const CliOptions& o) {
    jobs::TreeOptions t;
    t.folder = o.folder;
    t.adds = o.adds;
    t.volumeId = o.volumeId;
    t.noJoliet = o.noJoliet;
    t.noRockRidge = o.noRockRidge;
    t.relocateDeep = o.relocateDeep;
    t.skipUnreadable = o.skipUnreadable;
    // The size alone needs no header (a large tree's is over a hundred
    // MiB): to print it, and to check the tree before the children of
    // several recorders each lay it out for their own burn.
    t.sizeOnly = o.writeImage.empty() && (o.printSize || o.ManyDrives());
    t.sourceDateEpoch = o.sourceDateEpoch;
    t.buildTime = o.buildTime;
    return t;
}

FolderTree BuildFolderTree(TQCDBurner& burner, const CliOptions& options, Console& console) {
    const jobs::FolderLayout layout = jobs::BuildFolderTree(burner, TreeOptionsOf(options), console);
    return layout.ok ? FolderTree{kExitSuccess, layout.sectors} : FolderTree{kExitUsage, 0};
}

int64_t BuildTimeOf(const CliOptions& options) { return jobs::BuildTimeOf(TreeOptionsOf(options)); }

}  // namespace kq::cli
