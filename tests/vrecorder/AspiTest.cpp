// The recorders behind the ASPI entry: request blocks in, statuses out,
// and the completion protocol of late requests.
#include "Harness.h"

#include "platform/Event.h"
#include "transport/kqASPI.h"
#include "vrecorder/VirtualAspi.h"

#include <cstring>
#include <thread>
#ifndef _WIN32
#include <unistd.h>
#endif

using namespace vtest;
using namespace kq;

namespace {

class Aspi : public ::testing::Test {
protected:
    Aspi() {
        auto second = BlankCdR(dir.File("b.img"));
        second.adapter = 1;
        second.target = 2;
        second.driveLetter = 5;
        aspi = std::make_unique<vrec::VirtualAspi>(std::vector<std::shared_ptr<vrec::VirtualRecorder>>{
            std::make_shared<vrec::VirtualRecorder>(BlankCdR(dir.File("a.img"))),
            std::make_shared<vrec::VirtualRecorder>(second)});
    }
    SRB_ExecSCSICmd Exec(std::initializer_list<uint8_t> cdb, uint8_t flags, Bytes& data, uint8_t ha = 0,
                         uint8_t target = 0) {
        SRB_ExecSCSICmd srb{};
        srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        srb.SRB_HaId = ha;
        srb.SRB_Target = target;
        srb.SRB_Flags = flags;
        srb.SRB_BufLen = static_cast<uint32_t>(data.size());
        srb.SRB_BufPointer = data.empty() ? nullptr : data.data();
        srb.SRB_SenseLen = 24;
        srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
        std::copy(cdb.begin(), cdb.end(), srb.CDBByte);
        return srb;
    }

    TempDir dir;
    std::unique_ptr<vrec::VirtualAspi> aspi;
};

// Signals since the last count, which resets the event. An eventfd counts
// them; a Win32 event only tells whether there was any.
uint64_t EventCount(const platform::Event& e) {
#ifdef _WIN32
    if (!e.IsSet()) return 0;
    e.Reset();
    return 1;
#else
    uint64_t n = 0;
    return read(static_cast<int>(e.Handle()), &n, sizeof n) == sizeof n ? n : 0;
#endif
}

}  // namespace

TEST_F(Aspi, AdapterDeviceAndDiskQueries) {
    EXPECT_EQ(aspi->SupportInfo(), 0x0102u);
    SRB_HAInquiry ha{};
    ha.SRB_HaId = 1;
    EXPECT_EQ(aspi->Send(&ha), SS_COMP);
    EXPECT_EQ(ha.HA_Count, 2);
    ha.SRB_HaId = 2;
    EXPECT_EQ(aspi->Send(&ha), SS_INVALID_HA);

    SRB_GDEVBlock dev{};
    dev.SRB_Cmd = SC_GET_DEV_TYPE;
    dev.SRB_HaId = 1, dev.SRB_Target = 2;
    EXPECT_EQ(aspi->Send(&dev), SS_COMP);
    EXPECT_EQ(dev.SRB_DeviceType, 5);
    dev.SRB_Target = 3;
    EXPECT_EQ(aspi->Send(&dev), SS_NO_DEVICE);
    EXPECT_EQ(dev.SRB_DeviceType, 0x1F);

    SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
    disk.SRB_HaId = 1, disk.SRB_Target = 2;
    EXPECT_EQ(aspi->Send(&disk), SS_COMP);
    EXPECT_EQ(disk.SRB_Status, SS_COMP);
    EXPECT_EQ(disk.SRB_Int13HDriveInfo, 5);  // F

    SRB_Header unknown{};
    unknown.SRB_Cmd = 0x7F;
    EXPECT_EQ(aspi->Send(&unknown), SS_INVALID_CMD);
    EXPECT_EQ(unknown.SRB_Status, SS_INVALID_CMD);
}

TEST_F(Aspi, ExecuteCompletesWithStatusAndSense) {
    Bytes reply(36);
    auto srb = Exec({0x12, 0, 0, 0, 36, 0}, SRB_DIR_IN, reply);
    EXPECT_EQ(aspi->Send(&srb), SS_COMP);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[8]), 7), "VIRTUAL");

    Bytes none;
    srb = Exec({0x01, 0, 0, 0, 0, 0}, 0, none);  // REWIND UNIT
    srb.SRB_SenseLen = 14;
    std::memset(srb.SenseArea, 0xEE, sizeof srb.SenseArea);
    EXPECT_EQ(aspi->Send(&srb), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, 0);
    EXPECT_EQ(srb.SRB_TargStat, 2);
    EXPECT_EQ(srb.SenseArea[0], 0x70);
    EXPECT_EQ(srb.SenseArea[12], 0x20);
    EXPECT_EQ(srb.SenseArea[13], 0x00);
    EXPECT_EQ(srb.SenseArea[14], 0xEE);  // only the bytes asked for

    srb = Exec({0, 0, 0, 0, 0, 0}, 0, none, 5);
    EXPECT_EQ(aspi->Send(&srb), SS_INVALID_HA);
    srb = Exec({0, 0, 0, 0, 0, 0}, 0, none, 0, 4);
    EXPECT_EQ(aspi->Send(&srb), SS_NO_DEVICE);
    srb = Exec({0x12, 0, 0, 0, 36, 0}, SRB_DIR_IN | SRB_DIR_OUT, reply);
    EXPECT_EQ(aspi->Send(&srb), SS_INVALID_SRB);
    srb = Exec({0x12, 0, 0, 0, 36, 0}, SRB_DIR_OUT, reply);
    EXPECT_EQ(aspi->Send(&srb), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, kq::HASTAT_PHASE_ERR);
}

TEST_F(Aspi, LateCompletionSignalsTheEventExactlyOnce) {
    aspi->SetLateCompletion(30);
    auto event = platform::Event::Create();
    ASSERT_TRUE(event);
    Bytes reply(36);
    auto srb = Exec({0x12, 0, 0, 0, 36, 0}, SRB_DIR_IN | SRB_EVENT_NOTIFY, reply);
    srb.SRB_PostProc = reinterpret_cast<void*>(event->Handle());
    EXPECT_EQ(aspi->Send(&srb), SS_PENDING);
    EXPECT_EQ(LoadSrbStatus(srb.SRB_Status), SS_PENDING);
    ASSERT_TRUE(event->Wait(5000));
    EXPECT_EQ(LoadSrbStatus(srb.SRB_Status), SS_COMP);
    EXPECT_EQ(EventCount(*event), 1u);
    EXPECT_EQ(aspi->PendingCount(), 0u);
    aspi.reset();  // joins the completion thread: nothing is left to signal
    EXPECT_FALSE(event->IsSet());
}

TEST_F(Aspi, NeverCompletingRequestsAreAbortedOrFinishedAtTheEnd) {
    aspi->SetNeverComplete(true);
    auto event = platform::Event::Create();
    Bytes none;
    auto first = Exec({0, 0, 0, 0, 0, 0}, SRB_EVENT_NOTIFY, none);
    first.SRB_PostProc = reinterpret_cast<void*>(event->Handle());
    auto second = first;
    EXPECT_EQ(aspi->Send(&first), SS_PENDING);
    EXPECT_EQ(aspi->Send(&second), SS_PENDING);
    SRB_Abort abort{};
    abort.SRB_Cmd = SC_ABORT_SRB;
    abort.SRB_ToAbort = &first;
    EXPECT_EQ(aspi->Send(&abort), SS_COMP);
    EXPECT_EQ(LoadSrbStatus(first.SRB_Status), SS_ABORTED);
    EXPECT_EQ(aspi->Send(&abort), SS_ABORT_FAIL);  // no longer held
    EXPECT_EQ(EventCount(*event), 1u);
    aspi.reset();  // the layer lets go of the second one on the way out
    EXPECT_EQ(LoadSrbStatus(second.SRB_Status), SS_ABORTED);
    EXPECT_EQ(EventCount(*event), 1u);
}

TEST_F(Aspi, AVanishedDriveTimesOutSelection) {
    auto config = BlankCdR(dir.File("c.img"));
    vrec::FaultRule vanish;
    vanish.action = vrec::FaultAction::Vanish;
    config.faults.push_back(vanish);
    vrec::VirtualAspi layer({std::make_shared<vrec::VirtualRecorder>(config)});
    Bytes none;
    auto srb = Exec({0, 0, 0, 0, 0, 0}, 0, none);
    EXPECT_EQ(layer.Send(&srb), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, kq::HASTAT_SEL_TO);
    SRB_GDEVBlock dev{};
    dev.SRB_Cmd = SC_GET_DEV_TYPE;
    EXPECT_EQ(layer.Send(&dev), SS_NO_DEVICE);
}
