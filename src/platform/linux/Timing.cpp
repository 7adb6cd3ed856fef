#include "platform/Timing.h"

#include "platform/Event.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

uint64_t Timing::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Timing::SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace platform

#include <ctime>

namespace platform {

TimeOfDay LocalTimeOfDay() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return {local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 1000000)};
}

LocalDateTime LocalDateTimeNow() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace platform
