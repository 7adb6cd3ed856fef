// --info's decoding of the drive's replies: every state READ DISC
// INFORMATION can tell, replies cut short anywhere, and the space figures.
#include "jobs/DiscLayout.h"
#include "cli/DiscReport.h"
#include "drive/ByteOrder.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace kq;
using namespace kq::cli;

namespace {

// Disc information: status byte, 1 first track, `sessions`, last track `last`.
std::vector<uint8_t> DiscInfo(uint8_t status, uint8_t sessions, uint8_t last) {
    std::vector<uint8_t> r(34, 0);
    r[1] = 32;
    r[2] = status, r[3] = 1, r[4] = sessions, r[5] = last, r[6] = last;
    return r;
}

std::vector<uint8_t> TrackInfo(uint8_t number, uint8_t session, uint32_t start, uint32_t size, bool blank,
                               std::optional<uint32_t> nwa, uint32_t free) {
    std::vector<uint8_t> r(36, 0);
    r[1] = 34;
    r[2] = number, r[3] = session;
    r[6] = blank ? 0x40 : 0;
    r[7] = nwa ? 0x01 : 0;
    kq::PutBE32(std::span(r).subspan(8), start);
    kq::PutBE32(std::span(r).subspan(12), nwa.value_or(0));
    kq::PutBE32(std::span(r).subspan(16), free);
    kq::PutBE32(std::span(r).subspan(24), size);
    return r;
}

}  // namespace

// Byte 2 names the state; the session count leaves out the empty session
// an appendable disc keeps open.
TEST(DiscInfo, StatusByteNamesEveryState) {
    struct Case {
        uint8_t status, sessions;
        const char* text;
    } cases[] = {
        {0x00, 1, "blank"},      {0x10, 1, "blank"},  // erasable or not
        {0x01, 2, "appendable, 1 session"},           {0x0D, 2, "appendable, 2 sessions"},
        {0x05, 1, "incomplete, 1 session"},           {0x0E, 3, "closed, 3 sessions"},
        {0x1E, 1, "closed, 1 session"},               {0x03, 1, "overwritable"},
        {0x1F, 1, "overwritable"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StateText(*DecodeDiscInformation(DiscInfo(c.status, c.sessions, 1))), c.text) << int(c.status);
}

// Every length short of the last field needed gives nullopt, never a read past the end.
TEST(DiscInfo, RepliesCutShortAreRefused) {
    auto disc = DiscInfo(0x01, 2, 2);
    auto track = TrackInfo(1, 1, 0, 800, false, std::nullopt, 0);
    for (size_t n = 0; n < 7; ++n) EXPECT_FALSE(DecodeDiscInformation(std::span(disc).first(n))) << n;
    EXPECT_TRUE(DecodeDiscInformation(std::span(disc).first(7)));
    for (size_t n = 0; n < 28; ++n) EXPECT_FALSE(DecodeTrackInformation(std::span(track).first(n))) << n;
    EXPECT_TRUE(DecodeTrackInformation(std::span(track).first(28)));

    // A TOC whose last descriptor is cut short keeps only the whole ones.
    std::vector<uint8_t> toc{0, 18, 1, 1, 0, 0x14, 1, 0, 0, 0, 0, 0, 0, 0x14, 0xAA, 0, 0, 0, 3, 0x20};
    EXPECT_FALSE(DecodeToc(std::span(toc).first(3)));
    auto cut = DecodeToc(std::span(toc).first(17));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->starts.size(), 1u);
    EXPECT_FALSE(cut->leadOut);
    EXPECT_EQ(DecodeToc(toc)->leadOut, 800u);
}

TEST(DiscInfo, SpaceFromTheTracks) {
    auto closed = *DecodeTrackInformation(TrackInfo(1, 1, 0, 800, false, std::nullopt, 0));
    auto invisible = *DecodeTrackInformation(TrackInfo(2, 2, 12150, 7850, true, 12150, 7850));
    auto open = *DecodeTrackInformation(TrackInfo(1, 1, 0, 20000, false, 189, 19811));
    auto blank = *DecodeTrackInformation(TrackInfo(1, 1, 0, 20000, true, 0, 20000));
    struct Case {
        std::vector<TrackSummary> tracks;
        uint64_t used, free;
    } cases[] = {
        {{blank}, 0, 20000},
        {{closed, invisible}, 12150, 7850},  // the gap after a closed session is used
        {{open}, 189, 19811},
        {{closed}, 800, 0},
    };
    for (const Case& c : cases) {
        DiscSpace s = SpaceOf(c.tracks, std::nullopt);
        EXPECT_EQ(s.used, c.used);
        EXPECT_EQ(s.free, c.free);
    }
    // A hostile track size cannot wrap the sum.
    auto huge = *DecodeTrackInformation(TrackInfo(1, 1, 0xFFFFFF00u, 0xFFFFFF00u, false, std::nullopt, 0));
    EXPECT_EQ(SpaceOf({huge}, std::nullopt).used, 0xFFFFFF00ull * 2);
}
