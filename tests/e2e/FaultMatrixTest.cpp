// The fault matrix: one whole burn for each command the write thread sends
// and each kind of fault the drive can show. Whatever the drive does, the
// burn ends with exactly one report, leaves no thread behind, closes
// nothing after an error and never calls a disc without the image a success.
#include "e2e/BurnBench.h"
#include "e2e/FaultMatrix.h"

#include <map>
#include <set>

using namespace e2e;
using namespace e2e::matrix;
using vrec::MediumKind;

namespace {

class FaultMatrix : public BurnBench, public ::testing::WithParamInterface<Cell> {
protected:
    // Burns the image with the cell's fault; the component is gone after.
    void BurnWithFault(const Cell& cell) {
        clock.realWaitMs = 300;  // a request that never completes times out on the fake clock
        Start(cell.medium, {cell.rule.c_str()});
        burner->SetPerformOPC(true);
        burner->SetFinalizeTrack(cell.finalizeTrack);
        const std::string path = Image(Pattern(kImageSectors * 2048));
        const int threads = ThreadCount();
        ASSERT_TRUE(Burn(path));
        burner.reset();
        EXPECT_EQ(SettledThreadCount(threads), threads) << "a thread outlived the component";
        EXPECT_EQ(kq::ActiveBurner.load(), nullptr);
        EXPECT_EQ(kq::ActiveCacheThread.load(), nullptr);
    }

    void ExpectText(const Cell& cell, const std::string& report) {
        switch (cell.expected) {
        case 'S':
            EXPECT_EQ(report, "");
            break;
        case 'E':
            if (cell.fault->key) {
                EXPECT_EQ(report.rfind(std::string("WRITER ERROR [") + cell.fault->key, 0), 0u) << report;
                break;
            }
            [[fallthrough]];
        case 'e':
            EXPECT_EQ(report.rfind("WRITER ERROR [", 0), 0u) << report;
            EXPECT_EQ(report.back(), ']') << report;
            break;
        case 'B':
            EXPECT_EQ(report, "WRITER BUSY/BUFFER FULL");
            break;
        default:
            FAIL() << "no expectation '" << cell.expected << "'";
        }
    }

    void ExpectDisc(const Cell& cell, const std::string& report) {
        const vrec::Disc disc = recorder->DiscState();
        if (disc.RandomWritable()) {
            // Formatted overwritable media: no sessions to close, only data.
            if (report.empty()) {
                EXPECT_TRUE(DiscStartsWithImage(kImageSectors)) << "\"Success\" without the image";
            }
            return;
        }
        if (report.empty()) {
            EXPECT_EQ(disc.ClosedSessions(), cell.finalizeTrack ? 1 : 0);
            EXPECT_TRUE(DiscStartsWithImage(kImageSectors)) << "\"Success\" for a disc without the image";
        } else {
            EXPECT_EQ(disc.ClosedSessions(), 0) << "closed after an error";
            EXPECT_FALSE(disc.Finalized());
            // A failed data phase skips the close; a flush that never
            // reached the drive leaves that to the close.
            if (cell.position->phase <= Phase::Data) {
                EXPECT_TRUE(Sent(kClose).empty());
            }
        }
        if (cell.position->phase >= Phase::Flush) {
            EXPECT_TRUE(DiscStartsWithImage(kImageSectors)) << "the data phase's work was spoilt";
        }
    }
};

TEST_P(FaultMatrix, Burn) {
    const Cell& cell = GetParam();
    SCOPED_TRACE(cell.rule);
    BurnWithFault(cell);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(FaultFired(recorder->Log(), cell)) << "the fault never met its command";
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    ExpectText(cell, reports[0]);
    ExpectDisc(cell, reports[0]);
}

std::string CellName(const ::testing::TestParamInfo<Cell>& info) { return info.param.Name(); }

INSTANTIATE_TEST_SUITE_P(CdR, FaultMatrix, ::testing::ValuesIn(Cells(MediumKind::CdR, kCdRPositions)), CellName);
INSTANTIATE_TEST_SUITE_P(DvdR, FaultMatrix, ::testing::ValuesIn(Cells(MediumKind::DvdR, kDvdRPositions)),
                         CellName);
INSTANTIATE_TEST_SUITE_P(DvdPlusR, FaultMatrix,
                         ::testing::ValuesIn(Cells(MediumKind::DvdPlusR, kDvdPlusRPositions)), CellName);
INSTANTIATE_TEST_SUITE_P(DvdPlusRw, FaultMatrix,
                         ::testing::ValuesIn(Cells(MediumKind::DvdPlusRw, kDvdPlusRwPositions)), CellName);
INSTANTIATE_TEST_SUITE_P(DvdRw, FaultMatrix, ::testing::ValuesIn(Cells(MediumKind::DvdRw, kDvdRwPositions)),
                         CellName);
INSTANTIATE_TEST_SUITE_P(DvdRam, FaultMatrix, ::testing::ValuesIn(Cells(MediumKind::DvdRam, kDvdRamPositions)),
                         CellName);
// The dual-layer DVDs take their single-layer kin's path, BD-R the DVD+R's.
INSTANTIATE_TEST_SUITE_P(DvdRDl, FaultMatrix, ::testing::ValuesIn(Cells(MediumKind::DvdRDl, kDvdRPositions)),
                         CellName);
INSTANTIATE_TEST_SUITE_P(DvdPlusRDl, FaultMatrix,
                         ::testing::ValuesIn(Cells(MediumKind::DvdPlusRDl, kDvdPlusRPositions)), CellName);
INSTANTIATE_TEST_SUITE_P(BdR, FaultMatrix, ::testing::ValuesIn(Cells(MediumKind::BdR, kDvdPlusRPositions)),
                         CellName);
INSTANTIATE_TEST_SUITE_P(BdRe, FaultMatrix, ::testing::ValuesIn(Cells(MediumKind::BdRe, kBdRePositions)),
                         CellName);
INSTANTIATE_TEST_SUITE_P(CdROpenSession, FaultMatrix,
                         ::testing::ValuesIn(Cells(MediumKind::CdR, kOpenSessionPositions, false)), CellName);

// The matrix keeps up with the write thread: every command it sends in a
// clean burn is a row (REWIND UNIT aside: no MMC drive takes it; INQUIRY
// is the component's sweep of the bus), and each row's command is sent
// that often.
TEST_F(BurnBench, FaultMatrixCoversEveryCommandOfABurn) {
    std::set<uint8_t> rows;
    for (const Position& p : kCdRPositions) rows.insert(OpcodeOf(p));
    for (const Position& p : kDvdRPositions) rows.insert(OpcodeOf(p));
    for (auto [medium, positions] : {std::pair{MediumKind::CdR, std::span<const Position>(kCdRPositions)},
                                     std::pair{MediumKind::DvdR, std::span<const Position>(kDvdRPositions)}}) {
        burner.reset();
        reports.clear();
        Start(Recorder(medium, dir / (medium == MediumKind::CdR ? "cd.img" : "dvd.img")));
        burner->SetPerformOPC(true);
        ASSERT_TRUE(Burn(Image(Pattern(kImageSectors * 2048))));
        ASSERT_EQ(Reports(), std::vector<std::string>{""});
        std::map<uint8_t, uint32_t> sent;
        for (const auto& e : recorder->Log()) {
            ++sent[e.Opcode()];
            const bool elsewhere = e.Opcode() == kRewind || e.Opcode() == kInquiry;
            EXPECT_TRUE(elsewhere || rows.count(e.Opcode())) << "no row for opcode " << int(e.Opcode());
        }
        for (const Position& p : positions) {
            if (p.nth) {
                EXPECT_LE(p.nth, sent[OpcodeOf(p)]) << p.name;
            }
        }
    }
}

}  // namespace
