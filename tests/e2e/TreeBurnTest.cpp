// Burning the image tree: its header, then its files, onto a disc or into
// an image file; a file that changed after it was added fails the burn.
#include "burner/kqISOLib.h"
#include "digest/SHA256.h"
#include "e2e/BurnBench.h"
#include "platform/FileSystem.h"

using namespace e2e;

namespace {

class TreeBench : public BurnBench {
protected:
    // A hand-laid tree: a header of `headerSectors` (its last sector only
    // partly written), then files of these sizes, each placed where its
    // data follows, with a folder and a hard link among them that carry none.
    // Returns the image the tree makes.
    Bytes LayTree(int64_t headerSectors, const std::vector<size_t>& sizes) {
        EXPECT_TRUE(burner->ImageTree().ResetTree(100, 10));
        Bytes expected = Pattern(static_cast<size_t>(headerSectors * 2048 - 100), 3);
        burner->HeaderStream().Write(expected.data(), static_cast<int32_t>(expected.size()));
        expected.resize(static_cast<size_t>(headerSectors * 2048));
        AddEntry(dir.Path().string(), 2048, kq::kAttrDirectory);
        for (size_t i = 0; i < sizes.size(); ++i) {
            const Bytes data = Pattern(sizes[i], static_cast<uint8_t>(i + 11));
            files.push_back(dir.Write("file" + std::to_string(i), std::string(data.begin(), data.end())));
            AddEntry(files.back(), sizes[i], 0, static_cast<uint32_t>(expected.size() / 2048));
            expected.insert(expected.end(), data.begin(), data.end());
            expected.resize(static_cast<size_t>(kq::SectorsOf(static_cast<int64_t>(expected.size())) * 2048));
            if (i == 0) AddEntry(files.back(), sizes[i], kq::kAttrNoData);  // a hard link to it
        }
        return expected;
    }

    void AddEntry(const std::string& path, size_t size, uint32_t attributes, uint32_t extent = 0) {
        kq::TFEntry* entry = burner->ImageTree().NewFile();
        ASSERT_NE(entry, nullptr);
        std::error_code why;
        entry->SourcePath = path;
        entry->Size = static_cast<int64_t>(size);
        entry->Attributes = attributes;
        entry->ModTime = platform::FileFactsOf(path, why).value_or(platform::FileFacts{}).modTime;
        entry->Extent = extent;
    }

    std::vector<std::string> files;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The disc gets the header and every file, each from a sector boundary,
// then zeros to 300 sectors; the image file gets the same bytes without
// the padding, with a companion that sha256sum accepts.
TEST_F(TreeBench, TreeLandsOnTheDiscAndInTheImageFileByteForByte) {
    Start();
    Bytes expected = LayTree(20, {5000, 2048, 1, 70000});
    ASSERT_TRUE(Burn(""));
    ASSERT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(burner->ImageSectors(), static_cast<int64_t>(expected.size() / 2048));
    image = expected;
    EXPECT_TRUE(DiscStartsWithImage(300));
    EXPECT_EQ(burner->SentDigest(), kq::SHA256Print(kq::SHA256Buffer(expected.data(), expected.size())));
    EXPECT_EQ(burner->SentBytes(), static_cast<int64_t>(expected.size()));

    const size_t commands = recorder->Log().size();
    const std::string output = dir / "out.iso";
    burner->SetISOFileName(output);
    expected = LayTree(20, {5000, 2048, 1, 70000});
    std::atomic<int> finalizing{0};
    burner->OnFinalizingTrack = [&finalizing](kq::TQCDBurner&) { ++finalizing; };
    ASSERT_TRUE(Burn(""));
    ASSERT_EQ(Reports().back(), "");
    EXPECT_EQ(finalizing.load(), 1);
    // The file is not padded, nor counted so; cleared, the name no longer
    // counts, without waiting for the next burn.
    EXPECT_EQ(burner->TotalSectors(), burner->ImageSectors());
    burner->SetISOFileName("");
    EXPECT_EQ(burner->TotalSectors(), 300);
    EXPECT_EQ(recorder->Log().size(), commands);  // no drive was asked anything
    EXPECT_EQ(ReadFile(output), std::string(expected.begin(), expected.end()));
    EXPECT_EQ(ReadFile(output + ".sha256"), kq::SHA256Print(kq::SHA256File(output)) + "  out.iso\n");
    EXPECT_FALSE(std::filesystem::exists(output + ".part"));
}

struct Change {
    const char* name;
    std::function<void(const std::string&)> apply;
    const char* text;
    bool toFile;
};

class TreeChange : public TreeBench, public ::testing::WithParamInterface<Change> {};

// The header fills the cache, so the file is reached only after blocks
// went to the drive: the burn fails there, and the session stays open.
TEST_P(TreeChange, FileChangedAfterItWasAddedFailsTheBurnNamingIt) {
    Start();
    burner->SetCacheSize(kq::kMinimumCacheSize);
    const std::string output = dir / "out.iso";
    if (GetParam().toFile) burner->SetISOFileName(output);
    LayTree(2000, {3000, 5000});
    GetParam().apply(files[1]);
    ASSERT_TRUE(Burn(""));
    EXPECT_EQ(Reports(), std::vector<std::string>{std::string(GetParam().text) + " \"" + files[1] + "\""});
    EXPECT_EQ(burner->SentDigest(), "");
    if (GetParam().toFile) {
        EXPECT_FALSE(std::filesystem::exists(output));
        EXPECT_FALSE(std::filesystem::exists(output + ".part"));
        return;
    }
    EXPECT_FALSE(GoodWriteLengths().empty());
    EXPECT_TRUE(Sent(kClose).empty());
}

void Grow(const std::string& path) { std::ofstream(path, std::ios::app) << "more"; }
void Touch(const std::string& path) {
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
}
void Remove(const std::string& path) { std::filesystem::remove(path); }

INSTANTIATE_TEST_SUITE_P(
    Tree, TreeChange,
    ::testing::Values(Change{"Grown", Grow, "FILE CHANGED DURING BURN:", false},
                      Change{"Touched", Touch, "FILE CHANGED DURING BURN:", false},
                      Change{"Removed", Remove, "FILE VANISHED DURING BURN:", false},
                      Change{"GrownIntoFile", Grow, "FILE CHANGED DURING BURN:", true},
                      Change{"RemovedIntoFile", Remove, "FILE VANISHED DURING BURN:", true}),
    [](const auto& info) { return std::string(info.param.name); });

// A tree that cannot be burnt as it stands is refused before the drive is
// asked anything, as is an image file that cannot be created.
TEST_F(TreeBench, UnburnableTreeIsRefusedBeforeAnythingIsWritten) {
    Start();
    struct Case {
        std::function<void()> spoil;
        std::string text;
    } cases[] = {
        {[this] { burner->ImageTree().FileEntries()[3]->Extent += 1; },
         "THE IMAGE LAYOUT DOES NOT PLACE \"" + dir / "file1" + "\" WHERE ITS DATA FOLLOWS"},
        {[this] { burner->SetISOFileName(dir / "no/such/folder.iso"); },
         "CAN'T CREATE FILE \"" + dir / "no/such/folder.iso.part\" [No such file or directory]"},
    };
    const size_t commands = recorder->Log().size();
    for (const Case& c : cases) {
        LayTree(20, {5000, 3000});
        c.spoil();
        Burn("");
        EXPECT_EQ(Reports().back(), c.text);
        EXPECT_EQ(recorder->Log().size(), commands);
    }
}

}  // namespace
