// The UDF tree beside ISO 9660, read back by the tests' own reader: every
// entry where the tree has it, its data where the ISO tree puts it.
#include "burner/ImageLayout.h"
#include "drive/DriveMessages.h"
#include "support/UdfReader.h"

#include <gtest/gtest.h>

#include <string>

using namespace kq;

namespace {

constexpr int64_t kTime = 1'600'000'000;
// U+2603 makes the name 16-bit compressed Unicode, which holds 127 units.
const std::string kSnowman = "\xE2\x98\x83" + std::string(200, 'a');

TDEntry* Folder(TImageTree& tree, TDEntry* parent, const std::string& name) {
    TDEntry* d = tree.NewDirectory();
    d->LongName = name;
    d->Parent = parent;
    d->ModTime = kTime;
    return d;
}

TFEntry* File(TImageTree& tree, TDEntry* parent, const std::string& name, int64_t size) {
    TFEntry* f = tree.NewFile();
    f->LongName = name;
    f->SourcePath = "/src/" + name;
    f->Parent = parent;
    f->Size = size;
    f->ModTime = kTime + size % 1000;
    return f;
}

// Every kind of entry UDF must carry: large, empty, linked, long-named.
void Build(TImageTree& tree) {
    (void)tree.ResetTree(10000, 100);
    TDEntry* root = tree.RootDir();
    TDEntry* docs = Folder(tree, root, "docs");
    Folder(tree, root, "empty folder");
    File(tree, root, "big", int64_t{5} << 30);
    File(tree, root, "empty", 0);
    TFEntry* secret = File(tree, docs, "secret", 5000);
    secret->Mode = 0100750;
    secret->Owner = 1234;
    secret->Group = 5678;
    TFEntry* link = File(tree, docs, "to-big", 0);
    link->Attributes = kAttrSymbolicLink | kAttrNoData;
    link->LinkTarget = "/x/../big";
    for (const char* name : {"one", "two"}) {
        TFEntry* f = File(tree, Folder(tree, docs, std::string("in-") + name), name, 3);
        f->Device = 7;
        f->Inode = 42;
    }
    File(tree, root, std::string(255, 'n'), 1);
    File(tree, root, kSnowman, 2);
    TDEntry* many = Folder(tree, root, "many");
    for (int i = 0; i < 1500; ++i) File(tree, many, "file number " + std::to_string(i), i);
}

LayoutOptions Udf() {
    LayoutOptions options;
    options.udf = true;
    options.buildTime = kTime;
    options.ids.volume = "LABEL";
    return options;
}

TEST(UdfLayout, EveryEntryReadsBackWithTheIsoTreesData) {
    TImageTree tree;
    Build(tree);
    const ImageLayout layout = BuildImageLayout(tree, Udf());
    ASSERT_TRUE(layout.error.empty()) << layout.error;
    ASSERT_TRUE(layout.trailer);
    const udftest::Volume v = udftest::ReadUdf(layout.header, *layout.trailer, static_cast<uint64_t>(layout.totalSectors));
    ASSERT_TRUE(v.error.empty()) << v.error;
    EXPECT_EQ(v.label, "LABEL");
    EXPECT_EQ(v.folders, 6u);
    EXPECT_EQ(v.files, tree.FileEntries().size() - 1);  // two names, one file
    for (const auto& f : tree.FileEntries()) {
        std::string path = f->LongName;
        for (const TDEntry* d = f->Parent; d != tree.RootDir(); d = d->Parent) path = d->LongName + "/" + path;
        if (f->LongName.size() > 254) path = std::string(252, 'n') + "~1";
        if (f->LongName == kSnowman) path = kSnowman.substr(0, 3 + 124) + "~1";
        const auto at = v.entries.find("/" + path);
        ASSERT_NE(at, v.entries.end()) << path;
        const udftest::Entry& e = at->second;
        EXPECT_EQ(e.mtime, f->ModTime) << path;
        if (f->Attributes & kAttrSymbolicLink) {
            EXPECT_EQ(e.type, 12);
            EXPECT_EQ(e.target, f->LinkTarget);
            continue;
        }
        EXPECT_EQ(e.type, 5) << path;
        EXPECT_EQ(e.size, static_cast<uint64_t>(f->Size)) << path;
        EXPECT_EQ(e.links, f->Inode == 42 ? 2 : 1) << path;
        uint32_t next = f->Extent;
        for (auto [sector, bytes] : e.extents) {  // contiguous, each at most 1 GiB - 2 KiB
            EXPECT_EQ(sector, next) << path;
            EXPECT_LE(bytes, (1u << 30) - 2048) << path;
            next += (bytes + 2047) / 2048;
        }
    }
    EXPECT_EQ(v.entries.at("/big").extents.size(), 6u);
    EXPECT_EQ(v.entries.at("/docs/in-one/one").entryBlock, v.entries.at("/docs/in-two/two").entryBlock);
    const udftest::Entry& secret = v.entries.at("/docs/secret");
    EXPECT_EQ(secret.permissions, 7u << 10 | 5u << 5);
    EXPECT_EQ(std::make_pair(secret.uid, secret.gid), std::make_pair(1234u, 5678u));
    EXPECT_EQ(v.entries.at("/docs").links, 3);  // its own name and two subfolders' parents
}

// No byte depends on anything but the tree and the options; the size alone
// is the size of the whole.
TEST(UdfLayout, TwoBuildsAreIdenticalAndMeasureAlike) {
    TImageTree first, second;
    Build(first);
    Build(second);
    const ImageLayout a = BuildImageLayout(first, Udf());
    const ImageLayout b = BuildImageLayout(second, Udf());
    LayoutOptions sizeOnly = Udf();
    sizeOnly.sizeOnly = true;
    EXPECT_EQ(BuildImageLayout(first, sizeOnly).totalSectors, a.totalSectors);
    EXPECT_TRUE(a.header == b.header);
    ASSERT_EQ(a.trailer->Count(), b.trailer->Count());
    for (uint32_t i = 0; i < a.trailer->Count(); ++i) {
        std::vector<uint8_t> x(2048), y(2048);
        a.trailer->Put(i, x.data());
        b.trailer->Put(i, y.data());
        ASSERT_TRUE(x == y) << i;
    }
    LayoutOptions plain = Udf();
    plain.udf = false;
    const ImageLayout without = BuildImageLayout(first, plain);
    EXPECT_FALSE(without.trailer);
    EXPECT_GT(a.totalSectors, without.totalSectors);
}

TEST(UdfLayout, RefusesWhatUdfCannotHold) {
    struct Case {
        const char* what;
        int64_t size;
        std::string target;
        Msg reason;
    };
    const Case cases[] = {
        {"a file past what one entry's descriptors hold", int64_t{300} << 30, "", Msg::UdfFileTooLarge},
        {"a link naming a part over 255 bytes", 0, "a/" + std::string(300, 'p'), Msg::UdfLinkTooLong},
    };
    for (const Case& c : cases) {
        TImageTree tree;
        (void)tree.ResetTree(10, 10);
        TFEntry* f = File(tree, tree.RootDir(), "f", c.size);
        if (!c.target.empty()) {
            f->Attributes = kAttrSymbolicLink | kAttrNoData;
            f->LinkTarget = c.target;
        }
        const ImageLayout layout = BuildImageLayout(tree, Udf());
        EXPECT_EQ(layout.error, FormatDriveMessage(c.reason, {"/src/f"})) << c.what;
        EXPECT_EQ(layout.totalSectors, -1) << c.what;
        EXPECT_EQ(f->Attributes & kAttrNoData, c.target.empty() ? 0u : kAttrNoData) << c.what;
    }
}

}  // namespace
