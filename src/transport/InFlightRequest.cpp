#include "transport/InFlightRequest.h"

#include <algorithm>
#include <mutex>

namespace kq {

bool InFlightRequest::LayerLetGo() {
    if (!pendingAtReturn) return true;
    if (LoadSrbStatus(srb.SRB_Status) == SS_PENDING) return false;
    if (!event) return true;
    // The layer writes the status before it signals: until the signal the
    // descriptor must stay open, or the layer could write into whatever
    // file reuses its number.
    if (!event->IsSet()) return false;
    event->Reset();
    return true;
}

namespace {
std::mutex parkedLock;
std::vector<std::unique_ptr<InFlightRequest>> parked;
}  // namespace

void ParkRequest(std::unique_ptr<InFlightRequest> request) {
    std::lock_guard lock(parkedLock);
    parked.push_back(std::move(request));
}

void ReapParkedRequests() {
    std::lock_guard lock(parkedLock);
    std::erase_if(parked, [](const auto& r) { return r->LayerLetGo(); });
}

size_t ParkedRequestCount() {
    std::lock_guard lock(parkedLock);
    return parked.size();
}

void AbandonParkedRequests() {
    std::lock_guard lock(parkedLock);
    std::erase_if(parked, [](const auto& r) { return r->LayerLetGo(); });
    // Deliberately never freed, and kept reachable so that leak checkers
    // see them as held, which they are.
    static auto* abandoned = new std::vector<std::unique_ptr<InFlightRequest>>;
    for (auto& r : parked) abandoned->push_back(std::move(r));
    parked.clear();
}

}  // namespace kq
