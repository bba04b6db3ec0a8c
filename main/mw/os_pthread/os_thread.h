// Named threads over POSIX threads: a copied start argument, a minimum stack, a process-wide list
// of thread records, per-thread private values under numeric keys, adoption of threads that this
// layer did not start, and a reaper thread that joins and frees the records of ended threads.
// Results are os_err codes.
#pragma once

#include "main/mw/os_pthread/os_err.h"

#include <pthread.h>

#include <cstdint>

constexpr uint32_t THREAD_NAME_LEN = 16;
constexpr uint32_t THREAD_MIN_STACK_SIZE = 16384;
constexpr uint8_t THREAD_PRI_MIN = 1;
constexpr uint8_t THREAD_PRI_MAX = 254;

typedef void (*thread_entry_fct)(void* arg);
typedef void (*thread_pvt_dtor_fct)(uint32_t key, void* value);

struct thread_pvt_t {
    thread_pvt_t* prNext;
    thread_pvt_t* prPrev;
    uint32_t ui4Key;
    thread_pvt_dtor_fct pfDestructor;
    void* pvValue;
};

// One record per known thread, followed in the same allocation by ui4ArgSize bytes of the
// argument copy. Owned by the layer: callers read it only through the functions below.
struct thread_rec_t {
    thread_rec_t* prNext;
    thread_rec_t* prPrev;
    pthread_t tThread;
    pthread_cond_t tCond;  // suspend and resume
    pthread_mutex_t tMutex;
    uint8_t ui1Suspended;
    uint32_t ui4StackSize;  // 0 for an adopted thread, which is never joined
    char acName[THREAD_NAME_LEN + 1];
    thread_entry_fct pfEntry;
    thread_pvt_t* prPvt;
    uint32_t ui4ArgSize;
    uintptr_t uiStackLow;  // the painted stack's bounds; 0 until the thread has painted it
    uintptr_t uiStackTop;
};

typedef thread_rec_t* os_thread_t;

// Once per process; later calls return 0 at once. The other calls set the layer up themselves
// when it has not been yet.
int32_t osThreadInit(void);

// The stack is rounded up to a multiple of 8 and raised to THREAD_MIN_STACK_SIZE. `arg` is copied
// (argSize bytes) and the entry gets the copy, or null without argument. The priority (1..254) is
// checked but not applied.
int32_t uThreadCreate(os_thread_t* out, const char* name, uint32_t stackSize, uint8_t priority, thread_entry_fct entry,
                      uint32_t argSize, const void* arg);

// The calling thread's record; a thread this layer did not start is adopted on its first call.
int32_t uThreadSelf(os_thread_t* out);
int32_t uThreadDelay(uint32_t ms);

int32_t uThreadSetPri(os_thread_t thread, uint8_t priority);
int32_t uThreadGetPri(os_thread_t thread, uint8_t* priority);
int32_t uThreadGetName(os_thread_t thread, const char** name);

// The calling thread sleeps until another resumes it; resuming a thread that is not suspended
// does nothing.
int32_t uThreadSuspend(void);
int32_t uThreadResume(os_thread_t thread);

// Private values of the calling thread; their destructors run when it ends.
int32_t uThreadSetPvt(uint32_t key, thread_pvt_dtor_fct destructor, void* value);
int32_t uThreadGetPvt(uint32_t key, void** value);
int32_t uThreadDelPvt(uint32_t key);

// A created thread's stack size and the most of it the thread has used so far (its thread-local
// storage at the top counted as used): each stack is painted when its thread starts, and the
// deepest byte no longer holding the paint marks the high-water. OSR_NOT_SUPPORT for an adopted
// thread and in sanitizer builds (which do not paint), OSR_EINVAL for an unknown one.
int32_t uThreadStackStats(os_thread_t thread, uint32_t* stackSize, uint32_t* maxUsed);

// With SOUNDBAR_STACK_REPORT naming a file in the environment, the reaper rewrites that file about
// every STACK_REPORT_PERIOD_MS: a line "generation N", then one line "SIZE USED NAME" per painted
// thread. Without it nothing is written.
constexpr uint32_t STACK_REPORT_PERIOD_MS = 100;
