// A burn whose recorder dies at each command the write thread sends: the
// files as they stand then are what a killed process leaves, and the disc
// they hold is never blank once a WRITE has reached it.
#include "e2e/BurnBench.h"
#include "e2e/FaultMatrix.h"

#include <filesystem>

using namespace e2e;
using namespace e2e::matrix;
using vrec::MediumKind;

namespace {

class KillAtEveryCommand : public BurnBench, public ::testing::WithParamInterface<Cell> {};

std::vector<Cell> DeathCells() {
    const Fault& vanish = kFaults[8];
    std::vector<Cell> cells;
    for (auto [medium, positions] : {std::pair{MediumKind::CdR, std::span<const Position>(kCdRPositions)},
                                     std::pair{MediumKind::DvdR, std::span<const Position>(kDvdRPositions)}})
        for (const Position& p : positions) cells.push_back({medium, true, &p, &vanish, 'e', RuleText(p, vanish)});
    return cells;
}

}  // namespace

TEST_P(KillAtEveryCommand, LeavesADiscThatIsNotBlankOnceWritten) {
    const Cell& cell = GetParam();
    SCOPED_TRACE(cell.rule);
    Start(cell.medium, {cell.rule.c_str()});
    burner->SetPerformOPC(true);
    ASSERT_TRUE(Burn(Image(Pattern(kImageSectors * 2048))));

    // What the recorder left on its way out, without the save of an orderly unload.
    TempDir left;
    for (const char* name : {"disc.img", "disc.img.state"})
        if (std::filesystem::exists(dir / name)) std::filesystem::copy_file(dir / name, left / name);
    uintmax_t backed = std::filesystem::exists(left / "disc.img") ? std::filesystem::file_size(left / "disc.img") : 0;

    vrec::VirtualRecorder reloaded(Recorder(cell.medium, left / "disc.img"));
    const vrec::Disc disc = reloaded.DiscState();
    if (backed == 0) return;
    EXPECT_FALSE(disc.Blank()) << backed << " bytes reached the disc";
    ASSERT_FALSE(disc.Tracks().empty());
    uint32_t recorded = disc.Tracks().front().recorded;
    EXPECT_EQ(recorded, backed / 2048);
    Bytes data = reloaded.RecordedBytes(0, recorded);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin())) << "the blocks that arrived are the image's";
}

INSTANTIATE_TEST_SUITE_P(Vanish, KillAtEveryCommand, ::testing::ValuesIn(DeathCells()),
                         [](const auto& info) {
                             return std::string(info.param.medium == MediumKind::CdR ? "CdR_" : "DvdR_") +
                                    info.param.position->name;
                         });
