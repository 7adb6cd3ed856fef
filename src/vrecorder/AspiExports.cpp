// The two entry points of the shared library. Its recorders come from the
// file that VRECORDER_CONFIG names, or are one blank 80-minute CD-R at
// 0:0:0 backed by ./virtual-disc.img; a configuration that cannot be used
// is reported once on standard error and leaves no recorder.
#include "platform/Library.h"
#include "vrecorder/RecorderConfig.h"
#include "vrecorder/VirtualAspi.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr uint32_t kVirtualRecorderVersion = 1;

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

// Built at the first call, on whichever thread makes it.
vrec::VirtualAspi& Layer() {
#ifdef _WIN32
    // The layer has a completion thread, so the library stays until the
    // process ends (see platform::KeepLoadedUntilExit), and the layer is
    // never torn down: by the time the library is detached at exit the
    // system has already ended that thread, and waiting for it would hang
    // the exit. Nothing is lost: discs are saved at every change.
    static const bool pinned = platform::KeepLoadedUntilExit(&kVirtualRecorderVersion);
    static vrec::VirtualAspi* layer = new vrec::VirtualAspi(BuildRecorders());
    (void)pinned;
    return *layer;
#else
    // Torn down when the library is unloaded.
    static vrec::VirtualAspi layer(BuildRecorders());
    return layer;
#endif
}

}  // namespace

// On Windows the .def file names the exports; elsewhere the version script.
#ifdef _WIN32
#define VREC_EXPORT extern "C"
#else
#define VREC_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VREC_EXPORT uint32_t KQ_ASPI_CALL GetASPI32SupportInfo(void) {
    try {
        return Layer().SupportInfo();
    } catch (...) {
        return uint32_t{kq::SS_NO_ADAPTERS} << 8;
    }
}

VREC_EXPORT uint32_t KQ_ASPI_CALL SendASPI32Command(void* srb) {
    try {
        return Layer().Send(srb);
    } catch (...) {
        return kq::SS_ERR;
    }
}

// Only this library has it: tells a program (and a test) that the ASPI
// library it loaded is the virtual recorder and not another of that name.
VREC_EXPORT uint32_t KQ_ASPI_CALL GetVirtualRecorderVersion(void) { return kVirtualRecorderVersion; }
