// The layout's promises to the reader thread and to the user, on trees
// made by hand (no file is read while laying out).
#include "burner/ImageLayout.h"
#include "burner/kqCDBC.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

using namespace kq;

namespace {

TDEntry* Folder(TImageTree& tree, TDEntry* parent, const std::string& name) {
    TDEntry* d = tree.NewDirectory();
    d->LongName = name;
    d->Parent = parent;
    return d;
}

TFEntry* File(TImageTree& tree, TDEntry* parent, const std::string& name, int64_t size, uint32_t attributes = 0) {
    TFEntry* f = tree.NewFile();
    f->LongName = name;
    f->SourcePath = "/src/" + name;
    f->Parent = parent;
    f->Size = size;
    f->Attributes = attributes;
    f->ModTime = 1'000'000'000;
    return f;
}

// Files of every kind in a few folders.
void Mixed(TImageTree& tree) {
    TDEntry* docs = Folder(tree, tree.RootDir(), "docs");
    File(tree, docs, "b.txt", 5000);
    File(tree, tree.RootDir(), "empty", 0);
    File(tree, tree.RootDir(), "a.bin", 2048);
    TFEntry* link = File(tree, docs, "to-a", 0, kAttrSymbolicLink | kAttrNoData);
    link->LinkTarget = "../a.bin";
    for (const char* name : {"one", "two"}) {
        TFEntry* f = File(tree, Folder(tree, docs, std::string("in-") + name), name, 3);
        f->Device = 7;
        f->Inode = 42;  // hard links of one file
    }
}

TEST(ImageLayout, FilesFollowTheHeaderInListOrder) {
    TQCDBurner burner;
    Mixed(burner.ImageTree());
    std::string error;
    const int64_t total = burner.BuildImageLayout(error);
    ASSERT_GT(total, 0) << error;
    int64_t next = burner.HeaderStream().Size() / kSectorSize;
    EXPECT_EQ(burner.HeaderStream().Size() % kSectorSize, 0);
    const TFEntry* dataOfLink = nullptr;
    for (const auto& f : burner.ImageTree().FileEntries()) {
        if (f->Inode == 42) {
            if (!dataOfLink) dataOfLink = f.get();
            else EXPECT_EQ(f->Extent, dataOfLink->Extent);
            EXPECT_EQ((f->Attributes & kAttrNoData) != 0, f.get() != dataOfLink);
        }
        if (f->Attributes & kAttrNoData) continue;
        EXPECT_EQ(f->Extent, next) << f->LongName;
        next += SectorsOf(f->Size);
    }
    EXPECT_EQ(next, total);
    EXPECT_EQ(burner.ImageTree().FileEntries().front()->LongName, "a.bin");  // the root's files first
    EXPECT_EQ(std::string(burner.ImageTree().FileEntries().front()->ShortName), "A.BIN;1");
}

// The date of the root directory's record named `name` (the root's own
// for ""): year since 1900, month, day, hour, minute, second.
std::vector<int> RecordDate(const std::vector<uint8_t>& header, const std::string& name) {
    const uint8_t* root = &header[16 * 2048 + 156];
    if (name.empty()) return {root[18], root[19], root[20], root[21], root[22], root[23]};
    const size_t extent = root[2] | root[3] << 8 | root[4] << 16 | size_t{root[5]} << 24;
    for (size_t at = extent * 2048; at < header.size() && header[at] != 0; at += header[at]) {
        const std::string id(reinterpret_cast<const char*>(&header[at + 33]), header[at + 32]);
        if (id == name) return {header[at + 18], header[at + 19], header[at + 20], header[at + 21], header[at + 22],
                                header[at + 23]};
    }
    return {};
}

// Each date as the disc keeps it: its own, to the second, before 1970 and
// after 2038; past 2155 the record's last second; never after the clamp;
// the volume's for a folder made up for the disc.
TEST(ImageLayout, DatesAreTheFilesOwnClampedOrTheVolumes) {
    struct Case {
        int64_t own;
        std::optional<int64_t> clamp;
        std::vector<int> date;
    } const cases[] = {
        {-315619200, {}, {60, 1, 1, 0, 0, 0}},
        {2'200'000'000, {}, {139, 9, 18, 23, 6, 40}},
        {6'000'000'000, {}, {255, 12, 31, 23, 59, 59}},
        {1'000'000'000, 1704164645, {101, 9, 9, 1, 46, 40}},
        {1'800'000'000, 1704164645, {124, 1, 2, 3, 4, 5}},
        {kVolumeTime, {}, {127, 1, 15, 8, 0, 0}},
        {kVolumeTime, 1704164645, {124, 1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        TImageTree tree;
        ASSERT_TRUE(tree.ResetTree(10, 10));
        File(tree, tree.RootDir(), "f", 1)->ModTime = c.own == kVolumeTime ? 0 : c.own;
        Folder(tree, tree.RootDir(), "d")->ModTime = c.own;
        tree.RootDir()->ModTime = c.own;
        LayoutOptions options;
        options.buildTime = c.clamp.value_or(1'800'000'000);  // 2027-01-15 08:00:00
        options.clampTime = c.clamp;
        const ImageLayout layout = BuildImageLayout(tree, options);
        ASSERT_EQ(layout.error, "");
        if (c.own != kVolumeTime) {
            EXPECT_EQ(RecordDate(layout.header, "F.;1"), c.date) << c.own;
        }
        EXPECT_EQ(RecordDate(layout.header, "D"), c.date) << c.own;
        EXPECT_EQ(RecordDate(layout.header, ""), c.date) << c.own;
    }
}

struct Refusal {
    const char* what;
    std::function<void(TImageTree&)> build;
    std::function<void(LayoutOptions&)> set;
    std::string message;
};

const Refusal kRefusals[] = {
    {"deep without Rock Ridge",
     [](TImageTree& t) {
         TDEntry* d = t.RootDir();
         for (int i = 1; i <= 9; ++i) d = Folder(t, d, "d" + std::to_string(i));
     },
     [](LayoutOptions& o) { o.rockRidge = false; },
     "FOLDER \"/d1/d2/d3/d4/d5/d6/d7/d8\" LIES DEEPER THAN 8 LEVELS AND ROCK RIDGE IS OFF"},
    {"name too long", [](TImageTree& t) { File(t, Folder(t, t.RootDir(), "x"), std::string(256, 'n'), 1); }, {},
     "THE NAME OF \"/x/" + std::string(256, 'n') + "\" IS LONGER THAN 255 BYTES"},
    {"name twice", [](TImageTree& t) { File(t, t.RootDir(), "a", 1), File(t, t.RootDir(), "a", 2); }, {},
     "TWO ENTRIES ON THE DISC ARE NAMED \"/a\""},
    {"header past its limit", Mixed, [](LayoutOptions& o) { o.headerLimit = 20 * 2048; },
     "THE FILE SYSTEM NEEDS 65536 BYTES OF HEADER, MORE THAN THE 40960 IT MAY TAKE"},
};

TEST(ImageLayout, RefusesWithTheReasonAndLeavesTheTree) {
    for (const Refusal& r : kRefusals) {
        TImageTree tree;
        ASSERT_TRUE(tree.ResetTree(100, 100));
        r.build(tree);
        const auto before = tree.FileCount() ? tree.FileEntries().front().get() : nullptr;
        LayoutOptions options;
        if (r.set) r.set(options);
        const ImageLayout layout = BuildImageLayout(tree, options);
        EXPECT_EQ(layout.error, r.message) << r.what;
        EXPECT_EQ(layout.totalSectors, -1) << r.what;
        EXPECT_TRUE(layout.header.empty()) << r.what;
        if (before) {
            EXPECT_EQ(tree.FileEntries().front().get(), before) << r.what;
        }
    }
}

}  // namespace
