// The two entry points of the shared library. Its recorders come from the
// file that VRECORDER_CONFIG names, or are one blank 80-minute CD-R at
// 0:0:0 backed by ./virtual-disc.img; a configuration that cannot be used
// is reported once on standard error and leaves no recorder.
#include "vrecorder/RecorderConfig.h"
#include "vrecorder/VirtualAspi.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::vector<std::shared_ptr<vrec::VirtualRecorder>> BuildRecorders() {
    std::vector<std::shared_ptr<vrec::VirtualRecorder>> recorders;
    const char* path = std::getenv("VRECORDER_CONFIG");
    std::vector<vrec::RecorderConfig> configs;
    if (path && *path) {
        vrec::ConfigResult loaded = vrec::LoadRecorderConfig(path);
        if (!loaded.error.empty()) {
            std::fprintf(stderr, "vrecorder: %s\n", loaded.error.c_str());
            return recorders;
        }
        configs = std::move(loaded.recorders);
    } else {
        configs.push_back(vrec::DefaultRecorderConfig());
    }
    for (auto& c : configs) recorders.push_back(std::make_shared<vrec::VirtualRecorder>(std::move(c)));
    return recorders;
}

// Built at the first call, on whichever thread makes it; torn down when
// the library is unloaded.
vrec::VirtualAspi& Layer() {
    static vrec::VirtualAspi layer(BuildRecorders());
    return layer;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo(void) {
    try {
        return Layer().SupportInfo();
    } catch (...) {
        return uint32_t{kq::SS_NO_ADAPTERS} << 8;
    }
}

extern "C" __attribute__((visibility("default"))) uint32_t SendASPI32Command(void* srb) {
    try {
        return Layer().Send(srb);
    } catch (...) {
        return kq::SS_ERR;
    }
}
