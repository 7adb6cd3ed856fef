// LoadASPI choosing between the virtual recorder's ASPI library (loaded
// with dlopen, configured by VRECORDER_CONFIG) and the pass-through layer
// on virtual drives. Each test works in a folder of its own, where
// ./libwnaspi32.so (.\WNASPI32.DLL) is whatever the test puts there.
#include "drive/TSCSIDevice.h"
#include "support/TempDir.h"
#include "transport/PassThrough.h"
#include "transport/kqASPI.h"
#include "vrecorder/VirtualOpticalDrives.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

using namespace kq;
namespace fs = std::filesystem;

namespace {

void SetConfigVariable(const char* value) {
#ifdef _WIN32
    _putenv_s("VRECORDER_CONFIG", value ? value : "");  // empty removes it
#else
    if (value) setenv("VRECORDER_CONFIG", value, 1);
    else unsetenv("VRECORDER_CONFIG");
#endif
}

class Loader : public ::testing::Test {
protected:
    Loader() : previous_(fs::current_path()) {
        fs::current_path(dir.Path());
        dir.Write("vrec.conf", "[recorder]\naddress = 0:0:0\n");
        SetConfigVariable((dir / "vrec.conf").c_str());
    }
    ~Loader() override {
        ReleaseASPI();
        SPTIDone();
        SetConfigVariable(nullptr);
        fs::current_path(previous_);
    }
    // A fresh copy of the virtual recorder's library, so its recorders
    // are built anew.
    std::string PlaceLibrary(const std::string& name) {
        fs::copy_file(KQ_VRECORDER_ASPI_PATH, dir / name, fs::copy_options::overwrite_existing);
        return dir / name;
    }
    void AddDrive() {
        vrec::RecorderConfig c;
        drives.Add(std::make_shared<vrec::VirtualRecorder>(c));
    }
    static std::string ManagerId() {
        SRB_HAInquiry ha{};
        SendASPI32Command(&ha);
        return std::string(reinterpret_cast<char*>(ha.HA_ManagerId), 16);
    }

    TempDir dir;
    vrec::VirtualOpticalDrives drives;
    platform::ScopedOpticalDrives scoped{drives};

private:
    fs::path previous_;
};

}  // namespace

TEST_F(Loader, PreferredPassThroughWithDrivesLeavesTheLibraryAlone) {
    AddDrive();
    PlaceLibrary(kAspiLibraryName);
    EXPECT_TRUE(LoadASPI(true, ""));
    EXPECT_EQ(ASPILayerName(), "QXASPI32");
    EXPECT_FALSE(ASPILibraryLoaded());
    EXPECT_EQ(ManagerId(), kSPTIManagerId);
}

TEST_F(Loader, PreferredPassThroughWithoutDrivesLoadsTheLibrary) {
    PlaceLibrary(kAspiLibraryName);
    EXPECT_TRUE(LoadASPI(true, ""));
    EXPECT_EQ(ASPILayerName(), kAspiLibraryName);
    EXPECT_EQ(ManagerId(), "VRECORDER ASPI  ");
    EXPECT_TRUE(SPTIInitialized()) << "the scan ran first";
}

TEST_F(Loader, LibraryFirstNeverScansAndASecondLoadChangesNothing) {
    AddDrive();
    PlaceLibrary(kAspiLibraryName);
    EXPECT_TRUE(LoadASPI(false, ""));
    EXPECT_EQ(ASPILayerName(), kAspiLibraryName);
    EXPECT_FALSE(SPTIInitialized());
    EXPECT_TRUE(LoadASPI(false, ""));
    EXPECT_EQ(ASPILayerName(), kAspiLibraryName);
    EXPECT_FALSE(SPTIInitialized());

    ReleaseASPI();
    EXPECT_EQ(ASPILayerName(), "");
    EXPECT_FALSE(ASPILoaded());
    EXPECT_FALSE(ASPILibraryLoaded());
}

TEST_F(Loader, DllPathFirstAndABadOneFallsBack) {
    const std::string other = PlaceLibrary("elsewhere.so");
    EXPECT_TRUE(LoadASPI(false, other));
    EXPECT_EQ(ManagerId(), "VRECORDER ASPI  ");
    ReleaseASPI();

    PlaceLibrary(kAspiLibraryName);
    EXPECT_TRUE(LoadASPI(false, dir / "missing.so"));
    EXPECT_EQ(ASPILayerName(), kAspiLibraryName);
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0101u);
}

TEST_F(Loader, NothingToLoad) {
    EXPECT_FALSE(LoadASPI(false, dir / "missing.so"));
    EXPECT_FALSE(ASPILoaded());
    EXPECT_EQ(ASPILayerName(), "");
    SRB_HAInquiry ha{};
    EXPECT_EQ(SendASPI32Command(&ha), SS_INVALID_HA);
    EXPECT_EQ(ha.SRB_Status, SS_PENDING) << "nothing was sent";
}

TEST_F(Loader, TheScanRunsOncePerProcess) {
    EXPECT_FALSE(LoadASPI(true, ""));
    AddDrive();
    EXPECT_FALSE(LoadASPI(false, "")) << "a drive that came later is not found";
}

TEST_F(Loader, MissingEntryPointIsAnAssertionAndNothingIsInstalled) {
    try {
        (void)LoadASPI(false, KQ_ASPI_SUPPORT_ONLY_PATH);
        ADD_FAILURE() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Line(), 478);
        EXPECT_STREQ(e.Unit(), "kqASPI");
        EXPECT_EQ(std::string(e.what()).rfind("Echec de l'assert", 0), 0u) << e.what();
    }
    EXPECT_FALSE(ASPILoaded());
    try {
        (void)LoadASPI(false, KQ_ASPI_NO_ENTRIES_PATH);
        ADD_FAILURE() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Line(), 477);
    }

    TSCSIDevice device;
    EXPECT_FALSE(device.InitASPI(false, KQ_ASPI_NO_ENTRIES_PATH)) << "the guard turns it into false";
    EXPECT_FALSE(ASPILoaded());
    EXPECT_TRUE(device.Devices().empty());
}
