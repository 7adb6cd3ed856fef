// What a folder's disc keeps and refuses, read from its ISO 9660 records:
// every file's and folder's own date; SOURCE_DATE_EPOCH clamps the later
// ones and dates what the disc makes up; several recorders get one disc;
// sources that cannot be read, and empty trees, are refused.
#include "CliRun.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace clitest;
namespace fs = std::filesystem;

namespace {

using Date = std::vector<int>;  // year since 1900, month, day, hour, minute, second
const Date k1960{60, 1, 1, 0, 0, 0}, k2001{101, 9, 9, 1, 46, 40}, kEpoch{127, 1, 15, 8, 0, 0};

// As the program's children see it; "" unsets it.
void SetEpoch(const char* value) {
#ifndef _WIN32
    if (!*value) return (void)unsetenv("SOURCE_DATE_EPOCH");
#endif
    platform::SetEnvironmentValue("SOURCE_DATE_EPOCH", value);
}

// The date of the record of a name found once in the image (its length
// byte, then the name), or of the root ("").
Date DateOnDisc(const std::string& image, const std::string& id) {
    const size_t name = id.empty() ? 16 * 2048 + 156 + 33 : image.find(char(id.size()) + id) + 1;
    if (name == std::string::npos + 1 || name < 33 || name + 24 > image.size()) return {};
    Date date;
    for (size_t i = name - 33 + 18; i < name - 33 + 24; ++i) date.push_back(static_cast<uint8_t>(image[i]));
    return date;
}

class FolderDates : public ::testing::Test {
protected:
    void SetUp() override {
        SetEpoch("");
        const std::pair<const char*, int64_t> times[] = {{"src/old.txt", -315619200}, {"src/mid.txt", 1'000'000'000},
                                                         {"src/new.txt", 1'900'000'000}, {"src/far.txt", 7'258'118'400},
                                                         {"src/sub", 1'900'000'000}, {"src", 1'000'000'000}};
        fs::create_directories(bench.dir.Path() / "src" / "sub");
        for (const auto& [name, seconds] : times) {
            if (!fs::exists(bench.dir.File(name))) bench.dir.Write(name, name);
            fs::last_write_time(bench.dir.File(name), fs::file_time_type::clock::from_sys(
                                                          std::chrono::sys_seconds{std::chrono::seconds{seconds}}));
        }
    }
    void TearDown() override { SetEpoch(""); }
    CliBench bench{Recorder(0) + Recorder(1)};
};

TEST_F(FolderDates, SourceDateEpochClampsLaterDatesAndDatesWhatTheDiscMakesUp) {
    SetEpoch("1800000000");  // 2027-01-15 08:00:00
    for (const char* image : {"a.iso", "b.iso"})
        ASSERT_EQ(bench.Run({"--folder", "src", "--add", "extra/deep/g.txt=src/mid.txt", "--write-image", image}).code, 0);
    const std::string image = ReadAll(bench.dir.File("a.iso"));
    EXPECT_TRUE(image == ReadAll(bench.dir.File("b.iso")));
    const std::pair<const char*, Date> dates[] = {{"", k2001},          {"OLD.TXT;1", k1960}, {"MID.TXT;1", k2001},
                                                  {"NEW.TXT;1", kEpoch}, {"FAR.TXT;1", kEpoch}, {"SUB", kEpoch},
                                                  {"EXTRA", kEpoch},     {"DEEP", kEpoch},      {"G.TXT;1", k2001}};
    for (const auto& [id, date] : dates) EXPECT_EQ(DateOnDisc(image, id), date) << id;
    EXPECT_EQ(image.substr(16 * 2048 + 813, 16), "2027011508000000");  // the volume's creation
}

// Unset: the root of --add alone has the volume's date, as the folders
// made up for the disc; past 2155 is the records' last second.
TEST_F(FolderDates, GraftsAloneHaveTheVolumesDateAtTheRoot) {
    ASSERT_EQ(bench.Run({"--add", "xdir/old.txt=src/old.txt", "--add", "far.txt=src/far.txt", "--write-image", "c.iso"}).code,
              0);
    const std::string image = ReadAll(bench.dir.File("c.iso"));
    EXPECT_EQ(DateOnDisc(image, ""), DateOnDisc(image, "XDIR"));
    EXPECT_GT(DateOnDisc(image, ""), (Date{125}));
    EXPECT_EQ(DateOnDisc(image, "OLD.TXT;1"), k1960);
    EXPECT_EQ(DateOnDisc(image, "FAR.TXT;1"), (Date{255, 12, 31, 23, 59, 59}));
}

// The children get the parent's build time, not a date for every file.
TEST_F(FolderDates, SeveralRecordersKeepTheDatesOnOneDisc) {
    const auto run = bench.Run({"--device", "0:0:0", "--device", "0:1:0", "--folder", "src"});
    ASSERT_EQ(run.code, 0) << run.output;
    const std::string disc = ReadAll(bench.Disc(0));
    const size_t at = 16 * 2048 + 80;  // the volume's sectors
    const size_t bytes = disc.size() > at + 2 ? 2048 * (uint8_t(disc[at]) | uint8_t(disc[at + 1]) << 8) : 0;
    EXPECT_TRUE(bytes > 0 && ReadAll(bench.Disc(1)).compare(0, bytes, disc, 0, bytes) == 0);
    EXPECT_EQ(DateOnDisc(disc, "OLD.TXT;1"), k1960);
    EXPECT_EQ(DateOnDisc(disc, "SUB"), (Date{130, 3, 17, 17, 46, 40}));
}

// Exit 2 with --skip-unreadable too, and no image or disc written.
TEST_F(FolderDates, UnreadableSourcesEmptyTreesAndBadEpochsAreRefused) {
    fs::create_directories(bench.dir.Path() / "empty");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--folder", "nonexist", "--write-image", "x.iso"}, "cannot read --folder nonexist: "},
        {{"--add", "a=src/mid.txt", "--add", "b=nonexist", "--write-image", "x.iso"}, "cannot read --add nonexist: "},
        {{"--folder", "empty", "--device", "0:0:0"}, "nothing to burn"},
        {{"--folder", "src", "--write-image", "x.iso", "SOURCE_DATE_EPOCH=1e9"},
         "SOURCE_DATE_EPOCH=\"1e9\" is not a whole number"},
#ifndef _WIN32
        {{"--add", "a/b/fifo=fifo", "--device", "0:0:0"}, "nothing to burn"},
#endif
    };
#ifndef _WIN32
    mkfifo(bench.dir.File("fifo").c_str(), 0644);
#endif
    for (auto [args, said] : cases) {
        SetEpoch(args.back().starts_with("SOURCE_DATE_EPOCH=") ? args.back().substr(18).c_str() : "");
        if (args.back().starts_with("SOURCE_DATE_EPOCH=")) args.pop_back();
        args.push_back("--skip-unreadable");
        const auto run = bench.Run(args);
        EXPECT_EQ(run.code, 2) << run.output;
        EXPECT_NE(run.output.find(said), std::string::npos) << run.output;
        EXPECT_TRUE(!fs::exists(bench.dir.File("x.iso")) && ReadAll(bench.Disc(0)).empty());
    }
}

}  // namespace
