// What the static_asserts beside the request blocks leave open: that every
// block opens with the header's fields, where the one-byte fields sit, and
// that multi-byte values are stored little-endian, as an ASPI library
// reads them.
#include "transport/kqASPI.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

using namespace kq;

namespace {

template <typename Block>
constexpr bool OpensWithTheHeader() {
    return offsetof(Block, SRB_Cmd) == 0 && offsetof(Block, SRB_Status) == 1 && offsetof(Block, SRB_HaId) == 2 &&
           offsetof(Block, SRB_Flags) == 3 && offsetof(Block, SRB_Hdr_Rsvd) == 4;
}

TEST(RequestBlockLayout, EveryBlockOpensWithTheHeader) {
    EXPECT_TRUE(OpensWithTheHeader<SRB_HAInquiry>());
    EXPECT_TRUE(OpensWithTheHeader<SRB_GDEVBlock>());
    EXPECT_TRUE(OpensWithTheHeader<SRB_ExecSCSICmd>());
    EXPECT_TRUE(OpensWithTheHeader<SRB_Abort>());
    EXPECT_TRUE(OpensWithTheHeader<SRB_GetDiskInfo>());
}

struct Field {
    const char* name;
    size_t at, expected;
};
#define KQ_FIELD(block, field, expected) Field{#block "." #field, offsetof(block, field), expected}

TEST(RequestBlockLayout, OneByteFieldsAtTheirOffsets) {
    // The status bytes follow the sense length, wherever the pointer width puts it.
    const size_t sense = offsetof(SRB_ExecSCSICmd, SRB_SenseLen);
    const Field fields[] = {
        KQ_FIELD(SRB_ExecSCSICmd, SRB_Target, 8),
        KQ_FIELD(SRB_ExecSCSICmd, SRB_Lun, 9),
        KQ_FIELD(SRB_ExecSCSICmd, SRB_CDBLen, sense + 1),
        KQ_FIELD(SRB_ExecSCSICmd, SRB_HaStat, sense + 2),
        KQ_FIELD(SRB_ExecSCSICmd, SRB_TargStat, sense + 3),
        KQ_FIELD(SRB_HAInquiry, HA_Count, 8),
        KQ_FIELD(SRB_HAInquiry, HA_SCSI_ID, 9),
        KQ_FIELD(SRB_HAInquiry, HA_ManagerId, 10),
        KQ_FIELD(SRB_HAInquiry, HA_Identifier, 26),
        KQ_FIELD(SRB_GDEVBlock, SRB_Target, 8),
        KQ_FIELD(SRB_GDEVBlock, SRB_Lun, 9),
        KQ_FIELD(SRB_GDEVBlock, SRB_DeviceType, 10),
        KQ_FIELD(SRB_GetDiskInfo, SRB_Target, 8),
        KQ_FIELD(SRB_GetDiskInfo, SRB_Lun, 9),
        KQ_FIELD(SRB_GetDiskInfo, SRB_Sectors, 13),
    };
    for (const Field& f : fields) EXPECT_EQ(f.at, f.expected) << f.name;
}

#undef KQ_FIELD

TEST(RequestBlockLayout, MultiByteFieldsAreLittleEndian) {
    SRB_HAInquiry ha{};
    ha.HA_Rsvd1 = 0xBEEF;
    SRB_ExecSCSICmd srb{};
    srb.SRB_BufLen = 0x11223344;
    uint8_t h[sizeof ha], b[sizeof srb];
    std::memcpy(h, &ha, sizeof ha);
    std::memcpy(b, &srb, sizeof srb);
    EXPECT_EQ(h[58], 0xEF);
    EXPECT_EQ(h[59], 0xBE);
    EXPECT_EQ(b[12], 0x44);
    EXPECT_EQ(b[15], 0x11);
}

}  // namespace
