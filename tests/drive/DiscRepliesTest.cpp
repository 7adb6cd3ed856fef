// The reply decoders against replies cut short, replies that declare more
// than arrived and replies that declare less than the buffer holds: a
// field is read only when it lies inside both.
#include "drive/ByteOrder.h"
#include "drive/DiscReplies.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kq;

namespace {

enum class Decoder { Disc, Track, Toc, Atip, Capacity };

// Every byte 03h: a valid bit wherever one is tested, no lead-out track
// number, and a field value that cannot pass for a zeroed byte.
constexpr uint8_t kFill = 0x03;
constexpr uint32_t kField = 0x03030303u;

// The last field each decoder reads, or for the TOC the descriptors it
// kept; 0 when the decoder gave a summary without it.
std::optional<uint32_t> LastField(Decoder d, std::span<const uint8_t> reply) {
    switch (d) {
        case Decoder::Disc:
            if (auto disc = DecodeDiscInformation(reply)) return disc->leadOut.value_or(0);
            return std::nullopt;
        case Decoder::Track:
            if (auto track = DecodeTrackInformation(reply)) return track->lastRecorded.value_or(0);
            return std::nullopt;
        case Decoder::Toc:
            if (auto toc = DecodeToc(reply)) return static_cast<uint32_t>(toc->starts.size() + (toc->leadOut ? 1 : 0));
            return std::nullopt;
        case Decoder::Atip: return DecodeAtipLeadOut(reply);
        case Decoder::Capacity:
            if (auto capacity = DecodeCapacity(reply)) return capacity->blockLength;
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

TEST(DiscReplies, ReadOnlyWhatArrivedAndWasDeclared) {
    struct Case {
        Decoder decoder;
        size_t arrived;
        uint16_t declared;  // the reply's length field (the bytes after it)
        std::optional<uint32_t> expected;
    } cases[] = {
        {Decoder::Disc, 34, 32, kField},        {Decoder::Disc, 24, 32, kField},  // declares more, lead-out came
        {Decoder::Disc, 23, 32, 0},             {Decoder::Disc, 34, 20, 0},       // lead-out cut, or not declared
        {Decoder::Disc, 34, 4, std::nullopt},   {Decoder::Disc, 6, 32, std::nullopt},
        {Decoder::Track, 36, 34, kField},       {Decoder::Track, 32, 34, kField},
        {Decoder::Track, 31, 34, 0},            {Decoder::Track, 36, 28, 0},
        {Decoder::Track, 36, 24, std::nullopt}, {Decoder::Track, 27, 34, std::nullopt},
        {Decoder::Toc, 36, 34, 4},              {Decoder::Toc, 20, 34, 2},        // whole descriptors only
        {Decoder::Toc, 36, 18, 2},              {Decoder::Toc, 36, 1, std::nullopt},
        {Decoder::Toc, 3, 34, std::nullopt},    {Decoder::Atip, 28, 26, 0x030303},
        {Decoder::Atip, 15, 26, 0x030303},      {Decoder::Atip, 14, 26, std::nullopt},
        {Decoder::Atip, 28, 12, std::nullopt},  {Decoder::Capacity, 8, 0x0303, kField},  // no length field
        {Decoder::Capacity, 7, 0x0303, std::nullopt},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> reply(c.arrived, kFill);
        if (reply.size() >= 2) PutBE16(reply, c.declared);
        EXPECT_EQ(LastField(c.decoder, reply), c.expected)
            << "decoder " << int(c.decoder) << ", " << c.arrived << " bytes, declaring " << c.declared;
    }
}
