#include "main/mw/os_pthread/os_sema.h"

#include "main/mw/os_pthread/os_pthread_priv.h"

#include <pthread.h>

#include <cerrno>
#include <cstdlib>

struct sema_t {
    uint32_t ui4Type;
    pthread_cond_t tCond;
    pthread_mutex_t tMutex;
    pthread_t tOwner;
    uint32_t ui4Value;
    uint16_t ui2Depth;
};

namespace {

constexpr const char* kFile = "os_sema";
constexpr pthread_t kNoOwner = static_cast<pthread_t>(~static_cast<pthread_t>(0));

int32_t libError(int ret)
{
    OS_LOG_EXIT_CODE(kFile, static_cast<uint32_t>(ret));
    return ret == EINVAL ? OSR_EINVAL : OSR_FAIL;
}

bool isOwnedBySelf(const sema_t* sema)
{
    return sema->ui4Type == SEMA_TYPE_MUTEX && sema->ui4Value == 0 && sema->tOwner == pthread_self();
}

// The common body of every lock: `deadline` null waits without limit; with `wait` false the
// answer for an unavailable semaphore is SEMA_NOT_AVAILABLE.
int32_t lockSema(sema_t* sema, bool wait, const timespec* deadline)
{
    int ret = pthread_mutex_lock(&sema->tMutex);
    if (ret != 0) {
        return libError(ret);
    }
    int32_t result = OSR_OK;
    if (isOwnedBySelf(sema)) {
        ++sema->ui2Depth;
    } else {
        while (sema->ui4Value == 0 && result == OSR_OK) {
            if (!wait) {
                result = SEMA_NOT_AVAILABLE;
            } else if (deadline == nullptr) {
                ret = pthread_cond_wait(&sema->tCond, &sema->tMutex);
                result = ret == 0 ? OSR_OK : libError(ret);
            } else {
                ret = pthread_cond_timedwait(&sema->tCond, &sema->tMutex, deadline);
                if (ret == ETIMEDOUT) {
                    result = sema->ui4Value == 0 ? OSR_TIMEOUT : OSR_OK;
                } else if (ret != 0) {
                    result = libError(ret);
                }
            }
        }
        if (result == OSR_OK) {
            --sema->ui4Value;
            sema->tOwner = pthread_self();
            if (sema->ui4Type == SEMA_TYPE_MUTEX) {
                sema->ui2Depth = 1;
            }
        }
    }
    pthread_mutex_unlock(&sema->tMutex);
    return result;
}

}  // namespace

int32_t uSemaCreate(sema_t** out, uint32_t type, uint32_t value)
{
    if (out == nullptr || type < SEMA_TYPE_BINARY || type > SEMA_TYPE_COUNTING ||
        (type != SEMA_TYPE_COUNTING && value > 1)) {
        return OSR_INV_ARG;
    }
    auto* sema = static_cast<sema_t*>(calloc(1, sizeof(sema_t)));
    if (sema == nullptr) {
        return OSR_NO_MEM;
    }
    if (osCondInitMonotonic(&sema->tCond) != 0) {
        free(sema);
        return OSR_FAIL;
    }
    if (pthread_mutex_init(&sema->tMutex, nullptr) != 0) {
        pthread_cond_destroy(&sema->tCond);
        free(sema);
        return OSR_FAIL;
    }
    sema->ui4Type = type;
    sema->ui4Value = value;
    sema->tOwner = kNoOwner;
    if (type == SEMA_TYPE_MUTEX && value == 0) {
        sema->tOwner = pthread_self();
        sema->ui2Depth = 1;
    }
    *out = sema;
    return OSR_OK;
}

int32_t uSemaDelete(sema_t* sema)
{
    if (sema == nullptr) {
        return OSR_INV_ARG;
    }
    int ret = pthread_mutex_destroy(&sema->tMutex);
    const int condRet = pthread_cond_destroy(&sema->tCond);
    if (ret == 0) {
        ret = condRet;
    }
    free(sema);
    if (ret != 0) {
        OS_LOG_EXIT_CODE(kFile, static_cast<uint32_t>(ret));
        return OSR_FAIL;
    }
    return OSR_OK;
}

int32_t uSemaLock(sema_t* sema, uint32_t option)
{
    if (sema == nullptr || (option != SEMA_OPTION_WAIT && option != SEMA_OPTION_NOWAIT)) {
        return OSR_INV_ARG;
    }
    return lockSema(sema, option == SEMA_OPTION_WAIT, nullptr);
}

int32_t uSemaLockTimeout(sema_t* sema, uint32_t ms)
{
    if (sema == nullptr) {
        return OSR_INV_ARG;
    }
    if (ms == 0) {
        const int32_t result = lockSema(sema, false, nullptr);
        return result == SEMA_NOT_AVAILABLE ? OSR_TIMEOUT : result;
    }
    const timespec deadline = osDeadlineAfterMs(ms);
    return lockSema(sema, true, &deadline);
}

int32_t uSemaUnlock(sema_t* sema)
{
    if (sema == nullptr) {
        return OSR_INV_ARG;
    }
    const int ret = pthread_mutex_lock(&sema->tMutex);
    if (ret != 0) {
        return libError(ret);
    }
    int32_t result = OSR_OK;
    if (sema->ui4Type != SEMA_TYPE_MUTEX) {
        sema->tOwner = kNoOwner;
        ++sema->ui4Value;
        pthread_cond_signal(&sema->tCond);
    } else if (!isOwnedBySelf(sema)) {
        result = OSR_FAIL;
    } else if (--sema->ui2Depth == 0) {
        sema->tOwner = kNoOwner;
        ++sema->ui4Value;
        pthread_cond_signal(&sema->tCond);
    }
    pthread_mutex_unlock(&sema->tMutex);
    return result;
}
