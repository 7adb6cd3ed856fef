#include "platform/DirectoryWalk.h"
#include "platform/Event.h"
#include "platform/Library.h"
#include "platform/Thread.h"
#include "platform/Timing.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "support/DesktopUser.h"

#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace platform;

TEST(Event, ManualResetWithAHandleThatIsNeverZero) {
#ifdef _WIN32
    auto event = Event::Create();
#else
    // Even with standard input closed, 0 never becomes an event handle.
    int saved = dup(0);
    close(0);
    auto event = Event::Create();
    dup2(saved, 0);
    close(saved);
#endif
    ASSERT_TRUE(event);
    EXPECT_NE(event->Handle(), 0);

    EXPECT_FALSE(event->IsSet());
    EXPECT_FALSE(event->Wait(1));
    EXPECT_TRUE(SignalEvent(event->Handle()));
    EXPECT_TRUE(event->Wait(0));
    EXPECT_TRUE(event->IsSet()) << "stays signalled until reset";
    event->Reset();
    EXPECT_FALSE(event->IsSet());
    EXPECT_FALSE(SignalEvent(0));
}

TEST(Event, WaitWakesWhenAnotherThreadSignals) {
    auto event = Event::Create();
    ASSERT_TRUE(event);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        event->Set();
    });
    EXPECT_TRUE(event->Wait(10000));
    setter.join();
}

TEST(Thread, CreatedSuspendedAndJoinedByItsOwner) {
    std::atomic<int> ran{0};
    std::atomic<bool> startCalled{false}, ranAfterStart{false};
    std::atomic<bool> terminateHandlerSawBody{false};
    {
        Thread t([&](Thread& self) {
            ranAfterStart = startCalled.load();
            ++ran;
            while (!self.Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        t.OnTerminate = [&](Thread&) { terminateHandlerSawBody = ran.load() == 1; };
        EXPECT_EQ(ran.load(), 0) << "nothing runs before Start";
        t.SetPriority(ThreadPriority::BelowNormal);
        startCalled = true;
        t.Start();
        t.Start();
        t.SetPriority(ThreadPriority::TimeCritical);  // may be refused; never fatal
        t.SetPriority(ThreadPriority::Idle);
        EXPECT_EQ(t.Priority(), ThreadPriority::Idle);
    }  // the destructor terminates and joins
    EXPECT_EQ(ran.load(), 1);
    EXPECT_TRUE(ranAfterStart.load()) << "the body waited for Start";
    EXPECT_TRUE(terminateHandlerSawBody.load());
}

#ifndef _WIN32
// A desktop user may lower a thread but never raise it again: the rise is
// refused, and the thread says the priority it really has.
TEST(ThreadDeathTest, ARefusedRiseIsNotClaimed) {
    EXPECT_EXIT(
        {
            bool ok = BecomeDesktopUser() && !PriorityMayRise();
            std::atomic<bool> running{false};
            Thread t([&](Thread& self) {
                running = true;
                while (!self.Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
            t.Start();
            while (!running) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ok = ok && t.SetPriority(ThreadPriority::Idle) && !t.SetPriority(ThreadPriority::Normal);
            ok = ok && t.Priority() == ThreadPriority::Idle;
            t.Terminate();
            t.WaitFor();
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Thread, NiceValuesFollowTheLevels) {
    EXPECT_GT(SystemPriorityOf(ThreadPriority::Idle), SystemPriorityOf(ThreadPriority::Lowest));
    EXPECT_GT(SystemPriorityOf(ThreadPriority::Lowest), SystemPriorityOf(ThreadPriority::BelowNormal));
    EXPECT_GT(SystemPriorityOf(ThreadPriority::BelowNormal), SystemPriorityOf(ThreadPriority::Normal));
    EXPECT_GE(SystemPriorityOf(ThreadPriority::Normal), SystemPriorityOf(ThreadPriority::TimeCritical));
}
#endif

TEST(Library, LoadsResolvesAndReportsFailure) {
    std::string error;
    EXPECT_FALSE(Library::Open("./no-such-library.so", &error));
    EXPECT_NE(error.find("no-such-library"), std::string::npos);
#ifdef _WIN32
    auto system = Library::Open("kernel32.dll");
    const char* known = "GetTickCount";
#else
    auto system = Library::Open("libc.so.6");
    const char* known = "strlen";
#endif
    ASSERT_TRUE(system);
    EXPECT_NE(system->Symbol(known), nullptr);
    EXPECT_EQ(system->Symbol("no_such_symbol_here"), nullptr);
}

TEST(Timing, AReplacementTakesTheWaits) {
    struct Counting : Timing {
        int sleeps = 0;
        void SleepMs(uint32_t) override { ++sleeps; }
    } fake;
    {
        ScopedTiming scope(fake);
        SleepMs(100000);
        EXPECT_EQ(fake.sleeps, 1);
    }
    auto before = NowMs();
    SleepMs(2);
    EXPECT_GE(NowMs(), before + 2) << "the real clock is back";
}

TEST(DirectoryWalk, JoinPathAddsOneSeparator) {
    struct Case {
        std::string folder, name, joined;
    };
#ifdef _WIN32
    const Case cases[] = {
        {"", "a", "a"}, {"C:\\d", "a", "C:\\d\\a"}, {"C:\\d\\", "a", "C:\\d\\a"}, {"C:/d/", "a", "C:/d/a"}};
#else
    const Case cases[] = {{"", "a", "a"}, {"/d", "a", "/d/a"}, {"/d/", "a", "/d/a"}, {"d\\", "a", "d\\/a"}};
#endif
    for (const Case& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder;
}
