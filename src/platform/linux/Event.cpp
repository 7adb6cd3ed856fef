#include "platform/Event.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

std::optional<Event> Event::Create() {
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) return std::nullopt;
    if (fd == 0) {
        // Handle 0 would read as "no event" in a request block.
        int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
        close(fd);
        if (moved < 0) return std::nullopt;
        fd = moved;
    }
    return Event(fd);
}

void Event::Close(EventHandle handle) { close(static_cast<int>(handle)); }

// One read takes the whole count (the descriptor is no semaphore); an
// event that is not set answers EAGAIN.
void Event::Reset() const {
    uint64_t count;
    (void)!read(static_cast<int>(Handle()), &count, sizeof count);
}

bool Event::Wait(uint32_t ms) const {
    pollfd p{static_cast<int>(Handle()), POLLIN, 0};
    for (;;) {
        int n = poll(&p, 1, ms > INT32_MAX ? -1 : static_cast<int>(ms));
        if (n > 0) return (p.revents & POLLIN) != 0;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool SignalEvent(EventHandle handle) {
    if (handle <= 0 || handle > INT32_MAX) return false;
    uint64_t one = 1;
    return write(static_cast<int>(handle), &one, sizeof one) == sizeof one;
}

}  // namespace platform
