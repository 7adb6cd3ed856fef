// The program as people and scripts meet it: its options, messages and
// exit codes, and whole burns onto virtual recorders.
#include "CliRun.h"
#include "digest/MD5.h"

#include <chrono>
#include <filesystem>
#include <thread>

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST(CommandLine, HelpAndMistakes) {
    CliBench bench(Recorder(0));
    auto help = bench.Run({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* option : {"--list", "--device", "--all-recorders", "--aspi-library", "--pass-through",
                               "--any-medium", "--no-checksum", "--write-speed", "--read-speed", "--test-write",
                               "--no-underrun-protection", "--finalize-disc", "--no-close", "--opc",
                               "--cache-size", "--no-post-gap", "--verify", "--eject", "--debug", "--trace-all"})
        EXPECT_TRUE(Contains(help.output, option)) << option;

    auto unknown = bench.Run({"--bogus", "x.iso"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(unknown.output, "cdburner-cli: unknown option --bogus (see --help)\n");

    auto missing = bench.Run({"missing.iso"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_EQ(Lines(missing.output), 1);
    EXPECT_TRUE(Contains(missing.output, "missing.iso"));

    bench.Image("a.iso", 4096);
    auto device = bench.Run({"--device", "0:5:0", "a.iso"});
    EXPECT_EQ(device.code, 2);
    EXPECT_TRUE(Contains(device.output, "no drive \"0:5:0\"")) << device.output;

    std::filesystem::create_directory(bench.dir.File("a.md5"));  // a companion that cannot be read
    auto companion = bench.Run({"a.iso"});
    EXPECT_EQ(companion.code, 3);
    EXPECT_TRUE(Contains(companion.output, "cannot read the checksum file")) << companion.output;
}

TEST(CommandLine, ChecksumMismatchBurnsNothing) {
    CliBench bench(Recorder(0));
    bench.Image("a.iso", 8192);
    bench.dir.Write("a.md5", "0123456789abcdef0123456789abcdef  a.iso\n");
    auto run = bench.Run({"a.iso"});
    EXPECT_EQ(run.code, 3);
    EXPECT_TRUE(Contains(run.output, "a.iso is corrupted")) << run.output;
    EXPECT_EQ(ReadAll(bench.Disc(0)).size(), 0u);
}

TEST(CommandLine, ListShowsWhatEachDriveHolds) {
    CliBench bench(Recorder(0) + Recorder(1, "medium_state = closed\nrecorded = 500\n") +
                   "[recorder]\naddress = 0:2:0\nmedium = none\n");
    auto list = bench.Run({"--list"});
    EXPECT_EQ(list.code, 0);
    EXPECT_TRUE(Contains(list.output, "1) 0:0:0,E: VIRTUAL CD-RW RECORDER 1.00")) << list.output;
    EXPECT_TRUE(Contains(list.output, "writes: CD-R CD-RW"));
    EXPECT_TRUE(Contains(list.output, "medium: CD-R, blank"));
    EXPECT_TRUE(Contains(list.output, "medium: CD-R, closed"));
    EXPECT_TRUE(Contains(list.output, "medium: none or not ready"));
}

TEST(CommandLine, BurnsVerifiesAndSaysSuccess) {
    CliBench bench(Recorder(0));
    std::string image = bench.Image("a.iso", 300 * 2048 + 100);
    auto run = bench.Run({"--verify", "a.iso"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "\nSuccess\n")) << run.output;
    EXPECT_TRUE(Contains(run.output, "verify: ok")) << run.output;
    EXPECT_TRUE(Contains(run.output, "100%")) << run.output;  // the plain progress line
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), image));
}

// The whole path through the ASPI library the program loads (on Windows
// the virtual recorder as WNASPI32.DLL): the image's companion digest is
// checked, the disc written and read back, and the disc's digest over the
// image's length is the companion's.
TEST(CommandLine, DiscCarriesTheDigestOfItsCompanion) {
    CliBench bench(Recorder(0));
    const size_t size = 450 * 2048;
    std::string image = bench.Image("release.iso", size, 11);
    std::string digest = kq::MD5Print(kq::MD5File(image));
    bench.dir.Write("release.md5", digest + " *release.iso\n");
    auto run = bench.Run({"--verify", "release.iso"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "checksum: good")) << run.output;
    EXPECT_TRUE(Contains(run.output, "verify: ok")) << run.output;
    std::string disc = ReadAll(bench.Disc(0));
    ASSERT_GE(disc.size(), size);
    EXPECT_EQ(kq::MD5Print(kq::MD5Buffer(disc.data(), size)), digest);
}

// The drive's reply buffers start on 4-byte boundaries, so the command
// trace of a whole burn holds no "aaaa" line of a misaligned buffer.
TEST(CommandLine, TracedBurnShowsNoMisalignedBuffer) {
    CliBench bench(Recorder(0));
    bench.Image("a.iso", 300 * 2048);
    auto run = bench.Run({"--trace-all", "--no-checksum", "a.iso"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "READ DISC INFORMATION")) << run.output;
    EXPECT_FALSE(run.output.starts_with("aaaa") || Contains(run.output, "\naaaa")) << run.output;
}

TEST(CommandLine, NoUsableDiscExitsFour) {
    struct Case {
        std::string recorder, says;
    } cases[] = {
        {"[recorder]\naddress = 0:0:0\nwrites = cd-rw\n", "no recorder can be used"},
        {"[recorder]\naddress = 0:0:0\nmedium = none\n", "not ready [NOT READY (MEDIUM NOT PRESENT)]"},
        {Recorder(0, "medium_state = closed\nrecorded = 500\n"), "closed"},
        {Recorder(0, "medium_state = appendable\nrecorded = 500\n"), "already holds 1 session"},
        {"[recorder]\naddress = 0:0:0\nmedium = cd-rom\n", "it holds a CD-ROM, not a CD-R"},
    };
    for (const Case& c : cases) {
        CliBench bench(c.recorder);
        bench.Image("a.iso", 4096);
        auto run = bench.Run({"a.iso"});
        EXPECT_EQ(run.code, 4) << run.output;
        EXPECT_TRUE(Contains(run.output, c.says)) << run.output;
    }
}

TEST(CommandLine, WriteErrorGivesTheDrivesTextAndExitOne) {
    CliBench bench(Recorder(0, "fault = write lba>=100 check 3/0C/00\n"));
    bench.Image("a.iso", 400 * 2048);
    auto run = bench.Run({"--verify", "a.iso"});
    EXPECT_EQ(run.code, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "WRITER ERROR [")) << run.output;
    EXPECT_FALSE(Contains(run.output, "verify:"));
}

TEST(CommandLine, CtrlCAbortsAndWaitsForTheFlush) {
    CliBench bench(Recorder(0, "write_speed = 353\n"));  // 2x: long enough to interrupt
    bench.Image("a.iso", 2000 * 2048);
    auto child = bench.Start({"a.iso"});
    for (int i = 0; i < 200 && ReadAll(bench.Disc(0)).size() < 4 * 55296; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    child.Interrupt();
    EXPECT_EQ(child.Wait(), 130);
}

// A DVD+R writer that lists feature 2Bh and not 2Ah, as some do: the disc
// is written and reads back byte for byte.
TEST(CommandLine, DvdPlusRFromFeature2BBurnsAndVerifies) {
    CliBench bench("[recorder]\naddress = 0:0:0\nreads = cd-rom cd-r dvd-rom dvd+r\nwrites = cd-r dvd+r\n"
                   "feature_2b = yes\nmedium = dvd+r\ncapacity = 20000\nbacking = disc0.img\n");
    std::string image = bench.Image("a.iso", 700 * 2048 + 300, 5);
    auto list = bench.Run({"--list"});
    EXPECT_TRUE(Contains(list.output, "DVD+R")) << list.output;
    auto run = bench.Run({"--any-medium", "--verify", "a.iso"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "\nSuccess\n")) << run.output;
    EXPECT_TRUE(Contains(run.output, "verify: ok")) << run.output;
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), image));
}
