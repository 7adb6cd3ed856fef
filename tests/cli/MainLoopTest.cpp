// The command line's main loop: a call handed over from another thread
// runs on the loop's thread, and the loop may go as soon as it has run.
#include "cli/MainLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using kq::cli::MainLoop;

// The burn's last hand-over is its report; the loop's owner then returns
// and destroys the loop while the write thread is still leaving Invoke.
// Many rounds, so that the sanitizers see a late touch of the loop.
TEST(MainLoop, AHandedOverCallRunsThereAndTheLoopMayGoAtOnce) {
    for (int round = 0; round < 200; ++round) {
        auto loop = std::make_unique<MainLoop>();
        MainLoop* target = loop.get();
        std::atomic<bool> ran{false};
        std::thread::id ranOn;
        std::thread caller([&] {
            target->Invoke([&] {
                ranOn = std::this_thread::get_id();
                ran.store(true);
            });
        });
        while (!ran.load()) loop->RunFor(round % 2 ? 0 : 50);
        loop.reset();
        caller.join();
        ASSERT_EQ(ranOn, std::this_thread::get_id()) << round;
    }
}
