// The reader of a disc's tree against the writer's own images (every
// option, deep and relocated folders, continuation areas, files over
// 4 GiB), and against damaged ones: each refusal names the sector.
#include "burner/ImageLayout.h"
#include "burner/IsoReader.h"
#include "burner/IsoStructures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>

using namespace kq;

namespace {

constexpr size_t kSector = 2048;
const std::string kLongName(250, 'n');
const std::string kDeep = "d1/d2/d3/d4/d5/d6/d7/d8/d9/d10";

struct Listed {
    bool directory = false;
    uint64_t size = 0;
    std::string target;
    uint32_t mode = 0;
    bool operator==(const Listed&) const = default;
};
using Listing = std::map<std::string, Listed>;

// A tree of every case, and what a Rock Ridge reader must list of it.
Listing BuildTree(TImageTree& tree, bool longNames) {
    EXPECT_TRUE(tree.ResetTree(100, 100));
    Listing expected{{"/", {true, 0, {}, 040755}}};
    TDEntry* at = tree.RootDir();
    std::string path;
    for (size_t from = 0; from < kDeep.size();) {
        const size_t slash = std::min(kDeep.find('/', from), kDeep.size());
        TDEntry* d = tree.NewDirectory();
        d->LongName = kDeep.substr(from, slash - from);
        d->Parent = at;
        d->Mode = 040700;
        at = d;
        path += "/" + d->LongName;
        expected[path] = {true, 0, {}, 040700};
        from = slash + 1;
    }
    const auto file = [&](TDEntry* parent, const std::string& name, int64_t size, const std::string& target = {}) {
        TFEntry* f = tree.NewFile();
        f->LongName = name;
        f->Parent = parent;
        f->Size = size;
        f->ModTime = 1'500'000'000;
        if (!target.empty()) f->Attributes = kAttrSymbolicLink | kAttrNoData, f->Mode = 0120777, f->LinkTarget = target;
        expected[DiscPath(parent) + (parent == tree.RootDir() ? "" : "/") + name] = {false, uint64_t(size), target, f->Mode};
    };
    file(at, "deep.txt", 12);
    file(tree.RootDir(), "big.bin", int64_t{9} << 30);  // three extents
    file(tree.RootDir(), "empty", 0);
    file(tree.RootDir(), "link", 0, "/d1/./../d1/d2");
    if (longNames) file(tree.RootDir(), kLongName, 7);  // entries go on in a continuation area
    return expected;
}

// The image: the header's sectors, zeros after them.
struct Image {
    std::vector<uint8_t> header;
    iso::SectorSource Source(std::function<bool(uint32_t)> unreadable = {}) const {
        return [this, unreadable](uint32_t first, std::span<uint8_t> out) {
            if (unreadable && unreadable(first)) return false;
            std::fill(out.begin(), out.end(), 0);
            const size_t at = size_t{first} * kSector;
            if (at < header.size()) std::memcpy(out.data(), header.data() + at, std::min(out.size(), header.size() - at));
            return true;
        };
    }
};

Image Build(TImageTree& tree, const LayoutOptions& options) {
    const ImageLayout layout = BuildImageLayout(tree, options);
    EXPECT_TRUE(layout.error.empty()) << layout.error;
    return {layout.header};
}

Listing ListOf(const iso::DiscTree& tree, bool modes) {
    Listing listing;
    for (size_t i = 0; i < tree.entries.size(); ++i) {
        const iso::DiscEntry& e = tree.entries[i];
        listing[tree.PathOf(i)] = {e.directory, e.size, e.linkTarget, modes ? e.mode : 0};
    }
    return listing;
}

struct Variant {
    const char* what;
    bool rockRidge, joliet, relocate;
};

TEST(IsoReader, ListsTheWrittenTree) {
    for (const Variant& v : {Variant{"Rock Ridge and Joliet", true, true, false},
                             Variant{"Rock Ridge, deep folders moved", true, false, true},
                             Variant{"Joliet alone", false, true, false}}) {
        SCOPED_TRACE(v.what);
        TImageTree tree;
        Listing expected = BuildTree(tree, v.rockRidge);
        LayoutOptions options;
        options.rockRidge = v.rockRidge;
        options.joliet = v.joliet;
        options.relocateDeep = v.relocate;
        options.ids.volume = "BACKUP_1";
        const Image image = Build(tree, options);
        const iso::DiscTree read = iso::ReadDiscTree(image.Source(), 0);
        ASSERT_EQ(read.error, "");
        EXPECT_EQ(read.rockRidge, v.rockRidge);
        EXPECT_EQ(read.joliet, v.joliet);
        EXPECT_EQ(read.volumeId, "BACKUP_1");
        if (!v.rockRidge) {  // Joliet carries no link and no mode
            std::erase_if(expected, [](auto& item) { return !item.second.target.empty(); });
            for (auto& [path, item] : expected) item.mode = 0;
        }
        EXPECT_EQ(ListOf(read, v.rockRidge), expected);
        const auto big = std::find_if(read.entries.begin(), read.entries.end(), [](auto& e) { return e.name == "big.bin"; });
        ASSERT_NE(big, read.entries.end());
        ASSERT_EQ(big->extents.size(), 3u);
        EXPECT_EQ(big->extents[1].sector, big->extents[0].sector + big->extents[0].bytes / kSector);
        EXPECT_EQ(big->time, 1'500'000'000);
    }
}

// Where the writer put things, for the damage below.
struct Places {
    uint32_t root = 0;
    size_t childRecord = 0;  // byte offset of the root's first record after "." and ".."
};

Places Find(const std::vector<uint8_t>& h) {
    Places p;
    p.root = h[16 * kSector + iso::vd::kRootRecord.at + 2] | h[16 * kSector + iso::vd::kRootRecord.at + 3] << 8;
    size_t at = size_t{p.root} * kSector;
    at += h[at];
    at += h[at];
    while (!(h[at + iso::dirrec::kFlagsByte] & iso::dirrec::kDirectory)) at += h[at];
    p.childRecord = at;
    return p;
}

void PutBoth32(std::vector<uint8_t>& h, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h[at + i] = uint8_t(v >> (8 * i)), h[at + 7 - i] = uint8_t(v >> (8 * i));
}

struct Damage {
    const char* what;
    std::function<uint32_t(std::vector<uint8_t>&, const Places&)> apply;  // the sector the refusal names
    std::string because;
    iso::ReadLimits limits = {};
};

TEST(IsoReader, RefusesDamageNamingTheSector) {
    const Damage damages[] = {
        {"no descriptor", [](auto& h, auto&) { h[16 * kSector + 1] = 'X'; return 16u; }, "no ISO 9660"},
        {"short record", [](auto& h, auto& p) { h[p.childRecord] = 20; return p.root; }, "runs past its sector"},
        {"name past its record", [](auto& h, auto& p) { h[p.childRecord + 32] = 250; return p.root; }, "name runs past"},
        {"byte orders disagree", [](auto& h, auto& p) { h[p.childRecord + 9] ^= 1; return p.root; }, "disagree"},
        {"folder met twice", [](auto& h, auto& p) { PutBoth32(h, p.childRecord + 2, p.root); return p.root; }, "listed twice"},
        {"folder outside the volume",
         [](auto& h, auto& p) { PutBoth32(h, p.childRecord + 2, 0x7FFFFFF0); return 0x7FFFFFF0u; }, "outside the volume"},
        {"continuation outside",
         [](auto& h, auto&) {
             const auto ce = std::search(h.begin(), h.end(), std::begin("CE\x1c\x01"), std::end("CE\x1c\x01") - 1);
             PutBoth32(h, ce - h.begin() + 4, 0x7FFFFFF0);
             return uint32_t((ce - h.begin()) / kSector);
         },
         "continuation area"},
        {"too many entries", [](auto&, auto& p) { return p.root; }, "more than 3 entries", {.entries = 3}},
        {"too deep", [](auto&, auto& p) { return p.root + 8; }, "deeper than 8", {.depth = 8}},
    };
    TImageTree tree;
    BuildTree(tree, true);
    const Image good = Build(tree, {});
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        Image image = good;
        const uint32_t sector = d.apply(image.header, Find(good.header));
        const iso::DiscTree read = iso::ReadDiscTree(image.Source(), 0, d.limits);
        EXPECT_TRUE(read.entries.empty());
        if (std::string(d.what) == "too deep") EXPECT_EQ(read.error.find("sector "), 0u) << read.error;
        else EXPECT_EQ(read.error.find("sector " + std::to_string(sector) + ": "), 0u) << read.error;
        EXPECT_NE(read.error.find(d.because), std::string::npos) << read.error;
    }
    const Places p = Find(good.header);
    const iso::DiscTree unreadable = iso::ReadDiscTree(good.Source([&](uint32_t s) { return s == p.root; }), 0);
    EXPECT_EQ(unreadable.error, "sector " + std::to_string(p.root) + ": cannot be read");
}

}  // namespace
