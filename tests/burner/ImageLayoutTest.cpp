// The layout's promises to the reader thread and to the user, on trees
// made by hand (no file is read while laying out).
#include "burner/ImageLayout.h"
#include "burner/kqCDBC.h"

#include <gtest/gtest.h>

#include <functional>
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
