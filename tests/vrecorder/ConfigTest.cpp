// The configuration file: every key read, every fault named by its line.
#include "Harness.h"

#include "vrecorder/RecorderConfig.h"

using namespace vtest;
using vrec::ParseRecorderConfig;

TEST(Config, AFullSectionAndASecondRecorder) {
    auto result = ParseRecorderConfig(R"(
# burner bench
[recorder]
address = 1:3:0
drive_letter = G
vendor = PLEXTOR
product = CD-R   PX-W4824A
revision = 1.07
device_type = 4
reads = cd-rom cd-r cd-rw dvd-rom
writes = cd-r
test_write = no
underrun_protection = yes
vendor_page_30 = yes
write_types = tao sao
max_read_speed = 0
max_write_speed = 0
buffer_size = 4194304
block_descriptor = yes
feature_2a = no
feature_2f = yes
feature_2b = yes
medium = cd-rw
medium_state = appendable
capacity = 333000
recorded = 1200
backing = discs/a.img
write_speed = 1764
calibrate_ms = 500
flush_ms = 100
close_ms = 3000
unit_attention = on
fault = write nth=3 check 03/0C/00
fault = any late 25

[recorder]
address = 1:4:0
)", "bench.conf", "/base");
    ASSERT_EQ(result.error, "");
    ASSERT_EQ(result.recorders.size(), 2u);
    const auto& c = result.recorders[0];
    EXPECT_EQ(c.adapter, 1);
    EXPECT_EQ(c.target, 3);
    EXPECT_EQ(c.driveLetter, 6);
    EXPECT_EQ(c.product, "CD-R   PX-W4824A");
    EXPECT_EQ(c.deviceType, 4);
    EXPECT_TRUE(c.Reads(vrec::MediumKind::DvdRom));
    EXPECT_FALSE(c.Writes(vrec::MediumKind::CdRw));
    EXPECT_FALSE(c.write.testWrite);
    EXPECT_FALSE(c.write.raw);
    EXPECT_TRUE(c.write.sao);
    EXPECT_EQ(c.maxWriteSpeed, 0);
    EXPECT_EQ(c.medium, vrec::MediumKind::CdRw);
    EXPECT_EQ(c.state, vrec::DiscState::Appendable);
    EXPECT_EQ(fs::path(c.backing), fs::path("/base/discs/a.img"));  // either separator on Windows
    EXPECT_EQ(c.faults.size(), 2u);
    EXPECT_EQ(c.faults[1].action, vrec::FaultAction::Late);
    EXPECT_TRUE(c.unitAttentionOnChange);
    EXPECT_TRUE(c.feature2B);
    EXPECT_EQ(result.recorders[1].target, 4);
    EXPECT_EQ(result.recorders[1].backing, "");  // kept in memory
}

TEST(Config, FaultsAreNamedByFileAndLine) {
    struct Case {
        const char* text;
        const char* where;
    };
    for (Case c : {Case{"address = 0:0:0\n", "f.conf:1: key outside a [recorder] section"},
                   Case{"[recorder]\n\nvendor = MUCH TOO LONG\n", "f.conf:3: bad value"},
                   Case{"[recorder]\naddress = 0:16:0\n", "f.conf:2: bad value"},
                   Case{"[recorder]\nmedium = floppy\n", "f.conf:2: bad value"},
                   Case{"[recorder]\ncapacity = -5\n", "f.conf:2: bad value"},
                   Case{"[recorder]\nfault = write explode\n", "f.conf:2: fault rule needs"},
                   Case{"[recorder]\njust words\n", "f.conf:2: expected key = value"},
                   Case{"[recorders]\n", "f.conf:1: unknown section"},
                   Case{"[recorder]\n[recorder]\n", "f.conf:2: two recorders at the same address"},
                   Case{"# nothing\n", "f.conf:1: no [recorder] section"}}) {
        auto result = ParseRecorderConfig(c.text, "f.conf", "");
        EXPECT_TRUE(result.recorders.empty()) << c.text;
        EXPECT_EQ(result.error.rfind(c.where, 0), 0u) << c.text << " gave " << result.error;
    }
    auto missing = vrec::LoadRecorderConfig("/nonexistent/vrec.conf");
    EXPECT_EQ(missing.error.rfind("/nonexistent/vrec.conf:", 0), 0u);
}

// A backing the recorder could never write is caught when the file is
// loaded, by its line, not as a write error in the middle of a burn.
TEST(Config, BackingMustBeWritableWhereItLies) {
    TempDir dir;
    fs::create_directory(dir.File("discs"));
    fs::create_directory(dir.File("locked"));
    fs::permissions(dir.File("locked"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    struct Case {
        const char* backing;
        const char* error;  // "" when accepted
    };
    std::vector<Case> cases{
        {"discs/a.img", ""}, {"missing/a.img", "folder does not exist"}, {"discs", "is not a file"}};
#ifndef _WIN32  // a read-only folder attribute does not keep files out on Windows
    cases.push_back({"locked/a.img", "folder cannot be written"});
#endif
    for (Case c : cases) {
        std::string conf = dir.Write("vrec.conf", std::string("[recorder]\n\nbacking = ") + c.backing + "\n");
        auto result = vrec::LoadRecorderConfig(conf);
        if (std::string(c.error).empty()) {
            EXPECT_EQ(result.error, "") << c.backing;
            continue;
        }
        EXPECT_EQ(result.error.rfind(conf + ":3: backing '" + c.backing + "'", 0), 0u) << result.error;
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    }
    fs::permissions(dir.File("locked"), fs::perms::owner_all, fs::perm_options::add);
}
