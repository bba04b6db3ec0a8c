#include "main/mw/os_pthread/os_tick.h"

#include "main/mw/os_pthread/os_err.h"

#include <atomic>
#include <ctime>

namespace {

constexpr long kNsecPerMsec = 1000000L;

std::atomic<uint32_t> gTickPeriodMs{0};

}  // namespace

uint32_t u_os_get_sys_tick(void)
{
    const uint32_t period = gTickPeriodMs.load(std::memory_order_relaxed);
    if (period == 0) {
        return 0;
    }
    timespec t{};
    OS_ASSERT(clock_gettime(CLOCK_MONOTONIC, &t) == 0);
    return static_cast<uint32_t>(t.tv_sec) * (1000 / period) +
           static_cast<uint32_t>(t.tv_nsec / (kNsecPerMsec * static_cast<long>(period)));
}

uint32_t u_os_get_sys_tick_period(void)
{
    return gTickPeriodMs.load(std::memory_order_relaxed);
}

void os_tick_init(void)
{
    timespec resolution{};
    OS_ASSERT(clock_getres(CLOCK_MONOTONIC, &resolution) == 0);
    // The monotonic clock is finer than a millisecond nearly everywhere; a tick of 0 ms would stop
    // the tick count, so it never gets finer than one millisecond.
    const long periodMs = (resolution.tv_nsec + kNsecPerMsec / 2) / kNsecPerMsec + resolution.tv_sec * 1000;
    gTickPeriodMs.store(periodMs < 1 ? 1 : static_cast<uint32_t>(periodMs), std::memory_order_relaxed);
}
