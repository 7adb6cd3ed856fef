#include "cli/Interrupt.h"

#include "platform/Process.h"

#include <atomic>

namespace kq::cli {

namespace {

std::atomic<int> stopSignal{platform::kNoStop};

}  // namespace

void InstallInterruptHandler() { platform::InstallInterruptFlag(stopSignal); }

bool InterruptRequested() { return stopSignal.load() != platform::kNoStop; }

int InterruptExitCode() {
    const int stop = stopSignal.load();
    return 128 + (stop == platform::kNoStop ? platform::kStopInterrupt : stop);
}

}  // namespace kq::cli
