#include "main/mw/os_pthread/os_msgq.h"

#include "main/mw/os_pthread/os_pthread_priv.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

// The ring follows the header in the same allocation: msgCount + 1 slots of {u32 length, bytes}.
// Positions are byte offsets into the ring, so the layout is the same for any pointer width.
struct msg_q_t {
    msg_q_t* prNext;
    msg_q_t* prPrev;
    pthread_cond_t tNotFull;
    pthread_cond_t tNotEmpty;
    pthread_mutex_t tMutex;
    uint32_t ui4Read;
    uint32_t ui4Write;
    uint32_t ui4End;
    uint32_t ui4SlotSize;
    uint32_t ui4MaxMsgSize;
    uint16_t ui2MsgCount;
    uint16_t ui2Users;
    char acName[MSGQ_NAME_LEN + 1];
};

namespace {

constexpr const char* kFile = "os_msgq";

struct MsgqState {
    pthread_mutex_t listMutex = PTHREAD_MUTEX_INITIALIZER;
    msg_q_t* head = nullptr;  // circular list, newest last
};

MsgqState gMsgq;

int32_t libError(int ret)
{
    OS_LOG_EXIT_CODE(kFile, static_cast<uint32_t>(ret));
    return ret == EINVAL ? OSR_EINVAL : OSR_FAIL;
}

class ListLock {
public:
    ListLock() { OS_ASSERT(pthread_mutex_lock(&gMsgq.listMutex) == 0); }
    ~ListLock() { pthread_mutex_unlock(&gMsgq.listMutex); }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
};

msg_q_t* findLocked(const char* name)
{
    return osListFind(gMsgq.head,
                      [name](const msg_q_t* queue) { return strncmp(queue->acName, name, MSGQ_NAME_LEN) == 0; });
}

void destroyQueue(msg_q_t* queue)
{
    pthread_mutex_destroy(&queue->tMutex);
    pthread_cond_destroy(&queue->tNotFull);
    pthread_cond_destroy(&queue->tNotEmpty);
    free(queue);
}

uint8_t* ring(msg_q_t* queue)
{
    return reinterpret_cast<uint8_t*>(queue + 1);
}

uint32_t advance(const msg_q_t* queue, uint32_t pos)
{
    pos += queue->ui4SlotSize;
    return pos == queue->ui4End ? 0 : pos;
}

// Takes the oldest message; the queue's mutex is held and the queue is not empty.
uint32_t takeLocked(msg_q_t* queue, void* buffer, uint32_t size)
{
    uint8_t* slot = ring(queue) + queue->ui4Read;
    uint32_t length = 0;
    memcpy(&length, slot, sizeof(length));
    length = std::min(length, size);
    memcpy(buffer, slot + sizeof(uint32_t), length);
    queue->ui4Read = advance(queue, queue->ui4Read);
    pthread_cond_broadcast(&queue->tNotFull);
    return length;
}

// The shared body of both receives; `deadline` null waits without limit.
int32_t receive(uint16_t* index, void* buffer, uint32_t* size, msg_q_t* const* queues, uint16_t count, bool wait,
                const timespec* deadline)
{
    if (index == nullptr || buffer == nullptr || size == nullptr || *size == 0 || queues == nullptr || count == 0) {
        return OSR_INV_ARG;
    }
    if (count != 1) {
        return OSR_NOT_SUPPORT;
    }
    msg_q_t* queue = queues[0];
    if (queue == nullptr) {
        return OSR_INV_ARG;
    }
    int ret = pthread_mutex_lock(&queue->tMutex);
    if (ret != 0) {
        return libError(ret);
    }
    int32_t result = OSR_OK;
    while (queue->ui4Read == queue->ui4Write && result == OSR_OK) {
        if (!wait) {
            result = OSR_NO_MSG;
        } else if (deadline == nullptr) {
            ret = pthread_cond_wait(&queue->tNotEmpty, &queue->tMutex);
            result = ret == 0 ? OSR_OK : libError(ret);
        } else {
            ret = pthread_cond_timedwait(&queue->tNotEmpty, &queue->tMutex, deadline);
            if (ret == ETIMEDOUT) {
                result = queue->ui4Read == queue->ui4Write ? OSR_TIMEOUT : OSR_OK;
            } else if (ret != 0) {
                result = libError(ret);
            }
        }
    }
    if (result == OSR_OK) {
        *size = takeLocked(queue, buffer, *size);
        *index = 0;
    }
    pthread_mutex_unlock(&queue->tMutex);
    return result;
}

}  // namespace

int32_t msgQInit(void)
{
    return OSR_OK;
}

int32_t xMsgQCreate(msg_q_t** out, const char* name, uint32_t maxMsgSize, uint32_t msgCount)
{
    if (out == nullptr || name == nullptr || name[0] == '\0' || maxMsgSize == 0 || maxMsgSize > MSGQ_MAX_MSG_SIZE ||
        msgCount == 0 || msgCount > MSGQ_MAX_MSG_COUNT) {
        return OSR_INV_ARG;
    }
    const uint32_t slotSize = ((maxMsgSize + 3u) & ~3u) + static_cast<uint32_t>(sizeof(uint32_t));
    const uint32_t ringSize = (msgCount + 1u) * slotSize;
    auto* queue = static_cast<msg_q_t*>(calloc(1, sizeof(msg_q_t) + ringSize));
    if (queue == nullptr) {
        return OSR_NO_MEM;
    }
    OS_ASSERT(osCondInitMonotonic(&queue->tNotFull) == 0);
    OS_ASSERT(osCondInitMonotonic(&queue->tNotEmpty) == 0);
    OS_ASSERT(pthread_mutex_init(&queue->tMutex, nullptr) == 0);
    queue->ui4End = ringSize;
    queue->ui4SlotSize = slotSize;
    queue->ui4MaxMsgSize = maxMsgSize;
    queue->ui2MsgCount = static_cast<uint16_t>(msgCount);
    queue->ui2Users = 1;
    strncpy(queue->acName, name, MSGQ_NAME_LEN);

    {
        ListLock lock;
        if (findLocked(name) == nullptr) {
            osListAppend(gMsgq.head, queue);
            *out = queue;
            return OSR_OK;
        }
    }
    destroyQueue(queue);
    return OSR_EXIST;
}

int32_t xMsgQAttach(msg_q_t** out, const char* name)
{
    if (out == nullptr || name == nullptr || name[0] == '\0') {
        return OSR_INV_ARG;
    }
    ListLock lock;
    msg_q_t* queue = findLocked(name);
    if (queue == nullptr) {
        return OSR_NOT_EXIST;
    }
    ++queue->ui2Users;
    *out = queue;
    return OSR_OK;
}

int32_t xMsgQDelete(msg_q_t* queue)
{
    if (queue == nullptr) {
        return OSR_INV_ARG;
    }
    {
        ListLock lock;
        if (--queue->ui2Users >= 1) {
            return OSR_OK;
        }
        osListRemove(gMsgq.head, queue);
    }
    destroyQueue(queue);
    return OSR_OK;
}

int32_t xMsgQSend(msg_q_t* queue, const void* data, uint32_t size, uint32_t /*priority*/)
{
    if (queue == nullptr || data == nullptr || size == 0) {
        return OSR_INV_ARG;
    }
    if (size > queue->ui4MaxMsgSize) {
        return OSR_TOO_BIG;
    }
    const int ret = pthread_mutex_lock(&queue->tMutex);
    if (ret != 0) {
        return libError(ret);
    }
    const uint32_t next = advance(queue, queue->ui4Write);
    if (next == queue->ui4Read) {
        pthread_mutex_unlock(&queue->tMutex);
        return OSR_TOO_MANY;
    }
    uint8_t* slot = ring(queue) + queue->ui4Write;
    memcpy(slot, &size, sizeof(size));
    memcpy(slot + sizeof(uint32_t), data, size);
    queue->ui4Write = next;
    // Woken after the unlock: a receiver woken before it would find the mutex held and sleep again
    // on it, one more switch each way on a busy processor. The sender's reference keeps the queue.
    pthread_mutex_unlock(&queue->tMutex);
    pthread_cond_broadcast(&queue->tNotEmpty);
    return OSR_OK;
}

int32_t xMsgQReceive(uint16_t* index, void* buffer, uint32_t* size, msg_q_t* const* queues, uint16_t count,
                     uint32_t option)
{
    if (option != MSGQ_OPTION_WAIT && option != MSGQ_OPTION_NOWAIT) {
        return OSR_INV_ARG;
    }
    return receive(index, buffer, size, queues, count, option == MSGQ_OPTION_WAIT, nullptr);
}

int32_t xMsgQReceiveTimeout(uint16_t* index, void* buffer, uint32_t* size, msg_q_t* const* queues, uint16_t count,
                            uint32_t ms)
{
    const timespec deadline = osDeadlineAfterMs(ms);
    return receive(index, buffer, size, queues, count, true, &deadline);
}

int32_t xMsgQNumMsgs(msg_q_t* queue, uint16_t* num)
{
    if (queue == nullptr || num == nullptr) {
        return OSR_INV_ARG;
    }
    const int ret = pthread_mutex_lock(&queue->tMutex);
    if (ret != 0) {
        return libError(ret);
    }
    uint32_t distance = queue->ui4Write >= queue->ui4Read ? queue->ui4Write - queue->ui4Read
                                                          : queue->ui4Write + queue->ui4End - queue->ui4Read;
    pthread_mutex_unlock(&queue->tMutex);
    *num = static_cast<uint16_t>(distance / queue->ui4SlotSize);
    return OSR_OK;
}

int32_t xMsgQGetMaxMsgSize(msg_q_t* queue, uint32_t* maxMsgSize)
{
    if (queue == nullptr || maxMsgSize == nullptr) {
        return OSR_INV_ARG;
    }
    *maxMsgSize = queue->ui4MaxMsgSize;
    return OSR_OK;
}

int32_t xMsgQFlush(msg_q_t* queue)
{
    if (queue == nullptr) {
        return OSR_EINVAL;
    }
    const int ret = pthread_mutex_lock(&queue->tMutex);
    if (ret != 0) {
        return libError(ret);
    }
    queue->ui4Read = queue->ui4Write = 0;
    // Receivers wake, see the queue empty and wait again (or time out as before).
    pthread_cond_broadcast(&queue->tNotEmpty);
    pthread_mutex_unlock(&queue->tMutex);
    return OSR_OK;
}
