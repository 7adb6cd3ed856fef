#pragma once
// Clock, sleeps and event waits. Everything that waits goes through the
// current Timing, so a test can put a fake in its place and check a
// 10-second time-out without waiting 10 seconds.
#include "platform/ScopedReplacement.h"

#include <cstdint>

namespace platform {

class Event;

class Timing {
public:
    virtual ~Timing() = default;
    virtual uint64_t NowMs();                              // monotonic
    virtual void SleepMs(uint32_t ms);
    [[nodiscard]] virtual bool WaitEvent(const Event& event, uint32_t ms);  // true when signalled
};

Timing& CurrentTiming();
// Installs a replacement (nullptr: the real one); returns the previous one.
Timing* SetTiming(Timing* timing);

inline uint64_t NowMs() { return CurrentTiming().NowMs(); }
inline void SleepMs(uint32_t ms) { CurrentTiming().SleepMs(ms); }

// Installs a replacement for the life of the scope.
using ScopedTiming = ScopedReplacement<Timing, SetTiming>;

}  // namespace platform

namespace platform {

struct TimeOfDay {
    int minutes = 0;
    int seconds = 0;
    int milliseconds = 0;
};

// Minutes, seconds and milliseconds of the local wall-clock time.
TimeOfDay LocalTimeOfDay();

struct LocalDateTime {
    int year = 0, month = 1, day = 1;  // month and day from 1
    int hour = 0, minute = 0, second = 0;
};

// The local calendar date and time of day.
LocalDateTime LocalDateTimeNow();

}  // namespace platform
