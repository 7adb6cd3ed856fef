// Whole burns through the pass-through layer onto stand-in drives, in real
// time: a DVD+R writer that lists feature 2Bh only, and a drive that is
// pulled (ENODEV) or stops answering (EIO) in the middle of the burn.
#include "BurnBench.h"

#include "platform/SystemError.h"
#include "transport/PassThrough.h"
#include "vrecorder/VirtualOpticalDrives.h"

#include <cerrno>

namespace {

class PassThroughBurn : public ::testing::Test {
protected:
    ~PassThroughBurn() override { End(); }

    vrec::VirtualDriveSlot& AddDvdPlusRWriter(vrec::VirtualOpticalDrives& drives) {
        vrec::RecorderConfig c = e2e::Recorder(vrec::MediumKind::DvdPlusR, "");
        c.feature2B = true;
        recorder = std::make_shared<vrec::VirtualRecorder>(c);
        return drives.Add(recorder);
    }

    // The write thread's report, or why there was none.
    std::string Burn(const e2e::Bytes& image) {
        const std::string path = dir.Write("a.iso", std::string(image.begin(), image.end()));
        burner = std::make_unique<kq::TQCDBurner>();
        burner->OnWriteDone = [this](kq::TQCDBurner&, const std::string& error) { report = error; };
        if (!burner->InitASPI(true, "") || burner->Devices().empty()) return "no drive";
        burner->SelectDevice(burner->Devices()[0]);
        if (!burner->Capabilities().Contains(kq::TDeviceCapability::CanWriteDVDPlusR)) return "cannot write DVD+R";
        if (!burner->BurnISOImage(path)) return "not started";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (burner->Burning() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return burner->Burning() ? "never ended" : report;
    }

    void End() {
        burner.reset();
        kq::ReleaseASPI();
        kq::SPTIDone();
    }

    TempDir dir;
    std::shared_ptr<vrec::VirtualRecorder> recorder;
    std::unique_ptr<kq::TQCDBurner> burner;
    std::string report = "no report";
};

}  // namespace

TEST_F(PassThroughBurn, DvdPlusRFromFeature2BIsWrittenByteForByte) {
    vrec::VirtualOpticalDrives drives;
    platform::ScopedOpticalDrives scoped{drives};
    AddDvdPlusRWriter(drives);
    const e2e::Bytes image = e2e::Pattern(900 * 2048, 3);
    EXPECT_EQ(Burn(image), "");
    EXPECT_EQ(recorder->RecordedBytes(0, 900), image);
}

// A WRITE that fails in the system call never reached the drive: it is
// neither retried as a busy drive's nor followed by a flush, and the burn
// ends at once with the adapter's text (or the system's own words).
TEST_F(PassThroughBurn, DriveGoneMidBurnEndsTheBurnAtOnce) {
    for (auto [error, text] : {std::pair<int, std::string>{ENODEV, "WRITER ERROR [SELECTION TIMEOUT]"},
                               {EIO, "WRITER ERROR [SYSTEM ERROR (" + platform::SystemErrorText(EIO) + ")]"}}) {
        SCOPED_TRACE(error);
        vrec::VirtualOpticalDrives drives;
        platform::ScopedOpticalDrives scoped{drives};
        auto& slot = AddDvdPlusRWriter(drives);
        slot.failAfterWrites = 3;
        slot.failErrno = error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Burn(e2e::Pattern(2000 * 2048)), text);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(slot.writes, 3);
        EXPECT_EQ(slot.failedCalls, 1) << "nothing is sent after the failed WRITE";
        End();
    }
}

// A busy adapter never passed the WRITE on: it goes again 600 ms later;
// one that stays busy ends the burn after a bounded while, unflushed.
TEST_F(PassThroughBurn, BusyAdapterAnswersAreRetriedForABoundedWhile) {
    for (auto [busy, report, retried] : {std::tuple{3, "", 3}, std::tuple{1000, "WRITER ERROR [ASPI IS BUSY]", 100}}) {
        e2e::FastClock clock;
        platform::ScopedTiming timing{clock};
        vrec::VirtualOpticalDrives drives;
        platform::ScopedOpticalDrives scoped{drives};
        auto& slot = AddDvdPlusRWriter(drives);
        slot.transientWrites = busy;
        const e2e::Bytes image = e2e::Pattern(900 * 2048, 5);
        EXPECT_EQ(Burn(image), report);
        EXPECT_EQ(busy - slot.transientWrites.load(), retried);
        EXPECT_EQ(recorder->RecordedBytes(0, 900) == image, *report == '\0');
        EXPECT_EQ(std::ranges::count(recorder->Log(), 0x35, &vrec::LogEntry::Opcode), *report == '\0') << "flushes";
        End();
    }
}
