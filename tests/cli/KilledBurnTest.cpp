// A burn cut off by SIGKILL at each stage, and two burns onto one disc at
// once: what the next run finds on the disc.
// Linux only: SIGKILL, and two processes timed against each other.
#ifndef _WIN32
#include "CliRun.h"

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

uintmax_t SizeOf(const std::string& path) {
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

// Waits up to 30 s for `ready`; false when it never came.
bool WaitFor(const std::function<bool()>& ready) {
    for (int i = 0; i < 3000; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The stage is known by what has reached the disc, the program's report
// and the recorder's saved state; the recorder makes the stage last.
struct KillStage {
    const char* name;
    const char* recorder;
    size_t imageBytes;
    uintmax_t onDisc;     // bytes on the disc
    const char* report;   // in the program's report
    const char* state;    // in the recorder's saved state
    const char* listed;   // what the next run finds
};

// A close the drive was given completes, as a drive finishes it when the
// program that sent it dies.
constexpr KillStage kStages[] = {
    {"before the first WRITE", "calibrate_ms = 30000", 1 << 20, 0, "note medium: ", "", "blank"},
    {"mid-data", "write_speed = 700", 6 << 20, 1 << 20, "", "", "incomplete session, "},
    {"during the flush", "flush_ms = 30000", 1 << 20, 1 << 20, " finalizing", "", "incomplete session, "},
    {"during the close", "close_ms = 30000", 1 << 20, 1 << 20, "", "closed_sessions 1", "appendable, 1 session"},
};

}  // namespace

TEST(KilledBurn, TheNextRunFindsWhatReachedTheDisc) {
    for (const KillStage& stage : kStages) {
        SCOPED_TRACE(stage.name);
        CliBench bench(Recorder(0, stage.recorder));
        std::string image = bench.Image("a.iso", stage.imageBytes);
        platform::ChildProcess burn = bench.Start({"--opc", "--no-checksum", "--report-fd", "1", "a.iso"});
        std::string disc = bench.Disc(0);
        ASSERT_TRUE(WaitFor([&] {
            return SizeOf(disc) >= stage.onDisc && Contains(ReadAll(bench.Output()), stage.report) &&
                   Contains(ReadAll(disc + ".state"), stage.state);
        }));
        kill(burn.Id(), SIGKILL);
        EXPECT_EQ(burn.Wait(), 128 + SIGKILL);

        uintmax_t left = SizeOf(disc);
        auto list = bench.Run({"--list"});
        std::string listed = std::string("medium: CD-R, ") + stage.listed;
        ASSERT_TRUE(Contains(list.output, listed)) << list.output;
        if (left == 0) {
            EXPECT_EQ(std::string(stage.listed), "blank");
            continue;
        }
        EXPECT_EQ(ReadAll(disc).compare(0, left, ReadAll(image), 0, left), 0);
        if (Contains(listed, "incomplete")) {
            std::string count = list.output.substr(list.output.find(listed) + listed.size());
            count = count.substr(0, count.find(' '));
            std::erase(count, ',');
            EXPECT_EQ(std::stoul(count), left / 2048);
        }

        auto again = bench.Run({"--no-checksum", "a.iso"});
        EXPECT_EQ(again.code, 4) << again.output;
        EXPECT_TRUE(Contains(again.output, "a write-once disc takes one image") || Contains(again.output, "--append"))
            << again.output;
        EXPECT_EQ(SizeOf(disc), left);
    }
}

// Two processes start burning one recorder: one burn wins the disc, the
// other fails, and the disc holds the winner's image whole.
TEST(KilledBurn, TwoBurnsOfOneDiscAtOnceLeaveOneImage) {
    CliBench bench(Recorder(0, "calibrate_ms = 1500"));
    std::string first = bench.Image("a.iso", 1 << 20, 1);
    std::string second = bench.Image("b.iso", 1 << 20, 2);
    platform::ChildProcess a = bench.Start({"--opc", "--no-checksum", "a.iso"});
    ASSERT_TRUE(WaitFor([&] { return Contains(ReadAll(bench.Output()), "burning onto"); }));  // now calibrating
    auto b = bench.Run({"--opc", "--no-checksum", "b.iso"});
    int aCode = a.Wait();
    EXPECT_EQ((aCode == 0) + (b.code == 0), 1) << "a: " << aCode << ", b: " << b.output;
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), aCode == 0 ? first : second));
}
#endif
