// The adapter inquiry and the INQUIRY sweep behind the ASPI library layer:
// which devices are listed and how their entries read, byte for byte.
#include "VirtualLayer.h"
#include "drive/TSCSIDevice.h"

#include <gtest/gtest.h>

#include <set>

using namespace kq;
using kqtest::At;
using kqtest::VirtualLayer;

namespace {

struct Line {
    std::string text;
    uint8_t kind;
    bool operator==(const Line&) const = default;
};

std::vector<Line>* Recording(TSCSIDevice& device, std::vector<Line>& lines) {
    device.OnDebugMessage = [&lines](TSCSIDevice&, const std::string& m, uint8_t k) { lines.push_back({m, k}); };
    return &lines;
}

std::vector<vrec::RecorderConfig> Machine() {
    auto writer = At(0, 0);
    writer.vendor = "ACME";
    writer.product = "WRITER 9000";
    auto writeOnce = At(0, 1);
    writeOnce.deviceType = 0x04;
    writeOnce.driveLetter = 5;
    auto qualified = At(0, 2);
    qualified.deviceType = 0x25;  // qualifier set: no device there
    auto second = At(1, 3, 2);
    second.vendor = "OTHER";
    return {writer, writeOnce, qualified, second};
}

}  // namespace

TEST(Discovery, ANewDeviceObjectSweepsWhenTheTransportIsLoaded) {
    VirtualLayer layer(Machine());
    TSCSIDevice device;
    EXPECT_EQ(device.Devices(), (std::vector<std::string>{
                                    "0:0:0,E: ACME    WRITER 9000     1.00",
                                    "0:1:0,F: VIRTUAL CD-RW RECORDER  1.00 (not supported)",
                                    "1:3:2,E: OTHER   CD-RW RECORDER  1.00",
                                }));
    EXPECT_EQ(device.HaId, NoAddress) << "the sweep leaves the address as it was";
    EXPECT_EQ(device.Lun, NoAddress);
    EXPECT_EQ(device.LastErrorText(), "");
}

TEST(Discovery, DebugLinesOnlyWithDoDebug) {
    VirtualLayer layer({At(0, 0)});
    TSCSIDevice device;
    std::vector<Line> lines;
    Recording(device, lines);
    device.HostAdapterInquiry(0);
    device.RescanDevices();
    EXPECT_TRUE(lines.empty());

    device.DoDebug = true;
    device.HostAdapterInquiry(0);
    device.RescanDevices();
    EXPECT_EQ(lines, (std::vector<Line>{{">>> libwnaspi32.so", 1}, {">>> VRECORDER ASPI   (VIRTUAL ADAPTER)", 1}}));
    EXPECT_EQ(device.Devices().size(), 1u);
}

TEST(Discovery, FailedAdapterInquirySweepsNothing) {
    VirtualLayer layer({});
    TSCSIDevice device;
    EXPECT_EQ(device.HostAdapterCount(), -1);
    EXPECT_TRUE(device.Devices().empty());
}

// A layer that reports no adapters yet answers on them: swept as seven.
namespace {
std::set<int> sweptAdapters;
int inquiries = 0;
uint32_t NoAdaptersSend(void* block) {
    auto* header = static_cast<SRB_Header*>(block);
    if (header->SRB_Cmd == SC_HA_INQUIRY) {
        static_cast<SRB_HAInquiry*>(block)->HA_Count = 0;
        header->SRB_Status = SS_COMP;
    } else if (header->SRB_Cmd == SC_EXEC_SCSI_CMD) {
        sweptAdapters.insert(header->SRB_HaId);
        ++inquiries;
        header->SRB_Status = SS_NO_DEVICE;
    } else {
        header->SRB_Status = SS_ERR;
    }
    return header->SRB_Status;
}
uint32_t NoAdaptersInfo() { return 0; }
}  // namespace

TEST(Discovery, ZeroAdaptersAreSweptAsSeven) {
    InstallTransport(&NoAdaptersSend, &NoAdaptersInfo, "ZERO");
    {
        TSCSIDevice device;
        EXPECT_EQ(sweptAdapters, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(inquiries, 7 * 64);
        EXPECT_TRUE(device.Devices().empty());
    }
    ReleaseTransport();
}
