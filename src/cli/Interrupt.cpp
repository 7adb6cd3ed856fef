#include "cli/Interrupt.h"

#include "platform/Process.h"

#include <atomic>

namespace kq::cli {

namespace {

std::atomic<bool> interrupted{false};

}  // namespace

void InstallInterruptHandler() { platform::InstallInterruptFlag(interrupted); }

bool InterruptRequested() { return interrupted.load(); }

}  // namespace kq::cli
