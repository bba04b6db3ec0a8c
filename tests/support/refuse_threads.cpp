#include "tests/support/refuse_threads.h"

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <pthread.h>

namespace {

std::atomic<int> gRefusalsLeft{0};

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg)
{
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    int left = gRefusalsLeft.load();
    while (left > 0) {
        if (gRefusalsLeft.compare_exchange_weak(left, left - 1)) {
            return EAGAIN;
        }
    }
    return real(thread, attr, start, arg);
}

namespace sbtest {

void refuseThreads(int count)
{
    gRefusalsLeft.store(count);
}

}  // namespace sbtest
