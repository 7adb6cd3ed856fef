// --blank: a used CD-RW erased and burnt again, the discs it refuses, a
// drive that fails the blank, and Ctrl-C, which waits for the drive.
#include "CliRun.h"
#include "cli/BlankProgress.h"

#include <chrono>
#include <thread>

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string CdRw(const std::string& extra = "") {
    return "[recorder]\naddress = 0:0:0\nmedium = cd-rw\ncapacity = 20000\nbacking = disc0.img\n"
           "blank_ms = 200\n" + extra + "\n";
}

}  // namespace

TEST(Blank, UsedCdRwEndsHoldingTheNewImage) {
    CliBench bench(CdRw());
    bench.Image("old.iso", 600 * 2048, 1);
    bench.Image("new.iso", 400 * 2048, 2);
    ASSERT_EQ(bench.Run({"--any-medium", "--no-checksum", "old.iso"}).code, 0);
    EXPECT_TRUE(Contains(bench.Run({"--list"}).output, "medium: CD-RW, appendable, 1 session"));

    auto refused = bench.Run({"--any-medium", "--no-checksum", "new.iso"});
    EXPECT_EQ(refused.code, 4);
    EXPECT_TRUE(Contains(refused.output, "--blank fast makes it usable again")) << refused.output;

    auto run = bench.Run({"--any-medium", "--no-checksum", "--verify", "--blank", "fast", "new.iso"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "(CD-RW, appendable, 1 session)")) << run.output;
    EXPECT_TRUE(Contains(run.output, "100%  blanking")) << run.output;
    EXPECT_TRUE(Contains(run.output, "\nblank\n")) << run.output;
    EXPECT_TRUE(Contains(run.output, "(CD-RW, blank)")) << run.output;
    EXPECT_TRUE(Contains(run.output, "verify: ok")) << run.output;
    EXPECT_TRUE(Contains(run.output, "Success")) << run.output;
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), bench.dir.File("new.iso")));

    // On its own, --blank leaves a blank disc behind.
    auto alone = bench.Run({"--blank", "all"});
    EXPECT_EQ(alone.code, 0) << alone.output;
    EXPECT_TRUE(Contains(alone.output, "whole disc")) << alone.output;
    EXPECT_TRUE(Contains(bench.Run({"--list"}).output, "medium: CD-RW, blank"));
}

TEST(Blank, RefusedDiscsAreLeftAsTheyWere) {
    struct Case {
        std::string recorder;
        std::vector<std::string> args;
        int code;
        std::string says;
    } cases[] = {
        {Recorder(0), {"--blank", "fast"}, 4, "the CD-R is write-once: it cannot be blanked"},
        {CdRw("medium_state = closed\nrecorded = 500\n"), {"--blank", "fast", "a.iso"}, 4,
         "not a CD-R (--any-medium takes other writable media); nothing was blanked"},
        {CdRw("medium_state = closed\nrecorded = 500\nfault = blank check 3/0C/00\n"), {"--blank", "fast"}, 1,
         "blank: MEDIUM ERROR (WRITE ERROR)"},
        // The image is refused before the disc is erased: too large for the whole disc, or corrupted.
        {CdRw("medium_state = closed\nrecorded = 50\ncapacity = 100\n"), {"--any-medium", "--blank", "fast", "a.iso"},
         4, "IMAGE TOO LARGE: 300 SECTORS, THE DISC HAS 100 FREE; nothing was blanked"},
        {CdRw("medium_state = closed\nrecorded = 500\n"), {"--any-medium", "--blank", "fast", "a.iso"}, 3,
         "is corrupted"},
    };
    for (const Case& c : cases) {
        CliBench bench(c.recorder);
        bench.Image("a.iso", 4096);
        bench.dir.Write("a.md5", std::string(32, '0') + "  a.iso\n");
        std::string before = bench.Run({"--list"}).output;
        auto run = bench.Run(c.args);
        EXPECT_EQ(run.code, c.code) << run.output;
        EXPECT_TRUE(Contains(run.output, c.says)) << run.output;
        EXPECT_EQ(bench.Run({"--list"}).output, before);
    }
}

// Ctrl-C cannot stop a blank: the program waits for the drive, then
// reports the interruption and burns nothing.
TEST(Blank, CtrlCWaitsForTheDriveToFinish) {
    using Clock = std::chrono::steady_clock;
    CliBench bench(CdRw("medium_state = closed\nrecorded = 500\nblank_ms = 3000\n"));
    bench.Image("a.iso", 4096);
    ASSERT_EQ(bench.Run({"--list"}).code, 0);  // the state file of the closed disc
    const std::string state = bench.Disc(0) + ".state", closed = ReadAll(state);
    const std::vector<std::string> args{"--any-medium", "--no-checksum", "--blank", "all", "a.iso"};
    auto child = bench.Start(args);
    for (int i = 0; i < 400 && ReadAll(state) == closed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    const auto blankStarted = Clock::now();
    ASSERT_NE(ReadAll(state), closed) << "the blank never started";
    child.Interrupt();
    EXPECT_EQ(child.Wait(), 130);
    EXPECT_GE(Clock::now() - blankStarted, std::chrono::milliseconds(2500));
    EXPECT_TRUE(Contains(bench.Run({"--list"}).output, "medium: CD-RW, blank"));
    EXPECT_EQ(ReadAll(bench.Disc(0)).size(), 0u);  // nothing burnt after the blank
#ifndef _WIN32
    std::string log = ReadAll(bench.Output());
    EXPECT_TRUE(Contains(log, "interrupted: a blank cannot be stopped; waiting for the drive to finish it\n")) << log;
    EXPECT_TRUE(Contains(log, "\nblank\n")) << log;
    EXPECT_FALSE(Contains(log, "burning onto")) << log;
#endif
}

TEST(Blank, ProgressLineFromTheDrivesIndication) {
    struct Case {
        int progress;
        uint64_t elapsedMs;
        std::string line;
    } cases[] = {
        {-1, 3'000, " --%  blanking  0:03 elapsed  --:-- left"},
        {0, 500, "  0%  blanking  0:00 elapsed  --:-- left"},
        {16384, 30'000, " 25%  blanking  0:30 elapsed  1:30 left"},
        {65535, 120'000, " 99%  blanking  2:00 elapsed  0:00 left"},
        {65536, 120'000, "100%  blanking  2:00 elapsed  0:00 left"},
        {90000, 120'000, "100%  blanking  2:00 elapsed  0:00 left"},
    };
    for (const Case& c : cases) EXPECT_EQ(kq::cli::FormatBlankLine(c.progress, c.elapsedMs), c.line);
}
