// What a burn promises: an image that does not fit is refused before the
// disc is touched, a disc asked to be closed ends closed on every medium,
// a drive that never answers is named as such, and a refused close page
// still leaves the data readable.
#include "digest/ChecksumCompanion.h"
#include "e2e/BurnBench.h"

#include <cstdlib>

using namespace e2e;
using vrec::MediumKind;

namespace {

struct FitCase {
    MediumKind medium;
    uint32_t imageSectors;
    bool fits;
};

TEST_F(BurnBench, ImageMustFitTheRoomLeftOnTheDisc) {
    constexpr uint32_t kCapacity = 2000;
    const FitCase cases[] = {
        {MediumKind::CdR, 2001, false},      {MediumKind::CdR, 2000, true},
        {MediumKind::DvdR, 2001, false},     {MediumKind::DvdPlusR, 2001, false},
        {MediumKind::DvdPlusRw, 2001, false}, {MediumKind::DvdRam, 2001, false},
        {MediumKind::DvdPlusRw, 2000, true},
    };
    int n = 0;
    for (const FitCase& c : cases) {
        SCOPED_TRACE(std::string(vrec::InfoOf(c.medium).name) + " " + std::to_string(c.imageSectors));
        burner.reset();
        reports.clear();
        vrec::RecorderConfig config = Recorder(c.medium, dir / ("disc" + std::to_string(++n) + ".img"));
        config.capacity = kCapacity;
        Start(std::move(config));
        const std::string path = Image(Pattern(size_t{c.imageSectors} * 2048));
        if (c.fits) {
            ASSERT_TRUE(Burn(path));
            EXPECT_EQ(Reports(), std::vector<std::string>{""});
            EXPECT_TRUE(DiscStartsWithImage(c.imageSectors));
            continue;
        }
        const std::string before = recorder->DiscState().Serialize();
        EXPECT_FALSE(Burn(path));
        EXPECT_EQ(Reports(), std::vector<std::string>{"IMAGE TOO LARGE: 2001 SECTORS, THE DISC HAS 2000 FREE"});
        EXPECT_TRUE(Sent(kWrite).empty());
        EXPECT_TRUE(Sent(kReserve).empty());
        EXPECT_EQ(recorder->DiscState().Serialize(), before) << "the disc was changed";
    }
}

// The room counts from the next writable address of an appendable disc.
TEST_F(BurnBench, AppendableDiscOffersOnlyWhatIsLeft) {
    vrec::RecorderConfig config = Recorder(MediumKind::DvdPlusR, dir / "disc.img");
    config.capacity = 2000;
    Start(std::move(config));
    burner->SetWritePostGap(false);
    ASSERT_TRUE(Burn(Image(Pattern(1500 * 2048))));
    ASSERT_EQ(Reports(), std::vector<std::string>{""});
    reports.clear();
    EXPECT_FALSE(Burn(Image(Pattern(1500 * 2048), "second.iso")));
    const auto got = Reports();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].rfind("IMAGE TOO LARGE: 1500 SECTORS, THE DISC HAS ", 0), 0u) << got[0];
}

TEST_F(BurnBench, FinalizeDiscClosesEveryDvdWriteOnceDisc) {
    int n = 0;
    for (MediumKind medium : {MediumKind::DvdPlusR, MediumKind::DvdR, MediumKind::DvdRw}) {
        for (bool finalize : {false, true}) {
            SCOPED_TRACE(std::string(vrec::InfoOf(medium).name) + (finalize ? " finalized" : " appendable"));
            burner.reset();
            reports.clear();
            Start(Recorder(medium, dir / ("disc" + std::to_string(++n) + ".img")));
            burner->SetFinalizeDisc(finalize);
            ASSERT_TRUE(Burn(Image(Pattern(70 * 2048))));
            EXPECT_EQ(Reports(), std::vector<std::string>{""});
            EXPECT_EQ(recorder->DiscState().Finalized(), finalize);
            EXPECT_TRUE(DiscStartsWithImage(300));
        }
    }
}

TEST_F(BurnBench, WriteThatIsNeverAnsweredNamesTheTimeOut) {
    clock.realWaitMs = 300;
    Start(MediumKind::CdR, {"write lba>=27 never"});
    ASSERT_TRUE(Burn(Image(Pattern(300 * 2048))));
    EXPECT_EQ(Reports(), std::vector<std::string>{"WRITER ERROR [COMMAND TIMEOUT (WRITE (10))]"});
}

// The close page tells the drive whether the disc stays appendable: a busy
// drive gets it again; one that refuses it for good still gets its close,
// under the page of preparation, so the data becomes readable. A DVD-RW
// is prepared appendable, so such a refusal never closes it for good.
TEST_F(BurnBench, ClosePageRetriedWhileBusyThenClosedAsPrepared) {
    struct Case {
        MediumKind medium;
        const char* fault;
        bool finalized;
    };
    int n = 0;
    for (const Case c : {Case{MediumKind::CdR, "mode-select nth=2 times=3 busy", false},
                         Case{MediumKind::CdR, "mode-select nth=2 times=1000000 check 5/26/00", true},
                         Case{MediumKind::DvdRw, "mode-select nth=2 times=1000000 check 5/26/00", false}}) {
        SCOPED_TRACE(std::string(vrec::InfoOf(c.medium).name) + " " + c.fault);
        burner.reset();
        reports.clear();
        vrec::RecorderConfig config = Recorder(c.medium, dir / ("disc" + std::to_string(++n) + ".img"));
        config.faults.push_back(Rule(c.fault));
        Start(std::move(config));
        ASSERT_TRUE(Burn(Image(Pattern(300 * 2048))));
        EXPECT_EQ(Reports(), std::vector<std::string>{""});
        const vrec::Disc disc = recorder->DiscState();
        EXPECT_EQ(disc.ClosedSessions(), 1);
        EXPECT_EQ(disc.Finalized(), c.finalized);
        EXPECT_TRUE(DiscStartsWithImage(300));
    }
}

}  // namespace

// The bytes burnt are the bytes checked: what the burn sends is digested on
// its way and compared with the digest the image was checked against before
// the session is closed. The first WRITE is held back so that the image can
// be changed while the burn runs, past what the cache has read.
TEST_F(BurnBench, ImageChangedDuringTheBurnIsNotClosed) {
    using kq::DigestKind;
    const struct {
        DigestKind kind;
        bool change;
        const char* report;
    } cases[] = {
        {DigestKind::MD5, false, ""},
        {DigestKind::MD5, true, "IMAGE CHANGED DURING BURN"},
        {DigestKind::SHA256, false, ""},
        {DigestKind::SHA256, true, "IMAGE CHANGED DURING BURN"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(kq::DigestName(c.kind)) + (c.change ? " changed" : " kept"));
        burner.reset();
        reports.clear();
        vrec::RecorderConfig config = Recorder(MediumKind::CdR, dir / ("disc" + std::to_string(++n) + ".img"));
        config.faults.push_back(Rule("write times=1 late 300"));
        Start(std::move(config));
        const std::string path = Image(Pattern(1500 * 2048 + 100));  // beyond the smallest cache
        const std::string checked = kq::ImageDigestPrint(c.kind, path);
        burner->SetCacheSize(kq::kMinimumCacheSize);
        burner->SetExpectedDigest(c.kind, checked);
        ASSERT_TRUE(burner->BurnISOImage(path));
        if (c.change) {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(-7, std::ios::end);
            file.write("changed", 7);
        }
        WaitForReport();
        EXPECT_EQ(Reports(), std::vector<std::string>{c.report});
        EXPECT_EQ(burner->WriteDoneOutcome(), c.change ? kq::BurnOutcome::Failed : kq::BurnOutcome::Success);
        EXPECT_FALSE(Sent(kSync).empty());
        EXPECT_EQ(Sent(kClose).empty(), c.change) << "a changed image must not be closed into a session";
        EXPECT_EQ(burner->SentDigest() == checked, !c.change);
        EXPECT_EQ(burner->SentBytes(), int64_t{1500 * 2048 + 100});  // the image only, no padding
    }
}

#ifndef _WIN32
// The system's SHA-256 failing mid-burn says so: the image did not change.
// OpenSSL reads its configuration once, so the burn runs in a process of
// its own, whose one provider has no digests.
TEST_F(BurnBench, AFailingSystemSha256IsNotAChangedImage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto burn = [this] {
        setenv("OPENSSL_CONF", dir.Write("null.cnf", "openssl_conf = a\n[a]\nproviders = b\n[b]\nnull = c\n[c]\nactivate = 1\n").c_str(), 1);
        Start(MediumKind::CdR);
        burner->SetExpectedDigest(kq::DigestKind::SHA256, std::string(64, '0'));
        const bool told = Burn(Image(Pattern(100 * 2048))) && Reports() == std::vector<std::string>{"SYSTEM ERROR (SHA-256)"};
        burner.reset();  // its threads are joined before the process ends
        return told;
    };
    EXPECT_EXIT(std::exit(burn() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}
#endif
