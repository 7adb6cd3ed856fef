// A folder with every hard case made with --udf by the real program (an
// image file, two recorders) and read back through UDF by the tests' own
// reader, udfinfo and 7-Zip: names, sizes, dates, modes and bytes must be
// the folder's, as they are through Rock Ridge.
#include "CliRun.h"
#include "burner/kqCDBC.h"
#include "support/UdfReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>

using namespace clitest;
namespace fs = std::filesystem;

namespace {

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

void SetTime(const std::string& path, int64_t seconds) {
    const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Long and non-ASCII names, empty files and folders, hard links and, with
// `links`, symbolic ones (7-Zip reads no UDF that holds one), a folder of
// 1,500 entries.
void MakeTree(const fs::path& root, bool links) {
    const auto write = [&](const std::string& name, const std::string& bytes) {
        fs::create_directories((root / name).parent_path());
        std::ofstream((root / name).string(), std::ios::binary) << bytes;
    };
    write("readme.txt", "read me\n");
    write("a/b/Hello World.txt", std::string(5000, 'h'));
    write("café menü – spécial.txt", "8-bit\n");
    write("日本語のファイル名.txt", "16-bit\n");
    write(std::string(255, 'n'), "the longest name");
    write("empty.dat", "");
    fs::create_directories(root / "empty folder");
    for (int i = 0; i < 1500; ++i) write("many/entry " + std::to_string(i), std::to_string(i));
    fs::create_hard_link(root / "readme.txt", root / "hard");
    write("private.sh", "#!/bin/sh\n");
    fs::permissions(root / "private.sh", fs::perms::owner_all | fs::perms::group_read);
    SetTime((root / "readme.txt").string(), 1'000'000'000);
    SetTime((root / "a/b").string(), 1'100'000'000);
    if (!links) return;
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

std::map<std::string, Facts> Snapshot(const fs::path& root) {
    std::map<std::string, Facts> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st{};
        lstat(it->path().c_str(), &st);
        Facts f{fs::symlink_status(it->path()).type(), st.st_mode & 07777u, st.st_mtime, {}};
        if (f.type == fs::file_type::symlink) f.content = fs::read_symlink(it->path()).string();
        if (f.type == fs::file_type::regular) f.content = ReadAll(it->path().string());
        out.emplace("/" + it->path().lexically_relative(root).string(), f);
    }
    return out;
}

udftest::SectorReader FileSectors(int fd) {
    return [fd](uint64_t sector, uint8_t* out) {
        return pread(fd, out, udftest::kBlock, static_cast<off_t>(sector * udftest::kBlock)) == udftest::kBlock;
    };
}

// The image's UDF tree as Snapshot sees a folder (the root left out).
std::map<std::string, Facts> UdfView(const std::string& image, const udftest::Volume& v) {
    std::map<std::string, Facts> out;
    const int fd = open(image.c_str(), O_RDONLY);
    for (const auto& [path, e] : v.entries) {
        if (path.empty()) continue;
        const unsigned p = e.permissions;
        Facts f{e.type == 4 ? fs::file_type::directory : e.type == 12 ? fs::file_type::symlink : fs::file_type::regular,
                (p & 7) | (p >> 2 & 070) | (p >> 4 & 0700), e.mtime, e.target};
        for (auto [sector, bytes] : e.extents) {
            std::string data(bytes, '\0');
            if (e.type == 5 && pread(fd, data.data(), bytes, static_cast<off_t>(sector) * 2048) == bytes) f.content += data;
        }
        out.emplace(path, f);
    }
    close(fd);
    return out;
}

void ExpectSame(const std::map<std::string, Facts>& expected, const std::map<std::string, Facts>& got, const char* what) {
    for (const auto& [name, facts] : expected) {
        const auto at = got.find(name);
        ASSERT_NE(at, got.end()) << what << ": " << name;
        const Facts& g = at->second;
        EXPECT_TRUE(g == facts) << what << ": " << name << ": type " << int(g.type) << "/" << int(facts.type) << " perms "
                                << g.perms << "/" << facts.perms << " time " << g.time << "/" << facts.time;
    }
    EXPECT_EQ(got.size(), expected.size()) << what;
}

// Names over 254 bytes are cut and numbered, as Joliet's are: the one
// such name is given back its whole.
bool Uncut(std::map<std::string, Facts>& got) {
    auto cut = got.extract("/" + std::string(252, 'n') + "~1");
    if (cut.empty()) return false;
    cut.key() = "/" + std::string(255, 'n');
    got.insert(std::move(cut));
    return true;
}

udftest::Volume ReadImage(const std::string& image) {
    const int fd = open(image.c_str(), O_RDONLY);
    const auto last = static_cast<uint64_t>(fs::file_size(image) / udftest::kBlock - 1);
    udftest::Volume v = udftest::ReadUdf(FileSectors(fd), last);
    close(fd);
    return v;
}

// What udfinfo says of the image: key=value lines.
std::map<std::string, std::string> UdfInfo(const std::string& image) {
    std::map<std::string, std::string> info;
    const std::string text = Shell("udfinfo '" + image + "'");
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        if (const size_t eq = line.find('='); eq != std::string::npos) info.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
    return info;
}

class UdfDisc : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTree(source.Path(), true);
        platform::SetEnvironmentValue("SOURCE_DATE_EPOCH", "4000000000");
    }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }
    TempDir source;
    CliBench bench{Recorder(1) + Recorder(2)};
};

TEST_F(UdfDisc, ImageAndTwoRecordersReadBackThroughUdf) {
    const std::string image = bench.dir.File("image.iso");
    const Outcome made = bench.Run({"--folder", source.Path().string(), "--udf", "--write-image", image});
    ASSERT_EQ(made.code, 0) << made.output;
    const Outcome burnt = bench.Run({"--folder", source.Path().string(), "--udf", "--device", "0:1:0", "--device", "0:2:0"});
    ASSERT_EQ(burnt.code, 0) << burnt.output;
    EXPECT_TRUE(ReadAll(bench.Disc(1)) == ReadAll(bench.Disc(2)));
    EXPECT_TRUE(ReadAll(bench.Disc(1)).substr(0, fs::file_size(image)) == ReadAll(image));  // one build time
    const auto expected = Snapshot(source.Path());
    for (const std::string& path : {image, bench.Disc(1)}) {
        const udftest::Volume v = ReadImage(path);
        ASSERT_TRUE(v.error.empty()) << path << ": " << v.error;
        auto got = UdfView(path, v);
        ASSERT_TRUE(Uncut(got)) << path;
        ExpectSame(expected, got, path.c_str());
        EXPECT_EQ(v.entries.at("/hard").entryBlock, v.entries.at("/readme.txt").entryBlock);
        EXPECT_EQ(v.recorded, 4000000000) << path;
        const auto info = UdfInfo(path);
        EXPECT_EQ(info.count("udfrev") ? info.at("udfrev") : "", "1.02") << path;
        EXPECT_EQ(info.count("numdirs") ? info.at("numdirs") : "", std::to_string(v.folders)) << path;
        EXPECT_EQ(info.count("numfiles") ? info.at("numfiles") : "", std::to_string(v.files)) << path;
        EXPECT_EQ(info.count("label") ? info.at("label") : "", v.label) << path;
    }
    EXPECT_EQ(bench.Run({"--folder", source.Path().string(), "--udf", "--print-size"}).output,
              std::to_string(fs::file_size(image) / 2048) + "\n");
}

// 7-Zip extracts the same tree, less the symbolic links it does not read.
TEST(UdfSevenZip, ExtractsTheFolder) {
    TempDir source, work;
    MakeTree(source.Path(), false);
    const std::string image = work.File("image.iso");
    CliBench bench{Recorder(1)};
    ASSERT_EQ(bench.Run({"--folder", source.Path().string(), "--udf", "--write-image", image}).code, 0);
    const fs::path out = work.Path() / "out";
    const std::string said = Shell("7z x -tudf -y '-o" + out.string() + "' '" + image + "'");
    ASSERT_NE(said.find("Everything is Ok"), std::string::npos) << said;
    auto expected = Snapshot(source.Path()), got = Snapshot(out);
    EXPECT_TRUE(Uncut(got));
    // 7-Zip keeps neither modes nor folders' dates.
    for (auto* tree : {&expected, &got})
        for (auto& [name, facts] : *tree) {
            facts.perms = 0;
            if (facts.type == fs::file_type::directory) facts.time = 0;
        }
    ExpectSame(expected, got, "7z");
}

// A 5 GiB file (a hole in its source) in pieces of at most 1 GiB - 2 KiB,
// at the ISO tree's extent; only the header and the trailer are written,
// the data left as a hole.
TEST(UdfLargeFile, TakesShortDescriptorsThatEveryReaderFollows) {
    TempDir source, work;
    constexpr int64_t kBig = int64_t{5} << 30;
    std::ofstream(source.File("big.bin")).close();
    fs::resize_file(source.File("big.bin"), kBig);
    kq::TQCDBurner burner;
    burner.SetUDFFileSystem(true);
    kq::TAddReport report;
    ASSERT_TRUE(burner.AddFolder("", source.Path().string(), report));
    std::string error;
    const int64_t sectors = burner.BuildImageLayout(error);
    ASSERT_GT(sectors, 0) << error;
    std::string header(static_cast<size_t>(burner.HeaderStream().Size()), '\0');
    burner.HeaderStream().Seek(0, 0);
    (void)burner.HeaderStream().Read(header.data(), static_cast<int32_t>(header.size()));
    const auto trailer = burner.ImageTree().Trailer();
    ASSERT_TRUE(trailer);
    std::string tail(size_t{trailer->Count()} * kq::kSectorSize, '\0');
    for (uint32_t i = 0; i < trailer->Count(); ++i) trailer->Put(i, reinterpret_cast<uint8_t*>(tail.data()) + i * kq::kSectorSize);
    const std::string image = work.Write("image.iso", header);
    fs::resize_file(image, static_cast<uintmax_t>(sectors * kq::kSectorSize) - tail.size());
    std::ofstream(image, std::ios::binary | std::ios::app) << tail;
    const udftest::Volume v = ReadImage(image);
    ASSERT_TRUE(v.error.empty()) << v.error;
    const udftest::Entry& big = v.entries.at("/big.bin");
    EXPECT_EQ(big.size, static_cast<uint64_t>(kBig));
    ASSERT_EQ(big.extents.size(), 6u);
    EXPECT_EQ(big.extents[0].first, burner.ImageTree().FileEntries()[0]->Extent);
    EXPECT_EQ(UdfInfo(image)["numfiles"], "1");
    EXPECT_NE(Shell("7z l -tudf '" + image + "'").find("5368709120"), std::string::npos);
}

// Without --udf a file of 4 GiB or more gets one hint, naming it.
TEST(UdfLargeFile, HintsAtUdfWithoutIt) {
    TempDir source;
    for (const char* name : {"a.bin", "b.bin"}) {
        std::ofstream(source.File(name)).close();
        fs::resize_file(source.File(name), uintmax_t{4} << 30);
    }
    CliBench bench{Recorder(1)};
    const std::string hint = "cdburner-cli: %s is 4 GiB or more: Linux and Windows read it, macOS does not; --udf adds a file system "
                             "every system reads\n";
    const Outcome plain = bench.RunApart({"--folder", source.Path().string(), "--print-size"});
    const auto naming = [&](const char* name) { return std::regex_replace(hint, std::regex("%s"), source.File(name)); };
    EXPECT_TRUE(plain.errors == naming("a.bin") || plain.errors == naming("b.bin")) << plain.errors;
    EXPECT_EQ(bench.RunApart({"--folder", source.Path().string(), "--udf", "--print-size"}).errors, "");
}

}  // namespace

namespace {

// An overwritable disc reads as far as the later of its volumes: here the
// ISO 9660 one is made to end early, and UDF's anchors say where the
// image ends.
TEST(UdfVolume, AnOverwritableDiscReadsToTheEndOfItsUdfVolume) {
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
    EXPECT_EQ(read.code, 0) << read.output;
    EXPECT_NE(read.output.find("file system ends after " + std::to_string(sectors) + " sectors"), std::string::npos)
        << read.output;
    EXPECT_TRUE(ReadAll(bench.dir.File("out.iso")) == image);
}

}  // namespace
