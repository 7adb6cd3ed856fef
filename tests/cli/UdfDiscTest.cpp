// A folder with every hard case made with --udf by the real program (an
// image file, two recorders) and read back through UDF by the tests' own
// reader and udfinfo: names, sizes, dates, modes and bytes must be the
// folder's, as they are through Rock Ridge. 7-Zip, which reads no UDF that
// holds a symbolic link, lists files of 4 GiB and more.
#include "CliRun.h"
#include "burner/kqCDBC.h"
#include "digest/SHA256.h"
#include "support/UdfReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

using namespace clitest;
namespace fs = std::filesystem;

namespace {

const std::string kLong(255, 'n'), kWide = "\xE2\x98\x83" + std::string(200, 'w');  // U+2603: 16-bit names
// What UDF makes of them: 254 8-bit or 127 16-bit units at most, cut and numbered.
const std::map<std::string, std::string> kCut{{"/" + std::string(252, 'n') + "~1", "/" + kLong},
                                             {"/\xE2\x98\x83" + std::string(124, 'w') + "~1", "/" + kWide}};

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    while (size_t n = pipe ? fread(buffer, 1, sizeof buffer, pipe) : 0) out.append(buffer, n);
    if (pipe) pclose(pipe);
    return out;
}

// Non-ASCII and over-long names, empty files and folders, hard and
// symbolic links, 1,500 entries in one folder.
void MakeTree(const fs::path& root) {
    const auto write = [&](const std::string& name, const std::string& bytes) {
        fs::create_directories((root / name).parent_path());
        std::ofstream((root / name).string(), std::ios::binary) << bytes;
    };
    for (const std::string& name : {std::string("a/b/Hello World.txt"), std::string("café menü.txt"), kLong, kWide,
                                    std::string("日本語のファイル名.txt")})
        write(name, name + std::string(name.size() * 20, 'x'));
    write("empty.dat", "");
    fs::create_directories(root / "empty folder");
    for (int i = 0; i < 1500; ++i) write("many/entry " + std::to_string(i), std::to_string(i));
    fs::create_hard_link(root / "café menü.txt", root / "hard");
    fs::permissions(root / "a/b/Hello World.txt", fs::perms::owner_all | fs::perms::group_read);
    const timespec then[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    utimensat(AT_FDCWD, (root / "a").c_str(), then, 0);
    fs::create_directory_symlink("a/b", root / "link");
    fs::create_symlink("/abs/./../x", root / "dangling");
}

struct Facts {
    fs::file_type type;
    unsigned perms;
    int64_t time;
    std::string content;  // bytes of a file, target of a link
    bool operator==(const Facts&) const = default;
};
using Tree = std::map<std::string, Facts>;

Tree Snapshot(const fs::path& root) {
    Tree out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st{};
        lstat(it->path().c_str(), &st);
        Facts f{fs::symlink_status(it->path()).type(), st.st_mode & 07777u, st.st_mtime, {}};
        if (f.type == fs::file_type::symlink) f.content = fs::read_symlink(it->path()).string();
        if (f.type == fs::file_type::regular) f.content = ReadAll(it->path().string());
        const std::string name = "/" + it->path().lexically_relative(root).string();
        out.emplace(kCut.count(name) ? kCut.at(name) : name, f);
    }
    return out;
}

// The image's UDF tree as Snapshot sees a folder, the reader's findings in v.
Tree UdfTree(const std::string& image, udftest::Volume& v) {
    const int fd = open(image.c_str(), O_RDONLY);
    const auto read = [fd](uint64_t sector, uint8_t* out) {
        return pread(fd, out, udftest::kBlock, static_cast<off_t>(sector * udftest::kBlock)) == udftest::kBlock;
    };
    v = udftest::ReadUdf(read, fs::file_size(image) / udftest::kBlock - 1);
    Tree out;
    for (const auto& [path, e] : v.entries) {
        const unsigned p = e.permissions;
        Facts f{e.type == 4 ? fs::file_type::directory : e.type == 12 ? fs::file_type::symlink : fs::file_type::regular,
                (p & 7) | (p >> 2 & 070) | (p >> 4 & 0700), e.mtime, e.target};
        for (auto [sector, bytes] : e.extents) {  // the bytes of files small enough to hold
            std::string data(e.size < (64 << 20) ? bytes : 0, '\0');
            if (e.type == 5 && pread(fd, data.data(), data.size(), static_cast<off_t>(sector) * 2048) == static_cast<ssize_t>(data.size()))
                f.content += data;
        }
        if (!path.empty()) out.emplace(kCut.count(path) ? kCut.at(path) : path, f);
    }
    close(fd);
    return out;
}

void ExpectSame(const Tree& expected, const Tree& got, const std::string& what) {
    for (const auto& [name, facts] : expected) {
        const auto at = got.find(name);
        ASSERT_NE(at, got.end()) << what << ": " << name;
        EXPECT_TRUE(at->second == facts) << what << ": " << name << ": type " << int(at->second.type) << " perms "
                                         << at->second.perms << " time " << at->second.time;
    }
    EXPECT_EQ(got.size(), expected.size()) << what;
}

// udfinfo's key=value lines.
std::map<std::string, std::string> UdfInfo(const std::string& image) {
    std::map<std::string, std::string> info;
    const std::string text = Shell("udfinfo '" + image + "'");
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        if (const size_t eq = text.find('=', at); eq < end) info[text.substr(at, eq - at)] = text.substr(eq + 1, end - eq - 1);
    return info;
}

TEST(UdfDisc, ImageAndTwoRecordersReadBackThroughUdf) {
    TempDir source;
    MakeTree(source.Path());
    platform::SetEnvironmentValue("SOURCE_DATE_EPOCH", "4000000000");  // one build time for every run
    CliBench bench{Recorder(1) + Recorder(2)};
    const std::string image = bench.dir.File("image.iso"), folder = source.Path().string();
    const Outcome made = bench.Run({"--folder", folder, "--udf", "--write-image", image});
    const Outcome burnt = bench.Run({"--folder", folder, "--udf", "--device", "0:1:0", "--device", "0:2:0"});
    const Outcome size = bench.Run({"--folder", folder, "--udf", "--print-size"});
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(made.code + burnt.code, 0) << made.output << burnt.output;
    EXPECT_EQ(size.output, std::to_string(fs::file_size(image) / 2048) + "\n");
    EXPECT_TRUE(ReadAll(bench.Disc(1)) == ReadAll(bench.Disc(2)));
    EXPECT_TRUE(ReadAll(bench.Disc(1)).substr(0, fs::file_size(image)) == ReadAll(image));
    for (const std::string& path : {image, bench.Disc(1)}) {
        udftest::Volume v;
        const Tree got = UdfTree(path, v);
        ASSERT_EQ(v.error, "") << path;
        ExpectSame(Snapshot(source.Path()), got, path);
        EXPECT_EQ(v.entries.at("/hard").entryBlock, v.entries.at("/café menü.txt").entryBlock);
        EXPECT_EQ(v.entries.at("/hard").links, 2u);
        EXPECT_EQ(v.recorded, 4000000000);
        const std::map<std::string, std::string> info = UdfInfo(path), want{
            {"udfrev", "1.02"}, {"numdirs", std::to_string(v.folders)}, {"numfiles", std::to_string(v.files)}, {"label", v.label}};
        for (const auto& [key, value] : want) EXPECT_EQ(info.count(key) ? info.at(key) : "?", value) << key;
    }
}

// Files of 4 GiB and more (holes in their sources): without --udf one hint
// names one; with it each takes pieces of at most 1 GiB - 2 KiB at the ISO
// tree's extent, read from an image of the header and the trailer around
// a hole. What UDF cannot hold is refused with the reason.
TEST(UdfDisc, LargeFilesHintsAndRefusals) {
    TempDir source, work;
    CliBench bench{Recorder(1)};
    const auto sparse = [&](const char* name, uintmax_t size) {
        std::ofstream(source.File(name)).close();
        fs::resize_file(source.File(name), size);
    };
    sparse("a.bin", uintmax_t{4} << 30);
    sparse("b.bin", uintmax_t{5} << 30);
    const std::string hint = " is 4 GiB or more: Linux and Windows read it, macOS does not; --udf adds a file system "
                             "every system reads\n";
    const std::string said = bench.RunApart({"--folder", source.Path().string(), "--print-size"}).errors;
    EXPECT_TRUE(said == "cdburner-cli: " + source.File("a.bin") + hint || said == "cdburner-cli: " + source.File("b.bin") + hint)
        << said;
    EXPECT_EQ(bench.RunApart({"--folder", source.Path().string(), "--udf", "--print-size"}).errors, "");

    kq::TQCDBurner burner;
    burner.SetUDFFileSystem(true);
    kq::TAddReport report;
    std::string error;
    ASSERT_TRUE(burner.AddFolder("", source.Path().string(), report));
    const int64_t sectors = burner.BuildImageLayout(error);
    const auto trailer = burner.ImageTree().Trailer();
    ASSERT_TRUE(sectors > 0 && trailer) << error;
    std::string header(static_cast<size_t>(burner.HeaderStream().Size()), '\0'), tail(trailer->Count() * size_t{2048}, '\0');
    burner.HeaderStream().Seek(0, 0);
    (void)burner.HeaderStream().Read(header.data(), static_cast<int32_t>(header.size()));
    for (uint32_t i = 0; i < trailer->Count(); ++i) trailer->Put(i, reinterpret_cast<uint8_t*>(tail.data()) + i * 2048);
    const std::string image = work.Write("image.iso", header);
    fs::resize_file(image, static_cast<uintmax_t>(sectors) * 2048 - tail.size());
    std::ofstream(image, std::ios::binary | std::ios::app) << tail;
    udftest::Volume v;
    (void)UdfTree(image, v);
    ASSERT_EQ(v.error, "");
    for (const auto& f : burner.ImageTree().FileEntries()) {
        const udftest::Entry& e = v.entries.at("/" + f->LongName);
        EXPECT_EQ(e.size, static_cast<uint64_t>(f->Size));
        EXPECT_EQ(e.extents.size(), f->Size == int64_t{4} << 30 ? 5u : 6u);
        EXPECT_EQ(e.extents[0].first, f->Extent);
    }
    EXPECT_EQ(UdfInfo(image)["numfiles"], "2");
    EXPECT_NE(Shell("7z l -tudf '" + image + "'").find("5368709120"), std::string::npos);

    const std::pair<std::function<void()>, std::string> refusals[] = {
        {[&] { sparse("huge.bin", uintmax_t{300} << 30); }, "IS LARGER THAN ONE UDF FILE ENTRY DESCRIBES"},
        {[&] { fs::create_symlink("a/" + std::string(300, 'p'), source.Path() / "l"); }, "NAMES A PART LONGER THAN UDF HOLDS"}};
    for (const auto& [make, says] : refusals) {
        fs::remove_all(source.Path());
        fs::create_directories(source.Path());
        make();
        const Outcome refused = bench.Run({"--folder", source.Path().string(), "--udf", "--print-size"});
        EXPECT_EQ(refused.code, 2) << says;
        EXPECT_NE(refused.output.find(says), std::string::npos) << refused.output;
    }
}

// An overwritable disc reads and checks as far as the later of its
// volumes: here the ISO 9660 one is made to end early, and UDF's says
// where the image ends.
TEST(UdfDisc, AnOverwritableDiscReadsToTheEndOfItsUdfVolume) {
    CliBench bench(
        "[recorder]\naddress = 0:0:0\nreads = bd-re\nwrites = bd-re\nfeature_2a = yes\nfeature_2f = yes\n"
        "medium = bd-re\nmedium_state = formatted\ncapacity = 1000\nbacking = disc0.img\n");
    fs::create_directories(bench.dir.Path() / "src");
    bench.dir.Write("src/a.txt", "a");
    ASSERT_EQ(bench.Run({"--folder", "src", "--udf", "--write-image", "a.iso"}).code, 0);
    std::string image = ReadAll(bench.dir.File("a.iso"));
    const size_t sectors = image.size() / 2048;
    for (size_t i = 0; i < 8; ++i) image[16 * 2048 + 80 + i] = "\x14\0\0\0\0\0\0\x14"[i];  // 20 sectors
    bench.dir.Write("disc0.img", image + std::string((1000 - sectors) * 2048, 'x'));
    const Outcome read = bench.Run({"--read-image", "out.iso"});
    EXPECT_NE(read.output.find("file system ends after " + std::to_string(sectors) + " sectors"), std::string::npos)
        << read.output;
    EXPECT_TRUE(ReadAll(bench.dir.File("out.iso")) == image);
    // A companion alone: the check's length is the volume's too.
    bench.dir.Write("b.iso.sha256", kq::SHA256Print(kq::SHA256File(bench.dir.File("out.iso"))) + "  b.iso\n");
    EXPECT_EQ(bench.Run({"--check-disc", "b.iso.sha256"}).code, 0);
}

}  // namespace
