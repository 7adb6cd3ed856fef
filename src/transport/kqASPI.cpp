#include "transport/kqASPI.h"

#include "transport/InFlightRequest.h"

#include <mutex>

namespace kq {

namespace {
std::atomic<SendASPI32CommandFn> sendEntry{nullptr};
std::atomic<GetASPI32SupportInfoFn> infoEntry{nullptr};
std::atomic<bool> loaded{false};
std::mutex nameLock;
std::string layerName;
}  // namespace

void InstallTransport(SendASPI32CommandFn send, GetASPI32SupportInfoFn info, std::string name) {
    sendEntry.store(send);
    infoEntry.store(info);
    {
        std::lock_guard lock(nameLock);
        layerName = std::move(name);
    }
    loaded.store(send != nullptr && info != nullptr);
}

void ReleaseTransport() {
    loaded.store(false);
    AbandonParkedRequests();
    sendEntry.store(nullptr);
    infoEntry.store(nullptr);
    std::lock_guard lock(nameLock);
    layerName.clear();
}

bool ASPILoaded() { return loaded.load(); }

std::string ASPILayerName() {
    std::lock_guard lock(nameLock);
    return layerName;
}

uint32_t SendASPI32Command(void* srb) {
    SendASPI32CommandFn send = sendEntry.load();
    if (!send || !loaded.load()) return SS_INVALID_HA;
    return send(srb);
}

uint32_t GetASPI32SupportInfo() {
    GetASPI32SupportInfoFn info = infoEntry.load();
    return info && loaded.load() ? info() : 0;
}

}  // namespace kq
