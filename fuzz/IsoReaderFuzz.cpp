// A session's file system read from damaged sectors: either patches over
// an image of our own writer (Rock Ridge with continuation areas, moved
// folders, Joliet, a file of several extents), or raw bytes from sector
// 16 on. The reader must never read outside what it was given, and must
// either refuse with the sector named or return a well-formed tree.
#include "FuzzInput.h"
#include "FuzzTarget.h"

#include "burner/ImageLayout.h"
#include "burner/IsoReader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using fuzz::FuzzInput;
using namespace kq;

constexpr size_t kSector = 2048;

std::vector<uint8_t> BaseImage() {
    TImageTree tree;
    if (!tree.ResetTree(100, 100)) std::abort();
    TDEntry* at = tree.RootDir();
    for (int depth = 0; depth < 10; ++depth) {
        TDEntry* d = tree.NewDirectory();
        d->LongName = "level" + std::to_string(depth);
        d->Parent = at;
        at = d;
    }
    const auto file = [&](const std::string& name, int64_t size, const char* target) {
        TFEntry* f = tree.NewFile();
        f->LongName = name;
        f->Parent = size == 1 ? at : tree.RootDir();
        f->Size = size;
        if (target) f->Attributes = kAttrSymbolicLink | kAttrNoData, f->LinkTarget = target;
    };
    file("deep", 1, nullptr);
    file("big", int64_t{5} << 30, nullptr);
    file(std::string(240, 'n'), 9, nullptr);
    file("link", 0, "/level0/../x");
    LayoutOptions options;
    options.relocateDeep = true;
    return BuildImageLayout(tree, options).header;
}

std::vector<uint8_t> Image(FuzzInput& in) {
    if (in.Flag()) {  // raw descriptors and folders
        const auto rest = in.Rest();
        std::vector<uint8_t> image(16 * kSector + rest.size());
        std::copy(rest.begin(), rest.end(), image.begin() + 16 * kSector);
        return image;
    }
    static const std::vector<uint8_t> base = BaseImage();
    std::vector<uint8_t> image = base;
    while (!in.Empty()) {
        const size_t at = (size_t{in.Byte()} << 16 | in.BE16()) % image.size();
        const auto bytes = in.Bytes(1 + in.Pick(8));
        std::copy_n(bytes.begin(), std::min(bytes.size(), image.size() - at), image.begin() + at);
    }
    return image;
}

void CheckTree(const iso::DiscTree& tree, const iso::ReadLimits& limits) {
    if (!tree.error.empty()) {
        FUZZ_CHECK(tree.entries.empty() && tree.error.rfind("sector ", 0) == 0);
        return;
    }
    FUZZ_CHECK(!tree.entries.empty() && tree.entries.size() <= limits.entries && tree.entries[0].parent == -1);
    for (size_t i = 1; i < tree.entries.size(); ++i) {
        const iso::DiscEntry& e = tree.entries[i];
        FUZZ_CHECK(e.parent >= 0 && size_t(e.parent) < i && tree.entries[e.parent].directory);
        FUZZ_CHECK(!e.name.empty() && e.name.find('/') == std::string::npos && e.name != "." && e.name != "..");
        for (const iso::DiscExtent& x : e.extents)
            FUZZ_CHECK(x.bytes == 0 || x.sector + (uint64_t{x.bytes} + kSector - 1) / kSector <= tree.volumeSectors);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const iso::ReadLimits limits{.entries = 5000, .depth = 40, .folderBytes = 1 << 20};
    const std::vector<uint8_t> image = Image(in);
    const iso::SectorSource source = [&](uint32_t first, std::span<uint8_t> out) {
        const uint64_t at = uint64_t{first} * kSector;
        std::fill(out.begin(), out.end(), 0);
        if (at >= image.size()) return at < (uint64_t{1} << 33);  // the volume may claim more; past 8 GiB, unreadable
        std::memcpy(out.data(), image.data() + at, std::min<uint64_t>(out.size(), image.size() - at));
        return true;
    };
    CheckTree(iso::ReadDiscTree(source, 0, limits), limits);
    return 0;
}
