// The program's conventions, run as a subprocess: which stream a line goes
// to, what is checked first, --version, --info, and the plain progress line.
#include "CliRun.h"

#include <regex>
#include <sstream>

using namespace clitest;

#ifndef _WIN32

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(Conventions, VersionIsOneLine) {
    CliBench bench(Recorder(0));
    auto run = bench.RunApart({"--version"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(std::regex_match(run.output, std::regex("cdburner-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << run.output;
    EXPECT_EQ(run.errors, "");
}

// Results on standard output, every error on standard error.
TEST(Conventions, ErrorsGoToStandardError) {
    CliBench bench(Recorder(0) + Recorder(1, "fault = write lba>=100 check 3/0C/00"));
    bench.Image("a.iso", 400 * 2048);
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out, err;  // expected in each stream, and absent from the other
    } cases[] = {
        {{"--device", "0:0:0", "a.iso"}, 0, "Success", ""},
        {{"--device", "0:1:0", "a.iso"}, 1, "", "WRITER ERROR"},
        {{"--device", "0:0:0", "a.iso"}, 4, "", "already holds 1 session"},
        {{"--device", "7", "a.iso"}, 2, "", "no drive \"7\""},
    };
    for (const Case& c : cases) {
        auto run = bench.RunApart(c.args);
        EXPECT_EQ(run.code, c.code) << run.output << run.errors;
        if (!c.out.empty()) {
            EXPECT_TRUE(Contains(run.output, c.out) && !Contains(run.errors, c.out)) << run.output;
        }
        if (!c.err.empty()) {
            EXPECT_TRUE(Contains(run.errors, c.err) && !Contains(run.output, c.err)) << run.errors;
        }
        if (c.code == 0) {
            EXPECT_EQ(run.errors, "");
        }
    }
}

TEST(Conventions, AnUnknownDeviceIsToldBeforeTheImageIsRead) {
    CliBench bench(Recorder(0));
    bench.Image("a.iso", 4096);
    bench.dir.Write("a.md5", "0123456789abcdef0123456789abcdef  a.iso\n");  // would fail, exit 3
    auto run = bench.RunApart({"--device", "0:9:9", "a.iso"});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.errors, "cdburner-cli: no drive \"0:9:9\" (--list shows them)\n");
    EXPECT_EQ(run.output, "");
}

TEST(Conventions, NoTransportSaysWhatWasTriedAndWhatToDo) {
    CliBench bench(Recorder(0));
    auto run = bench.RunApart({"--aspi-library", "/nonexistent/libother.so", "--list"});
    if (run.code == 0) GTEST_SKIP() << "this machine has a drive for the pass-through layer";
    EXPECT_EQ(run.code, 4);
    for (const char* part : {"\"/nonexistent/libother.so\"", "--pass-through", "--aspi-library PATH", "./run demo"})
        EXPECT_TRUE(Contains(run.errors, part)) << part << "\n" << run.errors;
}

// The disc as the drive describes it: blank, after a burn, after a closing burn.
// A Track-At-Once track counts its two run-out blocks.
TEST(Conventions, InfoDescribesEachDisc) {
    CliBench bench(Recorder(0) + Recorder(1));
    bench.Image("a.iso", 800 * 2048);
    auto blank = bench.RunApart({"--info", "--all-recorders"});
    EXPECT_EQ(blank.code, 0) << blank.errors;
    EXPECT_TRUE(Contains(blank.output, "0:0:0") && Contains(blank.output, "0:1:0")) << blank.output;
    EXPECT_TRUE(Contains(blank.output, "  medium: CD-R, blank\n  capacity: 20000 sectors (39.1 MB, 4:26 min)\n"))
        << blank.output;

    ASSERT_EQ(bench.Run({"--device", "0:0:0", "a.iso"}).code, 0);
    ASSERT_EQ(bench.Run({"--device", "0:1:0", "--finalize-disc", "a.iso"}).code, 0);
    auto appendable = bench.RunApart({"--info", "--device", "1"});
    EXPECT_EQ(appendable.code, 0) << appendable.errors;
    for (const char* line : {"medium: CD-R, appendable, 1 session", "session 1, track 1: start 0, 802 sectors",
                             "session 2, track 2: start ", "toc: tracks 1-1, 1 at 0, lead-out at 802"})
        EXPECT_TRUE(Contains(appendable.output, line)) << line << "\n" << appendable.output;
    auto closed = bench.RunApart({"--info", "--device", "0:1:0"});
    EXPECT_TRUE(Contains(closed.output, "medium: CD-R, closed, 1 session\n  capacity: 20000 sectors")) << closed.output;
    EXPECT_TRUE(Contains(closed.output, "free: 0 sectors")) << closed.output;
}

TEST(Conventions, InfoOnADriveThatCannotDescribeItsDisc) {
    for (const char* command : {"read-disc-info", "read-track-info"}) {
        CliBench bench(Recorder(0, std::string("fault = ") + command + " check 3/0C/00"));
        auto run = bench.RunApart({"--info"});
        EXPECT_EQ(run.code, 4) << command;
        EXPECT_TRUE(Contains(run.errors, ": the drive cannot describe ")) << command << "\n" << run.errors;
        EXPECT_TRUE(Contains(run.errors, "[MEDIUM ERROR")) << run.errors;
    }
}

TEST(Conventions, TraceAllAloneShowsTheCommands) {
    CliBench bench(Recorder(0));
    bench.Image("a.iso", 400 * 2048);
    auto run = bench.Run({"--trace-all", "a.iso"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(Contains(run.output, "WRITE")) << run.output.substr(0, 2000);
}

// On a pipe each progress line's speed is that of its interval; once data
// has moved it is never 0, the closing of the track included.
TEST(Conventions, PlainProgressShowsRealFigures) {
    CliBench bench(Recorder(0, "write_speed = 706"));
    bench.Image("a.iso", 3 * 1024 * 1024);
    auto run = bench.RunApart({"a.iso"});
    ASSERT_EQ(run.code, 0) << run.errors;
    const std::regex progress(R"(\s*(\d+)%\s+([0-9.]+) of ([0-9.]+) MB\s+(\d+) kB/s \(([0-9.]+)x\)\s+buffer.*)");
    int lines = 0;
    for (const std::string& line : LinesOf(run.output)) {
        std::smatch m;
        if (!std::regex_match(line, m, progress)) continue;
        ++lines;
        if (std::stod(m[2]) > 0) {
            EXPECT_GT(std::stoi(m[4]), 0) << line;
        }
    }
    EXPECT_GE(lines, 2) << run.output;
    EXPECT_TRUE(Contains(run.output, "100%  3.0 of 3.0 MB")) << run.output;
}

#endif
