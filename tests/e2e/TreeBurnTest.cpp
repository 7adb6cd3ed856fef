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

// A file added from a folder is sent only while its size, times to the
// nanosecond and identity hold: bytes in a file that was empty, a write of
// the same size with its time put back, another file in its place.
TEST_F(TreeBench, FolderFileChangedInAnyWayFailsTheBurn) {
    Start();
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        std::string bytes;
        std::function<void(const std::string&)> apply;
    } cases[] = {
        {"empty when added", "", [](const std::string& p) { std::ofstream(p) << "bytes now"; }},
        {"same size, time put back", "1234",
         [](const std::string& p) {
             const auto then = fs::last_write_time(p);
             std::ofstream(p, std::ios::in | std::ios::out) << "abcd";
             fs::last_write_time(p, then);
         }},
        {"another file in its place", "1234",
         [](const std::string& p) {
             std::ofstream(p + ".new") << "1234";
             fs::last_write_time(p + ".new", fs::last_write_time(p));
             fs::rename(p + ".new", p);
         }},
    };
    for (const Case& c : cases) {
        TempDir source;
        const std::string file = source.Write("a.txt", c.bytes);
        ASSERT_TRUE(burner->ImageTree().ResetTree(100, 10));
        kq::TAddReport report;
        ASSERT_TRUE(burner->AddFolder("", source.Path().string(), report));
        std::string error;
        ASSERT_GT(burner->BuildImageLayout(error), 0) << error;
        c.apply(file);
        burner->SetISOFileName(dir / "out.iso");
        (void)Burn("");
        EXPECT_EQ(Reports().back(), "FILE CHANGED DURING BURN: \"" + file + "\"") << c.what;
    }
}

// What changed after the layout (a property it reads, a file added) is
// laid out again by the burn, not burnt from the stale header.
TEST_F(TreeBench, BurnLaysOutAgainWhatChangedSinceTheLayout) {
    Start();
    TempDir source;
    source.Write("a.txt", "first");
    burner->IdVolume = "OLD";
    kq::TAddReport report;
    ASSERT_TRUE(burner->AddFolder("", source.Path().string(), report));
    std::string error;
    ASSERT_GT(burner->BuildImageLayout(error), 0) << error;
    burner->IdVolume = "NEW";
    burner->SetJolietFileSystem(false);
    ASSERT_TRUE(burner->AddPath("b.txt", source.Write("b.txt", "second"), report));
    burner->SetISOFileName(dir / "out.iso");
    ASSERT_TRUE(Burn(""));
    ASSERT_EQ(Reports().back(), "");
    const std::string image = ReadFile(dir / "out.iso");
    EXPECT_EQ(image.substr(16 * 2048 + 40, 4), "NEW ");
    EXPECT_EQ(static_cast<uint8_t>(image[17 * 2048]), 255);  // the terminator: no Joliet descriptor
    EXPECT_NE(image.find("second"), std::string::npos);
}

// While a burn reads the tree, it cannot change or be laid out again.
TEST_F(TreeBench, TreeStaysAsItIsWhileABurnReadsIt) {
    vrec::RecorderConfig config = Recorder(vrec::MediumKind::CdR, dir / "disc.img");
    config.flushMs = 1500;  // the burn runs well past the checks below
    Start(std::move(config));
    TempDir source;
    const std::string file = source.Write("a.txt", "a");
    kq::TAddReport report;
    ASSERT_TRUE(burner->AddFolder("", source.Path().string(), report));
    ASSERT_TRUE(burner->BurnISOImage(""));
    const std::string refusal = "THE IMAGE TREE CANNOT CHANGE WHILE A BURN RUNS";
    EXPECT_FALSE(burner->ImageTree().ResetTree(10, 10));
    EXPECT_FALSE(burner->AddPath("b.txt", file, report));
    EXPECT_EQ(report.Error, refusal);
    EXPECT_FALSE(burner->AddFolder("more", source.Path().string(), report));
    std::string error;
    EXPECT_EQ(burner->BuildImageLayout(error), -1);
    EXPECT_EQ(error, refusal);
    EXPECT_EQ(burner->ImageTree().FileCount(), 1);
    WaitForReport();
    EXPECT_EQ(Reports().back(), "");
}

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
