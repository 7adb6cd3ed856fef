#include "transport/kqASPI.h"

#include <gtest/gtest.h>

using namespace kq;

namespace {
int sent = 0;
uint32_t Send(void* srb) {
    ++sent;
    static_cast<SRB_Header*>(srb)->SRB_Status = SS_COMP;
    return SS_COMP;
}
uint32_t Info() { return 0x0102; }
}  // namespace

TEST(TransportEntry, NothingIsSentWithoutALayer) {
    EXPECT_FALSE(ASPILoaded());
    EXPECT_EQ(ASPILayerName(), "");
    SRB_HAInquiry inquiry{};
    EXPECT_EQ(SendASPI32Command(&inquiry), SS_INVALID_HA);
    EXPECT_EQ(GetASPI32SupportInfo(), 0u);

    InstallTransport(&Send, &Info, kPassThroughLayerName);
    EXPECT_TRUE(ASPILoaded());
    EXPECT_EQ(ASPILayerName(), "QXASPI32");
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0102u);
    EXPECT_EQ(SendASPI32Command(&inquiry), SS_COMP);
    EXPECT_EQ(sent, 1);

    ReleaseTransport();
    EXPECT_FALSE(ASPILoaded());
    EXPECT_EQ(ASPILayerName(), "");
    EXPECT_EQ(SendASPI32Command(&inquiry), SS_INVALID_HA);
    EXPECT_EQ(sent, 1);
}

TEST(TransportEntry, AHalfInstalledLayerIsNotLoaded) {
    InstallTransport(&Send, nullptr, "broken");
    EXPECT_FALSE(ASPILoaded());
    ReleaseTransport();
}

// A layer that needs no claim grants every one; a claiming layer is asked,
// and its refusal reaches the burner with the reason.
TEST(TransportEntry, DriveClaimsGoToTheLayerThatNeedsThem) {
    static int released = 0;
    const DriveClaimFns refusing{[](uint8_t, uint8_t, uint8_t, std::error_code& why) {
                                     why = std::make_error_code(std::errc::device_or_resource_busy);
                                     return false;
                                 },
                                 [](uint8_t, uint8_t, uint8_t) { ++released; }};
    for (const bool claiming : {false, true}) {
        InstallTransport(&Send, &Info, "layer", claiming ? refusing : DriveClaimFns{});
        std::error_code why;
        EXPECT_EQ(ClaimTransportDrive(0, 1, 0, why), !claiming);
        EXPECT_EQ(why == std::errc::device_or_resource_busy, claiming);
        ReleaseTransportDrive(0, 1, 0);
        EXPECT_EQ(released, claiming ? 1 : 0);
        ReleaseTransport();
    }
}
