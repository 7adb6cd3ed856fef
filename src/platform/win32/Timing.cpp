#include "platform/Timing.h"

#include "platform/Event.h"

#include <windows.h>

#include <atomic>

namespace platform {

uint64_t Timing::NowMs() {
    // The performance counter, not the tick count: the tick moves in steps
    // of about 16 ms, too coarse for short time-outs.
    static const uint64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<uint64_t>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
    return ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
}

void Timing::SleepMs(uint32_t ms) { Sleep(ms); }

TimeOfDay LocalTimeOfDay() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wMinute, now.wSecond, now.wMilliseconds};
}

LocalDateTime LocalDateTimeNow() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

}  // namespace platform
