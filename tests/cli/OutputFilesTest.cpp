// What the program writes replaces only regular files, an existing image
// only with --force, and "-" sends a folder's image to standard output.
#include "CliRun.h"
#include "digest/SHA256.h"

#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>

using namespace clitest;

namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string RecordedCd() {
    return "[recorder]\naddress = 0:0:0\nmedium = cd-r\ncapacity = 20000\nmedium_state = closed\nrecorded = 400\n"
           "backing = disc0.img\n";
}

// One build time for every image of a test, so that two runs write the same bytes.
struct FixedBuildTime {
    FixedBuildTime() { setenv("SOURCE_DATE_EPOCH", "1700000000", 1); }
    ~FixedBuildTime() { unsetenv("SOURCE_DATE_EPOCH"); }
};

// A folder of two files to lay out.
void Tree(CliBench& bench) {
    fs::create_directory(bench.dir.File("tree"));
    bench.dir.Write("tree/a.txt", "alpha");
    bench.Image("tree/b.bin", 70000);
}

struct Occupied {
    const char* what;        // the file that stands where an output goes
    std::vector<std::string> args;
    const char* says;
};

// A FIFO, a link to a device and a link to nothing, at the image's place
// or at a companion's: refused before anything is read or written.
TEST(OutputFiles, OnlyRegularFilesAreReplaced) {
    const Occupied cases[] = {
        {"out.iso", {"--read-image", "out.iso", "--force"}, "out.iso: it is a named pipe (FIFO), not a file"},
        {"out.iso.sha256", {"--read-image", "out.iso"}, "out.iso.sha256: it is a named pipe (FIFO), not a file"},
        {"out.md5", {"--read-image", "out.iso", "--md5"}, "out.md5: it is a named pipe (FIFO), not a file"},
        {"out.iso.bad", {"--read-image", "out.iso", "--keep-going"}, "out.iso.bad: it is a named pipe"},
        {"out.iso", {"--folder", "tree", "--write-image", "out.iso", "--force"}, "out.iso: it is a named pipe"},
        {"out.iso.part", {"--folder", "tree", "--write-image", "out.iso"}, "out.iso.part: it is a named pipe"},
    };
    for (const Occupied& c : cases) {
        SCOPED_TRACE(c.what);
        CliBench bench(RecordedCd());
        bench.Image("disc0.img", 400 * 2048);
        Tree(bench);
        ASSERT_EQ(mkfifo(bench.dir.File(c.what).c_str(), 0600), 0);
        auto run = bench.Run(c.args);
        EXPECT_EQ(run.code, 2) << run.output;
        EXPECT_TRUE(Contains(run.output, c.says)) << run.output;
        EXPECT_EQ(fs::status(bench.dir.File(c.what)).type(), fs::file_type::fifo);
        EXPECT_FALSE(fs::exists(bench.dir.File("out.iso.part")) && std::string(c.what) != "out.iso.part");
    }
    CliBench bench(RecordedCd());
    Tree(bench);
    fs::create_symlink("/dev/null", bench.dir.File("null.iso"));
    fs::create_symlink(bench.dir.File("nowhere"), bench.dir.File("gone.iso.sha256"));
    auto device = bench.Run({"--folder", "tree", "--write-image", "null.iso", "--force"});
    EXPECT_EQ(device.code, 2);
    EXPECT_TRUE(Contains(device.output, "null.iso: it is a character device, not a file")) << device.output;
    EXPECT_TRUE(fs::is_symlink(bench.dir.File("null.iso")));
    auto dangling = bench.Run({"--folder", "tree", "--write-image", "gone.iso"});
    EXPECT_EQ(dangling.code, 2);
    EXPECT_TRUE(Contains(dangling.output, "gone.iso.sha256: it is a symbolic link to nothing")) << dangling.output;
    EXPECT_FALSE(fs::exists(bench.dir.File("nowhere")));
}

// --write-image keeps an existing file as --read-image does; a link to a
// regular file is followed.
TEST(OutputFiles, AnExistingImageIsReplacedOnlyWithForce) {
    FixedBuildTime fixed;
    CliBench bench(RecordedCd());
    Tree(bench);
    bench.dir.Write("mine.iso", "mine");
    auto first = bench.Run({"--folder", "tree", "--write-image", "out.iso"});
    ASSERT_EQ(first.code, 0) << first.output;
    fs::create_symlink(bench.dir.File("mine.iso"), bench.dir.File("link.iso"));
    auto kept = bench.Run({"--folder", "tree", "--write-image", "mine.iso"});
    EXPECT_EQ(kept.code, 2);
    EXPECT_TRUE(Contains(kept.output, "write-image: mine.iso exists; --force replaces it")) << kept.output;
    EXPECT_EQ(ReadAll(bench.dir.File("mine.iso")), "mine");
    auto forced = bench.Run({"--folder", "tree", "--write-image", "link.iso", "--force"});
    EXPECT_EQ(forced.code, 0) << forced.output;
    EXPECT_TRUE(ReadAll(bench.dir.File("link.iso")) == ReadAll(bench.dir.File("out.iso")));
}

TEST(OutputFiles, ADashStreamsTheImageToStandardOutput) {
    FixedBuildTime fixed;
    CliBench bench(RecordedCd());
    Tree(bench);
    auto file = bench.Run({"--folder", "tree", "--write-image", "file.iso"});
    ASSERT_EQ(file.code, 0) << file.output;
    auto streamed = bench.RunApart({"--folder", "tree", "--write-image", "-"});
    EXPECT_EQ(streamed.code, 0) << streamed.errors;
    const std::string image = ReadAll(bench.dir.File("file.iso"));
    EXPECT_TRUE(streamed.output == image) << streamed.output.size() << " bytes, not " << image.size();
    EXPECT_TRUE(Contains(streamed.errors, "\n" + kq::SHA256Print(kq::SHA256File(bench.dir.File("file.iso"))) + "  -\n"))
        << streamed.errors;
    EXPECT_FALSE(fs::exists(bench.dir.File("-")));
    EXPECT_FALSE(fs::exists(bench.dir.File("-.sha256")));
}

// The first line tells the track and what of it the image holds.
TEST(OutputFiles, TheReadNamesTheRunOutOutsideTheImage) {
    CliBench bench(Recorder(0));
    bench.Image("a.iso", 320 * 2048);
    ASSERT_EQ(bench.Run({"--no-checksum", "a.iso"}).code, 0);
    auto read = bench.Run({"--read-image", "out.iso"});
    EXPECT_EQ(read.code, 0) << read.output;
    EXPECT_TRUE(Contains(read.output, "track 1: 322 sectors from 0; the image is the first 320, the last 2 are "
                                      "run-out blocks"))
        << read.output;
}

}  // namespace
#endif
