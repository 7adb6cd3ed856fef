// The numbers kept for the user: what was written comes back, and a value
// that is missing or is not a number reads as nothing.
#include "platform/win32/UserSettings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>

TEST(UserSettingsTest, OnlyANumberWrittenComesBack) {
    const std::string app = "CD Burner test " + std::to_string(std::random_device{}());
    const std::wstring key = L"Software\\" + std::wstring(app.begin(), app.end());
    EXPECT_EQ(platform::ReadUserNumber(app, "Width"), std::nullopt) << "no key yet";
    ASSERT_TRUE(platform::WriteUserNumber(app, "Width", 640));
    EXPECT_EQ(platform::ReadUserNumber(app, "Width"), 640u);
    EXPECT_EQ(platform::ReadUserNumber(app, "Height"), std::nullopt) << "no value";
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Page", REG_SZ, L"2", 4);
    EXPECT_EQ(platform::ReadUserNumber(app, "Page"), std::nullopt) << "text is not a number";
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}
