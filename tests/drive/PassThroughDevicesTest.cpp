// Device objects on the pass-through layer, with virtual recorders standing
// in as the machine's optical drives: the listing the tools print, drive
// letters, and two device objects sharing one drive from two threads.
#include "drive/DriveListing.h"
#include "drive/TSCSIDevice.h"
#include "transport/PassThrough.h"
#include "vrecorder/VirtualOpticalDrives.h"

#include <gtest/gtest.h>

#include <thread>

using namespace kq;

namespace {

class OnPassThrough : public ::testing::Test {
protected:
    ~OnPassThrough() override {
        ReleaseASPI();
        SPTIDone();
        StoreReleaseHandleAfterCommand(true);
    }
    vrec::VirtualDriveSlot& AddDrive(uint8_t adapter, uint8_t target, const char* vendor = "VIRTUAL") {
        vrec::RecorderConfig c;
        c.adapter = adapter;
        c.target = target;
        c.vendor = vendor;
        c.capacity = 20000;
        return drives.Add(std::make_shared<vrec::VirtualRecorder>(c));
    }

    vrec::VirtualOpticalDrives drives;
    platform::ScopedOpticalDrives scoped{drives};
};

}  // namespace

TEST_F(OnPassThrough, ListingShowsEntriesWithLettersAndTheDriveThatWouldNotOpen) {
    AddDrive(0, 0, "FIRST");
    drives.AddUnopenable(std::make_error_code(std::errc::permission_denied));
    AddDrive(0, 0, "NOADDR").address.reset();

    TSCSIDevice device;
    ASSERT_TRUE(device.InitASPI(true, ""));
    EXPECT_EQ(DriveListingLines(ListDrives(device)),
              (std::vector<std::string>{
                  "0:0:0,C: FIRST   CD-RW RECORDER  1.00",
                  "1:0:0,E: NOADDR  CD-RW RECORDER  1.00",
                  "/dev/vsr1 is there but cannot be opened: permission denied (add the user to the cdrom group)",
              }));
    device.SelectDevice(device.Devices()[1]);
    EXPECT_EQ(device.HaId, 1);
    EXPECT_EQ(device.DeviceDescription(), "NOADDR   CD-RW RECORDER   1.00");
}

// Hosts are numbered upward with every plug-in: drives on hosts far above
// 126 are swept and selectable, and a drive without an address never gets
// 254, the number of "no drive selected".
TEST_F(OnPassThrough, HighHostNumbersAreSweptAndSelectable) {
    AddDrive(130, 0, "HOST130");
    AddDrive(253, 1, "HOST253");
    AddDrive(0, 0, "NOADDR").address.reset();

    TSCSIDevice device;
    ASSERT_TRUE(device.InitASPI(true, ""));
    EXPECT_EQ(device.HostAdapterCount(), 254);
    EXPECT_EQ(device.Devices(), (std::vector<std::string>{
                                    "0:0:0,E: NOADDR  CD-RW RECORDER  1.00",
                                    "130:0:0,C: HOST130 CD-RW RECORDER  1.00",
                                    "253:1:0,D: HOST253 CD-RW RECORDER  1.00",
                                }));
    for (const std::string& entry : device.Devices()) {
        device.SelectDevice(entry);
        EXPECT_EQ(device.DeviceType(), 5) << entry;
        EXPECT_TRUE(device.Capabilities().Contains(TDeviceCapability::CanWriteCDR)) << entry;
    }
    EXPECT_EQ(device.HaId, 253);
}

// Windows drive letters: each recorder is listed and found at its own
// letter, whatever letters come before it. B: is no pass-through letter,
// yet a drive there is found by its address.
TEST_F(OnPassThrough, DrivesSitAtTheirOwnLetters) {
    AddDrive(0, 1, "AT_F").node = "\\\\.\\F:";
    AddDrive(0, 0, "AT_D").node = "\\\\.\\D:";
    AddDrive(0, 2, "AT_B").node = "\\\\.\\B:";

    TSCSIDevice device;
    ASSERT_TRUE(device.InitASPI(true, ""));
    EXPECT_EQ(device.Devices(), (std::vector<std::string>{
                                    "0:0:0,D: AT_D    CD-RW RECORDER  1.00",
                                    "0:1:0,F: AT_F    CD-RW RECORDER  1.00",
                                }));
    EXPECT_EQ(SPTIDrives()[2].Target, kNotAnOpticalDrive) << "nothing at C:";
    EXPECT_EQ(SPTIDrives()[4].Target, kNotAnOpticalDrive) << "nothing at E:";

    // The same drives behind a library: letters from each drive's address.
    InstallTransport(&SPTISendCommand, &SPTIGetSupportInfo, kAspiLibraryName);
    const std::pair<uint8_t, char> letters[] = {{0, 'D'}, {1, 'F'}, {2, 'B'}};
    for (auto [target, letter] : letters) {
        device.HaId = 0;
        device.Target = target;
        device.Lun = 0;
        EXPECT_EQ(device.GetDriveLetter(), letter);
    }
}

TEST_F(OnPassThrough, AnAddressWithoutADriveHasNoLetter) {
    AddDrive(0, 0);
    TSCSIDevice device;
    ASSERT_TRUE(device.InitASPI(true, ""));
    device.HaId = 0;
    device.Target = 0;
    device.Lun = 0;
    EXPECT_EQ(device.GetDriveLetter(), 'C');
    device.Target = 6;
    EXPECT_EQ(device.GetDriveLetter(), 0) << "not the layer's 127";
}

namespace {
class CommandDevice : public TSCSIDevice {
public:
    bool TestUnitReady() {
        const std::array<uint8_t, 6> cdb{};
        return RunCommand(cdb, NoData(), 5000);
    }
};
}  // namespace

// Two device objects on one drive, each sending from its own thread while
// the handle is closed after every command: the layer must keep their
// calls apart, or one closes the handle under the other.
TEST_F(OnPassThrough, TwoDeviceObjectsOnOneDriveNeverOverlap) {
    auto& slot = AddDrive(0, 0);
    drives.SetCallMs(1);
    CommandDevice first;
    ASSERT_TRUE(first.InitASPI(true, ""));
    CommandDevice second;
    first.SelectDevice("0:0:0");
    second.SelectDevice("0:0:0");
    ASSERT_EQ(second.DeviceType(), 5);

    constexpr int kCommands = 40;
    std::atomic<int> failures{0};
    auto work = [&failures](CommandDevice& device) {
        for (int i = 0; i < kCommands; ++i)
            if (!device.TestUnitReady()) ++failures;
    };
    std::thread a(work, std::ref(first));
    std::thread b(work, std::ref(second));
    a.join();
    b.join();
    EXPECT_EQ(slot.mostActive, 1);
    EXPECT_EQ(slot.openHandles, 0);
    EXPECT_GE(slot.calls, 2 * kCommands);
    EXPECT_EQ(failures, 0);
}
