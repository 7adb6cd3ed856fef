#pragma once
// The copy of an execute request that a layer actually works on. The sender
// submits this copy, with a data buffer of its own, and copies the outcome
// back; a request that times out is parked here instead of being freed, so
// a layer that completes it late writes into memory that is still ours.
#include "platform/Event.h"
#include "transport/kqASPI.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace kq {

struct InFlightRequest {
    SRB_ExecSCSICmd srb{};
    std::vector<uint8_t> buffer;
    std::optional<platform::Event> event;
    // The layer returned with the request still pending: it completes it
    // later, from a thread of its own.
    bool pendingAtReturn = false;

    // True once the layer can no longer touch the block, its buffer or its
    // event: it returned with a final status, or it wrote one later and (when
    // asked to) signalled. Consumes the signal, which is what orders the
    // layer's last touch of the event before our closing it.
    [[nodiscard]] bool LayerLetGo();
};

// Keeps a timed-out request until its layer lets go of it.
void ParkRequest(std::unique_ptr<InFlightRequest> request);
// Frees the parked requests whose layer has let go.
void ReapParkedRequests();
size_t ParkedRequestCount();
// At the end: frees what can be freed and leaves the rest allocated for
// good, since the layer may still write into it.
void AbandonParkedRequests();

}  // namespace kq
