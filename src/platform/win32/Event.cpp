#include "platform/Event.h"

#include <windows.h>

namespace platform {

namespace {
HANDLE AsHandle(EventHandle handle) { return reinterpret_cast<HANDLE>(handle); }
}  // namespace

std::optional<Event> Event::Create() {
    // Manual reset, not signalled, unnamed.
    HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!handle) return std::nullopt;
    return Event(reinterpret_cast<EventHandle>(handle));
}

void Event::Close(EventHandle handle) { CloseHandle(AsHandle(handle)); }

void Event::Reset() const { ResetEvent(AsHandle(Handle())); }

bool Event::Wait(uint32_t ms) const {
    // INFINITE is 0xFFFFFFFF: the longest wait is a wait without end, as on Linux.
    return WaitForSingleObject(AsHandle(Handle()), ms) == WAIT_OBJECT_0;
}

bool SignalEvent(EventHandle handle) {
    if (handle == 0) return false;
    return SetEvent(AsHandle(handle)) != 0;
}

}  // namespace platform
