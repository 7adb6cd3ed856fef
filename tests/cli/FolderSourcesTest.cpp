// What the user named must be there: a --folder or --add source that
// cannot be read, or a tree with nothing of the user's, is refused (exit 2)
// with --skip-unreadable too, and no image or disc is written.
#include "CliRun.h"

#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace clitest;
namespace fs = std::filesystem;

namespace {

TEST(FolderSources, UnreadableSourcesAndEmptyTreesAreRefused) {
    CliBench bench(Recorder(0));
    bench.dir.Write("file.txt", "f");
    fs::create_directories(bench.dir.Path() / "empty");
    fs::create_directories(bench.dir.Path() / "specials");
#ifndef _WIN32
    mkfifo(bench.dir.File("fifo").c_str(), 0644);
    mkfifo(bench.dir.File("specials/fifo").c_str(), 0644);
#endif
    const struct {
        std::vector<std::string> args;
        std::string said;
    } cases[] = {
        {{"--folder", "nonexist", "--write-image", "x.iso"}, "cannot read --folder nonexist: "},
        {{"--folder", "file.txt", "--write-image", "x.iso"}, "cannot read --folder file.txt: not a folder"},
        {{"--add", "a=nonexist", "--add", "b=file.txt", "--write-image", "x.iso"}, "cannot read --add nonexist: "},
        {{"--folder", "empty", "--write-image", "x.iso"}, "nothing to burn"},
        {{"--folder", "nonexist", "--device", "0:0:0"}, "cannot read --folder nonexist: "},
#ifndef _WIN32
        {{"--add", "a/b/fifo=fifo", "--write-image", "x.iso"}, "nothing to burn"},
        {{"--folder", "specials", "--device", "0:0:0"}, "nothing to burn"},
#endif
    };
    const std::string disc = ReadAll(bench.Disc(0));
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("--skip-unreadable");
        const auto run = bench.Run(args);
        EXPECT_EQ(run.code, 2) << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Success"), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(bench.dir.File("x.iso")));
        EXPECT_TRUE(ReadAll(bench.Disc(0)) == disc);
    }
}

}  // namespace
