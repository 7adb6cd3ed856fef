// The layout's promises to the reader thread and to the user, on trees
// made by hand (no file is read while laying out).
#include "burner/ImageLayout.h"
#include "burner/IsoStructures.h"
#include "burner/kqCDBC.h"

#include <gtest/gtest.h>

#include <functional>
#include <span>
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
    const int64_t measured = burner.MeasureImageLayout(error);
    EXPECT_EQ(burner.HeaderStream().Size(), 0);  // the size alone makes no header
    const int64_t total = burner.BuildImageLayout(error);
    ASSERT_GT(total, 0) << error;
    EXPECT_EQ(measured, total);
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

struct Refusal {
    const char* what;
    std::function<void(TImageTree&)> build;
    std::function<void(LayoutOptions&)> set;
    std::string message;
};

const Refusal kRefusals[] = {
    {"relocating without Rock Ridge",
     [](TImageTree& t) {
         TDEntry* d = t.RootDir();
         for (int i = 1; i <= 9; ++i) d = Folder(t, d, "d" + std::to_string(i));
     },
     [](LayoutOptions& o) { o.rockRidge = false, o.relocateDeep = true; },
     "FOLDER \"/d1/d2/d3/d4/d5/d6/d7/d8\" LIES DEEPER THAN 8 LEVELS: RELOCATING IT NEEDS ROCK RIDGE"},
    {"more folders than a path table numbers",
     [](TImageTree& t) {
         for (int i = 1; i <= 65535; ++i) Folder(t, t.RootDir(), "f" + std::to_string(i));
     },
     {}, "TOO MANY FOLDERS: 65536, BUT A PATH TABLE NUMBERS AT MOST 65535"},
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
        ASSERT_TRUE(tree.ResetTree(100, 70000));
        r.build(tree);
        const auto before = tree.FileCount() ? tree.FileEntries().front().get() : nullptr;
        std::vector<std::pair<std::string, uint32_t>> entries;
        for (const auto& f : tree.FileEntries()) entries.emplace_back(f->ShortName, f->Attributes);
        LayoutOptions options;
        if (r.set) r.set(options);
        const ImageLayout layout = BuildImageLayout(tree, options);
        EXPECT_EQ(layout.error, r.message) << r.what;
        EXPECT_EQ(layout.totalSectors, -1) << r.what;
        EXPECT_TRUE(layout.header.empty()) << r.what;
        if (before) {
            EXPECT_EQ(tree.FileEntries().front().get(), before) << r.what;
        }
        // Names and the no-data bit as they were.
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(tree.FileEntries()[i]->ShortName, entries[i].first) << r.what;
            EXPECT_EQ(tree.FileEntries()[i]->Attributes, entries[i].second) << r.what;
        }
    }
}

// The reader of a disc's primary descriptor takes the volume's size from
// what the writer laid down, and refuses a sector that is no descriptor.
TEST(ImageLayout, ThePrimaryDescriptorReadsBackAsTheVolume) {
    TImageTree tree;
    ASSERT_TRUE(tree.ResetTree(100, 100));
    Mixed(tree);
    const ImageLayout layout = BuildImageLayout(tree, LayoutOptions{});
    ASSERT_EQ(layout.error, "");
    const auto written = std::span(layout.header).subspan(size_t{iso::vd::kFirstSector} * kSectorSize, kSectorSize);
    const auto volume = iso::ReadPrimaryVolume(written);
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->sectors, layout.totalSectors);

    struct Damage { const char* what; size_t at; uint8_t value; };
    const auto size = iso::vd::kVolumeSpaceSize.at;
    for (const Damage d : {Damage{"the Joliet type", iso::vd::kTypeByte, iso::vd::kSupplementary},
                           Damage{"another standard", iso::vd::kStandardIdField.at + 4, '2'},
                           Damage{"another version", iso::vd::kVersionByte, 2},
                           Damage{"byte orders disagree", size + 7, 0xEE}}) {
        std::vector<uint8_t> sector(written.begin(), written.end());
        sector[d.at] = d.value;
        EXPECT_FALSE(iso::ReadPrimaryVolume(sector)) << d.what;
    }
    std::vector<uint8_t> empty(written.begin(), written.end());
    std::fill_n(empty.begin() + size, iso::vd::kVolumeSpaceSize.length, 0);
    EXPECT_FALSE(iso::ReadPrimaryVolume(empty)) << "no sectors";
    EXPECT_FALSE(iso::ReadPrimaryVolume(written.first(100))) << "cut short";
}

}  // namespace
