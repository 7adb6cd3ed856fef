// Random trees (names of any bytes, sizes up to a terabyte, deep folders,
// links and hard links) laid out as a file system, then read back with a
// small reader of our own: the Rock Ridge tree must list exactly the tree,
// the Joliet tree the same shape with valid names, every extent inside
// the volume. Laid out again with UDF, the tests' UDF reader must find
// every descriptor whole and the same shape, links' targets included.
// A tree the layout refuses must be refused with a reason.
#include "FuzzInput.h"
#include "FuzzTarget.h"

#include "burner/ImageLayout.h"
#include "support/UdfReader.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using fuzz::FuzzInput;
using namespace kq;

constexpr size_t kSector = 2048;

struct Listed {
    bool dir = false;
    int64_t size = 0;
    std::string target;
    bool operator==(const Listed&) const = default;
};
using Listing = std::map<std::string, Listed>;

std::string Name(FuzzInput& in, std::set<std::string>& used) {
    std::string name;
    const size_t length = 1 + in.Pick(in.Flag() ? 80 : 12);
    for (uint8_t b : in.Bytes(length)) name += b == '/' || b == 0 ? 'x' : static_cast<char>(b);
    if (name.empty()) name = "e";
    while (!used.insert(name).second || name == ".rr_moved") name += "+";
    return name;
}

std::string Target(FuzzInput& in) {
    std::string target = in.Flag() ? "/" : "";
    for (size_t n = 1 + in.Pick(4); n > 0; --n) {
        static const char* const kParts[] = {"..", ".", "usr", "a-rather-long-component-of-a-link-target"};
        target += std::string(kParts[in.Pick(4)]) + (n > 1 ? "/" : "");
    }
    return target;
}

// The tree and what a reader must list of it.
Listing BuildTree(FuzzInput& in, TImageTree& tree) {
    Listing expected;
    std::vector<std::pair<TDEntry*, std::string>> dirs{{tree.RootDir(), ""}};
    std::map<TDEntry*, std::set<std::string>> used;
    std::vector<TFEntry*> files;
    while (!in.Empty() && dirs.size() < 60 && files.size() < 200) {
        const uint8_t op = static_cast<uint8_t>(in.Pick(5));
        auto& [parent, path] = dirs[op == 0 ? dirs.size() - 1 : in.Pick(dirs.size())];
        const std::string name = Name(in, used[parent]);
        const std::string full = path + "/" + name;
        if (op <= 1) {
            TDEntry* d = tree.NewDirectory();
            if (!d) break;
            d->LongName = name;
            d->Parent = parent;
            expected[full] = {true, 0, {}};
            dirs.emplace_back(d, full);
            continue;
        }
        TFEntry* f = tree.NewFile();
        if (!f) break;
        f->LongName = name;
        f->Parent = parent;
        f->Size = (int64_t{in.BE16()} << (in.Pick(5) * 6)) * (in.Flag() ? 1 : 0);
        if (op == 3) {
            f->Attributes = kAttrSymbolicLink | kAttrNoData;
            f->LinkTarget = Target(in);
            f->Size = 0;
        } else if (op == 4 && !files.empty()) {
            const TFEntry* other = files[in.Pick(files.size())];
            f->Size = other->Size;
            f->Device = 1;
            f->Inode = reinterpret_cast<uintptr_t>(other);
        }
        if (!(f->Attributes & kAttrSymbolicLink)) files.push_back(f);
        expected[full] = {false, f->Size, f->LinkTarget};
    }
    return expected;
}

std::string Hex(const std::string& bytes) {
    std::string out;
    for (unsigned char b : bytes) out += "0123456789abcdef"[b >> 4], out += "0123456789abcdef"[b & 15];
    return out;
}

struct Reader {
    const std::vector<uint8_t>& header;
    uint32_t volumeSectors;
    bool joliet;
    Listing listing;
    std::set<uint32_t> visited;

    const uint8_t* At(uint64_t sector, uint64_t offset, uint64_t length) const {
        const uint64_t at = sector * kSector + offset;
        FUZZ_CHECK(at + length <= header.size());
        return header.data() + at;
    }
    static uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

    // Rock Ridge entries of a record, following CE areas.
    void ReadSusp(const uint8_t* p, size_t length, std::string& name, Listed& item, uint32_t& child, bool& moved) {
        std::string parts;
        for (size_t at = 0; at + 4 <= length;) {
            const uint8_t* e = p + at;
            const size_t len = e[2];
            FUZZ_CHECK(len >= 4 && at + len <= length);
            const std::string sig(reinterpret_cast<const char*>(e), 2);
            if (sig == "NM") name.append(reinterpret_cast<const char*>(e + 5), len - 5);
            if (sig == "CL") child = Le32(e + 4);
            if (sig == "RE") moved = true;
            if (sig == "SL")
                for (size_t c = 5; c + 2 <= len; c += 2 + e[c + 1]) {
                    const uint8_t flags = e[c];
                    std::string part(reinterpret_cast<const char*>(e + c + 2), e[c + 1]);
                    if (flags & 2) part = ".";
                    if (flags & 4) part = "..";
                    item.target += (flags & 8) ? "/" : part + ((flags & 1) ? "" : "/");
                }
            if (sig == "CE") ReadSusp(At(Le32(e + 4), Le32(e + 12), Le32(e + 20)), Le32(e + 20), name, item, child, moved);
            at += len;
        }
    }

    void Folder(uint32_t extent, uint32_t size, const std::string& path) {
        FUZZ_CHECK(visited.insert(extent).second);  // no folder read twice: no loops
        std::string continued;  // a multi-extent file whose next section follows
        for (uint64_t at = 0; at < size;) {
            const uint8_t* r = At(extent, at, 1);
            if (r[0] == 0) {
                at = (at / kSector + 1) * kSector;
                continue;
            }
            r = At(extent, at, r[0]);
            at += r[0];
            const size_t nameLength = r[32];
            FUZZ_CHECK(33 + nameLength <= r[0]);
            if (nameLength == 1 && r[33] <= 1) continue;
            std::string name(reinterpret_cast<const char*>(r + 33), nameLength);
            Listed item{(r[25] & 2) != 0, Le32(r + 10), {}};
            FUZZ_CHECK(Le32(r + 2) + (item.size + kSector - 1) / kSector <= volumeSectors);
            uint32_t child = 0;
            bool moved = false;
            if (!joliet) {
                name.clear();
                const size_t suspAt = 33 + nameLength + (nameLength % 2 == 0);
                ReadSusp(r + suspAt, r[0] - suspAt, name, item, child, moved);
                if (!item.target.empty() && item.target != "/") item.target.pop_back();
            } else {
                FUZZ_CHECK(nameLength <= 128 && nameLength % 2 == 0);
                name = Hex(name);  // UTF-16 bytes may hold a "/"
            }
            if (moved || (path.empty() && name == ".rr_moved")) continue;
            const std::string full = path + "/" + name;
            const bool more = (r[25] & 0x80) != 0;
            if (!continued.empty()) {
                FUZZ_CHECK(continued == full && !item.dir);
                listing[full].size += item.size;
                if (!more) continued.clear();
                continue;
            }
            FUZZ_CHECK(!listing.count(full));
            if (child) {  // a folder moved under rr_moved
                item = {true, 0, {}};
                const uint8_t* self = At(child, 0, 34);
                Folder(child, Le32(self + 10), full);
            } else if (item.dir) {
                Folder(Le32(r + 2), item.size, full);
                item.size = 0;
            }
            listing[full] = item;
            if (more) continued = full;
        }
    }

    void Volume(size_t descriptor) {
        const uint8_t* d = At(descriptor, 0, kSector);
        FUZZ_CHECK(std::string(reinterpret_cast<const char*>(d + 1), 5) == "CD001");
        FUZZ_CHECK(Le32(d + 80) == volumeSectors);
        Folder(Le32(d + 156 + 2), Le32(d + 156 + 10), "");
    }
};

// The shape of a tree whose names are another's made over (Joliet's, or
// UDF's Unicode): how many folders, files and links at each depth, of
// which sizes and targets.
std::multiset<std::tuple<size_t, bool, int64_t, std::string>> Shape(const Listing& listing, bool withLinks) {
    std::multiset<std::tuple<size_t, bool, int64_t, std::string>> shape;
    for (const auto& [path, item] : listing)
        if (withLinks || item.target.empty())
            shape.emplace(std::count(path.begin(), path.end(), '/'), item.dir, item.size, item.target);
    return shape;
}

void CheckUdf(TImageTree& tree, LayoutOptions options, const Listing& expected) {
    options.udf = true;
    const ImageLayout layout = BuildImageLayout(tree, options);
    if (!layout.error.empty()) {
        FUZZ_CHECK(layout.totalSectors == -1);
        return;
    }
    FUZZ_CHECK(layout.trailer != nullptr);
    const udftest::Volume v = udftest::ReadUdf(layout.header, *layout.trailer, static_cast<uint64_t>(layout.totalSectors));
    FUZZ_CHECK(v.error.empty());
    Listing udf;
    for (const auto& [path, e] : v.entries)
        if (!path.empty()) udf[path] = {e.type == 4, e.type == 5 ? static_cast<int64_t>(e.size) : 0, e.target};
    FUZZ_CHECK(Shape(udf, true) == Shape(expected, true));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    LayoutOptions options;
    options.joliet = in.Flag();
    options.rockRidge = true;
    options.buildTime = 1'700'000'000;
    TImageTree tree;
    (void)tree.ResetTree(1000, 100);  // the root always fits
    const Listing expected = BuildTree(in, tree);
    const ImageLayout layout = BuildImageLayout(tree, options);
    if (!layout.error.empty()) {
        FUZZ_CHECK(layout.totalSectors == -1 && layout.header.empty());
        return 0;
    }
    FUZZ_CHECK(layout.header.size() % kSector == 0 && layout.totalSectors > 0);
    Reader rock{layout.header, static_cast<uint32_t>(layout.totalSectors), false, {}, {}};
    rock.Volume(16);
    FUZZ_CHECK(rock.listing == expected);
    if (options.joliet) {
        Reader joliet{layout.header, static_cast<uint32_t>(layout.totalSectors), true, {}, {}};
        joliet.Volume(17);
        FUZZ_CHECK(Shape(joliet.listing, true) == Shape(expected, false));
    }
    CheckUdf(tree, options, expected);
    return 0;
}
