// Run alone by the Windows test script, which expects this failure: a
// failing test under wine must reach CTest as a failure.
#include <gtest/gtest.h>

TEST(WineSelfCheck, FailsOnPurpose) { EXPECT_EQ(1 + 1, 3) << "this failure is expected"; }
