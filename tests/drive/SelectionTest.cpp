// Selecting entries of Devices: parsing, identification, refusals, and the
// events around a selection.
#include "VirtualLayer.h"
#include "drive/DriveMessages.h"
#include "drive/TSCSIDevice.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace kq;
using kqtest::At;
using kqtest::VirtualLayer;

namespace {

const std::string kRefused = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";

class Selection : public ::testing::Test {
protected:
    explicit Selection(std::vector<vrec::RecorderConfig> configs = {At(1, 0), At(12, 0)}) : layer(configs) {
        device.OnDebugMessage = [this](TSCSIDevice&, const std::string& m, uint8_t k) {
            if (k == 0) lines.push_back(m);
        };
    }
    void ExpectCleared() {
        EXPECT_EQ(device.HaId, NoAddress);
        EXPECT_EQ(device.Target, NoAddress);
        EXPECT_EQ(device.Lun, NoAddress);
        EXPECT_EQ(device.DeviceType(), 0x7F);
        EXPECT_EQ(device.DeviceID(), "");
        EXPECT_EQ(device.DeviceDescription(), "");
    }

    VirtualLayer layer;
    TSCSIDevice device;
    std::vector<std::string> lines;
};

}  // namespace

TEST_F(Selection, EntriesOfFiveCharactersAndOfAdapterTwelve) {
    EXPECT_TRUE(device.SelectDevice("1:0:0"));
    EXPECT_EQ(std::tie(device.HaId, device.Target, device.Lun), std::make_tuple(1, 0, 0));
    EXPECT_EQ(device.DeviceType(), 0x05);
    EXPECT_EQ(device.DeviceID(), "1:0:0");
    EXPECT_EQ(device.DeviceDescription(), "VIRTUAL  CD-RW RECORDER   1.00");

    ASSERT_EQ(device.Devices().size(), 2u);
    const std::string twelve = device.Devices()[1];
    EXPECT_EQ(twelve.substr(0, 10), "12:0:0,E: ");
    EXPECT_TRUE(device.SelectDevice(twelve));
    EXPECT_EQ(device.HaId, 12);
    EXPECT_EQ(device.DeviceID(), twelve);
    EXPECT_TRUE(lines.empty());
}

TEST_F(Selection, ShortEmptyAndNonNumericEntriesAreRefused) {
    EXPECT_TRUE(device.SelectDevice("1:0:"));
    ExpectCleared();
    EXPECT_EQ(lines, std::vector<std::string>{kRefused});

    ASSERT_TRUE(device.SelectDevice("1:0:0"));
    EXPECT_TRUE(device.SelectDevice(""));
    ExpectCleared();
    EXPECT_EQ(lines.size(), 1u) << "an empty entry is refused silently";

    EXPECT_TRUE(device.SelectDevice("A:0:0,E: VIRTUAL"));
    ExpectCleared();
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_TRUE(device.SelectDevice("1:0:999"));
    EXPECT_EQ(lines.size(), 3u) << "a number beyond a byte";
}

TEST_F(Selection, FailedInquiryRefusesEvenWithAnEarlierReplyInPlace) {
    ASSERT_TRUE(device.SelectDevice("1:0:0"));
    ASSERT_EQ(device.InquiryData()[0], 0x05);
    EXPECT_TRUE(device.SelectDevice("1:5:0"));
    ExpectCleared();
    EXPECT_EQ(lines, std::vector<std::string>{kRefused});
}

TEST_F(Selection, OnDeviceChangeOncePerSelectionAndItsExceptionStaysInside) {
    int changes = 0;
    device.OnDeviceChange = [&](TSCSIDevice& sender) {
        EXPECT_EQ(&sender, &device);
        ++changes;
    };
    device.SelectDevice("1:0:0");
    device.SelectDevice("1:0:0");
    EXPECT_EQ(changes, 2);

    device.OnDeviceChange = [](TSCSIDevice&) { throw std::runtime_error("handler"); };
    EXPECT_NO_THROW(device.SelectDevice("1:0:0"));
    ExpectCleared();
    EXPECT_EQ(lines, std::vector<std::string>{kRefused});
}

TEST_F(Selection, DeviceChangeComesBeforeTheWriteTypeProbe) {
    size_t logAtChange = 0;
    device.OnDeviceChange = [&](TSCSIDevice&) { logAtChange = layer.recorders[0]->Log().size(); };
    layer.recorders[0]->ClearLog();
    device.SelectDevice("1:0:0");
    const auto log = layer.recorders[0]->Log();
    ASSERT_GT(logAtChange, 0u);
    int probesAfter = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].Opcode() != 0x55) continue;
        EXPECT_GE(i, logAtChange) << "write types probed before the change was announced";
        ++probesAfter;
    }
    EXPECT_GT(probesAfter, 0);
}

namespace {
vrec::RecorderConfig Odd(uint8_t target, std::string vendor, std::string product, uint8_t type) {
    auto c = At(0, target);
    c.vendor = std::move(vendor);
    c.product = std::move(product);
    c.deviceType = type;
    return c;
}
class OddDevices : public Selection {
protected:
    OddDevices()
        : Selection({Odd(0, std::string("AC\x01ME", 5), std::string("WR\x1FTER\0X", 8), 5),
                     Odd(1, "ONCE", "WRITER", 4)}) {}
};
}  // namespace

TEST_F(OddDevices, ControlBytesBlankedInTheDescriptionKeptInTheEntry) {
    ASSERT_EQ(device.Devices().size(), 2u);
    const std::string entry = device.Devices()[0];
    EXPECT_EQ(entry.substr(9, 8), std::string("AC\x01ME   ", 8));
    EXPECT_EQ(entry.substr(17, 8), std::string("WR\x1FTER\0X", 8));
    device.SelectDevice(entry);
    EXPECT_EQ(device.DeviceDescription(), "AC ME    WR TER X         1.00");
    EXPECT_EQ(device.DeviceDescription().size(), 30u);
}

TEST(SelectionQuirks, QuirksSeeTheFieldsWithControlBytesBlanked) {
    auto quirky = At(0, 0);
    quirky.product = std::string("CRX175E\x01", 8);
    VirtualLayer layer({quirky});
    TSCSIDevice fresh;
    fresh.SelectDevice("0:0:0");
    EXPECT_EQ(fresh.DeviceType(), 0x05);
    EXPECT_TRUE(fresh.LinkSizeQuirk());
}

TEST_F(OddDevices, WriteOnceDeviceIsListedAsNotSupportedYetSelectable) {
    const std::string entry = device.Devices()[1];
    EXPECT_TRUE(entry.ends_with(" (not supported)"));
    device.SelectDevice(entry);
    EXPECT_EQ(device.DeviceType(), 0x04);
    EXPECT_EQ(device.Target, 1);
    EXPECT_TRUE(lines.empty());
}
