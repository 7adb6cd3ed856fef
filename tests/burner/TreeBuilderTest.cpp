// Adding local folders and files to the component's image tree: the
// host's events, graft points, and the tree's limits.
#include "burner/TreeBuilder.h"
#include "burner/kqCDBC.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace kq;

namespace {

// What the tree holds, as "disc path" (folders end in "/").
std::set<std::string> Listing(TQCDBurner& burner) {
    std::set<std::string> out;
    const auto path = [](const TDEntry* d) {
        std::string p;
        for (; d->Parent != d; d = d->Parent) p = d->LongName + "/" + p;
        return p;
    };
    for (const auto& d : burner.ImageTree().DirEntries())
        if (d.get() != burner.RootDir()) out.insert(path(d.get()));
    for (const auto& f : burner.ImageTree().FileEntries()) out.insert(path(f->Parent) + f->LongName);
    return out;
}

class AddingFiles : public ::testing::Test {
protected:
    AddingFiles() {
        std::filesystem::create_directories(dir.Path() / "photos" / "raw");
        dir.Write("photos/a.jpg", "a");
        dir.Write("photos/b.jpg", "b");
        dir.Write("photos/raw/c.raw", "c");
        dir.Write("notes.txt", "n");
    }
    TempDir dir;
    TQCDBurner burner;
    TAddReport report;
};

TEST_F(AddingFiles, EventsRenameAndSkip) {
    burner.OnAddFile = [](TQCDBurner&, const std::string& path, std::string& longName, std::string& shortName,
                          TDateTimeValue& date, int32_t, int64_t size, bool& skip) {
        EXPECT_EQ(size, 1) << path;
        EXPECT_GT(date, 25569.0) << path;  // after 1970
        skip = longName == "b.jpg";
        if (longName == "a.jpg") longName = "renamed.jpg", shortName = "RENAMED.JPG";
    };
    burner.OnAddDir = [](TQCDBurner&, std::string& longName, std::string&, bool& skip) { skip = longName == "raw"; };
    ASSERT_TRUE(burner.AddFolder("/disc/pictures", dir.File("photos"), report));
    EXPECT_EQ(Listing(burner), (std::set<std::string>{"disc/", "disc/pictures/", "disc/pictures/renamed.jpg"}));
    EXPECT_EQ(burner.ImageTree().FileEntries()[0]->ShortName, "RENAMED.JPG");
}

TEST_F(AddingFiles, GraftPointsPlaceEntriesAnywhere) {
    std::string disc, local;
    ASSERT_TRUE(SplitGraftPoint("docs/a\\=b.txt=" + dir.File("notes.txt"), disc, local));
    EXPECT_EQ(disc, "docs/a=b.txt");
    ASSERT_TRUE(burner.AddPath(disc, local, report));
    ASSERT_TRUE(burner.AddPath("docs", dir.File("photos"), report));  // merges into the folder made above
    ASSERT_TRUE(burner.AddPath("", dir.File("notes.txt"), report));   // the local name at the root
    EXPECT_FALSE(SplitGraftPoint("no-equals", disc, local));
    EXPECT_EQ(Listing(burner), (std::set<std::string>{"docs/", "docs/a=b.txt", "docs/a.jpg", "docs/b.jpg", "docs/raw/",
                                                      "docs/raw/c.raw", "notes.txt"}));
    EXPECT_FALSE(burner.AddPath("notes.txt", dir.File("photos/a.jpg"), report));
    EXPECT_EQ(report.Error, "TWO ENTRIES ON THE DISC ARE NAMED \"/notes.txt\"");
    burner.SetReplaceFile(true);
    EXPECT_TRUE(burner.AddPath("notes.txt", dir.File("photos/a.jpg"), report));
    EXPECT_EQ(burner.ImageTree().FileEntries().back()->SourcePath, dir.File("photos/a.jpg"));
}

TEST_F(AddingFiles, CapacitiesComeFromTheCaller) {
    ASSERT_TRUE(burner.ImageTree().ResetTree(2, 8191));
    EXPECT_FALSE(burner.AddFolder("", dir.File("photos"), report));
    EXPECT_EQ(report.Error, "MAXIMUM FILES CAN BE 2");
    ASSERT_TRUE(burner.ImageTree().ResetTree(100000, 10000));
    report = {};
    EXPECT_TRUE(burner.AddFolder("", dir.Path().string(), report));
    EXPECT_EQ(burner.ImageTree().FileCount(), 4);
    EXPECT_TRUE(report.Skipped.empty() && report.Unreadable.empty() && report.Error.empty());
}

}  // namespace
