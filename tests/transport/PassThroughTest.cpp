// The pass-through layer on virtual recorders standing in as the machine's
// optical drives, and on a drive whose kernel answers are canned SG_IO
// headers: the scan, the table, the entry points and the per-drive lock.
#include "platform/SystemError.h"
#include "platform/linux/SgIo.h"
#include "transport/PassThrough.h"
#include "transport/kqASPI.h"
#include "vrecorder/VirtualOpticalDrives.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace kq;

namespace {

std::shared_ptr<vrec::VirtualRecorder> Recorder(uint8_t adapter, uint8_t target, const char* vendor = "VIRTUAL") {
    vrec::RecorderConfig c;
    c.adapter = adapter;
    c.target = target;
    c.vendor = vendor;
    c.capacity = 20000;
    return std::make_shared<vrec::VirtualRecorder>(c);
}

class PassThroughLayer : public ::testing::Test {
protected:
    ~PassThroughLayer() override {
        SPTIDone();
        StoreReleaseHandleAfterCommand(true);
    }
    static SRB_ExecSCSICmd Execute(uint8_t ha, uint8_t target, std::initializer_list<uint8_t> cdb,
                                   uint8_t flags = 0, std::span<uint8_t> data = {}) {
        SRB_ExecSCSICmd srb{};
        srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        srb.SRB_HaId = ha;
        srb.SRB_Target = target;
        srb.SRB_Flags = static_cast<uint8_t>(SRB_EVENT_NOTIFY | flags);
        srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
        srb.SRB_SenseLen = 24;
        srb.SRB_BufLen = static_cast<uint32_t>(data.size());
        srb.SRB_BufPointer = data.empty() ? nullptr : data.data();
        std::copy(cdb.begin(), cdb.end(), srb.CDBByte);
        SPTISendCommand(&srb);
        return srb;
    }
    static int Inquiries(vrec::VirtualRecorder& r) {
        int n = 0;
        for (const auto& e : r.Log()) n += e.Opcode() == 0x12;
        return n;
    }

    vrec::VirtualOpticalDrives drives;
    platform::ScopedOpticalDrives scoped{drives};
};

}  // namespace

TEST_F(PassThroughLayer, DrivesWithoutAddressShareOneExtraAdapterInLetterOrder) {
    drives.Add(Recorder(0, 3));
    drives.AddUnopenable(std::make_error_code(std::errc::permission_denied));
    drives.Add(Recorder(0, 0, "NOADDR1")).address.reset();
    drives.Add(Recorder(0, 0, "NOADDR2")).address.reset();

    EXPECT_EQ(SPTIInit(), 3);
    EXPECT_EQ(SPTIAdapterCount(), 2);
    const auto& t = SPTIDrives();
    EXPECT_TRUE(t[2].Present);
    EXPECT_EQ(t[2].Target, 3);
    EXPECT_FALSE(t[3].Present) << "D would not open";
    EXPECT_EQ(std::tie(t[4].HaId, t[4].Target, t[4].Lun), std::make_tuple(1, 0, 0));
    EXPECT_EQ(std::tie(t[5].HaId, t[5].Target, t[5].Lun), std::make_tuple(1, 1, 0));
    EXPECT_EQ(std::memcmp(&t[5].InquiryData[8], "NOADDR2", 7), 0);
    EXPECT_EQ(t[6].Target, kNotAnOpticalDrive);
    EXPECT_EQ(SPTIDriveLetter(1, 1, 0), 'F');
    EXPECT_EQ(SPTIDriveLetter(0, 3, 0), 'C');
    EXPECT_EQ(SPTIDriveLetter(7, 7, 7), kNoSPTIDriveLetter);
    EXPECT_EQ(SPTIFindDrive(1, 0, 0), 4);
    EXPECT_EQ(SPTIGetSupportInfo(), 0x0102u);

    auto unopenable = SPTIUnopenableDrives();
    ASSERT_EQ(unopenable.size(), 1u);
    EXPECT_EQ(unopenable[0].node, "/dev/vsr1");
    EXPECT_EQ(unopenable[0].reason, std::errc::permission_denied);

    // The table is built once.
    drives.Add(Recorder(0, 5));
    EXPECT_EQ(SPTIInit(), 0);
    EXPECT_EQ(SPTIFindDrive(0, 5, 0), 0);
    EXPECT_EQ(SPTIFindDrive(1, 1, 0), 5);
}

TEST_F(PassThroughLayer, NoDrivesNoAdapters) {
    EXPECT_EQ(SPTIInit(), 0);
    EXPECT_TRUE(SPTIInitialized());
    EXPECT_EQ(SPTIAdapterCount(), 1) << "the count never goes below 1";
    EXPECT_TRUE(SPTIDone());
    EXPECT_FALSE(SPTIDone());
    EXPECT_EQ(SPTIGetSupportInfo(), uint32_t{SS_NO_ADAPTERS} << 8);
}

TEST_F(PassThroughLayer, InquiryIsAnsweredFromTheScansCopyNeverMoreThanAsked) {
    auto rec = Recorder(0, 0, "ACME");
    drives.Add(rec);
    ASSERT_EQ(SPTIInit(), 1);
    ASSERT_EQ(Inquiries(*rec), 1);

    std::vector<uint8_t> reply(64, 0xEE);
    auto srb = Execute(0, 0, {0x12, 0, 0, 0, 20, 0}, SRB_DIR_IN, std::span(reply).first(20));
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(std::memcmp(&reply[8], "ACME", 4), 0);
    EXPECT_EQ(reply[20], 0xEE) << "only SRB_BufLen bytes are written";
    srb = Execute(0, 0, {0x12, 0, 0, 0, 128, 0}, SRB_DIR_IN, reply);
    EXPECT_EQ(std::memcmp(&reply[32], "1.00", 4), 0);
    EXPECT_EQ(reply[36], 0xEE) << "36 bytes of the scan's copy";
    EXPECT_EQ(Inquiries(*rec), 1) << "the drive is not asked again";
}

TEST_F(PassThroughLayer, HostAdapterInquiryAndDeviceType) {
    drives.Add(Recorder(1, 0));
    ASSERT_EQ(SPTIInit(), 1);
    ASSERT_EQ(SPTIAdapterCount(), 2);

    SRB_HAInquiry ha{};
    ha.SRB_HaId = 3;
    EXPECT_EQ(SPTISendCommand(&ha), SS_INVALID_HA);
    EXPECT_EQ(ha.SRB_Status, SS_INVALID_HA);
    EXPECT_EQ(ha.HA_Count, 2);

    ha = SRB_HAInquiry{};
    std::memset(ha.HA_Identifier, 0xAA, 16);
    EXPECT_EQ(SPTISendCommand(&ha), SS_COMP);
    EXPECT_EQ(ha.HA_SCSI_ID, 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ha.HA_ManagerId), 16), kSPTIManagerId);
    const uint8_t identifier[16] = {'S', 'P', 'T', 'I', ' ', '0'};
    EXPECT_EQ(std::memcmp(ha.HA_Identifier, identifier, 16), 0);
    const uint8_t unique[13] = {7, 0, 0, 8, 0, 0, 0xFF};
    EXPECT_EQ(std::memcmp(ha.HA_Unique, unique, 13), 0);

    SRB_GDEVBlock dev{};
    dev.SRB_Cmd = SC_GET_DEV_TYPE;
    dev.SRB_HaId = 1;
    EXPECT_EQ(SPTISendCommand(&dev), SS_COMP);
    EXPECT_EQ(dev.SRB_DeviceType, 5);
    dev.SRB_Target = 1;
    EXPECT_EQ(SPTISendCommand(&dev), SS_NO_DEVICE);
    EXPECT_EQ(dev.SRB_DeviceType, 0x1F);

    SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
    EXPECT_EQ(SPTISendCommand(&disk), SS_ERR);
    EXPECT_EQ(disk.SRB_Status, SS_PENDING);
    EXPECT_EQ(SPTISendCommand(nullptr), SS_ERR);
    // Nothing is pending here to abort; a code no layer knows is refused alike.
    for (uint8_t code : {SC_ABORT_SRB, uint8_t{0x7F}}) {
        SRB_Abort other{};
        other.SRB_Cmd = code;
        EXPECT_EQ(SPTISendCommand(&other), SS_ERR) << int(code);
        EXPECT_EQ(other.SRB_Status, SS_ERR) << int(code);
    }
}

TEST_F(PassThroughLayer, DriveErrorsCarryTheDrivesSenseAndStatus) {
    vrec::RecorderConfig c;
    c.medium = vrec::MediumKind::None;
    drives.Add(std::make_shared<vrec::VirtualRecorder>(c));
    ASSERT_EQ(SPTIInit(), 1);
    auto srb = Execute(0, 0, {0x00, 0, 0, 0, 0, 0});
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_TargStat, 0x02);
    EXPECT_EQ(srb.SRB_HaStat, 0);
    EXPECT_EQ(srb.SenseArea[0], 0x70);
    EXPECT_EQ(srb.SenseArea[12], 0x3A) << "MEDIUM NOT PRESENT";
    EXPECT_EQ(Execute(0, 4, {0x00, 0, 0, 0, 0, 0}).SRB_Status, SS_NO_DEVICE);
}

TEST_F(PassThroughLayer, HandleClosesAfterEachCommandOnlyWhileTheFlagIsSet) {
    auto& slot = drives.Add(Recorder(0, 0));
    ASSERT_EQ(SPTIInit(), 1);
    const int scanOpens = slot.opens;
    Execute(0, 0, {0x00, 0, 0, 0, 0, 0});
    Execute(0, 0, {0x00, 0, 0, 0, 0, 0});
    EXPECT_EQ(slot.opens - scanOpens, 2);
    EXPECT_EQ(slot.openHandles, 0);

    StoreReleaseHandleAfterCommand(false);
    Execute(0, 0, {0x00, 0, 0, 0, 0, 0});
    Execute(0, 0, {0x00, 0, 0, 0, 0, 0});
    EXPECT_EQ(slot.opens - scanOpens, 3);
    EXPECT_EQ(slot.openHandles, 1);
    SPTIDone();
    EXPECT_EQ(slot.openHandles, 0) << "the layer's end closes what is open";
}

TEST_F(PassThroughLayer, FilteredCommandIsNoDriveError) {
    auto& slot = drives.Add(Recorder(0, 0));
    slot.filtered = {0x01};
    ASSERT_EQ(SPTIInit(), 1);
    auto srb = Execute(0, 0, {0x01, 0, 0, 0, 0, 0});
    EXPECT_EQ(srb.SRB_Status, SS_INVALID_CMD);
    EXPECT_EQ(srb.SRB_TargStat, 0);
    EXPECT_EQ(srb.SenseArea[0], 0);
}

TEST_F(PassThroughLayer, ADriveThatFailsItsProbeIsAbsentButListedAsUnusable) {
    auto& slot = drives.Add(Recorder(0, 0));
    slot.callsFail = true;
    EXPECT_EQ(SPTIInit(), 0);
    EXPECT_EQ(SPTIFindDrive(0, 0, 0), 0);
    ASSERT_EQ(SPTIUnopenableDrives().size(), 1u);
    EXPECT_EQ(platform::UnopenableText(SPTIUnopenableDrives()[0]),
              slot.node + " is there but did not answer INQUIRY: " + platform::SystemErrorText(EIO));
}

// ---- One drive whose kernel answers are canned SG_IO headers ----

namespace {

using Kernel = std::function<void(sg_io_hdr_t&)>;

class CannedDrive : public platform::OpticalDrive {
public:
    explicit CannedDrive(Kernel& kernel) : kernel_(kernel) {}
    std::optional<platform::ScsiAddress> Address() override { return platform::ScsiAddress{}; }
    platform::PassThroughOutcome PassThrough(const platform::PassThroughRequest& rq) override {
        sg_io_hdr_t h = platform::BuildSgIoHeader(rq);
        if (rq.cdb[0] == 0x12) return platform::DecodeSgIo(h, 0, 0);  // the scan
        int result = 0;
        kernel_(h);
        if (h.info == 0xFF) result = -1;  // the test's way to fail the ioctl
        return platform::DecodeSgIo(h, result, h.duration);
    }

private:
    Kernel& kernel_;
};

class CannedDrives : public platform::OpticalDrives {
public:
    std::vector<std::string> Enumerate() override { return {"/dev/sr0"}; }
    std::unique_ptr<platform::OpticalDrive> Open(const std::string&, std::error_code&) override {
        return std::make_unique<CannedDrive>(kernel);
    }
    Kernel kernel;
};

class CannedSgIo : public ::testing::Test {
protected:
    CannedSgIo() { SPTIInit(); }
    ~CannedSgIo() override { SPTIDone(); }
    CannedDrives drives;
    platform::ScopedOpticalDrives scoped{drives};
};

SRB_ExecSCSICmd Send(uint8_t flags, std::span<uint8_t> data) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Flags = flags;
    srb.SRB_CDBLen = 10;
    srb.SRB_SenseLen = 24;
    srb.CDBByte[0] = 0x5A;
    srb.SRB_BufLen = static_cast<uint32_t>(data.size());
    srb.SRB_BufPointer = data.data();
    SPTISendCommand(&srb);
    return srb;
}

}  // namespace

TEST_F(CannedSgIo, RequestCarriesDirectionTimeoutAndSenseLength) {
    sg_io_hdr_t seen{};
    drives.kernel = [&](sg_io_hdr_t& h) { seen = h; };
    std::array<uint8_t, 64> data{};
    EXPECT_EQ(Send(SRB_EVENT_NOTIFY, data).SRB_Status, SS_COMP);
    EXPECT_EQ(seen.dxfer_direction, SG_DXFER_NONE) << "neither direction bit: no data phase";
    EXPECT_EQ(seen.timeout, 120000u);
    EXPECT_EQ(seen.mx_sb_len, 24);
    EXPECT_EQ(seen.cmd_len, 10);
    Send(SRB_EVENT_NOTIFY | SRB_DIR_OUT, data);
    EXPECT_EQ(seen.dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(seen.dxfer_len, 64u);
}

TEST_F(CannedSgIo, CheckConditionCopiesTheSenseTheKernelWrote) {
    drives.kernel = [](sg_io_hdr_t& h) {
        h.status = 0x02;
        h.driver_status = 0x08;
        const uint8_t sense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x00};
        std::memcpy(h.sbp, sense, sizeof sense);
        h.sb_len_wr = sizeof sense;
    };
    std::array<uint8_t, 8> data{};
    auto srb = Send(SRB_EVENT_NOTIFY | SRB_DIR_IN, data);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_TargStat, 0x02);
    EXPECT_EQ(srb.SenseArea[2], 0x05);
    EXPECT_EQ(srb.SenseArea[12], 0x24);
}

TEST_F(CannedSgIo, HostAndDriverErrorsFailWithAnAdapterStatus) {
    std::array<uint8_t, 8> data{};
    const std::pair<std::function<void(sg_io_hdr_t&)>, uint8_t> cases[] = {
        {[](sg_io_hdr_t& h) { h.host_status = 0x03; }, HASTAT_TIMEOUT},
        {[](sg_io_hdr_t& h) { h.host_status = 0x01; }, 0x11},
        {[](sg_io_hdr_t& h) { h.host_status = 0x08; }, 0x0E},
        {[](sg_io_hdr_t& h) { h.driver_status = 0x06; }, HASTAT_TIMEOUT},
        {[](sg_io_hdr_t& h) { h.driver_status = 0x04; }, 0x14},
    };
    for (const auto& [kernel, haStat] : cases) {
        drives.kernel = kernel;
        auto srb = Send(SRB_EVENT_NOTIFY | SRB_DIR_IN, data);
        EXPECT_EQ(srb.SRB_Status, SS_ERR) << "SCSI status 0 is no success here";
        EXPECT_EQ(srb.SRB_HaStat, haStat);
    }
}

TEST_F(CannedSgIo, IoctlFailureAndFilterAndShortTransfers) {
    std::array<uint8_t, 8> data{};
    // A failed call always names the adapter's reason: a drive that is gone
    // did not select, anything else is the adapter's failure. Without it
    // the request would read as a drive busy with no sense.
    for (auto [error, haStat] : {std::pair{EIO, 0x14}, std::pair{ENODEV, 0x11}, std::pair{ENXIO, 0x11},
                                 std::pair{EINVAL, 0x14}}) {
        drives.kernel = [error](sg_io_hdr_t& h) { h.info = 0xFF, h.duration = static_cast<unsigned>(error); };
        auto failed = Send(SRB_EVENT_NOTIFY, data);
        EXPECT_EQ(failed.SRB_Status, SS_ERR);
        EXPECT_EQ(failed.SRB_HaStat, haStat) << error;
        EXPECT_EQ(failed.SRB_TargStat, 0);
        EXPECT_EQ(failed.SenseArea[0], 0) << "a failed call brings no sense";
        EXPECT_EQ(SystemErrorOf(failed), failed.SRB_HaStat == 0x14 ? error : 0) << "the system's reason goes along";
    }

    drives.kernel = [](sg_io_hdr_t& h) { h.info = 0xFF, h.duration = EPERM; };
    EXPECT_EQ(Send(SRB_EVENT_NOTIFY, data).SRB_Status, SS_INVALID_CMD);

    // A short read succeeds, and what did not arrive reads as zero.
    data.fill(0xEE);
    drives.kernel = [](sg_io_hdr_t& h) {
        std::memset(h.dxferp, 0x11, 3);
        h.resid = 5;
    };
    EXPECT_EQ(Send(SRB_EVENT_NOTIFY | SRB_DIR_IN, data).SRB_Status, SS_COMP);
    EXPECT_EQ(data, (std::array<uint8_t, 8>{0x11, 0x11, 0x11, 0, 0, 0, 0, 0}));

    drives.kernel = [](sg_io_hdr_t& h) { h.resid = 2; };
    auto shortWrite = Send(SRB_EVENT_NOTIFY | SRB_DIR_OUT, data);
    EXPECT_EQ(shortWrite.SRB_Status, SS_ERR) << "data the drive did not take is lost";
    EXPECT_EQ(shortWrite.SRB_HaStat, 0x12);
}
