#include "drive/DriveMessages.h"
#include "drive/SenseCodeTexts.h"
#include "support/FakeTransport.h"

#include <gtest/gtest.h>

#include <set>

using namespace kq;
using kqtest::TestDevice;

namespace {

SRB_ExecSCSICmd Failed(uint8_t status, uint8_t haStat, uint8_t targStat,
                       std::initializer_list<std::pair<int, uint8_t>> sense = {}) {
    SRB_ExecSCSICmd r{};
    r.SRB_Status = status;
    r.SRB_HaStat = haStat;
    r.SRB_TargStat = targStat;
    for (auto [at, value] : sense) r.SenseArea[at] = value;
    return r;
}

std::string TextOf(const SRB_ExecSCSICmd& r) {
    TestDevice dev;
    dev.BuildErrorText(r);
    return dev.LastErrorText();
}

}  // namespace

TEST(StatusText, ByRequestAdapterAndTargetStatus) {
    TestDevice dev;
    EXPECT_EQ(dev.GetStatusText(0x01, 0, 0), "");
    EXPECT_EQ(dev.GetStatusText(0x03, 0, 0), "OPERATION ABORTED BY USER");
    EXPECT_EQ(dev.GetStatusText(0x82, 0, 0), "NO DEVICE");
    EXPECT_EQ(dev.GetStatusText(0xE6, 0, 0), "BUFFER TOO BIG");
    EXPECT_EQ(dev.GetStatusText(0x7F, 0, 0), "UNKNOWN");
    EXPECT_EQ(dev.GetStatusText(0x04, 0x11, 0), "SELECTION TIMEOUT");
    EXPECT_EQ(dev.GetStatusText(0x04, 0x14, 0), "UNKNOWN");
    EXPECT_EQ(dev.GetStatusText(0x04, 0, 0x00), "CHECK CONDITION");
    EXPECT_EQ(dev.GetStatusText(0x04, 0, 0x01), "UNKNOWN");
    EXPECT_EQ(dev.GetStatusText(0x04, 0, 0x28), "TARGET QUEUE FULL");
}

TEST(StatusText, TargetBusyIsSetOnlyByBusy) {
    TestDevice dev;
    EXPECT_EQ(dev.GetStatusText(0x04, 0, 0x08), "TARGET BUSY");
    EXPECT_TRUE(dev.TargetBusy());
    dev.GetStatusText(0x04, 0, 0x18);
    EXPECT_FALSE(dev.TargetBusy());
    dev.GetStatusText(0x04, 0, 0x08);
    dev.GetStatusText(0x01, 0, 0x08);
    EXPECT_FALSE(dev.TargetBusy());
}

TEST(ErrorText, AdapterTimeOutNamesItsCommand) {
    SRB_ExecSCSICmd r = Failed(SS_ERR, HASTAT_TIMEOUT, 0);
    r.CDBByte[0] = 0x35;
    EXPECT_EQ(TextOf(r), "COMMAND TIMEOUT (SYNCHRONIZE CACHE)");
}

TEST(ErrorText, SenseKeysAndTheirEdges) {
    auto withKey = [](uint8_t byte2, uint8_t addLength = 10) {
        return Failed(SS_ERR, 0, 2, {{0, 0x70}, {2, byte2}, {7, addLength}, {12, 0x24}});
    };
    EXPECT_EQ(TextOf(withKey(0x05)), "ILLEGAL REQUEST (INVALID FIELD IN CDB)");
    EXPECT_EQ(TextOf(withKey(0xA0)), "FILEMARK (INVALID FIELD IN CDB)") << "bit 7 wins over bit 5";
    EXPECT_EQ(TextOf(withKey(0x40)), "END OF MEDIA (INVALID FIELD IN CDB)");
    EXPECT_EQ(TextOf(withKey(0x20)), "ILLEGAL LENGTH (INVALID FIELD IN CDB)");
    EXPECT_EQ(TextOf(withKey(0x09)), "CHECK CONDITION (INVALID FIELD IN CDB)");
    EXPECT_EQ(TextOf(withKey(0x0C)), "CHECK CONDITION (INVALID FIELD IN CDB)");
    EXPECT_EQ(TextOf(withKey(0x0A)), "COPYABORTED (INVALID FIELD IN CDB)");
    EXPECT_EQ(TextOf(withKey(0x0F)), "RESERVED (INVALID FIELD IN CDB)");
    EXPECT_EQ(TextOf(withKey(0x05, 0)), "ILLEGAL REQUEST") << "no additional sense bytes";
}

TEST(ErrorText, SenseFormats) {
    EXPECT_EQ(TextOf(Failed(SS_ERR, 0, 2, {{0, 0x72}, {7, 10}, {12, 0x3A}})),
              "UNKNOWN (MEDIUM NOT PRESENT)")
        << "descriptor-format sense";
    EXPECT_EQ(TextOf(Failed(SS_ERR, 0, 2, {{0, 0x71}, {2, 6}, {7, 10}, {12, 0x28}})),
              "UNIT ATTENTION (NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED)");
    EXPECT_EQ(TextOf(Failed(SS_ERR, 0, 2)), "") << "check condition without sense";
    EXPECT_EQ(TextOf(Failed(SS_NO_DEVICE, 0, 0)), "NO DEVICE");
    EXPECT_EQ(TextOf(Failed(SS_ERR, 0x11, 0)), "SELECTION TIMEOUT");
}

TEST(ErrorText, PairsWithoutTextShowTheirNumbers) {
    auto pair = [](uint8_t asc, uint8_t ascq) {
        return Failed(SS_ERR, 0, 2, {{0, 0x70}, {2, 3}, {7, 10}, {12, asc}, {13, ascq}});
    };
    EXPECT_EQ(TextOf(pair(0x5D, 0xFF)), "MEDIUM ERROR (FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE))");
    EXPECT_EQ(TextOf(pair(0x30, 0x0A)), "MEDIUM ERROR (48,10)");
    EXPECT_EQ(TextOf(pair(0x57, 0x01)), "MEDIUM ERROR (87,1)");
}

TEST(ErrorText, LastSenseKeepsThePairEvenWhenNothingIsAppended) {
    TestDevice dev;
    dev.BuildErrorText(Failed(SS_ERR, 0, 2, {{0, 0x70}, {2, 2}, {12, 0x3A}, {13, 0x01}, {32, 0x99}}));
    EXPECT_EQ(dev.LastErrorText(), "NOT READY");
    EXPECT_EQ(dev.LastSense()[12], 0x3A);
    EXPECT_EQ(dev.LastSense()[13], 0x01);
    EXPECT_EQ(dev.LastSense()[32], 0x99) << "all 33 bytes";
}

TEST(SenseCodeTexts, HoldExactly256PairsOver69Codes) {
    const auto table = SenseCodeTexts();
    EXPECT_EQ(table.size(), 256u);
    std::set<uint8_t> ascs;
    for (const auto& t : table) {
        ascs.insert(t.asc);
        EXPECT_EQ(FindSenseCodeText(t.asc, t.ascq), t.text);
    }
    EXPECT_EQ(ascs.size(), 69u);
    EXPECT_EQ(FindSenseCodeText(0x0C, 0x09), "WRITE ERROR - LOSS OF STREAMING");
    EXPECT_FALSE(FindSenseCodeText(0x3B, 0x00));
    EXPECT_FALSE(FindSenseCodeText(0xFF, 0xFF));
}

TEST(DriveMessages, ATranslationReplacesTheTableAsAWhole) {
    auto table = DefaultDriveMessages();
    table[size_t(Msg::CheckCondition)] = "ZUSTAND PRUEFEN";
    table[size_t(Msg::NotReady)] = "NICHT BEREIT";
    SetDriveMessages(table);
    EXPECT_EQ(TextOf(Failed(SS_ERR, 0, 2, {{0, 0x70}, {2, 2}})), "NICHT BEREIT")
        << "check condition is recognised in any language";
    EXPECT_EQ(TextOf(Failed(SS_ERR, 0, 2, {{0, 0x70}, {2, 9}})), "ZUSTAND PRUEFEN");
    SetDriveMessages(DefaultDriveMessages());
    EXPECT_EQ(FormatDriveMessage(Msg::CantOpenFile, {"a.iso"}),
              "CAN'T OPEN FILE \"a.iso\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_EQ(FormatDriveMessage(Msg::StartingWriteProcess, {"CD-R", "48x"}),
              "STARTING WRITE PROCESS ON CD-R AT 48x");
}
