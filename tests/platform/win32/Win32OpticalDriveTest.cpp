// The Win32 drive behind the pass-through layer with canned DeviceIoControl
// answers: the block the driver sees, the sense and status that come back,
// and the handle closed after each command when the layer is told so. The
// handles are real (events stand in for "\\.\C:"), so closing is real too.
#include "platform/Sptd.h"
#include "platform/win32/Win32OpticalDrive.h"
#include "transport/PassThrough.h"
#include "transport/kqASPI.h"

#include <gtest/gtest.h>

#include <winioctl.h>
#include <ntddscsi.h>

#include <array>
#include <cstring>

using namespace kq;

namespace {

// The only node enumerated stands for the first letter scanned, C.
constexpr size_t kC = 'C' - 'A';

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

// One drive letter whose driver answers from a script.
class CannedDrives : public platform::OpticalDrives {
public:
    std::vector<std::string> Enumerate() override { return {"\\\\.\\C:"}; }

    std::unique_ptr<platform::OpticalDrive> Open(const std::string&, std::error_code&) override {
        HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        handles.push_back(h);
        return platform::MakeWin32OpticalDrive(
            h, [this](HANDLE handle, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
                return Answer(handle, code, in, inSize, out, outSize, returned);
            });
    }

    BOOL Answer(HANDLE handle, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
        EXPECT_TRUE(IsOpen(handle));
        if (code == IOCTL_SCSI_GET_ADDRESS) {
            SCSI_ADDRESS a{sizeof a, 1, 0, 2, 0};
            std::memcpy(out, &a, std::min<DWORD>(outSize, sizeof a));
            *returned = sizeof a;
            return TRUE;
        }
        EXPECT_EQ(code, static_cast<DWORD>(IOCTL_SCSI_PASS_THROUGH_DIRECT));
        EXPECT_EQ(inSize, 80u);
        EXPECT_EQ(in, out) << "the driver writes its answer over the request";
        auto* b = static_cast<platform::SptdBlock*>(out);
        seen.push_back(*b);
        if (failWith) {
            SetLastError(failWith);
            return FALSE;
        }
        if (b->Cdb[0] == 0x12) {
            auto* data = static_cast<uint8_t*>(b->DataBuffer);
            std::memset(data, 0, b->DataTransferLength);
            data[0] = 0x05;
            std::memcpy(data + 8, "CANNED  SPTI DRIVE      ", 24);
            b->DataTransferLength = 36;
        } else if (b->Cdb[0] == 0x00) {  // TEST UNIT READY: no disc
            b->ScsiStatus = 0x02;
            const uint8_t sense[18] = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x01};
            std::memcpy(b->Sense, sense, sizeof sense);
            b->SenseInfoLength = sizeof sense;
        }
        *returned = sizeof *b;
        return TRUE;
    }

    std::vector<HANDLE> handles;
    std::vector<platform::SptdBlock> seen;
    DWORD failWith = 0;
};

class Win32Drive : public ::testing::Test {
protected:
    ~Win32Drive() override {
        SPTIDone();
        StoreReleaseHandleAfterCommand(true);
    }
    // An execute block of cdb for drive C:.
    static SRB_ExecSCSICmd BlockFor(std::initializer_list<uint8_t> cdb) {
        const TSPTIDrive& d = SPTIDrives()[kC];
        SRB_ExecSCSICmd srb{};
        srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        srb.SRB_HaId = d.HaId;
        srb.SRB_Target = d.Target;
        srb.SRB_Lun = d.Lun;
        srb.SRB_SenseLen = 14;
        srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
        std::copy(cdb.begin(), cdb.end(), srb.CDBByte);
        return srb;
    }
    SRB_ExecSCSICmd Execute(std::initializer_list<uint8_t> cdb) {
        SRB_ExecSCSICmd srb = BlockFor(cdb);
        SPTISendCommand(&srb);
        return srb;
    }

    CannedDrives drives;
    platform::ScopedOpticalDrives scoped{drives};
};

}  // namespace

TEST_F(Win32Drive, CheckConditionBringsStatusAndSenseAndTheHandleIsClosedAfter) {
    ASSERT_EQ(SPTIInit(), 1);
    EXPECT_TRUE(SPTIDrives()[kC].Present);
    EXPECT_EQ(SPTIDrives()[kC].Target, 2) << "IOCTL_SCSI_GET_ADDRESS answered";
    EXPECT_EQ(std::memcmp(&SPTIDrives()[kC].InquiryData[8], "CANNED", 6), 0);

    StoreReleaseHandleAfterCommand(true);
    size_t before = drives.handles.size();
    SRB_ExecSCSICmd srb = Execute({0x00, 0, 0, 0, 0, 0});
    ASSERT_EQ(drives.handles.size(), before + 1) << "the command opened the drive";
    EXPECT_FALSE(IsOpen(drives.handles.back())) << "closed right after the command";
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_TargStat, 0x02);
    EXPECT_EQ(srb.SenseArea[0], 0x70);
    EXPECT_EQ(srb.SenseArea[2], 0x02);
    EXPECT_EQ(srb.SenseArea[12], 0x3A);
    EXPECT_EQ(srb.SenseArea[13], 0x01);

    const platform::SptdBlock& sent = drives.seen.back();
    EXPECT_EQ(sent.CdbLength, 6);
    EXPECT_EQ(sent.SenseInfoLength, 14) << "the room the sender asked for";
    EXPECT_EQ(sent.DataIn, SCSI_IOCTL_DATA_UNSPECIFIED);
    EXPECT_EQ(sent.SenseInfoOffset, 48u);
    EXPECT_EQ(sent.Length, sizeof(SCSI_PASS_THROUGH_DIRECT));
}

TEST_F(Win32Drive, HandleStaysOpenBetweenCommandsUntilTheLayerEnds) {
    ASSERT_EQ(SPTIInit(), 1);
    StoreReleaseHandleAfterCommand(false);
    size_t before = drives.handles.size();
    Execute({0x00, 0, 0, 0, 0, 0});
    Execute({0x00, 0, 0, 0, 0, 0});
    ASSERT_EQ(drives.handles.size(), before + 1) << "one open for both commands";
    HANDLE kept = drives.handles.back();
    EXPECT_TRUE(IsOpen(kept));
    SPTIDone();
    EXPECT_FALSE(IsOpen(kept));
}

// Every failed call names the adapter's reason, so that none reads as a
// drive busy without sense (which a burn would retry for hours).
TEST_F(Win32Drive, FailedCallIsAnAdapterErrorWithoutSense) {
    ASSERT_EQ(SPTIInit(), 1);
    const std::pair<DWORD, uint8_t> cases[] = {{ERROR_SEM_TIMEOUT, HASTAT_TIMEOUT},
                                               {ERROR_DEVICE_NOT_CONNECTED, 0x11},
                                               {ERROR_DEV_NOT_EXIST, 0x11},
                                               {ERROR_INVALID_PARAMETER, 0x14},
                                               {ERROR_GEN_FAILURE, 0x14}};
    for (auto [error, haStat] : cases) {
        drives.failWith = error;
        SRB_ExecSCSICmd srb = Execute({0x00, 0, 0, 0, 0, 0});
        EXPECT_EQ(srb.SRB_Status, SS_ERR) << error;
        EXPECT_EQ(srb.SRB_HaStat, haStat) << error;
        EXPECT_EQ(srb.SRB_TargStat, 0);
        EXPECT_EQ(srb.SenseArea[0], 0);
        EXPECT_FALSE(IsOpen(drives.handles.back()));
    }
}

TEST_F(Win32Drive, RequestWithoutDirectionKeepsItsBuffer) {
    ASSERT_EQ(SPTIInit(), 1);
    std::array<uint8_t, 12> data{};
    SRB_ExecSCSICmd srb = BlockFor({0, 0, 0, 0, 0, 0});
    srb.SRB_BufPointer = data.data();
    srb.SRB_BufLen = static_cast<uint32_t>(data.size());
    SPTISendCommand(&srb);
    const platform::SptdBlock& sent = drives.seen.back();
    EXPECT_EQ(sent.DataIn, SCSI_IOCTL_DATA_UNSPECIFIED);
    EXPECT_EQ(sent.DataBuffer, data.data());
    EXPECT_EQ(sent.DataTransferLength, data.size());
}

namespace {
// Drives that note the process's error mode while they are enumerated.
class ModeNotingDrives : public platform::OpticalDrives {
public:
    std::vector<std::string> Enumerate() override {
        modeDuringScan = GetErrorMode();
        return {};
    }
    std::unique_ptr<platform::OpticalDrive> Open(const std::string&, std::error_code& why) override {
        why = std::make_error_code(std::errc::no_such_device);
        return nullptr;
    }
    UINT modeDuringScan = 0;
};
}  // namespace

// Opening the drive letters of empty drives must raise no "insert a disk"
// box: the quiet error mode covers the whole load, the scan included, and
// the previous mode comes back after.
TEST(Win32Loader, ScanRunsWithCriticalErrorsQuietAndTheModeComesBack) {
    ModeNotingDrives drives;
    platform::ScopedOpticalDrives scoped{drives};
    const UINT saved = SetErrorMode(0);
    (void)LoadASPI(true, "");
    EXPECT_NE(drives.modeDuringScan & SEM_FAILCRITICALERRORS, 0u);
    EXPECT_EQ(GetErrorMode(), 0u);
    SetErrorMode(saved);
    ReleaseASPI();
    SPTIDone();
}
