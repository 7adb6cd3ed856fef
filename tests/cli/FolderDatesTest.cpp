// The dates a folder's disc keeps, read from the image's ISO 9660 records:
// every file's and folder's own, SOURCE_DATE_EPOCH clamping the later ones
// and dating what the disc makes up, and one disc for several recorders.
#include "CliRun.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>

using namespace clitest;
namespace fs = std::filesystem;

namespace {

using Date = std::vector<int>;  // year since 1900, month, day, hour, minute, second

const Date k1960{60, 1, 1, 0, 0, 0}, k2001{101, 9, 9, 1, 46, 40}, kEpoch{127, 1, 15, 8, 0, 0},
    kLastRecordSecond{255, 12, 31, 23, 59, 59};

// Set as the program's children would see it; "" unsets it.
void SetEpoch(const char* value) {
#ifndef _WIN32
    if (!*value) {
        unsetenv("SOURCE_DATE_EPOCH");
        return;
    }
#endif
    platform::SetEnvironmentValue("SOURCE_DATE_EPOCH", value);
}

void SetTime(const fs::path& path, int64_t seconds) {
    using namespace std::chrono;
    fs::last_write_time(path, fs::file_time_type::clock::from_sys(sys_seconds{std::chrono::seconds{seconds}}));
}

// The date of the record at an ISO 9660 path ("" = the root), read
// through the primary descriptor's root; empty when it is not there.
Date DateOnDisc(const std::string& image, const std::string& path) {
    const auto byte = [&](size_t at) -> uint8_t { return at < image.size() ? static_cast<uint8_t>(image[at]) : 0; };
    const auto le32 = [&](size_t at) {
        return size_t{byte(at)} | size_t{byte(at + 1)} << 8 | size_t{byte(at + 2)} << 16 | size_t{byte(at + 3)} << 24;
    };
    size_t record = 16 * 2048 + 156;
    std::istringstream parts(path);
    for (std::string part; std::getline(parts, part, '/');) {
        const size_t start = le32(record + 2) * 2048, end = start + le32(record + 10);
        size_t found = 0;
        for (size_t at = start; at < end && at < image.size() && !found;) {
            if (byte(at) == 0) {
                at = (at / 2048 + 1) * 2048;
                continue;
            }
            const std::string id = image.substr(at + 33, byte(at + 32));
            if (id == part || id == part + ";1") found = at;
            at += byte(at);
        }
        if (!found) return {};
        record = found;
    }
    Date date;
    for (size_t i = 18; i < 24; ++i) date.push_back(byte(record + i));
    return date;
}

std::string VolumeCreation(const std::string& image) { return image.substr(16 * 2048 + 813, 16); }

class FolderDates : public ::testing::Test {
protected:
    void SetUp() override {
        SetEpoch("");
        const fs::path src = bench.dir.Path() / "src";
        fs::create_directories(src / "sub");
        const std::pair<const char*, int64_t> files[] = {
            {"old.txt", -315619200}, {"mid.txt", 1'000'000'000}, {"new.txt", 1'900'000'000}, {"far.txt", 7'258'118'400}};
        for (const auto& [name, time] : files) SetTime(bench.dir.Write(std::string("src/") + name, name), time);
        SetTime(src / "sub", 1'900'000'000);
        SetTime(src, 1'000'000'000);
    }
    void TearDown() override { SetEpoch(""); }

    CliBench bench{Recorder(0) + Recorder(1)};
};

TEST_F(FolderDates, SourceDateEpochClampsLaterDatesAndDatesWhatTheDiscMakesUp) {
    SetEpoch("1800000000");  // 2027-01-15 08:00:00
    std::string images[2];
    for (int i = 0; i < 2; ++i) {
        const std::string name = i ? "b.iso" : "a.iso";
        const auto run = bench.Run({"--folder", "src", "--add", "extra/deep/g.txt=src/mid.txt", "--write-image", name});
        ASSERT_EQ(run.code, 0) << run.output;
        images[i] = ReadAll(bench.dir.File(name));
    }
    EXPECT_TRUE(images[0] == images[1]);
    const std::pair<const char*, Date> dates[] = {
        {"", k2001},      {"OLD.TXT", k1960},    {"MID.TXT", k2001},         {"NEW.TXT", kEpoch}, {"FAR.TXT", kEpoch},
        {"SUB", kEpoch},  {"EXTRA", kEpoch},     {"EXTRA/DEEP", kEpoch},     {"EXTRA/DEEP/G.TXT", k2001}};
    for (const auto& [path, date] : dates) EXPECT_EQ(DateOnDisc(images[0], path), date) << path;
    EXPECT_EQ(VolumeCreation(images[0]), "2027011508000000");
}

// Without it: a tree of --add alone has the volume's date at its root,
// and a date past 2155 becomes the records' last second.
TEST_F(FolderDates, GraftsAloneHaveTheVolumesDateAtTheRoot) {
    const auto run = bench.Run({"--add", "x/old.txt=src/old.txt", "--add", "far.txt=src/far.txt", "--write-image", "c.iso"});
    ASSERT_EQ(run.code, 0) << run.output;
    const std::string image = ReadAll(bench.dir.File("c.iso"));
    const std::string created = VolumeCreation(image);
    const Date volume{std::stoi(created.substr(0, 4)) - 1900, std::stoi(created.substr(4, 2)), std::stoi(created.substr(6, 2)),
                      std::stoi(created.substr(8, 2)),         std::stoi(created.substr(10, 2)), std::stoi(created.substr(12, 2))};
    EXPECT_EQ(DateOnDisc(image, ""), volume);
    EXPECT_EQ(DateOnDisc(image, "X"), volume);
    EXPECT_EQ(DateOnDisc(image, "X/OLD.TXT"), k1960);
    EXPECT_EQ(DateOnDisc(image, "FAR.TXT"), kLastRecordSecond);
}

TEST_F(FolderDates, BadSourceDateEpochIsRefusedBeforeAnythingIsRead) {
    SetEpoch("1e9");
    const auto run = bench.Run({"--folder", "src", "--write-image", "d.iso"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.output.find("SOURCE_DATE_EPOCH=\"1e9\" is not a whole number"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(bench.dir.File("d.iso")));
}

// The children get the parent's build time, not a date for every file.
TEST_F(FolderDates, SeveralRecordersKeepTheDatesOnOneDisc) {
    const auto run = bench.Run({"--device", "0:0:0", "--device", "0:1:0", "--folder", "src"});
    ASSERT_EQ(run.code, 0) << run.output;
    const std::string discs[] = {ReadAll(bench.Disc(0)), ReadAll(bench.Disc(1))};
    const auto sectors = DateOnDisc(discs[0], "").empty() ? 0 : static_cast<uint8_t>(discs[0][16 * 2048 + 80]) |
                                                                     static_cast<uint8_t>(discs[0][16 * 2048 + 81]) << 8;
    ASSERT_GT(sectors, 16);
    EXPECT_TRUE(discs[0].compare(0, sectors * 2048, discs[1], 0, sectors * 2048) == 0);
    EXPECT_EQ(DateOnDisc(discs[0], "OLD.TXT"), k1960);
    EXPECT_EQ(DateOnDisc(discs[0], "SUB"), (Date{130, 3, 17, 17, 46, 40}));
}

}  // namespace
