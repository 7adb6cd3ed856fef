#include "jobs/FolderTree.h"

#include "burner/kqCDBC.h"
#include "jobs/VolumeId.h"
#include "platform/DirectoryWalk.h"

#include <chrono>

#include <limits>

namespace kq::jobs {

namespace {

// Every path of the command line into the tree; false with the reason.
bool AddPaths(TQCDBurner& burner, const TreeOptions& o, TAddReport& report) {
    if (!o.folder.empty() && !burner.AddFolder("", o.folder, report)) return false;
    for (const auto& [disc, local] : o.adds)
        if (!burner.AddPath(disc, local, report)) return false;
    return true;
}

// Why a source named on the command line cannot be read; empty when it
// can. A special file is no error here: it is skipped with a warning.
std::string Unreadable(const std::string& path, bool folderOnly) {
    platform::EntryFacts facts;
    std::error_code error;
    std::vector<std::string> names;
    if (!platform::DescribeEntry(path, facts, error)) return error.message();
    if (facts.kind == platform::EntryKind::Directory) {
        if (!platform::ListFolder(path, names, error)) return error.message();
    } else if (folderOnly) {
        return "not a folder";
    } else if (facts.kind == platform::EntryKind::File && !platform::CanReadFile(path, error)) {
        return error.message();
    }
    return {};
}

// --skip-unreadable is for entries inside the sources, never the sources.
bool SourcesReadable(const TreeOptions& o, JobLog& console) {
    bool readable = true;
    const auto check = [&](const std::string& option, const std::string& path, bool folderOnly) {
        const std::string why = Unreadable(path, folderOnly);
        if (why.empty()) return;
        console.Error("cannot read " + option + path + ": " + why);
        readable = false;
    };
    if (!o.folder.empty()) check(o.optionNames ? "--folder " : "", o.folder, true);
    for (const auto& [disc, local] : o.adds) check(o.optionNames ? "--add " : "", local, false);
    return readable;
}

// A file, or a folder that came from a source rather than being made up
// for the disc: the root of --folder alone does not count.
bool HoldsUserEntries(const TImageTree& tree) {
    if (tree.FileCount() > 0) return true;
    for (const auto& dir : tree.DirEntries())
        if (dir.get() != tree.RootDir() && dir->ModTime != kVolumeTime) return true;
    return false;
}

// ISO 9660 holds such a file as pieces that macOS does not join; one
// hint, naming the first, is enough to point at UDF.
std::string LargeFile(const TImageTree& tree, const TreeOptions& o) {
    constexpr int64_t kFourGiB = int64_t{4} << 30;
    if (o.udf) return {};
    for (const auto& f : tree.FileEntries())
        if (f->Size >= kFourGiB && !(f->Attributes & kAttrSymbolicLink)) return f->SourcePath;
    return {};
}

}  // namespace

int64_t BuildTimeOf(const TreeOptions& o) {
    if (o.sourceDateEpoch) return *o.sourceDateEpoch;
    if (o.buildTime) return *o.buildTime;
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

FolderLayout BuildFolderTree(TQCDBurner& burner, const TreeOptions& o, JobLog& console) {
    if (!SourcesReadable(o, console)) return {};
    // The tree takes whatever the folders hold: the component's default
    // capacities are for callers that size their trees themselves. What
    // the format cannot hold (folders past a path table's count) the
    // layout refuses with its reason.
    (void)burner.ImageTree().ResetTree(std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
    burner.SetJolietFileSystem(!o.noJoliet);
    burner.SetRockRidge(!o.noRockRidge);
    burner.SetRelocateDeep(o.relocateDeep);
    burner.SetUDFFileSystem(o.udf);
    burner.IdVolume = !o.volumeId.empty() ? o.volumeId : o.folder.empty() ? "CDROM" : DefaultVolumeId(o.folder);
    // One time for the whole run, so every layout of it is the same.
    burner.SetBuildTime(BuildTimeOf(o));
    burner.SetClampDates(o.sourceDateEpoch.has_value());
    TAddReport report;
    const bool added = AddPaths(burner, o, report);
    for (const std::string& skipped : report.Skipped) console.Error("warning: skipped " + skipped);
    for (const std::string& unreadable : report.Unreadable) console.Error("cannot read " + unreadable);
    if (!added) {
        console.Error(report.Error);
        return {};
    }
    if (!HoldsUserEntries(burner.ImageTree())) {
        console.Error("nothing to burn: no file or folder of the sources is left");
        return {};
    }
    if (!report.Unreadable.empty() && !o.skipUnreadable) {
        console.Error(std::to_string(report.Unreadable.size()) + " unreadable, nothing written" +
                      (o.optionNames ? " (--skip-unreadable burns the rest)" : ""));
        return {false, 0, report.Unreadable, true, {}};
    }
    std::string error;
    const int64_t sectors = o.sizeOnly ? burner.MeasureImageLayout(error) : burner.BuildImageLayout(error);
    if (sectors < 0) {
        console.Error(error);
        return {};
    }
    std::string large = LargeFile(burner.ImageTree(), o);
    if (!large.empty() && o.optionNames)
        console.Error(large + " is 4 GiB or more: Linux and Windows read it, macOS does not; --udf adds a file system "
                              "every system reads");
    return {true, sectors, report.Unreadable, false, std::move(large)};
}

}  // namespace kq::jobs
