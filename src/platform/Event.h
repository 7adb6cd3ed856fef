#pragma once
// Manual-reset event: an eventfd on Linux, whose handle is the descriptor
// number, a Win32 event object on Windows. The handle is what goes into a
// request block's SRB_PostProc; it is never 0, since 0 there means "no event".
#include <cstdint>
#include <optional>

namespace platform {

using EventHandle = std::intptr_t;

class Event {
public:
    // A new event in the non-signalled state; nullopt when the system has
    // no descriptor to spare.
    static std::optional<Event> Create();

    Event(Event&& other) noexcept;
    Event& operator=(Event&& other) noexcept;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event();

    EventHandle Handle() const { return handle_; }
    void Set() const;
    void Reset() const;
    bool IsSet() const;
    // True when the event is (or becomes) signalled within ms milliseconds.
    // The event stays signalled: it is reset only by Reset.
    bool Wait(uint32_t ms) const;

private:
    explicit Event(EventHandle handle) : handle_(handle) {}
    EventHandle handle_ = 0;  // 0 once moved from
};

// Signals an event known only by its handle, as a transport layer does when
// it completes a pending request. False when the handle is not an event.
bool SignalEvent(EventHandle handle);

}  // namespace platform
