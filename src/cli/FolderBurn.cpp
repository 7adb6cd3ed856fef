#include "cli/FolderBurn.h"

#include "burner/kqCDBC.h"
#include "cli/BurnMonitor.h"
#include "cli/ExitCode.h"
#include "cli/FolderTree.h"
#include "cli/Interrupt.h"
#include "cli/MainLoop.h"
#include "cli/MultiBurn.h"
#include "cli/SingleBurn.h"

namespace kq::cli {

namespace {

constexpr uint32_t kTickMs = 100;

// The same bytes a disc would get, into the file, with its companion.
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
    console.Line("wrote " + o.writeImage + " (" + std::to_string(burner.ImageSectors()) + " sectors) and " +
                 o.writeImage + ".sha256");
    return kExitSuccess;
}

}  // namespace

int RunFolderBurn(const std::string& self, const CliOptions& options, Console& console) {
    if (!options.ManyDrives() && !options.printSize && options.writeImage.empty())
        return RunSingleBurn(options, console);  // it builds the tree itself, before touching a drive
    {
        // Several recorders: the tree is checked once here, before any child starts.
        TQCDBurner burner;
        const FolderTree tree = BuildFolderTree(burner, options, console);
        if (tree.code != kExitSuccess) return tree.code;
        if (options.printSize) {
            console.Line(std::to_string(tree.sectors));
            return kExitSuccess;
        }
        if (!options.writeImage.empty()) return WriteImage(burner, options, console);
    }
    // Every recorder gets the same disc: the children build their trees
    // with one build time, the parent's (SOURCE_DATE_EPOCH they read too).
    CliOptions forChildren = options;
    forChildren.buildTime = BuildTimeOf(options);
    return RunMultiBurn(self, forChildren, console);
}

}  // namespace kq::cli
