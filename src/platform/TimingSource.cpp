// The clock every wait of the library goes through: the real one, or the
// one a test installs. The same on every system.
#include "platform/Event.h"
#include "platform/Timing.h"

#include <atomic>

namespace platform {

bool Timing::WaitEvent(const Event& event, uint32_t ms) { return event.Wait(ms); }

namespace {
Timing realTiming;
std::atomic<Timing*> current{nullptr};
}  // namespace

Timing& CurrentTiming() {
    Timing* t = current.load(std::memory_order_acquire);
    return t ? *t : realTiming;
}

Timing* SetTiming(Timing* timing) { return current.exchange(timing, std::memory_order_acq_rel); }

}  // namespace platform
