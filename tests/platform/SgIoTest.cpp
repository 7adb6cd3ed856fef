// The SG_IO request built from canned inputs and canned kernel answers
// turned into outcomes (host and driver errors, EPERM and failed calls go
// through the pass-through layer in tests/transport); then the Linux
// drives on a folder of stand-in nodes, where every call reaches the real
// open and ioctl.
#include "platform/linux/LinuxOpticalDrives.h"
#include "platform/linux/SgIo.h"
#include "platform/SystemError.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <tuple>

using namespace platform;

namespace {

struct Canned {
    std::array<uint8_t, 6> cdb{0x12, 0, 0, 0, 96, 0};
    std::array<uint8_t, 96> data{};
    std::array<uint8_t, 24> sense{};
    PassThroughRequest Request(PassDirection d) {
        return {cdb, d, data, 120, sense};
    }
};

sg_io_hdr_t Answered(Canned& c, PassDirection d) {
    sg_io_hdr_t h = BuildSgIoHeader(c.Request(d));
    return h;
}

}  // namespace

TEST(SgIo, HeaderCarriesCdbDataDirectionTimeoutAndSenseRoom) {
    Canned c;
    sg_io_hdr_t h = BuildSgIoHeader(c.Request(PassDirection::In));
    EXPECT_EQ(h.interface_id, 'S');
    EXPECT_EQ(h.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(h.dxferp, c.data.data());
    EXPECT_EQ(h.dxfer_len, 96u);
    EXPECT_EQ(h.cmdp, c.cdb.data());
    EXPECT_EQ(h.cmd_len, 6);
    EXPECT_EQ(h.sbp, c.sense.data());
    EXPECT_EQ(h.mx_sb_len, 24);
    EXPECT_EQ(h.timeout, 120000u);

    EXPECT_EQ(BuildSgIoHeader(c.Request(PassDirection::Out)).dxfer_direction, SG_DXFER_TO_DEV);
    sg_io_hdr_t none = BuildSgIoHeader(c.Request(PassDirection::None));
    EXPECT_EQ(none.dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(none.dxfer_len, 0u) << "no data phase, no buffer";
}

TEST(SgIo, CheckConditionKeepsStatusAndTheSenseActuallyWritten) {
    Canned c;
    sg_io_hdr_t h = Answered(c, PassDirection::In);
    h.status = 0x02;
    h.driver_status = 0x08;  // DRIVER_SENSE: sense came with the status
    h.sb_len_wr = 18;
    PassThroughOutcome o = DecodeSgIo(h, 0, 0);
    EXPECT_EQ(o.failure, PassFailure::None) << "the drive answered";
    EXPECT_EQ(o.scsiStatus, 0x02);
    EXPECT_EQ(o.senseLength, 18u);

    h.sb_len_wr = 200;  // never more than the room given
    EXPECT_EQ(DecodeSgIo(h, 0, 0).senseLength, 24u);
}

TEST(SgIo, ShortTransferInIsCountedShortWriteIsAFailure) {
    Canned c;
    sg_io_hdr_t in = Answered(c, PassDirection::In);
    in.resid = 60;
    PassThroughOutcome o = DecodeSgIo(in, 0, 0);
    EXPECT_EQ(o.failure, PassFailure::None);
    EXPECT_EQ(o.transferred, 36u);
    in.resid = 5000;  // a residue larger than the buffer moved nothing
    EXPECT_EQ(DecodeSgIo(in, 0, 0).transferred, 0u);

    sg_io_hdr_t out = Answered(c, PassDirection::Out);
    out.resid = 10;
    EXPECT_EQ(DecodeSgIo(out, 0, 0).failure, PassFailure::ShortWrite);
}

// Kernel answers that never reached the drive and may be sent again, and
// those that mean it is gone; a failed call keeps the system's reason.
TEST(SgIo, HostDriverAndCallFailuresByClass) {
    using F = PassFailure;
    const std::tuple<uint8_t, uint8_t, int, F> cases[] = {  // host, driver, errno of a failed call
        {0x02, 0, 0, F::Transient}, {0x0B, 0, 0, F::Transient}, {0x0C, 0, 0, F::Transient}, {0x0D, 0, 0, F::Transient},
        {0x0E, 0, 0, F::Transient}, {0, 0x01, 0, F::Transient}, {0x01, 0, 0, F::NoDevice},  {0x04, 0, 0, F::NoDevice},
        {0, 0, ENODEV, F::NoDevice}, {0, 0, ENXIO, F::NoDevice}, {0, 0, EBUSY, F::CallFailed}};
    for (const auto& [host, driver, error, failure] : cases) {
        Canned canned;
        sg_io_hdr_t h = Answered(canned, PassDirection::Out);
        h.host_status = host, h.driver_status = driver;
        EXPECT_EQ(DecodeSgIo(h, error ? -1 : 0, error).failure, failure) << int(host) << int(driver) << error;
    }
    EXPECT_EQ(SystemErrorText(EBUSY), "Device or resource busy");
}

TEST(LinuxOpticalDrives, NodesInNumberOrderAndTheReasonOfOneThatWillNotOpen) {
    TempDir dir;
    for (const char* name : {"sr10", "sr2", "sr0", "sda", "srx"}) dir.Write(name, "");
    std::filesystem::create_symlink(dir / "gone", dir / "sr3");
    LinuxOpticalDrives drives(dir.Path().string());
    EXPECT_EQ(drives.Enumerate(),
              (std::vector<std::string>{dir / "sr0", dir / "sr2", dir / "sr3", dir / "sr10"}));

    auto unopenable = FindUnopenableDrives(drives);
    ASSERT_EQ(unopenable.size(), 1u);
    EXPECT_EQ(unopenable[0].node, dir / "sr3");
    EXPECT_EQ(unopenable[0].reason, std::errc::no_such_file_or_directory);
}

TEST(LinuxOpticalDrives, AFileThatIsNoDriveHasNoAddressAndFailsTheCall) {
    TempDir dir;
    dir.Write("sr0", "");
    LinuxOpticalDrives drives(dir.Path().string());
    std::error_code why;
    auto drive = drives.Open(dir / "sr0", why);
    ASSERT_TRUE(drive) << why.message();
    EXPECT_FALSE(drive->Address());
    Canned c;
    PassThroughOutcome o = drive->PassThrough(c.Request(PassDirection::In));
    EXPECT_EQ(o.failure, PassFailure::CallFailed);
    EXPECT_EQ(o.systemError, ENOTTY);
}

TEST(UnopenableDrive, TextNamesNodeReasonAndHint) {
    UnopenableDrive d{"/dev/sr0", std::error_code(EACCES, std::generic_category()), {}, {}};
    EXPECT_EQ(UnopenableText(d),
              "/dev/sr0 is there but cannot be opened: permission denied (add the user to the cdrom group)");
    d.reason = std::error_code(ENXIO, std::generic_category());
    EXPECT_EQ(UnopenableHint(d.reason), "");
}
