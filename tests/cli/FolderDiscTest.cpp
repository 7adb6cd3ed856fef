// A folder holding every hard case goes through the real program (an
// image file, one recorder, two recorders), and independent readers
// (xorriso, isoinfo) read it back through Rock Ridge, Joliet and plain
// ISO 9660: names, dates, modes, links and bytes must be the folder's.
#include "CliRun.h"
#include "burner/kqCDBC.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>

using namespace clitest;
namespace fs = std::filesystem;

namespace {

const std::string kLong70(70, 'x');
const std::string kDeep = "l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11/l12";

void SetTime(const std::string& path, int64_t seconds) {
    const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Every case the file system must carry, in one folder.
void MakeTree(const TempDir& dir) {
    const auto write = [&](const std::string& name, const std::string& bytes) {
        fs::create_directories((dir.Path() / name).parent_path());
        dir.Write(name, bytes);
    };
    write("readme.txt", "read me\n");
    write("a/b/Hello World.txt", std::string(5000, 'h'));
    write("café menü – spécial.txt", "non-ASCII\n");
    for (const char* tail : {"a.txt", "b.txt", "c.txt"}) write(kLong70 + tail, tail);  // Joliet cuts alike
    for (int i = 1; i <= 12; ++i) write("longfilename" + std::to_string(i) + ".txt", std::to_string(i));
    write(std::string(250, 'n'), "a name that fills a Rock Ridge entry and more");
    write("empty.dat", "");
    fs::create_directories(dir.Path() / "empty folder");
    write(kDeep + "/deep.txt", "twelve levels down");
    write("l1/l2/l3/l4/l5/l6/l7/l8/l9/nine.txt", "nine");
    fs::create_directory_symlink("a/b", dir.Path() / "link");
    fs::create_symlink("/abs/./../x", dir.Path() / "dangling");
    std::string target;
    for (int i = 0; i < 30; ++i) target += "/component" + std::to_string(i);  // several SL entries
    fs::create_symlink(target.substr(1), dir.Path() / "long link");
    fs::create_hard_link(dir.File("readme.txt"), dir.File("hard"));
    write("private.sh", "#!/bin/sh\n");
    fs::permissions(dir.File("private.sh"), fs::perms::owner_all | fs::perms::group_read);
    (void)lchown(dir.File("private.sh").c_str(), 1234, 5678);  // kept only when run as root, as then read back
    write("old.txt", "before 1970");
    SetTime(dir.File("old.txt"), -302'000'000);  // 1960
    write("late.txt", "after 2038");
    SetTime(dir.File("late.txt"), 4'102'444'800);  // 2100
    SetTime(dir.File("readme.txt"), 1'000'000'000);
}

struct Facts {
    fs::file_type type;
    fs::perms perms;
    int64_t time;
    uint32_t owner, group;
    std::string content;  // bytes of a file, target of a link
    bool operator==(const Facts&) const = default;
};

// Everything under root, each with what the disc must keep of it.
std::map<std::string, Facts> Snapshot(const fs::path& root) {
    std::map<std::string, Facts> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const auto status = fs::symlink_status(it->path());
        struct stat st{};
        lstat(it->path().c_str(), &st);
        Facts f{status.type(), status.permissions(), st.st_mtime, st.st_uid, st.st_gid, {}};
        if (f.type == fs::file_type::symlink) f.content = fs::read_symlink(it->path()).string();
        if (f.type == fs::file_type::regular) f.content = ReadAll(it->path().string());
        // Extraction writes into folders after their time is set, and
        // xorriso does not set the time of the links it makes.
        if (f.type == fs::file_type::directory || f.type == fs::file_type::symlink) f.time = 0;
        out.emplace(it->path().lexically_relative(root).string(), f);
    }
    return out;
}

// The names a reader lists, one full path a line.
std::vector<std::string> Listing(const std::string& image, const std::string& view) {
    std::vector<std::string> names;
    std::string text = Shell("isoinfo " + view + " -f -i '" + image + "'");
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        names.push_back(text.substr(at, end - at));
    return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

enum class Target { ImageFile, OneRecorder, TwoRecorders };

struct Row {
    const char* what;
    Target target;
    std::vector<std::string> options;
    bool rockRidge = true;
    bool relocated = false;
};

const Row kRows[] = {
    {"image file", Target::ImageFile, {}},
    {"image file without Rock Ridge", Target::ImageFile, {"--no-rock-ridge"}, false},
    {"image file, deep folders relocated", Target::ImageFile, {"--relocate-deep"}, true, true},
    {"one recorder", Target::OneRecorder, {"--device", "0:1:0"}},
    {"two recorders", Target::TwoRecorders, {"--device", "0:1:0", "--device", "0:2:0"}},
};

class FolderDisc : public ::testing::Test {
protected:
    void SetUp() override { MakeTree(source); }
    // Runs the program for the row; the image it made (a disc's bytes).
    std::string Make(const Row& row);
    void CompareExtracted(const std::string& image, const Row& row);
    void CompareViews(const std::string& image, const Row& row);

    TempDir source;
    std::unique_ptr<CliBench> bench;  // blank discs for each row
};

std::string FolderDisc::Make(const Row& row) {
    std::vector<std::string> args{"--folder", source.Path().string(), "--add", "extra/grafted.txt=" + source.File("readme.txt")};
    args.insert(args.end(), row.options.begin(), row.options.end());
    bench = std::make_unique<CliBench>(Recorder(1) + Recorder(2));
    const std::string image = bench->dir.File("image.iso");
    if (row.target == Target::ImageFile) args.insert(args.end(), {"--write-image", image});
    const Outcome run = bench->Run(args);
    EXPECT_EQ(run.code, 0) << row.what << ": " << run.output;
    if (row.target == Target::ImageFile) return image;
    // Both discs of two recorders hold the same bytes.
    if (row.target == Target::TwoRecorders) {
        EXPECT_TRUE(ReadAll(bench->Disc(1)) == ReadAll(bench->Disc(2))) << row.what;
    }
    fs::copy_file(bench->Disc(1), image, fs::copy_options::overwrite_existing);
    return image;
}

void FolderDisc::CompareExtracted(const std::string& image, const Row& row) {
    const char* what = row.what;
    const fs::path out = bench->dir.Path() / "extracted";
    fs::remove_all(out);
    Shell("xorriso -indev '" + image + "' -osirrox on -extract / '" + out.string() + "'");
    auto expected = Snapshot(source.Path());
    expected.emplace("extra", Facts{fs::file_type::directory, fs::perms(0755), 0, 0, 0, {}});
    expected.emplace("extra/grafted.txt", expected.at("readme.txt"));
    const auto got = Snapshot(out);
    EXPECT_FALSE(got.count(".rr_moved")) << what;
    for (const auto& [name, facts] : expected) {
        const auto at = got.find(name);
        ASSERT_NE(at, got.end()) << what << ": " << name;
        Facts g = at->second;
        EXPECT_TRUE(g == facts) << what << ": " << name << ": type " << int(g.type) << "/" << int(facts.type)
                                << " perms " << int(g.perms) << "/" << int(facts.perms) << " time " << g.time << "/"
                                << facts.time << " content " << g.content << "/" << facts.content;
    }
    EXPECT_EQ(got.size(), expected.size()) << what;
}

// The plain names are d-characters numbered with digits; deep folders lie
// where they are unless relocation was asked for, which Rock Ridge hides.
void FolderDisc::CompareViews(const std::string& image, const Row& row) {
    const auto iso = Listing(image, "");
    ASSERT_GT(iso.size(), 20u) << row.what;
    const std::regex dCharacters("(/[A-Z0-9_]{1,8}(\\.[A-Z0-9_]{0,3};1)?)+");
    for (const auto& name : iso) {
        EXPECT_TRUE(std::regex_match(name, dCharacters)) << row.what << name;
    }
    for (const char* name : {"/LONGFIL1.TXT;1", "/LONGFI12.TXT;1", "/README.TXT;1", "/EMPTY_F1"})
        EXPECT_TRUE(Has(iso, name)) << row.what << name;
    EXPECT_EQ(Has(iso, "/L1/L2/L3/L4/L5/L6/L7/L8/L9/NINE.TXT;1"), !row.relocated) << row.what;
    EXPECT_EQ(Has(iso, "/RR_MOVED"), row.relocated) << row.what;
    const auto joliet = Listing(image, "-J");
    EXPECT_TRUE(Has(joliet, "/" + kDeep + "/deep.txt")) << row.what;
    EXPECT_TRUE(Has(joliet, "/a/b/Hello World.txt")) << row.what;
    // isoinfo does not follow a relocation; xorriso's extraction checks it.
    if (!row.rockRidge || row.relocated) return;
    const auto rock = Listing(image, "-R");
    EXPECT_TRUE(Has(rock, "/" + kDeep + "/deep.txt")) << row.what;
    for (const auto& name : rock) EXPECT_EQ(name.find("rr_moved"), std::string::npos) << row.what << name;
}

TEST_F(FolderDisc, EveryReaderSeesTheFolder) {
    for (const Row& row : kRows) {
        const std::string image = Make(row);
        if (HasFailure()) return;
        CompareViews(image, row);
        if (row.rockRidge) CompareExtracted(image, row);
    }
}

// A file past 4 GiB takes two sections. The header alone is laid out and
// the data left as a hole: reading 5 GiB costs a loaded machine minutes.
TEST(FolderLayout, LargeFileTakesSectionsThatXorrisoReads) {
    TempDir source, work;
    constexpr int64_t kBig = int64_t{5} << 30;
    std::ofstream(source.File("big.bin")).close();
    fs::resize_file(source.File("big.bin"), kBig);
    kq::TQCDBurner burner;
    kq::TAddReport report;
    ASSERT_TRUE(burner.AddFolder("", source.Path().string(), report));
    std::string error;
    const int64_t sectors = burner.BuildImageLayout(error);
    ASSERT_GT(sectors, 0) << error;
    std::vector<uint8_t> header(static_cast<size_t>(burner.HeaderStream().Size()));
    burner.HeaderStream().Seek(0, 0);
    (void)burner.HeaderStream().Read(header.data(), static_cast<int32_t>(header.size()));
    const std::string image = work.Write("image.iso", std::string(header.begin(), header.end()));
    fs::resize_file(image, static_cast<uintmax_t>(sectors * kq::kSectorSize));
    const std::string sections = Shell("xorriso -indev '" + image + "' -find /big.bin -exec report_sections");
    const std::regex section("File data lba: +([0-9]+) , +([0-9]+) , +([0-9]+) , +([0-9]+) , '/big.bin'");
    std::vector<int64_t> sizes;
    for (std::sregex_iterator it(sections.begin(), sections.end(), section), end; it != end; ++it)
        sizes.push_back(std::stoll((*it)[4]));
    EXPECT_EQ(sizes, (std::vector<int64_t>{4294965248, kBig - 4294965248})) << sections;
}

}  // namespace
