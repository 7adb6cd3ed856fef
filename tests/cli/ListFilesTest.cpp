// --list-files on discs written by other tools (genisoimage with Rock
// Ridge, with Joliet alone, xorriso, a second session of genisoimage): the
// lines name each file with its mode and size; an older session is listed
// with --session. Our own discs are listed in the append tests.
#include "CliRun.h"

#include <filesystem>
#include <regex>

using namespace clitest;
namespace fs = std::filesystem;

namespace {

int Shell(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()); }

void MakeFolder(const TempDir& dir, const std::string& name) {
    fs::create_directories(dir.Path() / name / "Sub Folder");
    dir.Write(name + "/Sub Folder/Mixed Case Name.txt", "hello\n");
    dir.Write(name + "/b.bin", std::string(5000, 'b'));
    fs::create_symlink("Sub Folder/Mixed Case Name.txt", dir.Path() / name / "link");
}

uint32_t SectorsOf(const std::string& file) { return static_cast<uint32_t>(fs::file_size(file) / 2048); }

std::string ClosedCd(uint32_t sectors) {
    return "[recorder]\naddress = 0:0:0\nmedium = cd-r\ncapacity = 20000\nmedium_state = closed\nrecorded = " +
           std::to_string(sectors) + "\nbacking = disc0.img\n";
}

// Session 1 at 0 and session 2 at `second` of an appendable DVD+R.
void TwoSessions(CliBench& bench, const std::string& first, const std::string& next, uint32_t second) {
    std::string disc = ReadAll(first);
    disc.resize(size_t{second} * 2048);
    disc += ReadAll(next);
    bench.dir.Write("disc0.img", disc);
    const uint32_t a = SectorsOf(first), b = SectorsOf(next);
    bench.dir.Write("vrec.conf", "[recorder]\naddress = 0:0:0\nreads = cd-rom dvd-rom dvd+r\nwrites = dvd+r\n"
                                 "medium = dvd+r\ncapacity = 40000\nbacking = disc0.img\n");
    bench.dir.Write("disc0.img.state", "medium dvd+r\ncapacity 40000\nclosed_sessions 2\nfinalized 0\nnext_start " +
                                           std::to_string(second + b) + "\ntrack 1 1 0 " + std::to_string(a) + " " +
                                           std::to_string(a) + " 1 0 5 0\ntrack 2 2 " + std::to_string(second) + " " +
                                           std::to_string(b) + " " + std::to_string(b) + " 1 0 5 0\n");
}

struct Case {
    const char* what;
    std::function<void(CliBench&)> make;
    std::vector<std::string> args;
    std::vector<std::string> lines;  // patterns, in order; the output holds no other line
};

// In the order of their paths' bytes.
const std::string kRockRidge[] = {R"(drwxr-xr-x .* /Sub Folder)",
                                  R"(-rw-r--r-- .* 6 \S+ \S+ /Sub Folder/Mixed Case Name\.txt)",
                                  R"(-rw-r--r-- +1 +0 +0 +5000 \S+ \S+ /b\.bin)",
                                  R"(lrwxrwxrwx .* 0 \S+ \S+ /link -> Sub Folder/Mixed Case Name\.txt)"};

TEST(ListFiles, ListsTheFilesOfEachWriter) {
    const auto image = [](const std::string& tool) {
        return [tool](CliBench& bench) {
            MakeFolder(bench.dir, "src");
            ASSERT_EQ(Shell("cd '" + bench.dir.Path().string() + "' && " + tool), 0) << tool;
            bench.dir.Write("vrec.conf", ClosedCd(SectorsOf(bench.dir.File("disc0.img"))));
        };
    };
    const std::vector<std::string> rockRidge(std::begin(kRockRidge), std::end(kRockRidge));
    const Case cases[] = {
        {"genisoimage, Rock Ridge", image("genisoimage -R -J -o disc0.img src"), {}, rockRidge},
        {"xorriso", image("xorriso -as mkisofs -R -J -o disc0.img src"), {}, rockRidge},
        {"genisoimage, Joliet alone",
         image("genisoimage -J -o disc0.img src"),
         {},
         {R"(dr-xr-xr-x .* /Sub Folder)", R"(-r--r--r-- .* 6 \S+ \S+ /Sub Folder/Mixed Case Name\.txt)",
          R"(-r--r--r-- .* 5000 \S+ \S+ /b\.bin)"}},  // Joliet holds no link
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CliBench bench("");
        c.make(bench);
        std::vector<std::string> args{"--list-files"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome listed = bench.Run(args);
        ASSERT_EQ(listed.code, 0) << listed.output;
        std::vector<std::string> lines;
        for (size_t at = 0, end; (end = listed.output.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(listed.output.substr(at, end - at));
        ASSERT_EQ(lines.size(), c.lines.size()) << listed.output;
        for (size_t i = 0; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], std::regex(c.lines[i]))) << lines[i];
    }
}

// A later session of genisoimage records its own size, not its end: its
// files still list, and --session picks the first one.
TEST(ListFiles, ListsTheLastSessionOrTheOneAskedFor) {
    CliBench bench("");
    MakeFolder(bench.dir, "one");
    fs::create_directories(bench.dir.Path() / "two");
    bench.dir.Write("two/b.bin", "replaced\n");
    const std::string at = bench.dir.Path().string();
    ASSERT_EQ(Shell("cd '" + at + "' && genisoimage -R -o a.iso one && genisoimage -R -C 0,400 -M a.iso -o b.iso two"), 0);
    TwoSessions(bench, bench.dir.File("a.iso"), bench.dir.File("b.iso"), 400);
    const Outcome last = bench.Run({"--list-files"});
    EXPECT_EQ(last.code, 0) << last.output;
    EXPECT_NE(last.output.find(" 9 "), std::string::npos) << last.output;  // the new /b.bin
    EXPECT_NE(last.output.find("/Sub Folder/Mixed Case Name.txt"), std::string::npos) << last.output;
    const Outcome first = bench.Run({"--list-files", "--session", "1"});
    EXPECT_EQ(first.code, 0) << first.output;
    EXPECT_NE(first.output.find(" 5000 "), std::string::npos) << first.output;
    const Outcome none = bench.Run({"--list-files", "--session", "3"});
    EXPECT_EQ(none.code, 4);
    EXPECT_NE(none.output.find("no data in session 3"), std::string::npos) << none.output;
}

}  // namespace
