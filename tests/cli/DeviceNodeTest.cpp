// --device /dev/srN: a drive named by its node, found through the
// pass-through layer, with virtual recorders standing in as the drives.
#include "cli/DeviceChoice.h"
#include "drive/TSCSIDevice.h"
#include "transport/PassThrough.h"
#include "vrecorder/VirtualOpticalDrives.h"

#include <gtest/gtest.h>

#ifndef _WIN32

TEST(DeviceNode, NamesTheDriveAtThatNode) {
    vrec::VirtualOpticalDrives drives;
    platform::ScopedOpticalDrives scoped{drives};
    for (uint8_t target : {0, 3}) {
        vrec::RecorderConfig c;
        c.target = target;
        c.vendor = target ? "SECOND" : "FIRST";
        drives.Add(std::make_shared<vrec::VirtualRecorder>(c));
    }
    {
        kq::TSCSIDevice device;
        ASSERT_TRUE(device.InitASPI(true, ""));
        const std::vector<std::string> devices = device.Devices();
        ASSERT_EQ(devices.size(), 2u);
        auto second = kq::cli::ResolveDevice(devices, "/dev/vsr1");
        ASSERT_TRUE(second);
        EXPECT_NE(second->find("SECOND"), std::string::npos) << *second;
        EXPECT_NE(kq::cli::ResolveDevice(devices, "/dev/vsr0")->find("FIRST"), std::string::npos);
        EXPECT_FALSE(kq::cli::ResolveDevice(devices, "/dev/vsr2"));
        EXPECT_FALSE(kq::cli::ResolveDevice(devices, "/dev/"));
    }
    kq::ReleaseASPI();
    kq::SPTIDone();
}

#endif
