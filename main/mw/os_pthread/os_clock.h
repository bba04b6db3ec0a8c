// Monotonic-clock conditions and deadlines, shared by the timed waits of the OS layer.
#pragma once

#include <pthread.h>

#include <cstdint>
#include <ctime>

inline int osCondInitMonotonic(pthread_cond_t* cond)
{
    pthread_condattr_t attr;
    int ret = pthread_condattr_init(&attr);
    if (ret != 0) {
        return ret;
    }
    ret = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    if (ret == 0) {
        ret = pthread_cond_init(cond, &attr);
    }
    pthread_condattr_destroy(&attr);
    return ret;
}

inline timespec osDeadlineAfterMs(uint32_t ms)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nsec = static_cast<uint64_t>(now.tv_nsec) + static_cast<uint64_t>(ms % 1000) * 1000000u;
    timespec deadline{};
    deadline.tv_sec = now.tv_sec + static_cast<time_t>(ms / 1000) + static_cast<time_t>(nsec / 1000000000u);
    deadline.tv_nsec = static_cast<long>(nsec % 1000000000u);
    return deadline;
}
