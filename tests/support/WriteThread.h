#pragma once
// The burner's write thread as the window tests play it: its report handed
// over to the window through the hook the window installed on the fake.
#include "burner/HandOver.h"
#include "support/FakeBurner.h"

#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace kqtest {

// Hands `report` over from a thread of its own, the way the burner does,
// while `pump` runs the window's loop until it says done. Returns the
// thread the report ran on.
inline std::thread::id ReportFromWriteThread(FakeBurner& burner, const std::string& report,
                                             const std::function<void(std::function<bool()> done)>& pump) {
    kq::UiHandOver handOver;  // the burner's side of the hand-over
    std::atomic<bool> returned{false};
    std::thread::id ranOn;
    std::thread writer([&] {
        handOver.Run(burner.handOver, [&] {
            ranOn = std::this_thread::get_id();
            burner.onWriteDone({kq::BurnOutcome::Failed, report});
        });
        returned = true;
    });
    pump([&] { return returned.load(); });
    // A window that never ran the report: let the thread go as the burner
    // would on its way out, so the test fails rather than hangs.
    if (!returned) handOver.Cancel();
    writer.join();
    return ranOn;
}

// A report handed over once the window has closed: it is queued, the
// burner cancels the hand-over as it is destroyed, and the thread goes.
inline void LetALateReportGo(FakeBurner& burner) {
    kq::UiHandOver handOver;
    std::promise<void> queued;
    std::thread writer([&] {
        handOver.Run([&](std::function<void()> call) { burner.handOver(std::move(call)); queued.set_value(); },
                     [&] { burner.onWriteDone({kq::BurnOutcome::Failed, "LATE"}); });
    });
    queued.get_future().wait();
    handOver.Cancel();
    writer.join();
}

}  // namespace kqtest
