// What a disc keeps across runs: the files a killed process leaves behind,
// a state file that cannot be read, and files that reading never changes.
#include "Harness.h"
#include "vrecorder/DiscStore.h"

#ifdef __linux__
#include <sys/mount.h>
#endif

#include <cstring>
#include <functional>

using namespace vtest;

namespace {

// A TAO burn onto a blank CD-R, step by step: what has reached the files
// after each step is what a process killed right after it leaves behind.
struct KillPoint {
    const char* name;
    int writes;          // WRITEs of 16 blocks that were sent
    bool sync, closeTrack, closeSession;
    uint8_t discByte2;   // READ DISC INFORMATION: last session state << 2 | disc status
    bool damaged;        // the track was cut off mid-write
};

constexpr KillPoint kKillPoints[] = {
    {"before the first WRITE", 0, false, false, false, 0x00, false},
    {"after the first WRITE", 1, false, false, false, 0x05, true},
    {"mid-data", 3, false, false, false, 0x05, true},
    {"during the flush", 3, true, false, false, 0x05, false},
    {"during the close", 3, true, true, false, 0x05, false},
    {"after the close", 3, true, true, true, 0x01, false},
};

void Burn(Drive& drive, const KillPoint& point) {
    ASSERT_TRUE(drive.SelectPage({}).Good());
    for (int i = 0; i < point.writes; ++i) ASSERT_TRUE(drive.Write(16u * i, 16, 3).Good());
    if (point.sync) {
        ASSERT_TRUE(drive.Run(SyncCdb()).Good());
    }
    if (point.closeTrack) {
        ASSERT_TRUE(drive.Run(CloseCdb(1, 1)).Good());
    }
    if (point.closeSession) {
        ASSERT_TRUE(drive.Run(CloseCdb(2)).Good());
    }
}

// The files as they stand now, as a killed process would leave them.
void CopyDisc(const TempDir& from, const TempDir& to) {
    for (const char* name : {"disc.img", "disc.img.state"})
        if (fs::exists(from.File(name))) fs::copy_file(from.File(name), to.File(name));
}

}  // namespace

TEST(Durability, AKilledBurnReloadsWithWhatReachedTheDisc) {
    for (const KillPoint& point : kKillPoints) {
        SCOPED_TRACE(point.name);
        TempDir burnt, left;
        Drive burning(BlankCdR(burnt.File("disc.img")));
        Burn(burning, point);
        CopyDisc(burnt, left);

        Drive reloaded(BlankCdR(left.File("disc.img")));
        Bytes info = reloaded.DiscInfo();
        EXPECT_EQ(info[2], point.discByte2);
        if (point.discByte2 == 0x05) {  // the first session is still open: its lead-in is the ATIP's
            EXPECT_EQ(vrec::GetBE32(info, 16), vrec::MsfField(vrec::kAtipLeadIn));
        }
        if (point.writes == 0) continue;
        uint32_t blocks = 16u * point.writes;
        Bytes track = reloaded.TrackInfo(1);
        EXPECT_EQ(track[6] & 0x40, 0) << "the track is not blank";
        EXPECT_EQ((track[5] & 0x20) != 0, point.damaged);
        EXPECT_EQ(vrec::GetBE32(track, 28), blocks - 1) << "last recorded address";
        EXPECT_EQ(reloaded.rec->RecordedBytes(blocks - 16, 16), Pattern(16, 3));
        // The write-once disc is not written over from its start.
        EXPECT_EQ(reloaded.Write(0, 16).status, vrec::kTargetStatusCheckCondition);
    }
}

TEST(Durability, ADamagedStateFileIsReportedAndLeftAlone) {
    struct Case {
        const char* state;
        const char* where;  // in the report, after the file's name
    };
    const Case cases[] = {
        {"medium cd-r\ncapacity 20000\nclosed_sessions 0\nfinalized 0\nnext_start 0\ntrack 1 1 0 26\n", ":6: "},
        {"medium cd-r\ncapacity 20000\nclosed_sessions 0\nfinalized 0\nnext_start 500\ntrack 1 1 0 26 0 0 0 4\n",
         ":0: "},
        {"\x7f" "ELF\x01\x01", ":1: "},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string disc = dir.Write("disc.img", std::string(26 * 2048, 'd'));
        dir.Write("disc.img.state", c.state);
        testing::internal::CaptureStderr();
        {
            Drive drive(BlankCdR(disc));
            EXPECT_SENSE(drive.Run({0, 0, 0, 0, 0, 0}), 0x02, 0x30, 0x01);
            Bytes reply(2048);
            EXPECT_SENSE(drive.In(Read10(0, 1), reply), 0x02, 0x30, 0x01);
            EXPECT_SENSE(drive.Write(0, 1), 0x02, 0x30, 0x01);
            EXPECT_EQ(drive.Ask(Bytes{0x12, 0, 0, 0, 36, 0}, 36).size(), 36u) << "INQUIRY still answers";
        }
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(dir.File("disc.img.state") + c.where), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << "reported once: " << said;
        EXPECT_EQ(ReadFile(dir.File("disc.img.state")), Bytes(c.state, c.state + std::strlen(c.state)));
        EXPECT_EQ(ReadFile(disc).size(), 26u * 2048);
    }
}

// Loading and reading a disc writes neither file, whatever the disc: one
// saved by today's recorder, or one that does not fit the configuration.
TEST(Durability, ReadingNeverChangesTheFiles) {
    const std::string saved = "medium cd-r\ncapacity 20000\nclosed_sessions 1\nfinalized 0\nnext_start 11500\n"
                              "track 1 1 0 100 0 1 0 4\n";
    struct Case {
        const char* name;
        std::function<vrec::RecorderConfig(const std::string&)> config;
        uint8_t discByte2;
    };
    const Case cases[] = {
        {"a saved appendable disc", [](auto& b) { return BlankCdR(b); }, 0x01},
        {"a state of another medium", [](auto& b) { return BlankCdR(b, 30000); }, 0x00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string disc = dir.Write("disc.img", std::string(100 * 2048, 'x'));
        dir.Write("disc.img.state", saved);
        {
            Drive drive(c.config(disc));
            EXPECT_EQ(drive.DiscInfo()[2], c.discByte2);
            drive.TrackInfo(1);
            Bytes reply(2048);
            drive.In(Read10(0, 1), reply);
            drive.Run(SyncCdb());
        }
        EXPECT_EQ(ReadFile(disc).size(), 100u * 2048);
        EXPECT_EQ(ReadFile(dir.File("disc.img.state")), Bytes(saved.begin(), saved.end()));
    }
    // A blank disc that is only looked at leaves no state file behind.
    TempDir dir;
    { Drive(BlankCdR(dir.File("disc.img"))).DiscInfo(); }
    EXPECT_FALSE(fs::exists(dir.File("disc.img.state")));
}

// The backing of an earlier disc is emptied when a blank disc gets its
// first track, and not before.
TEST(Durability, ABlankDiscEmptiesItsBackingAtItsFirstTrack) {
    TempDir dir;
    std::string disc = dir.Write("disc.img", std::string(300 * 2048, 'o'));
    Drive drive(BlankCdR(disc));
    ASSERT_TRUE(drive.SelectPage({}).Good());
    EXPECT_EQ(ReadFile(disc).size(), 300u * 2048);
    ASSERT_TRUE(drive.Write(0, 2).Good());
    EXPECT_EQ(ReadFile(disc), Pattern(2, 1));
}

// A recorder that has not changed the disc answers from the disc as last
// saved by whoever holds it, and takes it up before it writes itself.
TEST(Durability, ADiscSavedElsewhereIsWhatALookerSees) {
    TempDir dir;
    Drive writer(BlankCdR(dir.File("disc.img")));
    Drive looker(BlankCdR(dir.File("disc.img")));
    EXPECT_EQ(looker.DiscInfo()[2], 0x00);
    ASSERT_TRUE(writer.SelectPage({}).Good());
    ASSERT_TRUE(writer.Write(0, 16).Good());
    ASSERT_TRUE(writer.Run(SyncCdb()).Good());
    EXPECT_EQ(looker.DiscInfo()[2], 0x05);
    ASSERT_TRUE(writer.Run(CloseCdb(2)).Good());
    EXPECT_EQ(looker.DiscInfo()[2], 0x01);
    ASSERT_TRUE(looker.SelectPage({}).Good());
    EXPECT_SENSE(looker.Write(0, 16), 0x05, 0x21, 0x02);  // not over the first session
}

#ifdef __linux__
// A file system that fills up: a save fails whole, the last state stays,
// and the reason is printed once. Needs a small tmpfs, which only root may
// mount; skipped where none can be.
TEST(Durability, AFullFileSystemKeepsTheLastWholeState) {
    TempDir dir;
    const std::string small = dir.File("small");
    fs::create_directory(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no tmpfs can be mounted here";
    std::unique_ptr<const char, int (*)(const char*)> unmount(small.c_str(), umount);
    vrec::DiscStore store(small + "/disc.img");
    const vrec::Disc first = vrec::Disc::Recorded(vrec::MediumKind::CdR, 20000, 100, false);
    ASSERT_TRUE(store.SaveState(first));
    std::ofstream(small + "/filler", std::ios::binary) << std::string(128 * 1024, 'x');  // fills it up

    testing::internal::CaptureStderr();
    const vrec::Disc second = vrec::Disc::Recorded(vrec::MediumKind::CdR, 20000, 200, true);
    EXPECT_FALSE(store.SaveState(second));
    EXPECT_FALSE(store.Write(300, std::vector<uint8_t>(64 * 1024, 1)));
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(told, small + "/disc.img: No space left on device\n");

    vrec::SavedState saved = vrec::DiscStore(small + "/disc.img").LoadState();
    ASSERT_TRUE(saved.disc) << saved.damage;
    EXPECT_EQ(saved.disc->Serialize(), first.Serialize());
    EXPECT_EQ(std::distance(fs::directory_iterator(small), fs::directory_iterator()), 3);  // no temporary left
}
#endif
