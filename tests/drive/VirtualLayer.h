#pragma once
// Virtual recorders presented as the ASPI library layer, in process, with
// no optical drives on the machine, so drive letters come from the
// layer's disk information.
#include "transport/kqASPI.h"
#include "vrecorder/VirtualAspi.h"
#include "vrecorder/VirtualOpticalDrives.h"

#include <memory>
#include <vector>

namespace kqtest {

class VirtualLayer {
public:
    explicit VirtualLayer(const std::vector<vrec::RecorderConfig>& configs) {
        for (const auto& c : configs) recorders.push_back(std::make_shared<vrec::VirtualRecorder>(c));
        aspi = std::make_unique<vrec::VirtualAspi>(recorders);
        Current() = aspi.get();
        kq::InstallTransport(&Send, &Info, kq::kAspiLibraryName);
    }
    ~VirtualLayer() {
        kq::ReleaseTransport();
        Current() = nullptr;
    }
    VirtualLayer(const VirtualLayer&) = delete;
    VirtualLayer& operator=(const VirtualLayer&) = delete;

    std::vector<std::shared_ptr<vrec::VirtualRecorder>> recorders;
    std::unique_ptr<vrec::VirtualAspi> aspi;

private:
    static vrec::VirtualAspi*& Current() {
        static vrec::VirtualAspi* current = nullptr;
        return current;
    }
    static uint32_t Send(void* srb) { return Current()->Send(srb); }
    static uint32_t Info() { return Current()->SupportInfo(); }

    vrec::VirtualOpticalDrives none_;
    platform::ScopedOpticalDrives scoped_{none_};
};

inline vrec::RecorderConfig At(uint8_t adapter, uint8_t target, uint8_t lun = 0) {
    vrec::RecorderConfig c;
    c.adapter = adapter;
    c.target = target;
    c.lun = lun;
    c.capacity = 20000;
    return c;
}

}  // namespace kqtest
