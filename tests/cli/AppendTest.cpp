// --append on every appendable write-once medium of the virtual recorder:
// three sessions in turn, each listing the union of what was added (our
// --list-files, xorriso and isoinfo at the session's start), replaced and
// removed files handled, every file's bytes read back; and the refusals,
// each leaving the disc as it was.
#include "CliRun.h"

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

using namespace clitest;
namespace fs = std::filesystem;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Medium(const std::string& medium) {
    return "[recorder]\naddress = 0:0:0\nbacking = disc0.img\nmedium = " + medium +
           "\ncapacity = 400000\nreads = cd-r dvd-r dvd+r bd-r dvd+rw\nwrites = cd-r dvd-r dvd+r bd-r dvd+rw\n"
           "feature_2a = yes\nfeature_2f = yes\nmax_write_speed = 71920\nwrite_speed = 71920\n";
}

// The start of the last session that holds data, as --info gives it.
uint32_t LastStart(const CliBench& bench) {
    const std::string info = bench.Run({"--info"}).output;
    static const std::regex kTrack(R"(session \d+, track \d+: start (\d+), \d+ sectors)");
    uint32_t start = 0;
    for (std::sregex_iterator it(info.begin(), info.end(), kTrack), end; it != end; ++it)
        start = static_cast<uint32_t>(std::stoul((*it)[1]));
    return start;
}

struct Step {
    std::vector<std::string> args;
    std::map<std::string, std::string> files;  // what the session lists: path, bytes
};

// Each file listed by the three readers, and its bytes as xorriso extracts them.
void CheckSession(const CliBench& bench, const Step& step) {
    const std::string disc = bench.Disc(0), start = std::to_string(LastStart(bench));
    const std::string ours = bench.Run({"--list-files"}).output;
    const std::string xorriso = Shell("xorriso -indev stdio:" + disc + " -load sbsector " + start + " -find / -type f -exec lsdl");
    const std::string isoinfo = Shell("isoinfo -R -f -T " + start + " -i " + disc);
    const fs::path out = bench.dir.Path() / "out";
    fs::remove_all(out);
    Shell("xorriso -indev stdio:" + disc + " -load sbsector " + start + " -osirrox on -extract / " + out.string());
    size_t regular = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) regular += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(regular, step.files.size()) << xorriso;
    for (const auto& [path, bytes] : step.files) {
        EXPECT_TRUE(Contains(ours, " " + path + "\n")) << path << "\n" << ours;
        EXPECT_TRUE(Contains(xorriso, "'" + path + "'")) << path << "\n" << xorriso;
        EXPECT_TRUE(Contains(isoinfo, path + "\n")) << path << "\n" << isoinfo;
        EXPECT_EQ(ReadAll((out / path.substr(1)).string()), bytes) << path;
    }
}

TEST(Append, ThreeSessionsListTheUnionOnEveryAppendableMedium) {
    if (Shell("command -v xorriso isoinfo").empty()) GTEST_SKIP() << "xorriso and isoinfo are not installed";
    const std::string replaced(70000, 'r'), first(5000, 'f');
    const Step steps[] = {
        {{"--folder", "s1", "--volume-id", "DAILY"},
         {{"/keep.txt", "keep\n"}, {"/docs/old.txt", "old\n"}, {"/docs/gone.txt", "gone\n"}, {"/data.bin", first}}},
        {{"--folder", "s2", "--remove", "/docs/gone.txt"},
         {{"/keep.txt", "keep\n"}, {"/docs/old.txt", "old\n"}, {"/docs/new.txt", "new\n"}, {"/data.bin", replaced}}},
        {{"--add", "/third.txt=s3/third.txt", "--remove", "docs"},
         {{"/keep.txt", "keep\n"}, {"/third.txt", "third\n"}, {"/data.bin", replaced}}},
    };
    for (const std::string medium : {"cd-r", "dvd+r", "dvd-r", "bd-r", "dvd+rw"}) {
        SCOPED_TRACE(medium);
        CliBench bench(Medium(medium));
        for (const auto& [path, bytes] : steps[0].files) {
            fs::create_directories((bench.dir.Path() / ("s1" + path)).parent_path());
            bench.dir.Write("s1" + path, bytes);
        }
        fs::create_directories(bench.dir.Path() / "s2/docs");
        fs::create_directories(bench.dir.Path() / "s3");
        bench.dir.Write("s2/docs/new.txt", "new\n");
        bench.dir.Write("s2/data.bin", replaced);
        bench.dir.Write("s3/third.txt", "third\n");
        for (const Step& step : steps) {
            std::vector<std::string> args{"--append", "--any-medium", "--verify"};
            args.insert(args.end(), step.args.begin(), step.args.end());
            const Outcome burnt = bench.Run(args);
            ASSERT_EQ(burnt.code, 0) << burnt.output;
            EXPECT_TRUE(Contains(burnt.output, "verify: ok")) << burnt.output;
            CheckSession(bench, step);
        }
        if (medium != "dvd+rw") {
            EXPECT_TRUE(Contains(bench.Run({"--info"}).output, "appendable, 3 sessions"));
        }
        EXPECT_TRUE(Contains(Shell("isoinfo -d -T " + std::to_string(LastStart(bench)) + " -i " + bench.Disc(0)),
                             "Volume id: DAILY"));
    }
}

struct Refusal {
    const char* what;
    std::string extra;  // the recorder's configuration beyond the medium
    std::vector<std::string> args;
    int code;
    const char* says;
};

TEST(Append, RefusalsLeaveTheDiscAsItWas) {
    const Refusal refusals[] = {
        {"no --append", "", {"--folder", "s1"}, 4, "already holds 1 session: --append with --folder or --add"},
        {"a path not on the disc", "", {"--append", "--folder", "s1", "--remove", "/nope"}, 2,
         "--remove /nope: the disc has no such file or folder; nothing was written"},
        {"a closed disc", "", {"--append", "--finalize-disc", "--folder", "s1"}, 4, "closed"},
        {"a session without a file system", "", {"--append", "--folder", "s1"}, 4,
         "cannot be read: sector 16: holds no ISO 9660 volume descriptor; nothing was written"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        const std::string what = r.what;
        CliBench bench(Recorder(0));
        fs::create_directories(bench.dir.Path() / "s1");
        bench.dir.Write("s1/a.txt", "a\n");
        if (what == "a session without a file system") {
            bench.Image("a.iso", 400 * 2048);
            ASSERT_EQ(bench.Run({"--no-checksum", "a.iso"}).code, 0);
        } else {
            ASSERT_EQ(bench.Run({"--folder", "s1", what == "a closed disc" ? "--finalize-disc" : "--volume-id=A"}).code, 0);
        }
        const std::string before = ReadAll(bench.Disc(0)), state = ReadAll(bench.Disc(0) + ".state");
        const Outcome refused = bench.Run(r.args);
        EXPECT_EQ(refused.code, r.code) << refused.output;
        EXPECT_TRUE(Contains(refused.output, r.says)) << refused.output;
        EXPECT_EQ(ReadAll(bench.Disc(0)), before);
        EXPECT_EQ(ReadAll(bench.Disc(0) + ".state"), state);
    }
}

// A second session cut off, by a failing write or by Ctrl-C while a write
// is under way, leaves the first one listed and readable: on a write-once
// disc in its own session, on an overwritable one because the old
// descriptors are replaced last.
TEST(Append, ACutOffSessionLeavesTheFirstReadable) {
    const struct {
        const char* medium;
        bool interrupt;  // Ctrl-C, else a write that fails
    } rows[] = {{"cd-r", false}, {"dvd+rw", false}, {"cd-r", true}, {"dvd+rw", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.medium) + (row.interrupt ? " Ctrl-C" : " write fault"));
        CliBench bench(Medium(row.medium));
        fs::create_directories(bench.dir.Path() / "s1");
        bench.dir.Write("s1/a.txt", "first\n");
        ASSERT_EQ(bench.Run({"--any-medium", "--folder", "s1"}).code, 0);
        bench.dir.Write("vrec.conf", Medium(row.medium) + (row.interrupt ? "fault = write nth=3 late 3000\n"
                                                                         : "fault = write nth=2 check 03/0C/00\n"));
        bench.dir.Write("s1/b.bin", std::string(200000, 'b'));
        if (row.interrupt) {
            auto child = bench.Start({"--any-medium", "--append", "--folder", "s1"});
            for (int i = 0; i < 400 && !Contains(ReadAll(bench.Output()), "%"); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
            kill(child.Id(), SIGINT);
            EXPECT_EQ(child.Wait(), 130) << ReadAll(bench.Output());
        } else {
            EXPECT_NE(bench.Run({"--any-medium", "--append", "--folder", "s1"}).code, 0);
        }
        const Outcome listed = bench.Run({"--list-files", "--session", "1"});
        EXPECT_EQ(listed.code, 0) << listed.output;
        EXPECT_TRUE(Contains(listed.output, " /a.txt\n")) << listed.output;
        EXPECT_FALSE(Contains(listed.output, "b.bin")) << listed.output;
    }
}

}  // namespace
