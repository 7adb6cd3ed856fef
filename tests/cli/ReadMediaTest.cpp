// Reading and checking on every medium: drives that only read, discs
// written in place, and a check that covers the whole track.
#include "CliRun.h"
#include "app/SHA256.h"

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

// `head` followed by `sectors` more of `fill`.
std::string Followed(const std::string& head, uint32_t sectors, char fill) {
    return head + std::string(size_t{sectors} * 2048, fill);
}

struct PressedDisc {
    const char* medium;
    uint32_t recorded;
    uint32_t isoSectors;  // 0: no file system on it
    const char* source;
    uint32_t readSectors;
};

// READ TRACK INFORMATION refused as unknown: the TOC, READ CAPACITY and
// the file system tell the track instead, and the first line says which.
TEST(ReadMedia, ADriveThatOnlyReadsReadsPressedDiscs) {
    const PressedDisc discs[] = {
        {"cd-rom", 400, 300, "its ISO 9660 volume", 300},
        {"cd-rom", 400, 0, "the TOC", 400},
        {"dvd-rom", 500, 480, "its ISO 9660 volume", 480},
    };
    for (const PressedDisc& d : discs) {
        SCOPED_TRACE(std::string(d.medium) + " " + std::to_string(d.isoSectors));
        CliBench bench(Loaded(d.medium, "recorded = " + std::to_string(d.recorded) +
                                            "\ncapacity = 20000\ntrack_information = no"));
        const std::string head = d.isoSectors ? ReadAll(IsoImage(bench, "a.iso", d.isoSectors))
                                              : ReadAll(bench.Image("a.iso", size_t{d.recorded} * 2048));
        bench.dir.Write("disc0.img", Followed(head, d.recorded - d.readSectors, 'x'));
        auto read = bench.Run({"--read-image", "out.iso"});
        EXPECT_EQ(read.code, 0) << read.output;
        EXPECT_TRUE(Contains(read.output, "reading track 1: " + std::to_string(d.readSectors) +
                                              " sectors from 0 (the drive does not describe tracks: the length is from " +
                                              d.source + ")"))
            << read.output;
        EXPECT_EQ(ReadAll(bench.dir.File("out.iso")), head);
        auto check = bench.Run({"--check-disc", "a.iso"});
        EXPECT_EQ(check.code, 0) << check.output;
        auto info = bench.Run({"--info"});
        EXPECT_EQ(info.code, 0) << info.output;
        EXPECT_TRUE(Contains(info.output, "lead-out at " + std::to_string(d.recorded))) << info.output;
    }
}

// --info of a disc written in place: its state, its formatted capacity,
// and its file system as what is used.
TEST(ReadMedia, InfoDescribesDiscsWrittenInPlace) {
    const struct {
        const char* medium;
        const char* extra;
        uint32_t isoSectors;
        std::vector<std::string> says;
    } discs[] = {
        {"dvd+rw", "", 0, {"medium: DVD+RW, overwritable\n", "capacity: 4000 sectors", "used: no ISO 9660 volume"}},
        {"dvd+rw", "", 320, {"medium: DVD+RW, overwritable\n", "used: 320 sectors", "free: 3680 sectors"}},
        {"bd-re", "", 0, {"medium: BD-RE, unformatted\n", "capacity: 4000 sectors (7.8 MB) once formatted"}},
        {"bd-re", "medium_state = formatted", 320, {"medium: BD-RE, overwritable\n", "used: 320 sectors"}},
        {"bd-r-rrm", "", 0, {"medium: BD-R, random recording\n", "capacity: 4000 sectors"}},
    };
    for (const auto& d : discs) {
        SCOPED_TRACE(std::string(d.medium) + " " + d.extra);
        CliBench bench(Loaded(d.medium, std::string("capacity = 4000\n") + d.extra));
        if (d.isoSectors) {
            IsoImage(bench, "a.iso", d.isoSectors);
            if (std::string(d.medium) == "bd-re") fs::copy_file(bench.dir.File("a.iso"), bench.Disc(0));
            else ASSERT_EQ(bench.Run({"--any-medium", "--no-checksum", "a.iso"}).code, 0);
        }
        auto info = bench.Run({"--info"});
        EXPECT_EQ(info.code, 0) << info.output;
        for (const std::string& part : d.says) EXPECT_TRUE(Contains(info.output, part)) << info.output;
        EXPECT_FALSE(Contains(info.output, "free: 0 sectors")) << info.output;
        if (std::string(d.medium) == "bd-r-rrm") {
            EXPECT_TRUE(Contains(bench.Run({"--list"}).output, "medium: BD-R, random recording"));
        }
    }
}

// An overwritable disc's image ends where its file system does; without
// one it is the whole formatted capacity, said so, when the drive's
// figures for it agree, and none at all when they do not.
TEST(ReadMedia, AFormattedBdReReadsAsFarAsItsVolumeOrWhole) {
    const struct {
        uint32_t iso;
        const char* fault;
        int code;
        const char* says;
    } cases[] = {
        {320, "", 0, "file system ends after 320 sectors"},
        {0, "", 0, "the image is its whole formatted capacity, 1000 sectors"},
        {0, "fault = 25 check 05/24/00", 1, "the image's length cannot be known"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        CliBench bench(Loaded("bd-re", std::string("medium_state = formatted\ncapacity = 1000\n") + c.fault));
        const std::string disc =
            c.iso ? ReadAll(IsoImage(bench, "disc0.img", c.iso)) : ReadAll(bench.Image("disc0.img", 1000 * 2048));
        auto read = bench.Run({"--read-image", "out.iso"});
        EXPECT_EQ(read.code, c.code) << read.output;
        EXPECT_TRUE(Contains(read.output, c.says)) << read.output;
        EXPECT_EQ(fs::exists(bench.dir.File("out.iso")), c.code == 0);
        if (c.code == 0) {
            EXPECT_EQ(ReadAll(bench.dir.File("out.iso")), disc);
        }
    }
}

// A companion holds no length: on an overwritable disc without a file
// system the image beside it gives one; with none the check says so.
TEST(ReadMedia, ACompanionOnAnOverwritableDiscTakesItsLengthFromTheImageBesideIt) {
    CliBench bench(Loaded("dvd+rw", "capacity = 4000"));
    const std::string image = bench.Image("a.iso", 100 * 2048 + 5);
    bench.dir.Write("a.iso.sha256", kq::SHA256Print(kq::SHA256File(image)) + "  a.iso\n");
    ASSERT_EQ(bench.Run({"--any-medium", "a.iso"}).code, 0);
    auto beside = bench.Run({"--check-disc", "a.iso.sha256"});
    EXPECT_EQ(beside.code, 0) << beside.output;
    EXPECT_TRUE(Contains(beside.output, "check: ok")) << beside.output;
    fs::rename(image, bench.dir.File("elsewhere.bin"));
    auto alone = bench.Run({"--check-disc", "a.iso.sha256"});
    EXPECT_EQ(alone.code, 2) << alone.output;
    EXPECT_TRUE(Contains(alone.output, "cannot be known")) << alone.output;
    EXPECT_FALSE(Contains(alone.output, "differs")) << alone.output;
}

// A closed track ends where its burn ended it: more sectors than the image
// are a difference, unless they are the zeros a burn pads with.
TEST(ReadMedia, ACheckCoversTheWholeClosedTrack) {
    const struct {
        const char* medium;
        uint32_t data, zeros, image;
        int code;
    } cases[] = {
        {"cd-r", 1628, 0, 1000, 1}, {"cd-r", 200, 100, 200, 0}, {"cd-r", 200, 100, 150, 1},
        {"dvd-r", 330, 6, 330, 0},  {"dvd-r", 320, 16, 320, 1}, {"cd-r", 400, 0, 400, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.medium) + " " + std::to_string(c.image) + " of " + std::to_string(c.data));
        const uint32_t track = c.data + c.zeros;
        CliBench bench(Loaded(c.medium, "capacity = 20000\nmedium_state = closed\nrecorded = " + std::to_string(track)));
        const std::string data = ReadAll(bench.Image("disc0.img", size_t{c.data} * 2048));
        bench.dir.Write("disc0.img", Followed(data, c.zeros, '\0'));
        bench.dir.Write("a.iso", data.substr(0, size_t{c.image} * 2048));
        auto check = bench.Run({"--check-disc", "a.iso"});
        EXPECT_EQ(check.code, c.code) << check.output;
        EXPECT_EQ(Contains(check.output, "check: differs: the disc's track holds"), c.code == 1) << check.output;
    }
}

}  // namespace
