// Semaphores of the OS layer: binary, mutex (recursive, owned) and counting, with optional time
// limits on the monotonic clock. Results are os_err codes.
#pragma once

#include "main/mw/os_pthread/os_crit.h"
#include "main/mw/os_pthread/os_err.h"

#include <cstdint>

enum sema_type : uint32_t {
    SEMA_TYPE_BINARY = 1,
    SEMA_TYPE_MUTEX = 2,
    SEMA_TYPE_COUNTING = 3,
};

enum sema_option : uint32_t {
    SEMA_OPTION_WAIT = 1,
    SEMA_OPTION_NOWAIT = 2,
};

// Answer of uSemaLock(..., SEMA_OPTION_NOWAIT) when the semaphore is not available.
constexpr int32_t SEMA_NOT_AVAILABLE = 1;

struct sema_t;

// A binary or mutex semaphore takes 0 or 1 as its value; a mutex created with 0 belongs to the
// creating thread at once.
int32_t uSemaCreate(sema_t** out, uint32_t type, uint32_t value);
int32_t uSemaDelete(sema_t* sema);

// 0 when taken; SEMA_NOT_AVAILABLE when asked not to wait and the value is 0.
int32_t uSemaLock(sema_t* sema, uint32_t option);
// 0 when taken; OSR_TIMEOUT when it could not be taken within `ms` (at once for 0).
int32_t uSemaLockTimeout(sema_t* sema, uint32_t ms);
// Binary and counting semaphores count up without bound; a mutex is released by its owner only.
int32_t uSemaUnlock(sema_t* sema);
