// Adding local folders and files to the component's image tree: the
// host's events, graft points, and the tree's limits.
#include "burner/TreeBuilder.h"
#include "burner/kqCDBC.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

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

// A date the handler leaves stays to the second, before 1970 too.
TEST_F(AddingFiles, EventsRenameAndSkip) {
    std::filesystem::last_write_time(dir.File("photos/a.jpg"), std::filesystem::file_time_type::clock::from_sys(
                                                                   std::chrono::sys_seconds{std::chrono::seconds{-315619200}}));
    burner.OnAddFile = [](TQCDBurner&, const std::string& path, std::string& longName, std::string& shortName,
                          TDateTimeValue& date, int32_t, int64_t size, bool& skip) {
        EXPECT_EQ(size, 1) << path;
        EXPECT_NE(date, 25569.0) << path;  // not 1970
        skip = longName == "b.jpg";
        if (longName == "a.jpg") longName = "renamed.jpg", shortName = "RENAMED.JPG";
    };
    burner.OnAddDir = [](TQCDBurner&, std::string& longName, std::string&, bool& skip) { skip = longName == "raw"; };
    ASSERT_TRUE(burner.AddFolder("/disc/pictures", dir.File("photos"), report));
    EXPECT_EQ(Listing(burner), (std::set<std::string>{"disc/", "disc/pictures/", "disc/pictures/renamed.jpg"}));
    EXPECT_EQ(burner.ImageTree().FileEntries()[0]->ShortName, "RENAMED.JPG");
    EXPECT_EQ(burner.ImageTree().FileEntries()[0]->ModTime, -315619200);
}

TEST_F(AddingFiles, GraftPointsPlaceEntriesAnywhere) {
    std::string disc, local;
    ASSERT_TRUE(SplitGraftPoint("docs/a\\=b.txt=" + dir.File("notes.txt"), disc, local));
    EXPECT_EQ(disc, "docs/a=b.txt");
    ASSERT_TRUE(burner.AddPath(disc, local, report));
    ASSERT_TRUE(burner.AddPath("docs", dir.File("photos"), report));  // merges into the folder made above
    ASSERT_TRUE(burner.AddPath("", dir.File("notes.txt"), report));   // the local name at the root
    EXPECT_FALSE(SplitGraftPoint("no-equals", disc, local));
    // "." and ".." would lead a reader out of the disc, or round in circles.
    for (const char* bad : {"../escaped.txt", "a/../../b", "./x", "a//b", "a\\..\\b"})
        EXPECT_FALSE(burner.AddPath(bad, dir.File("notes.txt"), report) || burner.AddFolder(bad, local, report)) << bad;
    EXPECT_EQ(report.Error, "THE DISC PATH \"a\\..\\b\" HOLDS AN EMPTY NAME, \".\" OR \"..\"");
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

#ifndef _WIN32
// Left out and listed, as an unreadable file is; run as someone who
// cannot list a folder of mode 000, as root can.
TEST_F(AddingFiles, UnreadableFolderIsLeftOutAndListed) {
    namespace fs = std::filesystem;
    fs::create_directories(dir.Path() / "photos" / "locked" / "inside");
    fs::permissions(dir.Path(), fs::perms(0755));
    fs::permissions(dir.Path() / "photos" / "locked", fs::perms::none);
    const auto check = [&] {
        return burner.AddFolder("", dir.File("photos"), report) && report.Unreadable.size() == 1 &&
               Listing(burner) == std::set<std::string>{"a.jpg", "b.jpg", "raw/", "raw/c.raw"};
    };
    const pid_t child = geteuid() == 0 ? fork() : -1;
    if (child == 0) _exit(setgid(65534) == 0 && setuid(65534) == 0 && check() ? 0 : 1);
    int status = 0;
    EXPECT_TRUE(child < 0 ? check() : waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    fs::permissions(dir.Path() / "photos" / "locked", fs::perms(0755));
}
#endif

}  // namespace
