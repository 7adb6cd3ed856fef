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
    struct Case { MediumKind medium; uint32_t end; };
    const Case cases[] = {{MediumKind::DvdR, 2298495}, {MediumKind::DvdRDl, 4171711}, {MediumKind::BdR, 63}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.medium));
        vrec::RecorderConfig config = Recorder(c.medium, dir / ("disc" + std::to_string(int(c.medium)) + ".img"));
        config.capacity = 0;
        config.maxWriteSpeed = 71920;
        burner.reset();
        reports.clear();
        Start(config);
        burner->SetWriteSpeed(71920);
        burner->SetWritePostGap(false);
        ASSERT_TRUE(Burn(Image(Pattern(64 * 2048))));
        EXPECT_EQ(Reports(), std::vector<std::string>{""});
        EXPECT_EQ(recorder->StreamEnd(), c.end);
    }
}
