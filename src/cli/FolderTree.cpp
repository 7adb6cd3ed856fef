#include "cli/FolderTree.h"

#include "burner/kqCDBC.h"
#include "cli/ExitCode.h"
#include "cli/VolumeId.h"

#include <limits>

namespace kq::cli {

namespace {

// Every path of the command line into the tree; false with the reason.
bool AddPaths(TQCDBurner& burner, const CliOptions& o, TAddReport& report) {
    if (!o.folder.empty() && !burner.AddFolder("", o.folder, report)) return false;
    for (const auto& [disc, local] : o.adds)
        if (!burner.AddPath(disc, local, report)) return false;
    return true;
}

}  // namespace

FolderTree BuildFolderTree(TQCDBurner& burner, const CliOptions& o, Console& console) {
    // The tree takes whatever the folders hold: the component's default
    // capacities are for callers that size their trees themselves. What
    // the format cannot hold (folders past a path table's count) the
    // layout refuses with its reason.
    (void)burner.ImageTree().ResetTree(std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
    burner.SetJolietFileSystem(!o.noJoliet);
    burner.SetRockRidge(!o.noRockRidge);
    burner.SetRelocateDeep(o.relocateDeep);
    burner.IdVolume = !o.volumeId.empty() ? o.volumeId : o.folder.empty() ? "CDROM" : DefaultVolumeId(o.folder);
    TAddReport report;
    const bool added = AddPaths(burner, o, report);
    for (const std::string& skipped : report.Skipped) console.Error("warning: skipped " + skipped);
    for (const std::string& unreadable : report.Unreadable) console.Error("cannot read " + unreadable);
    if (!added) {
        console.Error(report.Error);
        return {kExitUsage, 0};
    }
    if (!report.Unreadable.empty() && !o.skipUnreadable) {
        console.Error(std::to_string(report.Unreadable.size()) +
                      " unreadable, nothing written (--skip-unreadable burns the rest)");
        return {kExitUsage, 0};
    }
    std::string error;
    // The size alone needs no header (a large tree's is over a hundred
    // MiB): to print it, and to check the tree before the children of
    // several recorders each lay it out for their own burn.
    const bool sizeOnly = o.writeImage.empty() && (o.printSize || o.ManyDrives());
    const int64_t sectors = sizeOnly ? burner.MeasureImageLayout(error) : burner.BuildImageLayout(error);
    if (sectors < 0) {
        console.Error(error);
        return {kExitUsage, 0};
    }
    return {kExitSuccess, sectors};
}

}  // namespace kq::cli
