// The command line as typed: every option lands where it should, and each
// mistake gets one line.
#include "cli/CliOptions.h"
#include "cli/ExitCode.h"
#include "cli/SpeedMultiple.h"
#include "drive/DriveTypes.h"

#include <gtest/gtest.h>

using namespace kq::cli;

namespace {

ParseResult Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

}  // namespace

TEST(Options, EveryOptionLandsInItsField) {
    auto r = Parse({"--device", "0:1:0", "--aspi-library=/x/lib.so", "--pass-through", "--any-medium",
                    "--no-checksum", "--write-speed", "7056", "--read-speed=0", "--test-write",
                    "--no-underrun-protection", "--finalize-disc", "--opc", "--cache-size",
                    "5000000", "--no-post-gap", "--verify", "--eject", "--debug", "--trace-all", "image.iso"});
    ASSERT_EQ(r.error, "");
    const CliOptions& o = r.options;
    EXPECT_EQ(o.devices, std::vector<std::string>{"0:1:0"});
    EXPECT_EQ(o.aspiLibrary, "/x/lib.so");
    EXPECT_TRUE(o.passThrough && o.anyMedium && o.noChecksum && o.testWrite && o.noUnderrunProtection);
    EXPECT_TRUE(o.finalizeDisc && o.opc && o.noPostGap && o.verify && o.eject && o.debug && o.traceAll);
    EXPECT_TRUE(Parse({"--no-close", "a.iso"}).options.noClose);  // never with --finalize-disc
    EXPECT_EQ(o.writeSpeed, 7056);
    EXPECT_EQ(o.readSpeed, 0);
    EXPECT_EQ(o.cacheSize, 5000000);
    EXPECT_EQ(o.image, "image.iso");
    EXPECT_FALSE(o.ManyDrives());
}

TEST(Options, MistakesGetOneLine) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"--frobnicate", "a.iso"}, "unknown option --frobnicate (see --help)"},
        {{}, "no image given (see --help)"},
        {{"a.iso", "b.iso"}, "one image at a time: \"b.iso\" is one too many"},
        {{"--write-speed", "fast", "a.iso"},
         "--write-speed takes a speed in kB/s from 0 to 65535, or a multiple such as 16x, not \"fast\""},
        {{"--write-speed", "70000", "a.iso"},
         "--write-speed takes a speed in kB/s from 0 to 65535, or a multiple such as 16x, not \"70000\""},
        {{"--read-speed", "400x", "a.iso"},
         "--read-speed takes a multiple from 0x to 371x on CD media (47x on DVD media), such as 16x or 2.4x, not "
         "\"400x\""},
        {{"--write-speed", "x", "a.iso"},
         "--write-speed takes a multiple from 0x to 371x on CD media (47x on DVD media), such as 16x or 2.4x, not "
         "\"x\""},
        {{"--write-speed", "16", "a.iso"}, "--write-speed 16 would be 16 kB/s, below 1x (176 kB/s): did you mean 16x?"},
        {{"--read-speed=175", "a.iso"}, "--read-speed 175 would be 175 kB/s, below 1x (176 kB/s): did you mean 175x?"},
        {{"--no-close", "--finalize-disc", "a.iso"},
         "--no-close and --finalize-disc contradict each other: give one of them"},
        {{"-"}, "the image cannot come from standard input: give its file name"},
        {{"--", "-"}, "the image cannot come from standard input: give its file name"},
        {{"--info", "a.iso"}, "--info takes no image"},
        {{"--cache-size", "-1", "a.iso"}, "--cache-size takes a number of bytes, not \"-1\""},
        {{"a.iso", "--device"}, "--device needs a value"},
        {{"--verify=yes", "a.iso"}, "--verify takes no value"},
        {{"--list", "a.iso"}, "--list takes no image"},
        {{"--all-recorders", "--device", "1", "a.iso"}, "give either --device or --all-recorders, not both"},
        {{"--blank", "quick"}, "--blank takes fast or all, not \"quick\""},
        {{"--blank", "fast", "--all-recorders", "a.iso"}, "--blank takes one recorder at a time"},
        {{"--read-image", "o.iso", "a.iso"}, "--read-image takes no image to burn"},
        {{"--read-image", "o.iso", "--check-disc", "a.iso"}, "give either --read-image or --check-disc, not both"},
        {{"--check-disc", "a.iso", "--verify"}, "--read-image, --check-disc and --list-files take no burn or listing option"},
        {{"--check-disc", "a.iso", "--force"}, "--md5, --keep-going and --force are for --read-image"},
        {{"--keep-going", "a.iso"}, "--track, --md5 and --keep-going are for reading a disc"},
        {{"--read-image", "o.iso", "--track", "0"}, "--track takes a track number from 1 to 99, not \"0\""},
    };
    for (const Case& c : cases) {
        auto r = Parse(c.args);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
}

// What one mode ignores is refused, naming both options; a value that is
// an option, and a slip of the keyboard, are named back.
TEST(Options, EachModeTakesOnlyItsOwnOptions) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"--read-image", "o.iso", "--folder", "d"}, "--read-image takes no --folder"},
        {{"--check-disc", "a.iso", "--add", "x=y"}, "--check-disc takes no --add"},
        {{"--check-disc", "a.iso", "b.iso"}, "--check-disc takes no image to burn"},
        {{"--folder", "d", "--write-image", "x.iso", "--format"}, "--write-image takes no --format"},
        {{"--folder", "d", "--write-image", "x.iso", "--blank", "fast"}, "--write-image takes no --blank"},
        {{"--list", "--device", "1"}, "--list takes no --device"},
        {{"--info", "--verify"}, "--info takes no --verify"},
        {{"--blank", "fast", "--eject"}, "--blank takes no --eject"},
        {{"--force", "a.iso"}, "--force is for --read-image and --write-image"},
        {{"--read-image", "--keep-going", "out.iso"}, "--read-image needs a file name, not --keep-going"},
        {{"--device", "--verify", "a.iso"}, "--device needs a drive, not --verify"},
        {{"--folders", "d"}, "unknown option --folders: did you mean --folder?"},
        {{"--verfy", "a.iso"}, "unknown option --verfy: did you mean --verify?"},
        {{"--fast", "a.iso"}, "unknown option --fast (see --help)"},
        {{"--folders=d"}, "unknown option --folders: did you mean --folder?"},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.args).error, c.error);
    EXPECT_EQ(Parse({"--folder", "d", "--write-image", "x.iso", "--force"}).error, "");
    EXPECT_EQ(Parse({"--folder", "d", "--write-image", "-"}).options.writeImage, "-");
    EXPECT_EQ(Parse({"--cache-size", "-1", "a.iso"}).error, "--cache-size takes a number of bytes, not \"-1\"");
}

struct ModeCase {
    std::vector<std::string> args;
    CliMode mode;
};

TEST(Options, TheLineDecidesOneMode) {
    const ModeCase cases[] = {
        {{"a.iso"}, CliMode::BurnImage},
        {{"--blank", "fast", "a.iso"}, CliMode::BurnImage},
        {{"--blank", "fast"}, CliMode::Blank},
        {{"--format"}, CliMode::Format},
        {{"--folder", "d"}, CliMode::BurnFolder},
        {{"--add", "a=b", "--format"}, CliMode::BurnFolder},
        {{"--folder", "d", "--print-size", "--verify"}, CliMode::PrintSize},
        {{"--folder", "d", "--write-image", "x.iso"}, CliMode::WriteImage},
        {{"--read-image", "o.iso", "--track", "2"}, CliMode::ReadImage},
        {{"--check-disc", "a.iso"}, CliMode::CheckDisc},
        {{"--info", "--device", "1"}, CliMode::Info},
        {{"--list"}, CliMode::List},
        {{"--help", "a.iso", "--verify"}, CliMode::Help},
        {{"--version"}, CliMode::Version},
    };
    for (const ModeCase& c : cases) {
        auto r = Parse(c.args);
        EXPECT_EQ(r.error, "") << c.args.front();
        EXPECT_EQ(r.options.mode, c.mode) << c.args.front();
    }
}

TEST(Options, ListAndHelpNeedNoImage) {
    EXPECT_EQ(Parse({"--list", "--pass-through"}).error, "");
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_EQ(Parse({"--blank", "fast"}).options.blankType, 1);
    EXPECT_EQ(Parse({"--blank=all", "a.iso"}).options.blankType, 0);
    EXPECT_EQ(Parse({"-h", "--bogus-but-ignored-after-help"}).error, "unknown option --bogus-but-ignored-after-help (see --help)");
    // After "--" a name that looks like an option is the image.
    EXPECT_EQ(Parse({"--", "--odd.iso"}).options.image, "--odd.iso");
}

TEST(Options, SeveralDrivesAndTheirChildren) {
    auto r = Parse({"--device", "1", "--device", "0:2:0", "--verify", "--write-speed", "9173", "a.iso"});
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.options.ManyDrives());
    EXPECT_TRUE(Parse({"--all-recorders", "a.iso"}).options.ManyDrives());

    // A child gets the same options, one drive, and no second checksum.
    auto child = ChildArguments(r.options, "0:2:0", 7);
    auto back = ParseCommandLine(child);
    ASSERT_EQ(back.error, "");
    EXPECT_EQ(back.options.devices, std::vector<std::string>{"0:2:0"});
    EXPECT_EQ(back.options.reportFd, 7);
    EXPECT_TRUE(back.options.verify && back.options.noChecksum);
    EXPECT_EQ(back.options.writeSpeed, 9173);
    EXPECT_EQ(back.options.image, "a.iso");
    EXPECT_FALSE(back.options.ManyDrives());
}

TEST(Options, ModesAndImpliedOptions) {
    EXPECT_EQ(Parse({"--version"}).error, "");
    EXPECT_EQ(Parse({"--info", "--all-recorders"}).error, "");
    EXPECT_TRUE(Parse({"--trace-all", "a.iso"}).options.debug);  // its lines are debug lines
    auto node = Parse({"--device", "/dev/sr1", "a.iso"});
    EXPECT_TRUE(node.options.passThrough);
    EXPECT_EQ(node.options.devices, std::vector<std::string>{"/dev/sr1"});
}

TEST(Options, SpeedsAsMultiples) {
    auto r = Parse({"--write-speed", "16x", "--read-speed", "48X", "--device", "1", "--device", "2", "a.iso"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.writeMultiple, 16);
    EXPECT_EQ(r.options.readMultiple, 48);
    EXPECT_FALSE(r.options.writeSpeed || r.options.readSpeed);
    // Each child turns the multiple into kB/s on its own medium.
    auto back = ParseCommandLine(ChildArguments(r.options, "0:1:0", 3)).options;
    EXPECT_EQ(back.writeMultiple, 16);
    EXPECT_EQ(back.readMultiple, 48);
    // The last of kB/s and multiple wins.
    auto last = Parse({"--write-speed", "8x", "--write-speed", "1000", "a.iso"}).options;
    EXPECT_EQ(last.writeSpeed, 1000);
    EXPECT_FALSE(last.writeMultiple);

    // Fractions as discs are labelled; what is not a plain decimal is refused.
    EXPECT_EQ(Parse({"--write-speed", "2.4x", "a.iso"}).options.writeMultiple, 2.4);
    auto fraction = Parse({"--write-speed", "4.5x", "--device", "1", "--device", "2", "a.iso"}).options;
    EXPECT_EQ(ParseCommandLine(ChildArguments(fraction, "0:1:0", 3)).options.writeMultiple, 4.5);
    for (const char* odd : {"1e2x", "2.x", ".5x", "-1x", "2.405x", "infx", "2,4x"})
        EXPECT_NE(Parse({"--write-speed", odd, "a.iso"}).error, "") << odd;

    struct Case {
        double multiple;
        int mediaType;
        uint16_t kBps;
    } cases[] = {
        {16, kq::media::CdR, 2822},       {52, kq::media::CdRw, 9173},    {1, kq::media::CdR, 176},
        {16, kq::media::DvdR, 22160},     {4, kq::media::DvdPlusRw, 5540}, {0, kq::media::DvdR, 0},
        {371, kq::media::CdR, 65444},     {48, kq::media::DvdPlusR, 65535},  // past the field: the maximum
        {2.4, kq::media::DvdR, 3324},     {4.5, kq::media::CdR, 794},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChosenSpeed(std::nullopt, c.multiple, c.mediaType), c.kBps) << c.multiple << "x on " << c.mediaType;
    EXPECT_EQ(ChosenSpeed(uint16_t{7056}, std::nullopt, kq::media::DvdR), 7056);

    // The medium decides how far a multiple may go.
    EXPECT_EQ(MultipleRangeRefusal("--write-speed", 48.0, kq::media::DvdR),
              "--write-speed 48x is beyond what DVD media allow: from 0x to 47x");
    EXPECT_EQ(MultipleRangeRefusal("--write-speed", 48.0, kq::media::CdR), "");
    EXPECT_EQ(MultipleRangeRefusal("--write-speed", std::nullopt, kq::media::DvdR), "");
}

TEST(Options, WorstResultDecidesTheExitCode) {
    EXPECT_GT(ExitSeverity(kExitAborted), ExitSeverity(kExitBurnFailed));
    EXPECT_GT(ExitSeverity(kExitBurnFailed), ExitSeverity(kExitChecksumMismatch));
    EXPECT_GT(ExitSeverity(kExitChecksumMismatch), ExitSeverity(kExitNoRecorder));
    EXPECT_GT(ExitSeverity(kExitNoRecorder), ExitSeverity(kExitSuccess));
}
