// Reading and checking on every medium: drives that only read, discs
// written in place, and a check that covers the whole track.
#include "CliRun.h"
#include "digest/SHA256.h"

#include <filesystem>

using namespace clitest;

namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One recorder at 0:0:0 holding `medium`, backed by disc0.img.
std::string Loaded(const std::string& medium, const std::string& extra) {
    return "[recorder]\naddress = 0:0:0\nreads = cd-rom dvd-rom cd-r dvd-r dvd+rw bd-r bd-re\n"
           "writes = cd-r dvd-r dvd+rw bd-r bd-re\nfeature_2a = yes\nfeature_2f = yes\nmedium = " +
           medium + "\nbacking = disc0.img\n" + extra + "\n";
}

// READ TRACK INFORMATION refused as unknown: the TOC, READ CAPACITY and
// the file system tell the track instead, and the first line says which.
TEST(ReadMedia, ADriveThatOnlyReadsReadsPressedDiscs) {
    struct Disc { const char* medium; uint32_t recorded, iso; const char* source; uint32_t read; };
    const Disc discs[] = {{"cd-rom", 400, 300, "its ISO 9660 volume", 300},
                          {"cd-rom", 400, 0, "the TOC", 400},
                          {"dvd-rom", 500, 480, "its ISO 9660 volume", 480}};
    for (const Disc& d : discs) {
        SCOPED_TRACE(std::string(d.medium) + " " + std::to_string(d.iso));
        CliBench bench(Loaded(d.medium, "recorded = " + std::to_string(d.recorded) + "\ntrack_information = no"));
        const std::string head = ReadAll(d.iso ? IsoImage(bench, "a.iso", d.iso) : bench.Image("a.iso", d.recorded * 2048));
        bench.dir.Write("disc0.img", head + std::string(size_t{d.recorded - d.read} * 2048, 'x'));
        auto read = bench.Run({"--read-image", "out.iso"});
        EXPECT_EQ(read.code, 0) << read.output;
        EXPECT_TRUE(Contains(read.output, "track 1: " + std::to_string(d.read) +
                                              " sectors from 0 (the drive does not describe tracks: the length is from " +
                                              d.source + ")")) << read.output;
        EXPECT_EQ(ReadAll(bench.dir.File("out.iso")), head);
        EXPECT_EQ(bench.Run({"--check-disc", "a.iso"}).code, 0);
        EXPECT_TRUE(Contains(bench.Run({"--info"}).output, "lead-out at " + std::to_string(d.recorded)));
    }
}

// --info of a disc written in place: its state, its formatted capacity,
// and its file system as what is used.
TEST(ReadMedia, InfoDescribesDiscsWrittenInPlace) {
    struct Disc { const char* medium; const char* extra; uint32_t iso; std::vector<std::string> says; };
    const Disc discs[] = {
        {"dvd+rw", "", 0, {"medium: DVD+RW, overwritable\n", "capacity: 4000 sectors", "used: no ISO 9660 volume"}},
        {"dvd+rw", "", 320, {"medium: DVD+RW, overwritable\n", "used: 320 sectors", "free: 3680 sectors"}},
        {"bd-re", "", 0, {"medium: BD-RE, unformatted\n", "capacity: 4000 sectors (7.8 MB) once formatted"}},
        {"bd-re", "medium_state = formatted", 320, {"medium: BD-RE, overwritable\n", "used: 320 sectors"}},
        {"bd-r-rrm", "", 0, {"medium: BD-R, random recording\n", "capacity: 4000 sectors"}},
    };
    for (const Disc& d : discs) {
        SCOPED_TRACE(std::string(d.medium) + " " + d.extra);
        CliBench bench(Loaded(d.medium, std::string("capacity = 4000\n") + d.extra));
        if (d.iso && std::string(d.medium) == "bd-re") {
            IsoImage(bench, "disc0.img", d.iso);
        } else if (d.iso) {
            ASSERT_EQ(bench.Run({"--any-medium", "--no-checksum", IsoImage(bench, "a.iso", d.iso)}).code, 0);
        }
        auto info = bench.Run({"--info"});
        EXPECT_EQ(info.code, 0) << info.output;
        for (const std::string& part : d.says) EXPECT_TRUE(Contains(info.output, part)) << info.output;
    }
    CliBench random(Loaded("bd-r-rrm", ""));
    EXPECT_TRUE(Contains(random.Run({"--list"}).output, "medium: BD-R, random recording"));
}

// An overwritable disc's image ends where its file system does; without
// one it is the whole formatted capacity, when the drive's figures for it
// agree, and none at all when they do not.
TEST(ReadMedia, AFormattedBdReReadsAsFarAsItsVolumeOrWhole) {
    struct Case { uint32_t iso; const char* fault; int code; const char* says; };
    const Case cases[] = {{320, "", 0, "file system ends after 320 sectors"},
                          {0, "", 0, "the image is its whole formatted capacity, 1000 sectors"},
                          {0, "fault = 25 check 05/24/00", 1, "the image's length cannot be known"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        CliBench bench(Loaded("bd-re", std::string("medium_state = formatted\ncapacity = 1000\n") + c.fault));
        const std::string disc = ReadAll(c.iso ? IsoImage(bench, "disc0.img", c.iso) : bench.Image("disc0.img", 1000 * 2048));
        auto read = bench.Run({"--read-image", "out.iso"});
        EXPECT_EQ(read.code, c.code) << read.output;
        EXPECT_TRUE(Contains(read.output, c.says)) << read.output;
        EXPECT_EQ(ReadAll(bench.dir.File("out.iso")), c.code == 0 ? disc : "");
    }
}

// A companion holds no length: on an overwritable disc without a file
// system the image beside it gives one; with none the check says so.
TEST(ReadMedia, ACompanionOnAnOverwritableDiscTakesItsLengthFromTheImageBesideIt) {
    CliBench bench(Loaded("dvd+rw", "capacity = 4000"));
    const std::string image = bench.Image("a.iso", 100 * 2048 + 5);
    bench.dir.Write("a.iso.sha256", kq::SHA256Print(kq::SHA256File(image)) + "  a.iso\n");
    ASSERT_EQ(bench.Run({"--any-medium", "a.iso"}).code, 0);
    EXPECT_EQ(bench.Run({"--check-disc", "a.iso.sha256"}).code, 0);
    fs::rename(image, bench.dir.File("elsewhere.bin"));
    auto alone = bench.Run({"--check-disc", "a.iso.sha256"});
    EXPECT_EQ(alone.code, 2) << alone.output;
    EXPECT_TRUE(Contains(alone.output, "cannot be known")) << alone.output;
}

// A closed track ends where its burn ended it: more sectors than the image
// are a difference, unless they are the zeros a burn pads with.
TEST(ReadMedia, ACheckCoversTheWholeClosedTrack) {
    struct Case { const char* medium; uint32_t data, zeros, image; int code; };
    const Case cases[] = {{"cd-r", 1628, 0, 1000, 1}, {"cd-r", 200, 100, 200, 0}, {"cd-r", 200, 100, 150, 1},
                          {"dvd-r", 330, 6, 330, 0},  {"dvd-r", 320, 16, 320, 1}, {"cd-r", 400, 0, 400, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.medium) + " " + std::to_string(c.image) + " of " + std::to_string(c.data));
        const std::string track = std::to_string(c.data + c.zeros);
        CliBench bench(Loaded(c.medium, "capacity = 20000\nmedium_state = closed\nrecorded = " + track));
        const std::string data = ReadAll(bench.Image("disc0.img", size_t{c.data} * 2048));
        bench.dir.Write("disc0.img", data + std::string(size_t{c.zeros} * 2048, '\0'));
        bench.dir.Write("a.iso", data.substr(0, size_t{c.image} * 2048));
        auto check = bench.Run({"--check-disc", "a.iso"});
        EXPECT_EQ(check.code, c.code) << check.output;
        EXPECT_EQ(Contains(check.output, "check: differs: the disc's track holds"), c.code == 1) << check.output;
    }
}

}  // namespace
