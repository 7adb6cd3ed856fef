// The room the burner counts on: both layers of a dual-layer disc, one
// of a single-layer one, at the media's real sizes.
#include "e2e/BurnBench.h"

using namespace e2e;
using vrec::MediumKind;

TEST_F(BurnBench, AnImageForTwoLayersFitsOnlyADualLayerDisc) {
    struct Case { MediumKind medium; uint8_t layers; int64_t sectors; bool fits; };
    const Case cases[] = {
        {MediumKind::DvdPlusR, 1, 2295105, false}, {MediumKind::DvdPlusRDl, 1, 2295105, true},
        {MediumKind::DvdPlusRDl, 1, 4173825, false}, {MediumKind::DvdRDl, 1, 4171712, true},
        {MediumKind::BdR, 1, 12219393, false},     {MediumKind::BdR, 2, 12219393, true},
    };
    for (const Case& c : cases) {
        vrec::RecorderConfig config = Recorder(c.medium, dir / "disc.img");
        config.capacity = 0;
        config.layers = c.layers;
        burner.reset();
        Start(config);
        const uint16_t media = burner->GetMediaType();
        const std::string text = burner->ImageTooLargeText(media, c.sectors);
        EXPECT_EQ(text.empty(), c.fits) << int(c.medium) << " " << c.sectors << ": " << text;
    }
}

// The stream a burn asks for ends at a sector the disc has: a DVD-R DL's
// on its second layer, a BD burn's at its own last block.
TEST_F(BurnBench, StreamDescriptorsEndAtTheLastSectorThere) {
    for (auto [medium, end] : {std::pair{MediumKind::DvdR, 2298495u}, {MediumKind::DvdRDl, 4171711u}, {MediumKind::BdR, 63u}}) {
        vrec::RecorderConfig config = Recorder(medium, dir / ("disc" + std::to_string(int(medium)) + ".img"));
        config.capacity = 0;
        burner.reset();
        Start(config);
        burner->SetWriteSpeed(8467);
        burner->SetWritePostGap(false);
        ASSERT_TRUE(Burn(Image(Pattern(64 * 2048))));
        EXPECT_EQ(recorder->StreamEnd(), end) << int(medium);
    }
}
