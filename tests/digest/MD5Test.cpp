#include "digest/MD5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kq;

namespace {

std::string Print(const std::string& text) { return MD5Print(MD5Buffer(text.data(), text.size())); }

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
    return data;
}

TEST(MD5, Rfc1321TestSuite) {
    EXPECT_EQ(Print(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Print("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(Print("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Print("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Print("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(Print("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(Print("1234567890123456789012345678901234567890"
                    "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

// Lengths around the padding edges (one or two final blocks), against
// digests taken from md5sum.
TEST(MD5, LengthsAroundBlockEdges) {
    const std::pair<size_t, const char*> expected[] = {
        {55, "52c0e574e1198de5fe3f8f11440dcb1b"},  {56, "46c9907fc908ee68b1e7b8e71286a518"},
        {63, "a62f6d59e837867693f042f5b8f5a236"},  {64, "7160b8fb5e9e4023d549c3971fbaeead"},
        {65, "70bd662e7aefbda85a0f7244167b7897"},  {119, "e84905d4214f4d1ca56c2cdcc152b143"},
        {120, "e3eb5a6c8669ea01a8c185b8abc8a5dc"}, {1000, "10046f077f2082ac19676b8079f1cb1a"},
    };
    for (auto [length, digest] : expected) {
        auto data = Pattern(length);
        EXPECT_EQ(MD5Print(MD5Buffer(data.data(), data.size())), digest) << length;
    }
}

// Any split of the input into updates gives the one-piece digest.
TEST(MD5, SplitFeedingEqualsOnePiece) {
    auto data = Pattern(1000);
    const TMD5Digest whole = MD5Buffer(data.data(), data.size());
    for (size_t first : {0, 1, 55, 63, 64, 65, 127, 128, 999}) {
        for (size_t piece : {1, 3, 64, 100}) {
            TMD5Context context;
            MD5Init(context);
            MD5Update(context, data.data(), static_cast<uint32_t>(first));
            for (size_t at = first; at < data.size(); at += piece)
                MD5Update(context, data.data() + at, static_cast<uint32_t>(std::min(piece, data.size() - at)));
            EXPECT_EQ(MD5Final(context), whole) << first << " then pieces of " << piece;
        }
    }
}

TEST(MD5, FinalWipesTheContext) {
    TMD5Context context;
    MD5Init(context);
    MD5Update(context, "abc", 3);
    MD5Final(context);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&context);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + sizeof context), std::vector<uint8_t>(sizeof context, 0));
}

}  // namespace
