// Sessions appended in turn through the library: each new session's tree
// is the old one imported, with files replaced, added and removed, laid
// out at its start on the disc. Our reader, and xorriso and isoinfo where
// they are installed, list the union; every file reads back its bytes.
#include "burner/ImageLayout.h"
#include "burner/IsoReader.h"
#include "burner/SessionImport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

using namespace kq;

namespace {

constexpr size_t kSector = 2048;

struct Session {
    std::map<std::string, std::string> files;  // new or replaced: path, bytes
    std::vector<std::string> removed;
    std::map<std::string, std::string> listed;  // what every reader must list then
};

TDEntry* FolderOf(TImageTree& tree, const std::string& path) {
    TDEntry* at = tree.RootDir();
    for (size_t from = 1, slash; (slash = path.find('/', from)) != std::string::npos; from = slash + 1) {
        const std::string name = path.substr(from, slash - from);
        TDEntry* found = nullptr;
        for (const auto& d : tree.DirEntries())
            if (d->Parent == at && d.get() != at && d->LongName == name) found = d.get();
        if (!found) {
            found = tree.NewDirectory();
            found->LongName = name;
            found->Parent = at;
        }
        at = found;
    }
    return at;
}

class Disc {
public:
    iso::SectorSource Source() const {
        return [this](uint32_t first, std::span<uint8_t> out) {
            std::fill(out.begin(), out.end(), 0);
            const size_t at = size_t{first} * kSector;
            if (at < bytes_.size()) std::memcpy(out.data(), bytes_.data() + at, std::min(out.size(), bytes_.size() - at));
            return true;
        };
    }

    // Lays the session out at the disc's end (a gap between, as between
    // sessions on a CD) and writes its header and new files there.
    uint32_t Append(const Session& s, const std::map<std::string, std::string>& data, std::string& error) {
        const uint32_t start = bytes_.empty() ? 0 : static_cast<uint32_t>(bytes_.size() / kSector) + 150;
        TImageTree tree;
        EXPECT_TRUE(tree.ResetTree(100, 100));
        for (const auto& [path, content] : s.files) {
            TFEntry* f = tree.NewFile();
            f->Parent = FolderOf(tree, path);
            f->LongName = path.substr(path.rfind('/') + 1);
            f->Size = static_cast<int64_t>(content.size());
        }
        if (start > 0) {
            const iso::DiscTree old = iso::ReadDiscTree(Source(), last_);
            EXPECT_EQ(old.error, "");
            error = ImportSession(tree, old, s.removed);
            if (!error.empty()) return 0;
        }
        LayoutOptions options;
        options.sessionStart = start;
        const ImageLayout layout = BuildImageLayout(tree, options);
        EXPECT_EQ(layout.error, "");
        bytes_.resize(size_t{start} * kSector);
        bytes_.insert(bytes_.end(), layout.header.begin(), layout.header.end());
        for (const auto& f : tree.FileEntries()) {
            if (!CarriesData(*f)) continue;
            const std::string& content = data.at(DiscPath(f->Parent) + (f->Parent == tree.RootDir() ? "" : "/") + f->LongName);
            EXPECT_EQ(f->Extent, bytes_.size() / kSector);
            bytes_.insert(bytes_.end(), content.begin(), content.end());
            bytes_.resize((bytes_.size() + kSector - 1) / kSector * kSector);
        }
        return last_ = start;
    }

    std::map<std::string, std::string> Files(uint32_t start) const {
        const iso::DiscTree tree = iso::ReadDiscTree(Source(), start);
        EXPECT_EQ(tree.error, "");
        std::map<std::string, std::string> files;
        for (size_t i = 1; i < tree.entries.size(); ++i) {
            const iso::DiscEntry& e = tree.entries[i];
            if (e.directory) continue;
            std::string& content = files[tree.PathOf(i)];
            if (e.size) content.assign(bytes_.begin() + size_t{e.extents[0].sector} * kSector,
                                       bytes_.begin() + size_t{e.extents[0].sector} * kSector + e.size);
        }
        return files;
    }

    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    uint32_t last_ = 0;
};

#ifndef _WIN32
std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

// What xorriso and isoinfo list of the session: the same paths.
void OtherReadersList(const Disc& disc, uint32_t start, const std::map<std::string, std::string>& files) {
    if (Shell("command -v xorriso isoinfo").empty()) return;
    TempDir dir;
    const std::string backing = dir / "disc.img";
    std::ofstream(backing, std::ios::binary).write(reinterpret_cast<const char*>(disc.Bytes().data()), disc.Bytes().size());
    const std::string x = Shell("xorriso -indev stdio:" + backing + " -load sbsector " + std::to_string(start) +
                                " -find / -type f -exec lsdl");
    const std::string i = Shell("isoinfo -R -f -T " + std::to_string(start) + " -i " + backing);
    for (const auto& [path, content] : files) {
        EXPECT_NE(x.find(" " + std::to_string(content.size()) + " "), std::string::npos) << path << "\n" << x;
        EXPECT_NE(x.find("'" + path + "'"), std::string::npos) << path << "\n" << x;
        EXPECT_NE(i.find(path + "\n"), std::string::npos) << path << "\n" << i;
    }
    EXPECT_EQ(std::count(x.begin(), x.end(), '\n'), std::ptrdiff_t(files.size())) << x;
}
#else
void OtherReadersList(const Disc&, uint32_t, const std::map<std::string, std::string>&) {}
#endif

TEST(SessionImport, SessionsInTurnListTheUnion) {
    const std::map<std::string, std::string> data = {
        {"/keep.txt", std::string(3000, 'k')},       {"/docs/old.txt", "old\n"},
        {"/docs/gone.txt", "to be removed\n"},        {"/replace.txt", std::string(5000, '1')},
        {"/replace.txt#2", std::string(7000, '2')},  {"/docs/new.txt", "new\n"},
        {"/third/t.txt", std::string(2048, 't')},
    };
    const auto given = [&](std::initializer_list<const char*> paths) {
        std::map<std::string, std::string> out;
        for (const char* p : paths) out[std::string(p).substr(0, std::string(p).find('#'))] = data.at(p);
        return out;
    };
    const Session sessions[] = {
        {given({"/keep.txt", "/docs/old.txt", "/docs/gone.txt", "/replace.txt"}), {}, {}},
        {given({"/replace.txt#2", "/docs/new.txt"}), {"/docs/gone.txt"}, {}},
        {given({"/third/t.txt"}), {"docs/"}, {}},
    };
    const std::map<std::string, std::string> listed[] = {
        given({"/keep.txt", "/docs/old.txt", "/docs/gone.txt", "/replace.txt"}),
        given({"/keep.txt", "/docs/old.txt", "/replace.txt#2", "/docs/new.txt"}),
        given({"/keep.txt", "/replace.txt#2", "/third/t.txt"}),
    };
    Disc disc;
    for (size_t n = 0; n < std::size(sessions); ++n) {
        SCOPED_TRACE("session " + std::to_string(n + 1));
        std::map<std::string, std::string> bytes;
        for (const auto& [path, content] : sessions[n].files) bytes[path] = content;
        std::string error;
        const uint32_t start = disc.Append(sessions[n], bytes, error);
        ASSERT_EQ(error, "");
        EXPECT_EQ(disc.Files(start), listed[n]);
        OtherReadersList(disc, start, listed[n]);
    }
}

TEST(SessionImport, RefusesWhatItCannotKeepAndLeavesTheTree) {
    Disc disc;
    std::string error;
    disc.Append({{{"/a.txt", "a"}}, {}, {}}, {{"/a.txt", "a"}}, error);
    for (const char* removed : {"/b.txt", "/a.txt/x", "/A.TXT"}) {
        disc.Append({{}, {removed}, {}}, {}, error);
        EXPECT_NE(error.find(std::string("--remove ") + removed + ": the disc has no such"), std::string::npos) << error;
    }
}

}  // namespace
