// A folder holding every hard case becomes an image file, which xorriso
// (an independent reader) reads back through Rock Ridge, Joliet and plain
// ISO 9660: names, sizes, links, permissions, times and bytes must match.
#include "burner/ImageLayout.h"
#include "burner/ImageWriter.h"
#include "burner/kqCDBC.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

using namespace kq;
namespace fs = std::filesystem;

namespace {

const std::string kLong70(70, 'x');
const std::string kDeep = "l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11/l12";
constexpr int64_t kBig = int64_t{5} << 30;
const std::map<int64_t, std::string> kBigMarks = {{0, "START"}, {4294965000, "ACROSS-THE-SECTION"}, {kBig - 3, "END"}};

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

// Every case the layout must handle, in one folder.
void MakeTree(const TempDir& dir) {
    const auto write = [&](const std::string& name, const std::string& bytes) {
        fs::create_directories((dir.Path() / name).parent_path());
        dir.Write(name, bytes);
    };
    write("readme.txt", "read me\n");
    write("a/b/Hello World.txt", std::string(5000, 'h'));
    write("café menü – spécial.txt", "non-ASCII\n");
    for (const char* tail : {"a.txt", "b.txt", "c.txt"}) write(kLong70 + tail, tail);  // Joliet cuts alike
    for (int i = 1; i <= 3; ++i) write("longfilename" + std::to_string(i) + ".txt", std::to_string(i));
    write(std::string(250, 'n'), "a name that fills a Rock Ridge entry and more");
    write("empty.dat", "");
    fs::create_directories(dir.Path() / "empty folder");
    write(kDeep + "/deep.txt", "twelve levels down");
    write("l1/l2/l3/l4/l5/l6/l7/l8/l9/nine.txt", "nine");
    fs::create_directory_symlink("a/b", dir.Path() / "link");
    fs::create_symlink("/abs/./../x", dir.Path() / "dangling");
    std::string target;
    for (int i = 0; i < 30; ++i) target += "/component" + std::to_string(i);  // several SL entries
    target.erase(0, 1);
    fs::create_symlink(target, dir.Path() / "long link");
    fs::create_hard_link(dir.File("readme.txt"), dir.File("hard"));
    mkfifo(dir.File("fifo").c_str(), 0644);
    write("private.sh", "#!/bin/sh\n");
    fs::permissions(dir.File("private.sh"), fs::perms::owner_all | fs::perms::group_read);
    (void)lchown(dir.File("private.sh").c_str(), 1234, 5678);  // kept only when run as root, as then read back
    write("secret.txt", "unreadable unless privileged");
    fs::permissions(dir.File("secret.txt"), fs::perms::none);
    fs::last_write_time(dir.File("readme.txt"), fs::file_time_type::clock::now() - std::chrono::hours(24 * 3000));
    std::ofstream(dir.File("big.bin")).close();
    fs::resize_file(dir.File("big.bin"), kBig);
    std::fstream big(dir.File("big.bin"), std::ios::in | std::ios::out | std::ios::binary);
    for (const auto& [at, text] : kBigMarks) big.seekp(at).write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Writes the image. The big file's data is all holes but its marks, so
// it is placed here from its extent rather than read through: reading 5 GiB
// of holes costs a loaded machine minutes. Every other file comes through
// WriteImage.
std::string WriteImageFile(TQCDBurner& burner, const std::string& path) {
    TFEntry* big = nullptr;
    for (const auto& f : burner.ImageTree().FileEntries())
        if (f->LongName == "big.bin") big = f.get();
    big->Attributes |= kAttrNoData;
    const int64_t bigStart = int64_t{big->Extent} * kSectorSize;
    std::ofstream out(path, std::ios::binary);
    int64_t at = 0;
    const auto skipBig = [&] {
        if (at == bigStart) at += SectorsOf(kBig) * kSectorSize;
        out.seekp(at);
    };
    const std::string why = WriteImage(burner.HeaderStream(), burner.ImageTree(), [&](const uint8_t* d, size_t n) {
        skipBig();
        out.write(reinterpret_cast<const char*>(d), static_cast<std::streamsize>(n));
        at += static_cast<int64_t>(n);
        return static_cast<bool>(out);
    }, "SINK");
    skipBig();
    out.seekp(at - 1).put('\0');
    for (const auto& [offset, text] : kBigMarks) out.seekp(bigStart + offset).write(text.data(), static_cast<std::streamsize>(text.size()));
    big->Attributes &= ~kAttrNoData;
    return why;
}

// The tree, its image, and what xorriso says of it; the checks share one image.
class FolderImage : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTree(source);
        burner.IdVolume = VolumeIdFromName("photos 2024");
        ASSERT_TRUE(burner.AddFolder("", source.Path().string(), report));
        ASSERT_TRUE(burner.AddPath("extra/grafted.txt", source.File("readme.txt"), report));
        std::string error;
        sectors = burner.BuildImageLayout(error);
        ASSERT_GT(sectors, 0) << error;
        image = work.File("image.iso");
        ASSERT_EQ(WriteImageFile(burner, image), "");
    }
    std::string Xorriso(const std::string& before, const std::string& after) const {
        return Shell("xorriso " + before + " -indev '" + image + "' " + after);
    }
    void CompareExtractedTree();
    void CompareViews();
    void CompareLargeFileAndLinks();

    TempDir source, work;
    TQCDBurner burner;
    TAddReport report;
    int64_t sectors = 0;
    std::string image;
};

struct Facts {
    fs::file_type type;
    fs::perms perms;
    int64_t size;
    int64_t time;
    uint32_t owner, group;
    std::string content;  // bytes of a file, target of a link
    bool operator==(const Facts&) const = default;
};

// Everything under root, big.bin and what the disc leaves out excepted.
std::map<std::string, Facts> Snapshot(const fs::path& root) {
    std::map<std::string, Facts> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().lexically_relative(root).string();
        if (name == "big.bin" || name == "fifo" || name == ".rr_moved") continue;
        const auto status = fs::symlink_status(it->path());
        struct stat st{};
        lstat(it->path().c_str(), &st);
        Facts f{status.type(), status.permissions(), 0, st.st_mtime, st.st_uid, st.st_gid, {}};
        if (f.type == fs::file_type::symlink) f.content = fs::read_symlink(it->path()).string();
        if (f.type == fs::file_type::regular) {
            std::ifstream in(it->path(), std::ios::binary);
            f.content.assign(std::istreambuf_iterator<char>(in), {});
            f.size = static_cast<int64_t>(f.content.size());
        }
        // Extraction writes into folders after their time is set, and
        // xorriso does not set the time of the links it makes.
        if (f.type == fs::file_type::directory || f.type == fs::file_type::symlink) f.time = 0;
        out.emplace(name, f);
    }
    return out;
}

void FolderImage::CompareExtractedTree() {
    EXPECT_EQ(report.Skipped, std::vector<std::string>{source.File("fifo")});
    const fs::path out = work.Path() / "extracted";
    Xorriso("", "-osirrox on -rm /big.bin -- -extract / '" + out.string() + "'");
    auto expected = Snapshot(source.Path());
    // Root reads every file; anyone else finds the secret unreadable, and
    // the disc goes without it.
    if (!std::ifstream(source.File("secret.txt"))) {
        EXPECT_EQ(report.Unreadable.size(), 1u);
        expected.erase("secret.txt");
    }
    expected.emplace("extra", Facts{fs::file_type::directory, fs::perms(0755), 0, 0, 0, 0, {}});
    expected.emplace("extra/grafted.txt", expected.at("readme.txt"));
    auto got = Snapshot(out);
    ASSERT_EQ(got.size(), expected.size());
    for (const auto& [name, facts] : expected) {
        ASSERT_TRUE(got.count(name)) << name;
        const Facts& g = got.at(name);
        EXPECT_TRUE(g == facts) << name << ": type " << int(g.type) << "/" << int(facts.type) << " perms " << int(g.perms)
                                << "/" << int(facts.perms) << " size " << g.size << "/" << facts.size << " time " << g.time
                                << "/" << facts.time << " content " << g.content << "/" << facts.content;
    }
}

// Each view of the disc: its listing's names, and what they must look like.
struct View {
    const char* readFs;
    std::vector<std::string> present;
    const char* pattern;  // every name of the listing matches
};

const View kViews[] = {
    {"norock", {"/" + kLong70.substr(0, 58) + "~1.txt", "/" + kLong70.substr(0, 58) + "~3.txt", "/café menü – spécial.txt",
                "/l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11/l12/deep.txt", "/empty folder"},
     "^/.*[^/]$"},
    {"ecma119", {"/LONGFIL1.TXT", "/LONGFIL3.TXT", "/README.TXT", "/L1/L2/L3/L4/L5/L6/L7/L8/L9/NINE.TXT", "/EMPTY_F1"},
     "^(/[A-Z0-9_]{1,8}(\\.[A-Z0-9_]{1,3})?)+$"},
};

void FolderImage::CompareViews() {
    for (const View& view : kViews) {
        const std::string listing = Xorriso(std::string("-read_fs ") + view.readFs, "-find / -exec lsdl");
        std::vector<std::string> names;
        std::smatch m;
        const std::regex line("'(/[^\n]*)'(\n|$| ->)");
        for (auto it = listing.cbegin(); std::regex_search(it, listing.cend(), m, line); it = m[0].second)
            if (m[1] != "/") names.push_back(m[1]);
        ASSERT_GT(names.size(), 20u) << view.readFs;
        for (const auto& p : view.present) EXPECT_NE(std::find(names.begin(), names.end(), p), names.end()) << p;
        for (const auto& n : names) EXPECT_TRUE(std::regex_match(n, std::regex(view.pattern))) << view.readFs << n;
        std::sort(names.begin(), names.end());
        EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << view.readFs;
    }
}

// The sections as xorriso reports them, each mark read from the image
// where those sections put it.
void FolderImage::CompareLargeFileAndLinks() {
    const std::string sections = Xorriso("", "-find /big.bin -exec report_sections");
    const std::regex section("File data lba: +([0-9]+) , +([0-9]+) , +([0-9]+) , +([0-9]+) , '/big.bin'");
    std::vector<std::pair<int64_t, int64_t>> lbaAndSize;
    for (std::sregex_iterator it(sections.begin(), sections.end(), section), end; it != end; ++it)
        lbaAndSize.emplace_back(std::stoll((*it)[2]), std::stoll((*it)[4]));
    ASSERT_EQ(lbaAndSize.size(), 2u) << sections;
    EXPECT_EQ(lbaAndSize[0].second, 4294965248);
    EXPECT_EQ(lbaAndSize[0].second + lbaAndSize[1].second, kBig);
    std::ifstream in(image, std::ios::binary);
    for (const auto& [at, text] : kBigMarks) {
        std::string got;
        for (size_t i = 0; i < text.size(); ++i) {
            const int64_t offset = at + static_cast<int64_t>(i);
            const auto& [lba, size] = lbaAndSize[offset < lbaAndSize[0].second ? 0 : 1];
            in.seekg(lba * kSectorSize + (offset < lbaAndSize[0].second ? offset : offset - lbaAndSize[0].second));
            got += static_cast<char>(in.get());
        }
        EXPECT_EQ(got, text) << at;
    }
    const std::string lbas = Xorriso("", "-find / -name readme.txt -or -name hard -exec report_lba");
    std::regex lba("File data lba: +0 , +([0-9]+) ,");
    std::vector<std::string> starts;
    for (std::sregex_iterator it(lbas.begin(), lbas.end(), lba), end; it != end; ++it) starts.push_back((*it)[1]);
    ASSERT_EQ(starts.size(), 2u) << lbas;
    EXPECT_EQ(starts[0], starts[1]);
    EXPECT_EQ(int64_t{sectors} * kSectorSize, static_cast<int64_t>(fs::file_size(image)));
}

TEST_F(FolderImage, ReadsBackWholeThroughEveryView) {
    {
        SCOPED_TRACE("Rock Ridge: extracted tree");
        CompareExtractedTree();
    }
    {
        SCOPED_TRACE("Joliet and ISO 9660 names");
        CompareViews();
    }
    {
        SCOPED_TRACE("multi-extent file, hard links");
        CompareLargeFileAndLinks();
    }
}

}  // namespace
