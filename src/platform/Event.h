#pragma once
// Manual-reset event: an eventfd on Linux, whose handle is the descriptor
// number, a Win32 event object on Windows. The handle is what goes into a
// request block's SRB_PostProc; it is never 0, since 0 there means "no event".
#include "platform/OwnedHandle.h"

#include <cstdint>
#include <optional>

namespace platform {

using EventHandle = std::intptr_t;

// Signals an event known only by its handle, as a transport layer does when
// it completes a pending request. False when the handle is not an event.
[[nodiscard]] bool SignalEvent(EventHandle handle);

class Event {
public:
    // A new event in the non-signalled state; nullopt when the system has
    // no descriptor to spare.
    [[nodiscard]] static std::optional<Event> Create();

    EventHandle Handle() const { return handle_.Get(); }
    void Set() const { (void)SignalEvent(Handle()); }  // fails only for no event
    void Reset() const;
    bool IsSet() const { return Wait(0); }
    // True when the event is (or becomes) signalled within ms milliseconds.
    // The event stays signalled: it is reset only by Reset.
    [[nodiscard]] bool Wait(uint32_t ms) const;

private:
    explicit Event(EventHandle handle) : handle_(handle) {}
    static void Close(EventHandle handle);

    OwnedHandle<EventHandle, 0, Close> handle_;  // 0 once moved from
};

}  // namespace platform
