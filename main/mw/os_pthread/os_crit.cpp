#include "main/mw/os_pthread/os_crit.h"

#include "main/mw/os_pthread/os_err.h"

#include <pthread.h>

#include <atomic>

namespace {

constexpr pthread_t kNoOwner = static_cast<pthread_t>(~static_cast<pthread_t>(0));

struct CritState {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    // Read without the mutex to test "do I own it?": only the owner itself ever stores its own id,
    // so a thread sees its own id here exactly when it holds the section.
    std::atomic<pthread_t> owner{kNoOwner};
    uint16_t depth = 0;
};

CritState gCrit;

}  // namespace

uint32_t uCritStart(void)
{
    const pthread_t self = pthread_self();
    if (gCrit.owner.load(std::memory_order_relaxed) != self) {
        OS_ASSERT(pthread_mutex_lock(&gCrit.mutex) == 0);
        gCrit.owner.store(self, std::memory_order_relaxed);
    }
    return ++gCrit.depth;
}

void uCritEnd(uint32_t depth)
{
    OS_ASSERT(gCrit.owner.load(std::memory_order_relaxed) == pthread_self());
    OS_ASSERT(depth == gCrit.depth);
    if (--gCrit.depth == 0) {
        gCrit.owner.store(kNoOwner, std::memory_order_relaxed);
        OS_ASSERT(pthread_mutex_unlock(&gCrit.mutex) == 0);
    }
}
