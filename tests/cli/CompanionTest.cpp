// The image's checksum companion as the program reads it: a companion that
// gives nothing to compare stops the run with exit 3 and one line on why,
// and SHA-256 companions are checked like .md5 ones.
#include "CliRun.h"
#include "digest/SHA256.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const std::string kFolder = "<folder>";  // stands for a companion that cannot be read
const std::string kFifo = "<fifo>";      // one that would block open() for ever

struct Refusal {
    std::string file, text, says;
};

TEST(Companion, OneThatGivesNothingToCompareExitsThreeAndBurnsNothing) {
    const std::string other(32, 'e');
    const Refusal refusals[] = {
        {"a.md5", "", "a.md5 holds no MD5 digest"},
        {"a.md5", " \r\n\t\n", "a.md5 holds no MD5 digest"},
        {"a.md5", "<html>404 not found</html>\n", "a.md5 holds no MD5 digest"},
        {"a.md5", kFolder, "cannot read the checksum file"},
        {"a.md5", other + "  b.iso\n" + other + "  c.iso\n", "a.md5 does not list a.iso"},
        {"a.iso.sha256", "a.iso\n", "a.iso.sha256 holds no SHA-256 digest"},
#ifndef _WIN32
        {"a.md5", kFifo, "cannot read the checksum file a.md5: it is a named pipe (FIFO), not a file"},
#endif
    };
    for (const Refusal& r : refusals) {
        CliBench bench(Recorder(0));
        bench.Image("a.iso", 8192);
        if (r.text == kFolder) std::filesystem::create_directory(bench.dir.File(r.file));
#ifndef _WIN32
        else if (r.text == kFifo) mkfifo(bench.dir.File(r.file).c_str(), 0600);
#endif
        else bench.dir.Write(r.file, r.text);
        auto run = bench.Run({"a.iso"});
        EXPECT_EQ(run.code, 3) << r.says << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, r.says)) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_EQ(ReadAll(bench.Disc(0)).size(), 0u) << r.says;
    }
}

TEST(Companion, Sha256ListNamingTheImageIsCheckedAndBurnt) {
    CliBench bench(Recorder(0));
    std::string image = bench.Image("a.iso", 300 * 2048 + 100);
    std::string sha = kq::SHA256Print(kq::SHA256File(image));
    bench.dir.Write("SHA256SUMS", std::string(64, 'e') + "  b.iso\n" + sha + " *a.iso\n");
    auto run = bench.Run({"--verify", "a.iso"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "checking a.iso against SHA256SUMS...\nchecksum: good\n")) << run.output;
    EXPECT_TRUE(Contains(run.output, "verify: ok")) << run.output;
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), image));
}

TEST(Companion, Sha256MismatchBurnsNothing) {
    CliBench bench(Recorder(0));
    bench.Image("a.iso", 8192);
    bench.dir.Write("a.sha256", std::string(64, 'e') + "  a.iso\n");
    auto run = bench.Run({"a.iso"});
    EXPECT_EQ(run.code, 3);
    EXPECT_TRUE(Contains(run.output, "checking a.iso against its .sha256 companion...")) << run.output;
    EXPECT_TRUE(Contains(run.output, "Error in sha256-checksum: a.iso is corrupted. Please download it again."))
        << run.output;
    EXPECT_EQ(ReadAll(bench.Disc(0)).size(), 0u);
}

#ifndef _WIN32
// A name with a line break: sha256sum writes its line escaped, the line is
// read, the corrupted image refused, and the name printed on one line.
TEST(Companion, EscapedLineOfAnOddNameIsChecked) {
    CliBench bench(Recorder(0));
    std::string image = bench.Image("odd\nname.iso", 8192);
    bench.dir.Write("SHA256SUMS", "\\" + std::string(64, 'e') + "  odd\\nname.iso\n");
    auto run = bench.Run({"odd\nname.iso"});
    EXPECT_EQ(run.code, 3) << run.output;
    EXPECT_TRUE(Contains(run.output, "sha256-checksum: odd\\nname.iso is corrupted")) << run.output;
    EXPECT_EQ(ReadAll(bench.Disc(0)).size(), 0u);
}

// An image that is not a file is refused at once, before anything opens it.
TEST(Companion, ImageThatIsAPipeIsRefusedAtOnce) {
    CliBench bench(Recorder(0));
    mkfifo(bench.dir.File("a.iso").c_str(), 0600);
    auto run = bench.Run({"a.iso"});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(Contains(run.output, "cannot read the image a.iso: it is a named pipe (FIFO), not a file")) << run.output;
}
#endif

}  // namespace
