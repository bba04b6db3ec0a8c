#include "main/cec/cec_pool.h"

#include "common/support/support.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_drv.h"
#include "main/cec/cec_state.h"
#include "main/mw/os_pthread/os_sema.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

struct EventList {
    CecEvent* head = nullptr;
    CecEvent* tail = nullptr;
};

struct CecPool {
    std::atomic<bool> inited{false};
    std::atomic<sema_t*> lock{nullptr};
    // Allocated once and kept for the process's life, with the timers of its events.
    std::atomic<CecEvent*> block{nullptr};
    EventList freeList;
    EventList occupied;
    uint8_t freeCount = 0;  // guarded by the lock, as are the lists and every event's fields
    uint8_t occupiedCount = 0;
};

CecPool gPool;

// Holds the pool's lock for a scope; the lock is recursive.
class PoolLock {
public:
    PoolLock() : held_(cecSemaMtxLock() == 0) {}
    ~PoolLock()
    {
        if (held_) {
            cecSemaMtxNulock();
        }
    }
    PoolLock(const PoolLock&) = delete;
    PoolLock& operator=(const PoolLock&) = delete;

private:
    bool held_;
};

void append(EventList& list, CecEvent* event)
{
    event->prNext = nullptr;
    event->prPrev = list.tail;
    if (list.tail != nullptr) {
        list.tail->prNext = event;
    } else {
        list.head = event;
    }
    list.tail = event;
}

void unlink(EventList& list, CecEvent* event)
{
    (event->prPrev != nullptr ? event->prPrev->prNext : list.head) = event->prNext;
    (event->prNext != nullptr ? event->prNext->prPrev : list.tail) = event->prPrev;
    event->prPrev = nullptr;
    event->prNext = nullptr;
}

void resetFields(CecEvent* event)
{
    event->ui4Opcode = CEC_OPCODE_POLLING;
    event->ui4Initiator = CEC_LA_NONE;
    event->ui4Destination = CEC_LA_NONE;
    event->ui1OperandCount = 0;
    memset(event->aui1Operand, 0, sizeof event->aui1Operand);
    event->ui1Retry = 0;
    event->ui4Kind = CEC_KIND_FREE;
    event->ui4State = CEC_EVT_FREE;
}

void logCounts()
{
    CEC_INFO("occupy event number: %d \n", gPool.occupiedCount);
    CEC_INFO("free event number: %d \n", gPool.freeCount);
}

void logEvent(const CecEvent& event)
{
    CEC_INFO("opcode: 0x%02x, init addr: %u, dest addr: %u \n", event.ui4Opcode, event.ui4Initiator,
             event.ui4Destination);
    CEC_INFO("opcode type: %u, retry: %d \n", event.ui4Kind, event.ui1Retry);
}

// Releases exactly this pending event: reset, timer stopped, back to the tail of the free list.
void releaseLocked(CecEvent* event)
{
    if (event->ui1Pending == 0) {
        CEC_INFO("event %u released already", event->ui4Tag);
        return;
    }
    event->ui1Pending = 0;
    resetFields(event);
    u_timer_stop(event->prTimer);
    unlink(gPool.occupied, event);
    --gPool.occupiedCount;
    append(gPool.freeList, event);
    ++gPool.freeCount;
    CEC_INFO(" free event complete");
}

void release(CecEvent* event)
{
    PoolLock lock;
    releaseLocked(event);
}

// The pool event a timer's copy stands for, while it is still the same pending transmission in
// `state`; null for a copy that outlived its event.
CecEvent* currentEvent(const CecEvent& copy, uint32_t state)
{
    PoolLock lock;
    CecEvent* event = cecCtrlEventFromTag(copy.ui4Tag);
    if (event == nullptr || event->ui1Pending == 0 || event->ui4Serial != copy.ui4Serial || event->ui4State != state) {
        CEC_INFO("stale time out, tag: %u", copy.ui4Tag);
        return nullptr;
    }
    return event;
}

// Arms the timer and hands the request to the driver; on a failure the event is released.
int32_t transmit(CecEvent* event, const uint8_t cmd[CEC_SEND_CMD_SIZE])
{
    const int32_t armed = cecCtrlStartEventTimer(event, CEC_ACK_TIMEOUT_MS);
    if (armed != 0) {
        CEC_ERR("<CEC>Err:u_timer_start return err: ret=%d.\r\n", armed);
        release(event);
        return CECR_DRV_FAIL;
    }
    // The timer is armed first, so a status that comes back at once finds it to stop.
    CEC_INFO("cecIoctl(KVX_HDMI_SET_CECCMD) \n\r");
    const int32_t sent = cecIoctl(KVX_HDMI_SET_CECCMD, reinterpret_cast<uintptr_t>(cmd));
    if (sent != CECR_OK) {
        CEC_ERR("<CEC>Err:cecIoctl return err: ret=%d.\r\n", sent);
        release(event);
        return CECR_DRV_FAIL;
    }
    return CECR_OK;
}

}  // namespace

void cecEventToTimerRec(const CecEvent& event, uint8_t out[CEC_TIMER_REC_SIZE])
{
    memset(out, 0, CEC_TIMER_REC_SIZE);
    sb::storeLe32(out, event.ui4Opcode);
    sb::storeLe32(out + 4, event.ui4Initiator);
    sb::storeLe32(out + 8, event.ui4Destination);
    out[12] = event.ui1OperandCount;
    memcpy(out + 13, event.aui1Operand, CEC_EVENT_OPERAND_MAX);
    out[27] = event.ui1Retry;
    sb::storeLe32(out + 28, event.ui4Kind);
    sb::storeLe32(out + CEC_TIMER_REC_OFF_STATE, event.ui4State);
    sb::storeLe32(out + CEC_TIMER_REC_OFF_TAG, event.ui4Tag);
    sb::storeLe32(out + CEC_TIMER_REC_OFF_SERIAL, event.ui4Serial);
}

bool cecEventFromTimerRec(const void* data, uint32_t size, CecEvent* out)
{
    if (data == nullptr || size < CEC_TIMER_REC_SIZE) {
        return false;
    }
    const auto* in = static_cast<const uint8_t*>(data);
    *out = CecEvent{};
    out->ui4Opcode = sb::loadLe32(in);
    out->ui4Initiator = sb::loadLe32(in + 4);
    out->ui4Destination = sb::loadLe32(in + 8);
    out->ui1OperandCount = in[12];
    memcpy(out->aui1Operand, in + 13, CEC_EVENT_OPERAND_MAX);
    out->ui1Retry = in[27];
    out->ui4Kind = sb::loadLe32(in + 28);
    out->ui4State = sb::loadLe32(in + CEC_TIMER_REC_OFF_STATE);
    out->ui4Tag = sb::loadLe32(in + CEC_TIMER_REC_OFF_TAG);
    out->ui4Serial = sb::loadLe32(in + CEC_TIMER_REC_OFF_SERIAL);
    return true;
}

int32_t cecSemaMtxCreate(void)
{
    if (gPool.lock.load() != nullptr) {
        return 0;
    }
    sema_t* lock = nullptr;
    const int32_t res = uSemaCreate(&lock, SEMA_TYPE_MUTEX, 1);
    if (res == 0) {
        gPool.lock = lock;
    }
    return res;
}

int32_t cecSemaMtxDelet(void)
{
    sema_t* lock = gPool.lock.exchange(nullptr);
    return lock == nullptr ? 0 : uSemaDelete(lock);
}

int32_t cecSemaMtxLock(void)
{
    sema_t* lock = gPool.lock.load();
    return (lock != nullptr && uSemaLock(lock, SEMA_OPTION_WAIT) == 0) ? 0 : -1;
}

int32_t cecSemaMtxNulock(void)
{
    sema_t* lock = gPool.lock.load();
    return (lock != nullptr && uSemaUnlock(lock) == 0) ? 0 : -1;
}

int32_t cecCtrlInit(void)
{
    if (gPool.inited.load()) {
        CEC_ERR(" module already init ");
        return CECR_ALREADY;
    }
    {
        PoolLock lock;
        gPool.freeList = {};
        gPool.occupied = {};
        gPool.freeCount = 0;
        gPool.occupiedCount = 0;
        auto* events = static_cast<CecEvent*>(std::calloc(CEC_EVENT_POOL_SIZE, sizeof(CecEvent)));
        if (events == nullptr) {
            return CECR_NO_MEM;
        }
        for (uint32_t i = 0; i < CEC_EVENT_POOL_SIZE; ++i) {
            CecEvent* event = &events[i];
            resetFields(event);
            event->ui4Tag = i + 1;
            const int32_t res = u_timer_create(&event->prTimer);
            if (res != 0) {
                CEC_ERR("<CEC>Err:u_timer_create return err: ret=%d.\r\n", res);
                for (uint32_t j = 0; j < i; ++j) {
                    u_timer_delete(events[j].prTimer);
                }
                gPool.freeList = {};
                gPool.freeCount = 0;
                std::free(events);
                return CECR_DRV_FAIL;
            }
            append(gPool.freeList, event);
            ++gPool.freeCount;
        }
        gPool.block = events;
    }
    gPool.inited = true;
    return cecCtrlOpenDriver();
}

int32_t cecCtrlUninit(void)
{
    if (!gPool.inited.exchange(false)) {
        CEC_ERR(" module already uninit ");
        return CECR_DRV_FAIL;
    }
    return CECR_OK;
}

bool cecCtrlIsInited(void)
{
    return gPool.inited.load();
}

CecEvent* cecCtrlAllocEvent(void)
{
    PoolLock lock;
    logCounts();
    CecEvent* event = gPool.freeList.head;
    if (event == nullptr) {
        CEC_ERR("malloc memory failed\n\r");
        return nullptr;
    }
    unlink(gPool.freeList, event);
    --gPool.freeCount;
    append(gPool.occupied, event);
    ++gPool.occupiedCount;
    ++event->ui4Serial;
    event->ui1Pending = 1;
    logCounts();
    return event;
}

int32_t cecCtrlFreeEvent(const CecEvent* key)
{
    if (key == nullptr) {
        CEC_ERR("cecCtrlFreeEvent pt_evt null");
        return 0;
    }
    PoolLock lock;
    // Read before the walk: the key may be the very event that is reset below.
    const uint32_t kind = key->ui4Kind;
    const uint32_t opcode = key->ui4Opcode;
    const uint32_t initiator = key->ui4Initiator;
    for (CecEvent* event = gPool.occupied.head; event != nullptr; event = event->prNext) {
        if (event->ui4Kind == kind && event->ui4Opcode == opcode && event->ui4Initiator == initiator) {
            releaseLocked(event);
            return 1;
        }
    }
    CEC_INFO("free event fail, don't find event");
    logCounts();
    return 0;
}

CecEvent* cecCtrlSearchActionEvent(uint32_t opcode, uint32_t destination, uint32_t state)
{
    PoolLock lock;
    for (CecEvent* event = gPool.occupied.head; event != nullptr; event = event->prNext) {
        if (event->ui4Opcode == opcode && event->ui4Destination == destination && event->ui4State == state) {
            CEC_INFO("find action event: ");
            logEvent(*event);
            return event;
        }
    }
    CEC_INFO("don't find action event opcode: %u\n", opcode);
    return nullptr;
}

CecEvent* cecCtrlEventFromTag(uint32_t tag)
{
    if (gPool.block == nullptr || tag == 0 || tag > CEC_EVENT_POOL_SIZE) {
        return nullptr;
    }
    return &gPool.block.load()[tag - 1];
}

void cecCtrlEventCounts(uint8_t* occupied, uint8_t* free)
{
    PoolLock lock;
    *occupied = gPool.occupiedCount;
    *free = gPool.freeCount;
}

int32_t cecCtrlNumberOfEventPool(void)
{
    // Locked also for the console, which would otherwise walk the list while the application
    // thread changes it.
    PoolLock lock;
    for (const CecEvent* event = gPool.occupied.head; event != nullptr; event = event->prNext) {
        CEC_INFO("occupy event opcode: 0x%x  type: %u\n", event->ui4Opcode, event->ui4Kind);
    }
    logCounts();
    return 0;
}

int32_t cecCtrlStartEventTimer(CecEvent* event, uint32_t ms)
{
    uint8_t rec[CEC_TIMER_REC_SIZE];
    os_timer_t* timer = nullptr;
    {
        PoolLock lock;
        cecEventToTimerRec(*event, rec);
        timer = event->prTimer;
    }
    const timer_param_t param{timer, ms, TIMER_MODE_ONCE};
    return u_timer_start(gCecThisObj.hApp.load(), &param, rec, sizeof rec);
}

int32_t cecCtrlSendMessage(uint32_t kind, const CecFrame* frame)
{
    if (frame == nullptr) {
        return CECR_DRV_FAIL;
    }
    CEC_API("Frame (cec_send): 0x%02x (src la=%d, dest la=%d)\n\r", frame->ui2Opcode, frame->ui1Initiator,
            frame->ui1Destination);
    const uint32_t shown = frame->ui4OperandCount < CEC_FRAME_OPERAND_MAX ? frame->ui4OperandCount
                                                                         : CEC_FRAME_OPERAND_MAX;
    for (uint32_t i = 0; i < shown; ++i) {
        CEC_API("Frame oprand[%u]: %d\n\r", i, frame->aui1Operand[i]);
    }
    CecEvent* event = cecCtrlAllocEvent();
    if (event == nullptr) {
        // Reported as a failed send: the frame is not on its way.
        CEC_ERR("cecCtrlAllocEvent failed\n\r");
        return CECR_DRV_FAIL;
    }
    uint8_t cmd[CEC_SEND_CMD_SIZE];
    {
        PoolLock lock;
        event->ui4Opcode = frame->ui2Opcode;
        event->ui4Initiator = frame->ui1Initiator;
        event->ui4Destination = frame->ui1Destination;
        event->ui1OperandCount = static_cast<uint8_t>(frame->ui4OperandCount);
        const uint32_t kept = event->ui1OperandCount < CEC_EVENT_OPERAND_MAX ? event->ui1OperandCount
                                                                             : CEC_EVENT_OPERAND_MAX;
        memcpy(event->aui1Operand, frame->aui1Operand, kept);
        event->ui1Retry = 0;
        event->ui4Kind = kind;
        event->ui4State = CEC_EVT_SENT;
        cecSendCmdEncode(event->ui4Tag, *frame, cmd);
    }
    return transmit(event, cmd);
}

int32_t cecCtrlSendMessageByEvent(CecEvent* event)
{
    if (event == nullptr) {
        return CECR_DRV_FAIL;
    }
    uint8_t cmd[CEC_SEND_CMD_SIZE];
    {
        PoolLock lock;
        CecFrame frame{};
        frame.ui1Initiator = static_cast<uint8_t>(event->ui4Initiator);
        frame.ui1Destination = static_cast<uint8_t>(event->ui4Destination);
        frame.ui2Opcode = static_cast<uint16_t>(event->ui4Opcode);
        const uint32_t kept = event->ui1OperandCount < CEC_EVENT_OPERAND_MAX ? event->ui1OperandCount
                                                                             : CEC_EVENT_OPERAND_MAX;
        memcpy(frame.aui1Operand, event->aui1Operand, kept);
        frame.ui4OperandCount = kept;
        cecSendCmdEncode(event->ui4Tag, frame, cmd);
    }
    return transmit(event, cmd);
}

void cecHandleAckTimeout(const CecEvent* expired)
{
    if (expired == nullptr) {
        return;
    }
    // A broadcast is never sent again: it stays pending until its status comes.
    if (expired->ui4Kind == CEC_KIND_FREE || expired->ui4State != CEC_EVT_SENT ||
        expired->ui4Destination == CEC_LA_BROADCAST) {
        CEC_ERR("ack time out invlid event");
        return;
    }
    CecEvent* event = nullptr;
    bool again = false;
    {
        // Checked and decided under one hold of the lock: the event cannot change in between.
        PoolLock lock;
        event = currentEvent(*expired, CEC_EVT_SENT);
        if (event == nullptr) {
            return;
        }
        CEC_INFO("ack timeout ");
        logEvent(*expired);
        if (event->ui1Retry < CEC_MAX_RESEND) {
            ++event->ui1Retry;
            again = true;
        } else {
            releaseLocked(event);
        }
    }
    if (again) {
        CEC_INFO("opcode: %u, try again \n", expired->ui4Opcode);
        cecCtrlSendMessageByEvent(event);
    }
}

void cecHandleFrameTimeout(const CecEvent* expired)
{
    if (expired == nullptr) {
        return;
    }
    if (expired->ui4Kind == CEC_KIND_FREE) {
        CEC_ERR("frame time out invlid event");
        return;
    }
    CEC_API("Frame timeout (la=%u, opcode=0x%x, type=%u, state=%u)\n\r", expired->ui4Destination, expired->ui4Opcode,
            expired->ui4Kind, expired->ui4State);
    PoolLock lock;
    CecEvent* event = currentEvent(*expired, CEC_EVT_WAIT_REPLY);
    if (event != nullptr) {
        releaseLocked(event);
    }
}
