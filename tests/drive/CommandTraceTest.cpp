#include "drive/CommandTrace.h"
#include "support/FakeTransport.h"

#include <gtest/gtest.h>

#include <regex>

using namespace kq;
using kqtest::FakeTransport;
using kqtest::TestDevice;

namespace {

SRB_ExecSCSICmd TestUnitReadyNotReady() {
    SRB_ExecSCSICmd r{};
    r.SRB_Status = SS_ERR;
    r.SRB_HaId = 1;
    r.SRB_Flags = 0x40;
    r.SRB_CDBLen = 6;
    r.SRB_TargStat = 2;
    r.SenseArea[0] = 0x70;
    r.SenseArea[2] = 2;
    r.SenseArea[7] = 10;
    r.SenseArea[12] = 0x3A;
    return r;
}

const std::string kExampleTail =
    "TEST UNIT READY        (00) {40|06} - 1:0:0 <04> [00000] "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  |= 00 02 70 02 ASC:3A,ASQ:00 "
    "NOT READY (MEDIUM NOT PRESENT)";

struct TraceAllScope {
    TraceAllScope() { SetTraceAllCommands(true); }
    ~TraceAllScope() { SetTraceAllCommands(false); }
};

}  // namespace

TEST(CommandTrace, ExampleLineByteForByte) {
    const auto line = TraceLine(TestUnitReadyNotReady(), "NOT READY (MEDIUM NOT PRESENT)",
                                platform::TimeOfDay{7, 32, 15});
    EXPECT_EQ(line, "<<< 07:32:015 " + kExampleTail);
    EXPECT_EQ(TraceLine(TestUnitReadyNotReady(), "NOT READY (MEDIUM NOT PRESENT)", std::nullopt),
              "<<< " + kExampleTail);
}

TEST(CommandTrace, FullTraceOfEveryCommandCarriesTheTime) {
    TraceAllScope all;
    FakeTransport fake(FakeTransport::CheckCondition(2, 0x3A, 0));
    TestDevice dev;
    dev.Record();
    std::array<uint8_t, 6> cdb{0x00};
    (void)dev.RunCommand(cdb, NoData(), 5000);
    (void)dev.RunCommand(cdb, NoData(), 5000);
    ASSERT_EQ(dev.lines.size(), 2u);
    for (const auto& [line, kind] : dev.lines) {
        EXPECT_EQ(kind, 0);
        EXPECT_TRUE(std::regex_match(line, std::regex("<<< \\d\\d:\\d\\d:\\d\\d\\d (.*)")));
        EXPECT_EQ(line.substr(14), kExampleTail);
    }
}

TEST(CommandTrace, ErrorLineOnlyForTheFirstCommandOfADevice) {
    FakeTransport fake(FakeTransport::Complete(SS_COMP));
    std::array<uint8_t, 10> write10{0x2A};
    std::array<uint8_t, 10> cueSheet{0x5D};
    std::array<uint8_t, 10> discInfo{0x51};

    TestDevice succeededFirst;
    succeededFirst.Record();
    (void)succeededFirst.RunCommand(write10, NoData(), 5000);
    EXPECT_TRUE(succeededFirst.ErrorTraceDone());
    fake.SetAnswer(FakeTransport::CheckCondition(3, 0x0C, 0));
    (void)succeededFirst.RunCommand(write10, NoData(), 5000);
    (void)succeededFirst.RunCommand(cueSheet, NoData(), 5000);
    EXPECT_TRUE(succeededFirst.lines.empty());

    TestDevice failedCueSheet;
    failedCueSheet.Record();
    (void)failedCueSheet.RunCommand(cueSheet, NoData(), 5000);
    (void)failedCueSheet.RunCommand(cueSheet, NoData(), 5000);
    ASSERT_EQ(failedCueSheet.lines.size(), 1u);
    EXPECT_EQ(failedCueSheet.lines[0].first.rfind("<<< SEND CUE SHEET         (5D)", 0), 0u);

    TestDevice quietFirst;
    quietFirst.Record();
    (void)quietFirst.RunCommand(discInfo, NoData(), 5000);
    (void)quietFirst.RunCommand(cueSheet, NoData(), 5000);
    EXPECT_TRUE(quietFirst.lines.empty()) << "a quiet failure still uses up the one line";
}

TEST(CommandTrace, LongWriteInProgressAndQuietOpcodesAreNotTraced) {
    std::array<uint8_t, 10> write10{0x2A};
    FakeTransport fake(FakeTransport::CheckCondition(2, 0x04, 0x08));
    TestDevice longWrite;
    longWrite.Record();
    (void)longWrite.RunCommand(write10, NoData(), 5000);
    EXPECT_TRUE(longWrite.lines.empty());

    fake.SetAnswer(FakeTransport::CheckCondition(5, 0x24, 0));
    for (uint8_t op : {0x00, 0x01, 0x04, 0x12, 0x1B, 0x1E, 0x23, 0x35, 0x43, 0x46, 0x51, 0x52,
                       0x55, 0x5A, 0x5C, 0xB6, 0xBB}) {
        TestDevice dev;
        dev.Record();
        std::array<uint8_t, 10> cdb{op};
        (void)dev.RunCommand(cdb, NoData(), 5000);
        EXPECT_TRUE(dev.lines.empty()) << std::hex << int(op);
    }
}

TEST(CommandTrace, DataDumpStopsAt257Bytes) {
    TraceAllScope all;
    FakeTransport fake(FakeTransport::Complete(SS_COMP));
    TestDevice dev;
    dev.Record();
    std::vector<uint8_t> big(5000, 0xA5), small{1, 2, 3};
    std::array<uint8_t, 10> write10{0x2A};
    (void)dev.RunCommand(write10, DataOut(big), 5000);
    (void)dev.RunCommand(write10, DataOut(small), 5000);
    ASSERT_EQ(dev.lines.size(), 2u);
    auto dumped = [](const std::string& line) {
        auto from = line.find(" |") + 2;
        auto to = line.find("= ", from);
        return (to - from) / 3;
    };
    EXPECT_EQ(dumped(dev.lines[0].first), 257u);
    EXPECT_NE(dev.lines[0].first.find("[01388]"), std::string::npos);
    EXPECT_EQ(dumped(dev.lines[1].first), 3u);
    EXPECT_NE(dev.lines[1].first.find("|01 02 03 = "), std::string::npos);
}

TEST(CommandTrace, MisalignedBufferGivesTheAaaaLineEvenOnSuccess) {
    FakeTransport fake(FakeTransport::Complete(SS_COMP));
    TestDevice dev;
    dev.Record();
    alignas(8) std::array<uint8_t, 16> buffer{};
    std::array<uint8_t, 10> cdb{0x28};
    ASSERT_TRUE(dev.RunCommand(cdb, DataIn(std::span(buffer).subspan(1, 8)), 5000));
    ASSERT_EQ(dev.lines.size(), 1u);
    EXPECT_EQ(dev.lines[0].first, "aaaa" + std::to_string(reinterpret_cast<intptr_t>(&buffer[1])));
    dev.lines.clear();
    ASSERT_TRUE(dev.RunCommand(cdb, DataIn(std::span(buffer).subspan(4, 8)), 5000));
    EXPECT_TRUE(dev.lines.empty());
}

TEST(CommandTrace, EveryOpcodeHasANameOrItsHexDigits) {
    const auto& names = CommandNames();
    EXPECT_EQ(names[0x5E], "5E");
    EXPECT_EQ(names[0xFF], "FF");
    EXPECT_EQ(names[0x00], "TEST UNIT READY       ");
    EXPECT_EQ(names[0x4A], "GET EVENT/STATUS NOTIF");
    EXPECT_EQ(names[0x52], "READ TRACK INFORMATION");
    int named = 0;
    for (const auto& n : names) {
        if (n.size() == 22) ++named;
        else EXPECT_EQ(n.size(), 2u);
    }
    EXPECT_EQ(named, 51);
}
