#pragma once
// A fresh folder made the current one, holding the virtual recorder as
// ./libwnaspi32.so (as on a user's machine) and its configuration; all
// undone when it goes.
#include "support/TempDir.h"
#include "transport/kqASPI.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kqtest {

class RecorderFolder {
public:
    RecorderFolder() : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir.Path());
        std::filesystem::copy_file(KQ_VRECORDER_ASPI_PATH, dir / "libwnaspi32.so");
    }
    ~RecorderFolder() {
        kq::ReleaseASPI();
        unsetenv("VRECORDER_CONFIG");
        std::filesystem::current_path(previous_);
    }
    void Configure(const std::string& config) {
        dir.Write("vrec.conf", config);
        setenv("VRECORDER_CONFIG", (dir / "vrec.conf").c_str(), 1);
    }

    TempDir dir;

private:
    std::filesystem::path previous_;
};

}  // namespace kqtest
