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
