// The medium a reported profile names, and what a burn takes from it.
#include "drive/MediaTypes.h"

#include <gtest/gtest.h>

#include <string>

using namespace kq;

TEST(MediaTypes, ProfileNamesTheMediumAndItsFacts) {
    struct Case {
        uint16_t profile;
        uint16_t medium;
        std::string family;
        int32_t writeBlock;
        uint32_t kBpsPerTenX;
    };
    const Case cases[] = {
        {0x0009, media::CdR, "CD", kCdBlockSize, 1764},       {0x000A, media::CdRw, "CD", kCdBlockSize, 1764},
        {0x0008, media::CdRom, "CD", kDvdBlockSize, 1764},    {0x0021, media::DdcdR, "CD", kDvdBlockSize, 1764},
        {0x0014, media::DvdRwSequential, "DVD", kDvdBlockSize, 13850},
        {0x0015, media::DvdRDl, "DVD", kDvdBlockSize, 13850}, {0x002B, media::DvdPlusRDl, "DVD", kDvdBlockSize, 13850},
        {0x0043, media::BdRe, "BD", kDvdBlockSize, 44950},    {0x0042, media::BdRRandom, "BD", kDvdBlockSize, 44950},
        {0x0000, media::None, "CD", kDvdBlockSize, 1764},     {0x0040, media::BdRom, "BD", kDvdBlockSize, 44950},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        const uint16_t medium = MediaOfProfile(c.profile);
        EXPECT_EQ(medium, c.medium);
        EXPECT_EQ(FamilyName(TraitsOf(medium).family), c.family);
        EXPECT_EQ(TraitsOf(medium).writeBlock, c.writeBlock);
        EXPECT_EQ(KBpsPerTenX(TraitsOf(medium).family), c.kBpsPerTenX);
    }
}
