// The request blocks byte for byte: each field written through the struct
// must land at its offset in the block, little-endian. 32-bit builds have
// the ASPI layout; 64-bit builds the widened one every 64-bit layer shares.
#include "transport/kqASPI.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kq;

namespace {

template <typename Block>
std::vector<uint8_t> BytesOf(const Block& block) {
    std::vector<uint8_t> bytes(sizeof block);
    std::memcpy(bytes.data(), &block, sizeof block);
    return bytes;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

constexpr bool kAspiWidth = sizeof(void*) == 4;

struct ExecOffsets {
    size_t size, bufPointer, senseLen, cdbLen, haStat, targStat, postProc, rsvd2, cdb, sense;
};
constexpr ExecOffsets kExec = kAspiWidth ? ExecOffsets{97, 16, 20, 21, 22, 23, 24, 28, 48, 64}
                                         : ExecOffsets{105, 16, 24, 25, 26, 27, 28, 36, 56, 72};

TEST(RequestBlockLayout, ExecuteBlockFieldsAtTheirOffsets) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Status = 0xA1;
    srb.SRB_HaId = 0xA2;
    srb.SRB_Flags = SRB_DIR_IN | SRB_EVENT_NOTIFY;
    srb.SRB_Target = 0xA3;
    srb.SRB_Lun = 0xA4;
    srb.SRB_BufLen = 0x11223344;
    srb.SRB_BufPointer = reinterpret_cast<uint8_t*>(uintptr_t{0x55667788});
    srb.SRB_SenseLen = 24;
    srb.SRB_CDBLen = 10;
    srb.SRB_HaStat = HASTAT_TIMEOUT;
    srb.SRB_TargStat = 0x02;
    srb.SRB_PostProc = reinterpret_cast<void*>(uintptr_t{0x99AABBCC});
    srb.CDBByte[0] = 0x2A;
    srb.CDBByte[15] = 0xCD;
    srb.SenseArea[0] = 0x70;
    srb.SenseArea[SENSE_LEN - 1] = 0xEE;

    auto b = BytesOf(srb);
    ASSERT_EQ(b.size(), kExec.size);
    EXPECT_EQ(b[0], SC_EXEC_SCSI_CMD);
    EXPECT_EQ(b[1], 0xA1);
    EXPECT_EQ(b[2], 0xA2);
    EXPECT_EQ(b[3], 0x48);
    EXPECT_EQ(Le32(b, 4), 0u);  // SRB_Hdr_Rsvd
    EXPECT_EQ(b[8], 0xA3);
    EXPECT_EQ(b[9], 0xA4);
    EXPECT_EQ(Le32(b, 12), 0x11223344u);
    EXPECT_EQ(Le32(b, kExec.bufPointer), 0x55667788u);
    EXPECT_EQ(b[kExec.senseLen], 24);
    EXPECT_EQ(b[kExec.cdbLen], 10);
    EXPECT_EQ(b[kExec.haStat], HASTAT_TIMEOUT);
    EXPECT_EQ(b[kExec.targStat], 0x02);
    EXPECT_EQ(Le32(b, kExec.postProc), 0x99AABBCCu);
    for (size_t i = kExec.rsvd2; i < kExec.cdb; ++i) EXPECT_EQ(b[i], 0) << "reserved byte " << i;
    EXPECT_EQ(b[kExec.cdb], 0x2A);
    EXPECT_EQ(b[kExec.cdb + 15], 0xCD);
    EXPECT_EQ(b[kExec.sense], 0x70);
    EXPECT_EQ(b.back(), 0xEE);  // the sense area closes the block
}

TEST(RequestBlockLayout, AbortInquiryDeviceAndDiskBlocks) {
    SRB_Abort abort{};
    abort.SRB_Cmd = SC_ABORT_SRB;
    abort.SRB_HaId = 3;
    abort.SRB_ToAbort = reinterpret_cast<void*>(uintptr_t{0x01020304});
    auto a = BytesOf(abort);
    EXPECT_EQ(a.size(), kAspiWidth ? 12u : 16u);
    EXPECT_EQ(a[0], SC_ABORT_SRB);
    EXPECT_EQ(a[2], 3);
    EXPECT_EQ(Le32(a, 8), 0x01020304u);

    SRB_HAInquiry ha{};
    ha.HA_Count = 2;
    ha.HA_SCSI_ID = 7;
    std::memcpy(ha.HA_ManagerId, "ASPI for WIN32  ", 16);
    ha.HA_Identifier[0] = 'V';
    ha.HA_Unique[3] = 8;  // maximum targets
    ha.HA_Rsvd1 = 0xBEEF;
    auto h = BytesOf(ha);
    EXPECT_EQ(h.size(), 60u);
    EXPECT_EQ(h[8], 2);
    EXPECT_EQ(h[9], 7);
    EXPECT_EQ(std::string(h.begin() + 10, h.begin() + 26), "ASPI for WIN32  ");
    EXPECT_EQ(h[26], 'V');
    EXPECT_EQ(h[42 + 3], 8);
    EXPECT_EQ(h[58], 0xEF);
    EXPECT_EQ(h[59], 0xBE);

    SRB_GDEVBlock dev{};
    dev.SRB_Target = 1;
    dev.SRB_Lun = 2;
    dev.SRB_DeviceType = 5;
    auto d = BytesOf(dev);
    EXPECT_EQ(d.size(), 12u);
    EXPECT_EQ(d[8], 1);
    EXPECT_EQ(d[9], 2);
    EXPECT_EQ(d[10], 5);

    SRB_GetDiskInfo disk{};
    disk.SRB_Target = 1;
    disk.SRB_Int13HDriveInfo = 4;  // E
    disk.SRB_Sectors = 63;
    auto k = BytesOf(disk);
    EXPECT_EQ(k.size(), 24u);
    EXPECT_EQ(k[8], 1);
    EXPECT_EQ(k[11], 4);
    EXPECT_EQ(k[13], 63);
}

}  // namespace
