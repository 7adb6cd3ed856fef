// No false "Success" and no wasted disc, through the program: what each
// burn prints, its exit code and what the disc holds afterwards.
#include "CliRun.h"
#include "digest/MD5.h"

#include <chrono>
#include <filesystem>
#include <thread>

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct PromiseCase {
    const char* name;
    std::string recorder;
    size_t imageBytes;
    std::vector<std::string> options;
    int code;
    std::vector<std::string> says;
    size_t discBytes;  // the backing file's size afterwards
};

TEST(BurnPromises, EachBurnEndsAsItSays) {
    const std::string dvd = "reads = cd-rom cd-r dvd-rom dvd+r dvd+rw\nwrites = cd-r dvd+r dvd+rw\nfeature_2a = yes\n";
    const std::string dvdPlusR = dvd + "medium = dvd+r\n", dvdPlusRw = dvd + "medium = dvd+rw\n";
    const PromiseCase cases[] = {
        {"too large for the disc", Recorder(0, "capacity = 2000\n"), 2001 * 2048, {}, 4,
         {"IMAGE TOO LARGE: 2001 SECTORS, THE DISC HAS 2000 FREE"}, 0},
        {"empty image", Recorder(0), 0, {"--no-checksum"}, 2, {"the image is empty"}, 0},
        {"one sector", Recorder(0), 2048, {"--no-checksum", "--verify"}, 0, {"Success", "verify: ok"}, 300 * 2048},
        {"hundred sectors", Recorder(0), 100 * 2048, {"--no-checksum"}, 0, {"Success"}, 300 * 2048},
        {"DVD+R finalized", Recorder(0, dvdPlusR), 400 * 2048, {"--any-medium", "--finalize-disc"}, 0,
         {"Success"}, 400 * 2048},
        {"DVD+RW overwritten", Recorder(0, dvdPlusRw), 400 * 2048, {"--any-medium", "--verify"}, 0,
         {"(DVD+RW, overwritable)", "verify: ok", "Success"}, 400 * 2048},
        {"kB/s meant as a multiple", Recorder(0), 4096, {"--write-speed", "16"}, 2, {"did you mean 16x?"}, 0},
        {"multiple beyond the medium", Recorder(0, dvdPlusR), 4096, {"--any-medium", "--write-speed", "48x"}, 2,
         {"--write-speed 48x is beyond what DVD media allow: from 0x to 47x"}, 0},
        {"fractional multiple", Recorder(0, dvdPlusR), 400 * 2048, {"--any-medium", "--write-speed", "2.4x"}, 0,
         {"Success"}, 400 * 2048},
        {"open and closed at once", Recorder(0), 4096, {"--no-close", "--finalize-disc"}, 2, {"contradict"}, 0},
    };
    for (const PromiseCase& c : cases) {
        SCOPED_TRACE(c.name);
        CliBench bench(c.recorder);
        bench.Image("a.iso", c.imageBytes);
        std::vector<std::string> args = c.options;
        args.push_back("a.iso");
        auto run = bench.Run(args);
        EXPECT_EQ(run.code, c.code) << run.output;
        for (const std::string& part : c.says) EXPECT_TRUE(Contains(run.output, part)) << run.output;
        if (c.code != 0) {
            EXPECT_FALSE(Contains(run.output, "Success")) << run.output;
        }
        EXPECT_EQ(ReadAll(bench.Disc(0)).size(), c.discBytes);
    }
}

// The fit is known before minutes of hashing: the checksum is not computed.
TEST(BurnPromises, TooLargeIsToldBeforeTheChecksum) {
    CliBench bench(Recorder(0, "capacity = 2000\n"));
    bench.Image("a.iso", 2001 * 2048);
    bench.dir.Write("a.md5", "0123456789abcdef0123456789abcdef  a.iso\n");
    auto run = bench.Run({"a.iso"});
    EXPECT_EQ(run.code, 4) << run.output;
    EXPECT_FALSE(Contains(run.output, "checking")) << run.output;
}

TEST(BurnPromises, FinalizedDvdIsListedClosed) {
    CliBench bench(Recorder(0, "medium = dvd+r\nreads = cd-r dvd+r dvd+rw\nwrites = cd-r dvd+r dvd+rw\nfeature_2a = yes\n"));
    bench.Image("a.iso", 400 * 2048);
    ASSERT_EQ(bench.Run({"--any-medium", "--finalize-disc", "--no-checksum", "a.iso"}).code, 0);
    auto list = bench.Run({"--list"});
    EXPECT_TRUE(Contains(list.output, "medium: DVD+R, closed")) << list.output;
}

// A close page refused for good: the disc is closed under the page of
// preparation so the data is readable, and the program says the disc is
// not what was asked. The eighth MODE SELECT is the close page: six
// probes at selection, then the page of preparation.
TEST(BurnPromises, DiscNotAsAskedIsWarnedAbout) {
    CliBench bench(Recorder(0, "fault = mode-select nth=8 times=1000000 check 5/26/00\n"));
    bench.Image("a.iso", 400 * 2048);
    auto run = bench.Run({"--no-checksum", "--verify", "a.iso"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "warning: the disc is now closed, not appendable as asked")) << run.output;
    EXPECT_TRUE(Contains(run.output, "verify: ok")) << run.output;
}

// Two burners onto one recorder: the second is refused before it writes
// and the first disc holds the first image.
TEST(BurnPromises, SecondBurnOntoABusyDriveIsRefused) {
    CliBench bench(Recorder(0, "write_speed = 353\n"));
    const std::string first = bench.Image("first.iso", 1000 * 2048, 1);
    bench.Image("second.iso", 1000 * 2048, 2);
    auto running = bench.Start({"--no-checksum", "first.iso"});
    for (int i = 0; i < 200 && ReadAll(bench.Disc(0)).size() < 2 * 55296; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto second = bench.Run({"--no-checksum", "second.iso"});
    EXPECT_NE(second.code, 0) << second.output;
    // Refused at its first write, or already by the disc the first burn has begun.
    EXPECT_TRUE(Contains(second.output, "THE DRIVE IS IN USE BY ANOTHER PROGRAM") ||
                Contains(second.output, "another program may be writing it now"))
        << second.output;
    EXPECT_EQ(running.Wait(), 0);
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), first));
}

#ifndef _WIN32
// Ctrl-C while a large image is hashed stops the check at once.
TEST(BurnPromises, CtrlCStopsTheChecksum) {
    CliBench bench(Recorder(0, "capacity = 4000000\n"));  // room for the image
    const std::string image = bench.dir.File("big.iso");
    { std::ofstream create(image); }
    std::filesystem::resize_file(image, uint64_t{6} << 30);  // sparse: minutes of hashing on this machine
    bench.dir.Write("big.md5", "0123456789abcdef0123456789abcdef  big.iso\n");
    auto child = bench.Start({"big.iso"});
    // The check line comes right before the hashing, which stops at the interrupt.
    for (int i = 0; i < 400 && !Contains(ReadAll(bench.Output()), "checking"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    const auto interrupted = std::chrono::steady_clock::now();
    child.Interrupt();
    EXPECT_EQ(child.Wait(), 130);
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(3));
    const std::string output = ReadAll(bench.Output());
    EXPECT_TRUE(Contains(output, "checksum: aborted")) << output;
    EXPECT_FALSE(Contains(output, "burning onto")) << output;
    EXPECT_EQ(ReadAll(bench.Disc(0)).size(), 0u);
}
#endif

}  // namespace

#ifndef _WIN32
// An image changed on disk during its burn. Changed where the burn has not
// read yet, the disc would not hold what was checked: the burn fails and
// leaves the session open. Changed where it was read already, the disc holds
// the checked bytes, and --verify compares it with the checked digest, not
// with the file as it is now. The first WRITE is held back meanwhile.
TEST(BurnPromises, ImageChangedDuringTheBurn) {
    constexpr size_t kBytes = 1500 * 2048 + 100;  // beyond the smallest cache
    const struct {
        const char* name;
        long offset;  // where the bytes change; from the end when negative
        int code;
        const char* says;
        const char* disc;
    } cases[] = {
        {"ahead of the reading", -7, 1, "IMAGE CHANGED DURING BURN", "incomplete"},
        {"behind the reading", 0, 0, "verify: ok", "appendable"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliBench bench(Recorder(0, "fault = write times=1 late 1500\n"));
        const std::string image = bench.Image("a.iso", kBytes);
        std::string line = bench.CommandLine({"--cache-size", "2097152", "--verify", "a.iso"});
        line = line.substr(0, line.rfind(" 2>&1")) + " >out.txt 2>&1";
        bench.dir.Write("a.md5", kq::MD5Print(kq::MD5File(image)) + "  a.iso\n");
        std::error_code why;
        auto child = platform::ChildProcess::Spawn("/bin/sh", {"-c", line}, 9, true, why);
        ASSERT_TRUE(child) << why.message();
        for (int i = 0; i < 400; ++i) {
            const bool ahead = c.offset < 0;  // the burn has begun; else its first block is on the disc
            if (ahead ? Contains(ReadAll(bench.dir.File("out.txt")), "burning onto") : !ReadAll(bench.Disc(0)).empty())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(c.offset, c.offset < 0 ? std::ios::end : std::ios::beg);
        file.write("changed", 7);
        file.close();
        EXPECT_EQ(child->Wait(), c.code);
        const std::string output = ReadAll(bench.dir.File("out.txt"));
        EXPECT_TRUE(Contains(output, c.says)) << output;
        EXPECT_EQ(Contains(output, "Success"), c.code == 0) << output;
        EXPECT_TRUE(Contains(bench.Run({"--info"}).output, std::string("medium: CD-R, ") + c.disc));
    }
}
#endif
