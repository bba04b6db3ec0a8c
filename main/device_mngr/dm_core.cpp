#include "main/device_mngr/dm_core.h"

#include "main/device_mngr/dm_automnt.h"
#include "main/device_mngr/dm_brdcst.h"
#include "main/device_mngr/dm_core_priv.h"
#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/dm_mount.h"
#include "main/device_mngr/dm_netmon.h"
#include "main/device_mngr/dmh_nfy.h"
#include "main/device_mngr/u_fm_linux.h"
#include "main/mw/rwlock/rwlock.h"

#include <memory>
#include <new>

namespace {

constexpr uint32_t kQueueDepth = 256;
constexpr uint32_t kWorkerStack = 4096;
constexpr uint8_t kWorkerPriority = 120;
constexpr uint32_t kRootDescFlag = 4;

// The approval table this build passes: every medium under the USB roots, and only types 516 and
// 517 under the IDE roots.
constexpr DmAutoMntRow kApproval[] = {{5, 516}, {5, 517}, {4, 512}, {6, 512}};

DmCore gCore;

struct RootUnit {
    uint16_t comp;
    uint32_t unit;
    uint32_t rootId;
    const char* name;
};
constexpr RootUnit kRoots[] = {
    {DRVT_HW_IDE, 0, 1, "DRVT_HW_IDE"}, {DRVT_HW_IDE, 1, 2, "DRVT_HW_IDE"}, {DRVT_HW_IDE, 2, 3, "DRVT_HW_IDE"},
    {DRVT_HW_USB, 0, 4, "DRVT_HW_USB"}, {DRVT_HW_USB, 1, 5, "DRVT_HW_USB"}, {DRVT_HW_USB, 2, 6, "DRVT_HW_USB"},
};

int32_t rootDescFree(handle_t, handle_type, void*, uint32_t, uint8_t)
{
    return 1;
}

void teardown()
{
    if (gCore.t_cb_thread != nullptr) {
        DmCbMsg quit{};
        quit.ui4_quit = 1;
        if (xMsgQSend(gCore.t_cb_queue.load(), &quit, sizeof(quit), 0) != OSR_OK) {
            DM_ERR("send msg to close cb_msg thread failed!\n");
        }
        gCore.t_cb_thread = nullptr;
    }
    if (gCore.t_nfy_thread != nullptr) {
        const DmNfyReqMsg quit{DM_NFY_REQ_QUIT, 0};
        if (xMsgQSend(gCore.t_nfy_queue.load(), &quit, sizeof(quit), 0) != OSR_OK) {
            DM_ERR("send msg to close nfy thread failed!\n");
        }
        gCore.t_nfy_thread = nullptr;
    }
    // The queues are named and the threads hold on to them: they go when the threads let go.
    for (std::atomic<msg_q_t*>* q : {&gCore.t_cb_queue, &gCore.t_nfy_queue}) {
        msg_q_t* queue = q->exchange(nullptr);
        if (queue != nullptr) {
            xMsgQDelete(queue);
        }
    }
    if (gCore.h_dev_lock != 0) {
        uRwlDeleteLock(gCore.h_dev_lock);
        gCore.h_dev_lock = 0;
    }
    // The mount record's lock stays: readers such as USB playback reach it without the core.
    gCore.approval.clear();
    gCore.b_inited.store(0);
}

int32_t createQueue(std::atomic<msg_q_t*>& slot, const char* name, uint32_t size)
{
    msg_q_t* queue = nullptr;
    if (xMsgQCreate(&queue, name, size, kQueueDepth) != OSR_OK) {
        return DMR_RESOURCE;
    }
    slot.store(queue);
    return 0;
}

// The worker's own reference to its queue, so a teardown's delete leaves it usable until it ends.
void attachOwnQueue(const char* name, msg_q_t** out)
{
    if (xMsgQAttach(out, name) != OSR_OK) {
        *out = nullptr;
    }
}

}  // namespace

DmCore& dmCoreGet()
{
    return gCore;
}

int32_t dmMultiThreadInit(void)
{
    int32_t result = uFmInit();
    if (result != 0) {
        DM_ERR("[DM] %s: #%d: return %d\n", __func__, __LINE__, result);
        return result;
    }
    result = dmInit(kApproval, sizeof(kApproval) / sizeof(kApproval[0]));
    if (result != 0) {
        DM_ERR("[DM] %s: #%d: return %d\n", __func__, __LINE__, result);
        return result;
    }
    result = dmInitAutomnt();
    if (result != 0) {
        DM_ERR("[DM] %s: #%d: return %d\n", __func__, __LINE__, result);
        return result;
    }
    result = dmNetworkMonitorStart();
    if (result != 0) {
        DM_ERR("[DM] %s: #%d: return %d\n", __func__, __LINE__, result);
    }
    return result;
}

int32_t dmInit(const DmAutoMntRow* table, uint32_t count)
{
    if (gCore.b_inited.load() != 0) {
        return DMR_ALREADY_INIT;
    }
    gCore.t_dev_list = nullptr;
    gCore.b_automnt_init.store(0);
    gCore.b_nfy_thread_done.store(0);
    gCore.b_cb_thread_done.store(0);
    if (createQueue(gCore.t_cb_queue, "dm_cb_msg_q", sizeof(DmCbMsg)) != 0 ||
        createQueue(gCore.t_nfy_queue, "dm_nfy_req_q", sizeof(DmNfyReqMsg)) != 0 ||
        uRwlCreateLock(&gCore.h_dev_lock) != 0 || dmMntTableCreate() != 0) {
        teardown();
        return DMR_RESOURCE;
    }
    int32_t result = dmhInit();
    if (result != 0) {
        DM_ERR("dmhInit error.\n");
        teardown();
        return result;
    }
    gCore.t_dev_list = nullptr;
    if (uThreadCreate(&gCore.t_cb_thread, "dm_cb_msg_thrd", kWorkerStack, kWorkerPriority, dmCbMsgThread, 0,
                      nullptr) != OSR_OK) {
        gCore.t_cb_thread = nullptr;
        teardown();
        return DMR_RESOURCE;
    }
    if (uThreadCreate(&gCore.t_nfy_thread, "dm_nfy_req_thrd", kWorkerStack, kWorkerPriority, dmNfyReqThread, 0,
                      nullptr) != OSR_OK) {
        gCore.t_nfy_thread = nullptr;
        teardown();
        return DMR_RESOURCE;
    }
    gCore.approval.assign(table, table + count);
    result = dmInitHw();
    if (result != 0) {
        DM_ERR("[DM] %s: #%d: _dm_init init hw error.\n", __func__, __LINE__);
        teardown();
        return result;
    }
    gCore.b_inited.store(1);
    return 0;
}

int32_t dmInitHw(void)
{
    for (const RootUnit& r : kRoots) {
        const int32_t result = dmInitHwComp(r.comp, r.unit);
        if (result != 0) {
            DM_ERR("dmInitHw init %s %u error.\n", r.name, r.unit);
            return result;
        }
        DM_INFO("dmInitHw init %s %u ok.\n", r.name, r.unit);
    }
    return 0;
}

int32_t dmInitHwComp(uint16_t comp, uint32_t unit)
{
    if (uRwlWriteLock(gCore.h_dev_lock, RWL_OPTION_WAIT) != RWLR_OK) {
        DM_ERR("dmInitHwComp lock error.\n");
        return DMR_RESOURCE;
    }
    std::unique_ptr<DmDevDesc> desc(new (std::nothrow) DmDevDesc{});
    handle_t self = 0;
    if (!desc || uHandleAlloc(DM_HT_DEV_DESC, desc.get(), 0, rootDescFree, &self) != HR_OK) {
        DM_ERR("dmInitHwComp alloc mem error.\n");
        uRwlReleaseLock(gCore.h_dev_lock);
        return DMR_RESOURCE;
    }
    desc->h_self = self;
    desc->i4_fd = -1;
    desc->tHwType = dmGetHwType(comp);
    desc->tDevType = dmGetCompDevType(comp);
    desc->uMajor = desc->tDevType;
    desc->uMinor = unit;
    desc->pt_root = desc.get();
    desc->ui4_dev_flag = kRootDescFlag;
    desc->b_avail = 1;
    uint32_t rootId = 0;
    for (const RootUnit& r : kRoots) {
        if (r.comp == comp && r.unit == unit) {
            rootId = r.rootId;
        }
    }
    const DmhNfy nfy{self, dmDevNfyFct};
    if (dmhRegRootNfyFct(rootId, &nfy) != 0) {
        DM_ERR("[DM] %s: #%d: dmInitHwComp rm_set device error.\n", __func__, __LINE__);
        uHandleFree(self, 1);
        uRwlReleaseLock(gCore.h_dev_lock);
        return DMR_RM_SET;
    }
    DmDevDesc* d = desc.release();
    d->pt_next = gCore.t_dev_list;
    if (d->pt_next != nullptr) {
        d->pt_next->ppt_prev = &d->pt_next;
    }
    d->ppt_prev = &gCore.t_dev_list;
    gCore.t_dev_list = d;
    uRwlReleaseLock(gCore.h_dev_lock);
    return 0;
}

int32_t dmInitHwAgain(void)
{
    const int32_t result = dmInitHw();
    if (result != 0) {
        teardown();
    }
    return result;
}

int32_t dmBroadcastMntMsg(uint32_t value)
{
    DM_INFO("dm broadcast usb %s msg\n", value != 0 ? "mnt" : "umnt");
    const int32_t sent = dmBroadcastWord(DM_BRDCST_MSG_USB_MNT, value, 1);
    if (sent != 0) {
        DM_ERR("u_amb_broadcast_msg return %d\n", sent);
    }
    return sent;
}

int32_t dmBroadcastNetworkMsg(uint32_t value)
{
    DM_INFO("dm broadcast network %s msg\n", value != 0 ? "connect" : "disconnect");
    const int32_t sent = dmBroadcastWord(DM_BRDCST_MSG_NETWORK, value, 1);
    if (sent != 0) {
        DM_ERR("u_amb_broadcast_msg return %d\n", sent);
    }
    return sent;
}

int32_t dmPostNfyReq(const DmNfyReqMsg& msg)
{
    msg_q_t* queue = gCore.t_nfy_queue.load();
    return queue != nullptr && xMsgQSend(queue, &msg, sizeof(msg), 0) == OSR_OK ? 0 : -1;
}

bool dmNfyThreadUp(void)
{
    return gCore.t_nfy_queue.load() != nullptr;
}

int32_t dmPostCbMsg(const void* msg, uint32_t size)
{
    msg_q_t* queue = gCore.t_cb_queue.load();
    return queue != nullptr && xMsgQSend(queue, msg, size, 0) == OSR_OK ? 0 : -1;
}

void dmNfyReqThread(void*)
{
    msg_q_t* queue = nullptr;
    attachOwnQueue("dm_nfy_req_q", &queue);
    for (;;) {
        DmNfyReqMsg msg{};
        uint32_t size = sizeof(msg);
        uint16_t index = 0;
        if (queue == nullptr || xMsgQReceive(&index, &msg, &size, &queue, 1, MSGQ_OPTION_WAIT) != OSR_OK) {
            DM_ERR("dmNfyReqThread receive msg error.\n");
            break;
        }
        if (msg.type == DM_NFY_REQ_QUIT) {
            gCore.b_nfy_thread_done.store(1);
            break;
        }
        if (msg.value <= 1) {
            dmBroadcastMntMsg(msg.value);
        }
    }
    if (queue != nullptr) {
        xMsgQDelete(queue);
    }
}
