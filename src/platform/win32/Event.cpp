#include "platform/Event.h"

#include <windows.h>

#include <utility>

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

Event::Event(Event&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}

Event& Event::operator=(Event&& other) noexcept {
    if (this != &other) {
        if (handle_) CloseHandle(AsHandle(handle_));
        handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
}

Event::~Event() {
    if (handle_) CloseHandle(AsHandle(handle_));
}

void Event::Set() const { SignalEvent(handle_); }

void Event::Reset() const { ResetEvent(AsHandle(handle_)); }

bool Event::IsSet() const { return Wait(0); }

bool Event::Wait(uint32_t ms) const {
    // INFINITE is 0xFFFFFFFF: the longest wait is a wait without end, as on Linux.
    return WaitForSingleObject(AsHandle(handle_), ms) == WAIT_OBJECT_0;
}

bool SignalEvent(EventHandle handle) {
    if (handle == 0) return false;
    return SetEvent(AsHandle(handle)) != 0;
}

}  // namespace platform
