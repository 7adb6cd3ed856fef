// One burn per drive: a drive another program holds is refused before the
// disc is touched, whether the system says so when the node is claimed or
// the drive answers RESERVATION CONFLICT.
#include "e2e/BurnBench.h"
#include "transport/PassThrough.h"
#include "transport/ReleaseHandle.h"
#include "vrecorder/VirtualOpticalDrives.h"

using namespace e2e;
using vrec::MediumKind;

namespace {

// Stand-in drives whose exclusive open can be refused, as the system
// refuses it while another program holds the node or the disc is mounted.
class ClaimableDrives : public vrec::VirtualOpticalDrives {
public:
    std::unique_ptr<platform::OpticalDrive> OpenExclusive(const std::string& node, std::error_code& why) override {
        if (++attempts, refusal && refusals-- > 0) {
            why = refusal;
            return nullptr;
        }
        ++exclusiveOpens;
        return Open(node, why);
    }
    std::error_code refusal;
    std::atomic<int> refusals{1 << 20};  // then the node is free
    std::atomic<int> attempts{0};
    std::atomic<int> exclusiveOpens{0};
};

class OnPassThroughBench : public BurnBench {
protected:
    ~OnPassThroughBench() override {
        burner.reset();
        kq::ReleaseASPI();
        kq::SPTIDone();
        kq::StoreReleaseHandleAfterCommand(true);
    }
    void StartOnPassThrough() {
        recorder = std::make_shared<vrec::VirtualRecorder>(Recorder(MediumKind::CdR, dir / "disc.img"));
        drives.Add(recorder);
        burner = std::make_unique<kq::TQCDBurner>();
        ASSERT_TRUE(burner->InitASPI(true, ""));
        ASSERT_FALSE(burner->Devices().empty());
        ASSERT_TRUE(burner->SelectDevice(burner->Devices().front()));
        burner->OnWriteDone = [this](kq::TQCDBurner&, const std::string& error) {
            std::lock_guard hold(lock);
            reports.push_back(error);
        };
    }
    bool Claimed() const {
        for (const kq::TSPTIDrive& d : kq::SPTIDrives())
            if (d.Claimed) return true;
        return false;
    }

    ClaimableDrives drives;
    platform::ScopedOpticalDrives scoped{drives};
};

// Held elsewhere for a moment, a drive is asked again for a few seconds;
// still held, gone or not the user's, it is refused untouched, in words.
TEST_F(OnPassThroughBench, DriveThatCannotBeClaimedIsRefusedBeforeAnythingIsWritten) {
    using E = std::errc;
    const std::tuple<E, int, std::string, int> cases[] = {  // refusal, how often, report, attempts
        {E::device_or_resource_busy, 1 << 20, "THE DRIVE IS IN USE BY ANOTHER PROGRAM", 13},
        {E::permission_denied, 1 << 20, "NO PERMISSION TO USE THE DRIVE", 1},
        {E::no_such_device, 1 << 20, "THE DRIVE IS GONE", 1},
        {E::device_or_resource_busy, 2, "", 3}};  // last: it writes the disc
    StartOnPassThrough();
    for (const auto& [refusal, refusals, text, attempts] : cases) {
        reports.clear();
        drives.refusal = std::make_error_code(refusal);
        drives.refusals = refusals, drives.attempts = 0;
        const size_t before = recorder->Log().size();
        EXPECT_EQ(Burn(Image(Pattern(300 * 2048))), text.empty());
        EXPECT_EQ(Reports()[0], text.empty() ? "" : text + " (" + drives.refusal.message() + ")");
        EXPECT_EQ(drives.attempts.load(), attempts) << text;
        EXPECT_EQ(recorder->Log().size() == before, !text.empty()) << "commands went to a drive not held";
    }
}

TEST_F(OnPassThroughBench, BurnHoldsItsDriveUntilItEnds) {
    StartOnPassThrough();
    ASSERT_TRUE(Burn(Image(Pattern(300 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{""});
    EXPECT_EQ(drives.exclusiveOpens.load(), 1);
    EXPECT_FALSE(Claimed()) << "the claim outlived the burn";
    EXPECT_TRUE(DiscStartsWithImage(300));
}

class ConflictBench : public BurnBench {
protected:
    // The drive's own answer that another initiator holds it: no sense
    // bytes, target status 18h. It must not be waited on as a busy drive.
    static uint32_t ConflictOnWrite(void* srb) {
        auto& request = *static_cast<kq::SRB_ExecSCSICmd*>(srb);
        if (request.SRB_Cmd == kq::SC_EXEC_SCSI_CMD && request.CDBByte[0] == kWrite) {
            request.SRB_HaStat = 0;
            request.SRB_TargStat = 0x18;
            request.SRB_Status = kq::SS_ERR;
            return kq::SS_ERR;
        }
        return Layer()->Send(srb);
    }
};

TEST_F(ConflictBench, ReservationConflictReadsAsDriveInUse) {
    Start(MediumKind::CdR);
    kq::InstallTransport(&ConflictOnWrite, &Info, kq::kAspiLibraryName);
    ASSERT_TRUE(Burn(Image(Pattern(300 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{"THE DRIVE IS IN USE BY ANOTHER PROGRAM"});
    EXPECT_TRUE(Sent(kWrite).empty());
    EXPECT_TRUE(Sent(kClose).empty());
    EXPECT_TRUE(recorder->DiscState().Blank());
}

}  // namespace
