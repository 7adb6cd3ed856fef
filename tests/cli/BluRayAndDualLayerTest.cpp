// Blu-ray and dual-layer DVD through the program: each medium burnt,
// verified and left as asked; a BD-RE from the shop to its second burn;
// the discs the burner does not write, refused with the reason.
#include "CliRun.h"

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The media's real sizes: the backing file stays sparse.
std::string Loaded(const std::string& medium, const std::string& extra = "") {
    return "[recorder]\naddress = 0:0:0\nbacking = disc0.img\nmedium = " + medium +
           "\nreads = cd-r bd-r bd-re dvd+r-dl dvd-r-dl\nwrites = cd-r bd-r bd-re dvd+r-dl dvd-r-dl\n"
           "max_write_speed = 71920\n" + extra;
}

const std::vector<std::string> kBurn{"--any-medium", "--no-checksum", "--verify", "--debug"};

}  // namespace

TEST(BluRayAndDualLayer, EachMediumIsBurntVerifiedAndLeftAsAsked) {
    struct Case {
        const char* medium;
        std::string extra;
        std::vector<std::string> options;
        std::vector<std::string> says, listed, info;
    };
    const Case cases[] = {
        {"bd-r", "layers = 2\n", {"--write-speed", "16x"}, {"(BD-R, blank)", "AT 16.0X (71,920 KB/s)"},
         {"writes: CD-R DVD+R DL DVD-R DL BD-R BD-RE", "BD-R, appendable, 1 session"}, {"layers: 2, 12219392 sectors"}},
        {"bd-r", "", {"--finalize-disc"}, {"(BD-R, blank)"}, {"BD-R, closed"}, {}},
        {"bd-re", "", {"--write-speed", "2x"}, {"formatting 0:0:0", "AT 2.0X (8,990 KB/s)"}, {"BD-RE, overwritable"},
         {"capacity: 12219392 sectors"}},
        {"dvd+r-dl", "", {}, {"(DVD+R DL, blank)"}, {"DVD+R DL, appendable, 1 session"},
         {"layers: 2, 2086912 sectors"}},
        {"dvd-r-dl", "", {"--finalize-disc"}, {"(DVD-R DL, blank)"}, {"DVD-R DL, closed"}, {"closed, 1 session"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.medium);
        CliBench bench(Loaded(c.medium, c.extra));
        const std::string image = bench.Image("a.iso", 700 * 2048);
        std::vector<std::string> args = kBurn;
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("a.iso");
        auto run = bench.Run(args);
        EXPECT_EQ(run.code, 0) << run.output;
        for (const std::string& part : c.says) EXPECT_TRUE(Contains(run.output, part)) << run.output;
        EXPECT_TRUE(Contains(run.output, "verify: ok")) << run.output;
        EXPECT_FALSE(Contains(run.output, "warning")) << run.output;
        EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), image));
        auto list = bench.Run({"--list"}), info = bench.Run({"--info"});
        for (const std::string& part : c.listed) EXPECT_TRUE(Contains(list.output, part)) << list.output;
        for (const std::string& part : c.info) EXPECT_TRUE(Contains(info.output, part)) << info.output;
    }
}

// Formatted once, before the first burn; then written over like a DVD+RW;
// --format alone makes it new again.
TEST(BluRayAndDualLayer, BdReFromTheShopToItsSecondBurn) {
    CliBench bench(Loaded("bd-re", "format_ms = 300\n"));
    const std::string first = bench.Image("first.iso", 300 * 2048, 1), second = bench.Image("second.iso", 200 * 2048, 2);
    auto burn = bench.Run({"--any-medium", "--no-checksum", "--verify", "first.iso"});
    EXPECT_EQ(burn.code, 0) << burn.output;
    EXPECT_TRUE(Contains(burn.output, "formatting  ")) << burn.output;  // the progress line
    auto again = bench.Run({"--any-medium", "--no-checksum", "--verify", "second.iso"});
    EXPECT_EQ(again.code, 0) << again.output;
    EXPECT_FALSE(Contains(again.output, "formatting")) << again.output;
    EXPECT_TRUE(Contains(again.output, "verify: ok")) << again.output;
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), second));
    auto format = bench.Run({"--format"});
    EXPECT_EQ(format.code, 0) << format.output;
    EXPECT_EQ(ReadAll(bench.Disc(0)).size(), 0u);  // erased: a sparse file again
}

TEST(BluRayAndDualLayer, WhatIsNotWrittenIsRefusedWithItsReason) {
    struct Case {
        const char* medium;
        std::vector<std::string> options;
        const char* says;
        int code = 4;
    };
    const Case cases[] = {
        {"bd-r-rrm", {"--any-medium", "a.iso"}, "BD-R is not written: it is formatted for random recording"},
        {"dvd-r-dl-jump", {"--any-medium", "a.iso"}, "DVD-R DL is not written: it is set to layer jump recording"},
        {"bd-r", {"--blank", "fast"}, "the BD-R is write-once: it cannot be blanked"},
        {"bd-re", {"--blank", "all"}, "a BD-RE is not blanked: --format reformats it"},
        {"dvd+r-dl", {"--format"}, "--format takes a BD-RE"},
        // Refused as the line's mistake, before "burning onto" is said.
        {"bd-r", {"--any-medium", "--no-checksum", "--test-write", "a.iso"}, 
         "--test-write cannot be used on the BD-R: a BD drive has no test write", 2},
        {"bd-re", {"--any-medium", "--no-checksum", "--format", "--test-write", "a.iso"},
         "--test-write cannot be used on the BD-RE", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.medium);
        CliBench bench(Loaded(c.medium));
        bench.Image("a.iso", 100 * 2048);
        auto run = bench.Run(c.options);
        EXPECT_EQ(run.code, c.code) << run.output;
        EXPECT_TRUE(Contains(run.output, c.says)) << run.output;
        EXPECT_FALSE(Contains(run.output, "burning onto") || Contains(run.output, "formatting")) << run.output;
        EXPECT_EQ(ReadAll(bench.Disc(0)).size(), 0u);
    }
}
