#include "cli/FolderBurn.h"

#include "burner/kqCDBC.h"
#include "cli/BurnMonitor.h"
#include "cli/ExitCode.h"
#include "cli/FolderSources.h"
#include "cli/Interrupt.h"
#include "cli/MainLoop.h"
#include "cli/MultiBurn.h"
#include "jobs/OutputFiles.h"
#include "cli/SingleBurn.h"

namespace kq::cli {
namespace {

constexpr uint32_t kTickMs = 100;

// The same bytes a disc would get, into the file, with its companion; or
// onto standard output, its digest on standard error as sha256sum prints it.
int WriteImage(TQCDBurner& burner, const CliOptions& o, Console& console) {
    MainLoop loop;
    bool done = false;
    std::string result;
    burner.SetISOFileName(o.writeImage);
    burner.Synchronize = [&loop](std::function<void()> call) { loop.Invoke(call); };
    burner.OnWriteDone = [&](TQCDBurner&, const std::string& error) {
        result = error;
        done = true;
    };
    BurnMonitor monitor(burner, console, -1);
    if (!burner.BurnISOImage("")) {
        console.Error(result);
        return kExitBurnFailed;
    }
    for (bool abortSent = false; !done;) {
        loop.RunFor(kTickMs);
        if (InterruptRequested() && !abortSent) abortSent = (burner.AbortWrite(), true);
        if (!done) monitor.Tick();
    }
    monitor.Finish();
    const int code = ExitCodeOf(burner.WriteDoneOutcome());
    if (code != kExitSuccess) {
        console.Error(result);
        return code;
    }
    console.Line("Success");
    const std::string sectors = std::to_string(burner.ImageSectors()) + " sectors";
    if (o.writeImage == kStandardOutputName) {
        console.Line("wrote " + sectors + " to standard output");
        console.Line(burner.SentDigest() + "  -");
    } else {
        console.Line("wrote " + o.writeImage + " (" + sectors + ") and " + o.writeImage + ".sha256");
    }
    return kExitSuccess;
}

int WriteTreeImage(const CliOptions& options, Console& console) {
    TQCDBurner burner;
    const FolderTree tree = BuildFolderTree(burner, options, console);
    return tree.code != kExitSuccess ? tree.code : WriteImage(burner, options, console);
}

}  // namespace

int RunFolderBurn(const std::string& self, const CliOptions& options, Console& console) {
    // One recorder: the burn builds the tree itself, before touching a drive.
    if (!options.ManyDrives()) return RunSingleBurn(options, console);
    {
        // Several recorders: the tree is checked once here, before any child starts.
        TQCDBurner burner;
        const FolderTree tree = BuildFolderTree(burner, options, console);
        if (tree.code != kExitSuccess) return tree.code;
    }
    // Every recorder gets the same disc: the children build their trees
    // with one build time, the parent's (SOURCE_DATE_EPOCH they read too).
    CliOptions forChildren = options;
    forChildren.buildTime = BuildTimeOf(options);
    return RunMultiBurn(self, forChildren, console);
}

int RunPrintSize(const CliOptions& options, Console& console) {
    TQCDBurner burner;
    const FolderTree tree = BuildFolderTree(burner, options, console);
    if (tree.code == kExitSuccess) console.Line(std::to_string(tree.sectors));
    return tree.code;
}

int RunWriteImage(const CliOptions& options, Console& console) {
    const std::string& image = options.writeImage;
    // Standard output carries the image: every line goes to standard error.
    if (image == kStandardOutputName) {
        Console quiet(stderr, stderr);
        return WriteTreeImage(options, quiet);
    }
    const bool writable = CheckOutputFiles("write-image",
                                           {image, image + ".part", image + ".sha256", image + ".sha256.part"},
                                           options.force, console);
    return writable ? WriteTreeImage(options, console) : kExitUsage;
}

}  // namespace kq::cli
