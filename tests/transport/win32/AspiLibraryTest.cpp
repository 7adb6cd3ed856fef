// The virtual recorder's DLL as the loader finds it: WNASPI32.DLL in the
// current folder. Wine has a built-in library of that name; the tests run
// with WINEDLLOVERRIDES=wnaspi32=n, and the export that only ours has
// proves which one answered.
#include "platform/Library.h"
#include "transport/kqASPI.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kq;

namespace {

namespace fs = std::filesystem;

// Makes the DLL's folder current for the scope.
class InDllFolder {
public:
    InDllFolder() : previous_(fs::current_path()) {
        fs::current_path(fs::path(KQ_VRECORDER_ASPI_PATH).parent_path());
    }
    ~InDllFolder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

TEST(AspiLibrary, OursIsFoundInTheCurrentFolder) {
    for (const char* name : {".\\WNASPI32.DLL", "WNASPI32.DLL"}) {
        InDllFolder here;
        std::string error;
        auto library = platform::Library::Open(name, &error);
        ASSERT_TRUE(library) << name << ": " << error;
        EXPECT_NE(library->Symbol("GetVirtualRecorderVersion"), nullptr) << name << " is not ours";
    }
}

TEST(AspiLibrary, EntryPointsAreCdeclUnderTheirPlainNames) {
    auto library = platform::Library::Open(KQ_VRECORDER_ASPI_PATH);
    ASSERT_TRUE(library);
    auto info = reinterpret_cast<GetASPI32SupportInfoFn>(library->Symbol("GetASPI32SupportInfo"));
    auto send = reinterpret_cast<SendASPI32CommandFn>(library->Symbol("SendASPI32Command"));
    ASSERT_TRUE(info && send);
    // Neither the underscore of the C symbol nor a stdcall suffix.
    EXPECT_EQ(library->Symbol("_SendASPI32Command"), nullptr);
    EXPECT_EQ(library->Symbol("SendASPI32Command@4"), nullptr);
    // Nothing else of the recorder leaks out of the DLL.
    EXPECT_EQ(library->Symbol("_ZN4vrec11VirtualAspi4SendEPv"), nullptr);

    EXPECT_EQ(info() & 0xFF00u, uint32_t{SS_COMP} << 8);
    SRB_HAInquiry ha{};
    ha.SRB_Cmd = SC_HA_INQUIRY;
    EXPECT_EQ(send(&ha), SS_COMP);
    EXPECT_EQ(ha.SRB_Status, SS_COMP);
    EXPECT_GE(ha.HA_Count, 1);
}

}  // namespace
