// Reading a disc back: --read-image writes exactly what the disc holds,
// --check-disc and --verify find a sector that reads back wrong, and a
// sector that cannot be read is retried, then reported or zero-filled.
#include "CliRun.h"
#include "digest/MD5.h"
#include "digest/SHA256.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace clitest;

namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A closed CD-R whose one track is `image`, as if burnt at once: the
// backing file is the image.
std::string RecordedCd(const std::string& extra, uint32_t sectors) {
    return "[recorder]\naddress = 0:0:0\nmedium = cd-r\ncapacity = 20000\nmedium_state = closed\nrecorded = " +
           std::to_string(sectors) + "\nbacking = disc0.img\n" + extra + "\n";
}

std::string Dvd(const char* medium) {
    return std::string("[recorder]\naddress = 0:0:0\nreads = cd-rom cd-r dvd-rom dvd-r dvd+rw\n"
                       "writes = cd-r dvd-r dvd+rw\nfeature_2a = yes\nmedium = ") + medium + "\ncapacity = 40000\nbacking = disc0.img\n";
}

struct Medium {
    const char* name;
    std::string config;
    std::vector<std::string> burn;
    int burnCode = 0;
    const char* note = "";  // said when the disc is checked
};

TEST(ReadDisc, WhatWasBurntReadsBackByteForByte) {
    const Medium media[] = {
        {"CD-R closed", Recorder(0), {"--finalize-disc"}},
        {"CD-R appendable", Recorder(0), {}},
        {"DVD-R", Dvd("dvd-r"), {"--any-medium"}},
        {"DVD+RW", Dvd("dvd+rw"), {"--any-medium"}},
        {"CD-R incomplete", Recorder(0, "fault = close check 03/0C/00"), {}, 1, "the track was never closed"},
    };
    for (const Medium& m : media) {
        CliBench bench(m.config);
        const std::string image = IsoImage(bench, "a.iso", 320);
        std::vector<std::string> burn = m.burn;
        burn.insert(burn.end(), {"--no-checksum", "a.iso"});
        auto burnt = bench.Run(burn);
        ASSERT_EQ(burnt.code, m.burnCode) << m.name << "\n" << burnt.output;
        auto read = bench.Run({"--read-image", "out.iso", "--md5"});
        EXPECT_EQ(read.code, 0) << m.name << "\n" << read.output;
        EXPECT_EQ(ReadAll(bench.dir.File("out.iso")), ReadAll(image)) << m.name;
        EXPECT_EQ(ReadAll(bench.dir.File("out.iso.sha256")), kq::SHA256Print(kq::SHA256File(image)) + "  out.iso\n");
        EXPECT_EQ(ReadAll(bench.dir.File("out.md5")), kq::MD5Print(kq::MD5File(image)) + "  out.iso\n");
        EXPECT_FALSE(fs::exists(bench.dir.File("out.iso.part"))) << m.name;
        for (const char* against : {"a.iso", "out.iso.sha256", "out.md5"}) {
            auto check = bench.Run({"--check-disc", against});
            EXPECT_EQ(check.code, 0) << m.name << " " << against << "\n" << check.output;
            EXPECT_TRUE(Contains(check.output, "\ncheck: ok\n")) << check.output;
            EXPECT_TRUE(Contains(check.output, m.note)) << check.output;
        }
    }
}

struct ReadFault {
    const char* fault;
    std::vector<std::string> args;
    int code;
    const char* says;
    const char* bad;  // the .bad list; nullptr: there is none
    size_t kept = 0;  // sectors in the .part of a read that stopped
};

TEST(ReadDisc, FailedSectorsAreRetriedThenReportedOrZeroFilled) {
    const ReadFault faults[] = {
        {"read lba>=100 times=3 check 03/11/00", {}, 0, "complete, sha256", nullptr},
        {"read lba>=100 lba<=101 check 03/11/00", {}, 1, "sector 100 cannot be read [", nullptr, 100},
        {"read lba>=100 lba<=101 check 03/11/00", {"--keep-going"}, 1, "2 unreadable sectors", "100\n101\n"},
        {"read lba>=50 lba<=60 check 05/64/00", {}, 0, "complete, sha256", nullptr},  // READ CD reads them
        {"read nth=1 remove-medium", {"--keep-going"}, 1, "sector 0 cannot be read [", nullptr},
    };
    for (const ReadFault& f : faults) {
        CliBench bench(RecordedCd(std::string("fault = ") + f.fault, 400));
        const std::string image = bench.Image("disc0.img", 400 * 2048);
        std::vector<std::string> args{"--read-image", "out.iso"};
        args.insert(args.end(), f.args.begin(), f.args.end());
        auto run = bench.Run(args);
        EXPECT_EQ(run.code, f.code) << f.fault << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, f.says)) << f.fault << "\n" << run.output;
        EXPECT_EQ(fs::exists(bench.dir.File("out.iso.bad")), f.bad != nullptr) << f.fault;
        if (f.bad) {
            EXPECT_EQ(ReadAll(bench.dir.File("out.iso.bad")), f.bad);
        }
        // A complete image holds the disc, zeros where it could not be read.
        std::string expected = ReadAll(image);
        if (f.bad) expected.replace(100 * 2048, 2 * 2048, 2 * 2048, '\0');
        const bool complete = f.code == 0 || f.bad;
        if (complete) {
            EXPECT_EQ(ReadAll(bench.dir.File("out.iso")), expected) << f.fault;
        }
        EXPECT_EQ(fs::exists(bench.dir.File("out.iso.part")), !complete) << f.fault;
        if (!complete) {
            EXPECT_EQ(ReadAll(bench.dir.File("out.iso.part")), expected.substr(0, f.kept * 2048)) << f.fault;
        }
        EXPECT_EQ(fs::exists(bench.dir.File("out.iso.sha256")), f.code == 0) << f.fault;
    }
}

struct Corruption {
    std::string config;
    std::vector<std::string> args;
    const char* says;
};

TEST(ReadDisc, ASectorReadBackWrongIsFound) {
    const std::string fault = "fault = read lba>=123 lba<=123 corrupt";
    const Corruption cases[] = {
        {RecordedCd(fault, 400), {"--check-disc", "disc.iso"}, "check: differs: first differing sector 123"},
        {RecordedCd(fault, 400), {"--check-disc", "disc.md5"}, "check: differs: the disc's MD5 is "},
        {RecordedCd(fault, 400), {"--check-disc", "missing.iso"}, "check: differs: the disc's SHA-256 is "},
        {Recorder(0, fault), {"--no-checksum", "--verify", "disc.iso"}, "verify: differs [first differing sector 123]"},
    };
    for (const Corruption& c : cases) {
        CliBench bench(c.config);
        const std::string image = bench.Image("disc.iso", 400 * 2048);
        fs::copy_file(image, bench.Disc(0));
        bench.dir.Write("disc.md5", kq::MD5Print(kq::MD5File(image)) + "\n");
        bench.dir.Write("SHA256SUMS", kq::SHA256Print(kq::SHA256File(image)) + "  missing.iso\n");
        auto run = bench.Run(c.args);
        EXPECT_EQ(run.code, 1) << c.args[1] << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.says)) << run.output;
    }
}

TEST(ReadDisc, TheTargetIsNeverLostOrOverwritten) {
    CliBench bench(RecordedCd("", 400));
    const std::string image = bench.Image("disc0.img", 400 * 2048);
    bench.dir.Write("out.iso", "mine");
    auto refused = bench.Run({"--read-image", "out.iso"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(Contains(refused.output, "out.iso exists; --force replaces it")) << refused.output;
    EXPECT_EQ(ReadAll(bench.dir.File("out.iso")), "mine");
    EXPECT_EQ(bench.Run({"--read-image", "out.iso", "--force"}).code, 0);
    EXPECT_EQ(ReadAll(bench.dir.File("out.iso")), ReadAll(image));
}

TEST(ReadDisc, CtrlCLeavesThePartAndExits130) {
    CliBench bench(RecordedCd("fault = read late 40", 3000));  // some 4 s of reading
    bench.Image("disc0.img", 3000 * 2048);
    auto child = bench.Start({"--read-image", "out.iso"});
    const std::string part = bench.dir.File("out.iso.part");
    const auto partSize = [&] {  // the size, not the bytes: Windows lets no one else open the part
        std::error_code ec;
        const auto size = fs::file_size(part, ec);
        return ec ? 0 : size;
    };
    for (int i = 0; i < 200 && partSize() < 64 * 2048; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    child.Interrupt();
    EXPECT_EQ(child.Wait(), 130);
    EXPECT_TRUE(fs::exists(part));
    EXPECT_FALSE(fs::exists(bench.dir.File("out.iso")));
}

TEST(ReadDisc, AFullTargetFileSystemKeepsThePart) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a small file system of its own";
#else
    CliBench bench(RecordedCd("", 400));
    bench.Image("disc0.img", 400 * 2048);
    const std::string full = bench.dir.File("full");
    fs::create_directory(full);
    if (std::system(("mount -t tmpfs -o size=256k tmpfs '" + full + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no permission to mount a small file system";
    auto run = bench.Run({"--read-image", "full/out.iso"});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(Contains(run.output, "cannot write full/out.iso.part: No space left on device")) << run.output;
    EXPECT_TRUE(fs::exists(full + "/out.iso.part"));
    EXPECT_FALSE(fs::exists(full + "/out.iso"));
    EXPECT_EQ(std::system(("umount '" + full + "'").c_str()), 0);
#endif
}

}  // namespace
