// A hang-up or SIGTERM aborts a burn as Ctrl-C does, each with its own exit status;
// a reader of standard output that goes away costs only the output. Linux only.
#ifndef _WIN32
#include "CliRun.h"

#include <signal.h>

#include <chrono>
#include <thread>

using namespace clitest;

static bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Signals, EachStopSignalAbortsWithItsStatus) {
    const struct { int signal, code; } cases[] = {{SIGINT, 130}, {SIGHUP, 129}, {SIGTERM, 143}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        CliBench bench(Recorder(0, "write_speed = 353\n"));  // 2x: long enough to interrupt
        bench.Image("a.iso", 2000 * 2048);
        auto child = bench.Start({"a.iso"});
        for (int i = 0; i < 200 && ReadAll(bench.Disc(0)).size() < 4 * 55296; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        kill(child.Id(), c.signal);
        EXPECT_EQ(child.Wait(), c.code);
    }
}

// `cdburner-cli image.iso | head -1`: the burn goes on and closes its session.
TEST(Signals, ClosedPipeOnStandardOutputLeavesTheBurnWhole) {
    CliBench bench(Recorder(0, "write_speed = 1764\n"));  // 10x: lines to write after head has gone
    std::string image = bench.Image("a.iso", 1200 * 2048);
    FILE* pipe = popen(bench.CommandLine({"--no-checksum", "a.iso"}, bench.Quote(bench.dir.File("err"))).c_str(), "r");
    ASSERT_TRUE(pipe);
    char first[256] = "";
    EXPECT_TRUE(std::fgets(first, sizeof first, pipe));
    int status = pclose(pipe);  // the reader goes; the program is waited for
    EXPECT_TRUE(Contains(first, "burning onto")) << first;
    const std::string errors = ReadAll(bench.dir.File("err"));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << errors;
    EXPECT_TRUE(Contains(errors, "standard output is closed")) << errors;
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), image));
    auto list = bench.Run({"--list"});
    EXPECT_TRUE(Contains(list.output, "appendable, 1 session")) << list.output;
}
#endif
