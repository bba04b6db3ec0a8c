#include "main/device_mngr/dm_cb.h"

#include "main/device_mngr/dm_core.h"
#include "main/device_mngr/dm_core_priv.h"
#include "main/device_mngr/dm_automnt.h"
#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/u_fm_linux.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/mw/rwlock/rwlock.h"
#include "platform/sbdev/sb_dev.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>

namespace {

constexpr uint32_t kIgnoredEvent = 0xFF00;
constexpr size_t kNameMax = 31;

struct TypeRow {
    uint32_t hotplug;
    uint32_t dm;
};

constexpr TypeRow kDevTypes[] = {
    {0, 0},     {1, 264},   {2, 264},   {3, 264},   {4, DM_DEV_SKT_TYPE_OPTI_DRV},
    {11, 276},  {25, 283},  {26, 284},  {27, 285},  {30, 287},
    {31, DM_DEV_MED_TYPE_USB_DISK},     {32, DM_DEV_MED_TYPE_PARTITION},
    {33, 516},  {34, 517},  {38, 526},
};


// Partitions of these Apple devices are not announced.
constexpr uint32_t kSpecialVendor = 0x05AC;
constexpr uint32_t kSpecialProducts[] = {0x1260, 0x1209, 0x120A};
constexpr const char* kSpecialNames[] = {"sda1", "sdb1", "sdc1", "sdd1", "sde1", "sdf1"};

bool specialDevice(const DmhDevInfo& info)
{
    if (info.ps_vendor != kSpecialVendor) {
        return false;
    }
    bool product = false;
    for (uint32_t p : kSpecialProducts) {
        product = product || info.ps_product == p;
    }
    if (!product) {
        return false;
    }
    for (const char* name : kSpecialNames) {
        if (std::strncmp(info.pDevName, name, 4) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

uint32_t dmGetCbTypeFromDmh(uint32_t eNfySt)
{
    switch (eNfySt) {
    case 1:
    case 3:
        return DM_CB_DEV_ATTACH;
    case 2:
    case 4:
        return DM_CB_DEV_DETACH;
    case 5:
        return DM_CB_PART_ATTACH;
    case 6:
        return DM_CB_PART_DETACH;
    case 7:
        return DM_CB_DEV_RECORD_1;
    case 8:
        return DM_CB_DEV_RECORD_0;
    default:
        return kIgnoredEvent;  // the callback thread ignores it
    }
}

uint32_t dmGetDevTypeFromDmh(uint32_t tDevType)
{
    for (const TypeRow& row : kDevTypes) {
        if (row.hotplug == tDevType) {
            return row.dm;
        }
    }
    return 0;
}

uint32_t dmGetHwType(uint16_t comp)
{
    return comp == DRVT_HW_IDE ? DM_HW_TYPE_IDE : comp == DRVT_HW_USB ? DM_HW_TYPE_USB : 0;
}

uint32_t dmGetCompDevType(uint16_t comp)
{
    switch (comp) {
    case DRVT_HW_IDE:
        return 261;
    case DRVT_HW_USB:
        return 260;
    case 101:
        return DM_DEV_MED_TYPE_USB_DISK;
    case 105:
        return 264;
    default:
        return 0;
    }
}

void dmDevNfyFct(uintptr_t tag, uint32_t eNfySt, const DmhDevInfo* info)
{
    if (info == nullptr) {
        return;
    }
    DM_INFO("[DM]%s: tDevType %u eStatus %u skt %u [%u:%u] flag %u name %.31s product 0x%x vendor 0x%x\n", __func__,
            info->tDevType, info->eStatus, info->ui4_skt_no, info->uMajor, info->uMinor, info->ui4_dev_flag,
            info->pDevName, info->ps_product, info->ps_vendor);
    if (specialDevice(*info)) {
        DM_ERR("[DM] This is a special device. product 0x%x vendor 0x%x\n", info->ps_product, info->ps_vendor);
        return;
    }
    if (eNfySt == 0) {
        return;
    }
    DmCbMsg msg{};
    msg.t_cb_type = dmGetCbTypeFromDmh(eNfySt);
    msg.t_dev_type = dmGetDevTypeFromDmh(info->tDevType);
    msg.ui4_match = info->uMinor;
    msg.ui4_skt_no = info->ui4_skt_no;
    msg.uMajor = info->uMajor;
    msg.uMinor = info->uMinor;
    const size_t n = strnlen(info->pDevName, kNameMax);
    std::memcpy(msg.pDevName, info->pDevName, n);
    msg.ui4_dev_flag = info->ui4_dev_flag;
    msg.ui4_tag = static_cast<uint32_t>(tag);
    DM_INFO("******[DM]dmDevNfyFct: _event:0x%x device_type:0x%x socket #:%d,M:N=[%d:%d]******\n", msg.t_cb_type,
            msg.t_dev_type, static_cast<int>(msg.ui4_skt_no), static_cast<int>(msg.uMajor),
            static_cast<int>(msg.uMinor));
    if (dmPostCbMsg(&msg, sizeof(msg)) != 0) {
        DM_ERR("dmDevNfyFct: Driver delivers callback error.\n");
    }
}

namespace {

constexpr uint32_t kOpenTries = 3;
constexpr uint32_t kOpenRetryMs = 10;

bool isMedium(uint32_t tDevType)
{
    return (tDevType & DM_DEV_CHR_MASK) == DM_DEV_CHR_MEDIUM;
}

// The descriptor a handle names, or nullptr.
DmDevDesc* descOf(handle_t handle)
{
    handle_type type = 0;
    void* obj = nullptr;
    if (handle == 0 || uHandleGetTypeObj(handle, &type, &obj) != HR_OK || type != DM_HT_DEV_DESC) {
        return nullptr;
    }
    return static_cast<DmDevDesc*>(obj);
}

// The descriptor key: parent (the message's tag), socket, match word and, where asked, the type.
bool sameKey(const DmDevDesc& d, const DmCbMsg& msg, const DmDevDesc* parent, bool withType)
{
    return d.pt_prnt_dev == parent && d.ui4_skt_no == msg.ui4_skt_no && d.ui4_match == msg.ui4_match &&
           (!withType || d.tDevType == msg.t_dev_type);
}

// The first descriptor with the key; *last is the list's last descriptor when none matches.
DmDevDesc* findDesc(const DmCbMsg& msg, const DmDevDesc* parent, bool withType, DmDevDesc** last)
{
    DmDevDesc* prev = nullptr;
    for (DmDevDesc* d = dmCoreGet().t_dev_list; d != nullptr; prev = d, d = d->pt_next) {
        if (parent != nullptr && sameKey(*d, msg, parent, withType) &&
            (withType ? d->pt_root == parent->pt_root && d->tHwType == parent->tHwType : true)) {
            return d;
        }
    }
    if (last != nullptr) {
        *last = prev;
    }
    return nullptr;
}

void appendDesc(DmDevDesc* d, DmDevDesc* last)
{
    DmCore& core = dmCoreGet();
    d->pt_next = nullptr;
    if (last == nullptr) {
        DM_INFO("pDevDesc link to dmCore.t_dev_list!\n");
        d->ppt_prev = &core.t_dev_list;
        core.t_dev_list = d;
    } else {
        d->ppt_prev = &last->pt_next;
        last->pt_next = d;
    }
}

void unlinkDesc(DmDevDesc* d)
{
    *d->ppt_prev = d->pt_next;
    if (d->pt_next != nullptr) {
        d->pt_next->ppt_prev = d->ppt_prev;
    }
    d->pt_next = nullptr;
    d->ppt_prev = nullptr;
}

// A new descriptor under its handle, filled from the message and its parent; nullptr after logging
// `allocError` or "alloc handle error".
DmDevDesc* newDesc(const DmCbMsg& msg, DmDevDesc* parent, const char* allocError)
{
    std::unique_ptr<DmDevDesc> desc(new (std::nothrow) DmDevDesc{});
    if (!desc) {
        DM_ERR("%s\n", allocError);
        return nullptr;
    }
    handle_t self = 0;
    if (uHandleAlloc(DM_HT_DEV_DESC, desc.get(), 0, dmHandleFreeFct, &self) != HR_OK) {
        DM_ERR("dmCbMsgThread alloc handle error.\n");
        return nullptr;
    }
    DmDevDesc* d = desc.release();
    d->h_self = self;
    d->i4_fd = -1;
    d->tHwType = parent->tHwType;
    d->tDevType = msg.t_dev_type;
    d->ui4_dev_flag = msg.ui4_dev_flag;
    d->pt_root = parent->pt_root;
    d->pt_prnt_dev = parent;
    d->ui4_match = msg.ui4_match;
    d->ui4_skt_no = msg.ui4_skt_no;
    d->uMajor = msg.uMajor;
    d->uMinor = msg.uMinor;
    d->ui4_reserved0 = msg.ui4_reserved0;
    d->ui4_reserved1 = msg.ui4_reserved1;
    d->b_avail = 1;
    return d;
}

// Releases a descriptor that never reached the list, and everything it holds, once.
void discardDesc(DmDevDesc* d)
{
    if (uHandleFree(d->h_self, 1) != HR_OK) {
        DM_ERR("dmCbMsgThread free handle error.\n");
    }
}

void copyName(DmDevDesc* d, const DmCbMsg& msg)
{
    std::memcpy(d->pDevName, msg.pDevName, sizeof(d->pDevName));
    d->pDevName[sizeof(d->pDevName) - 1] = '\0';
}

// Opens "/dev/<name>" read-only, three tries 10 ms apart; false after the third failure.
bool openNode(uint32_t count, DmDevDesc* d)
{
    if (d->tDevType == DM_DEV_SKT_TYPE_OPTI_DRV) {
        DM_INFO("[DM][%u] DM_DEV_SKT_TYPE_OPTI_DRV\n", count);
        return true;
    }
    DM_INFO("[DM][%u] No DM_DEV_SKT_TYPE_OPTI_DRV\n", count);
    // Built whole: a name cut short would name another node.
    char path[sizeof("/dev/") + kNameMax];
    std::snprintf(path, sizeof(path), "/dev/%s", d->pDevName);
    for (uint32_t i = 0; i < kOpenTries; ++i) {
        if (i > 0) {
            uThreadDelay(kOpenRetryMs);
        }
        const int fd = sb_dev_open(path, O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            d->i4_fd = fd;
            return true;
        }
    }
    DM_ERR("dmCbMsgThread open device error. %s\n", path);
    return false;
}

bool registerChildren(DmDevDesc* d)
{
    const DmhNfy nfy{d->h_self, dmDevNfyFct};
    if (dmhRegNfyFct(d->uMajor, d->uMinor, &nfy) != 0) {
        DM_ERR("dmCbMsgThread rm_set device error.\n");
        return false;
    }
    return true;
}

// A medium's lock, semaphore and "/dev" label; false (logged) when one cannot be made.
bool mediumResources(DmDevDesc* d, bool lockAndSema)
{
    if (lockAndSema && (uRwlCreateLock(&d->h_rwlock) != 0 || uSemaCreate(&d->pt_sema, SEMA_TYPE_BINARY, 1) != OSR_OK)) {
        DM_ERR("dmCbMsgThread OS error.\n");
        return false;
    }
    if (uFmSetDirPath(0, "/dev", &d->h_dev_root_lbl) != FMR_OK) {
        d->h_dev_root_lbl = 0;
        DM_ERR("dmCbMsgThread FM error.\n");
        return false;
    }
    return true;
}

class DevListHold {
public:
    explicit DevListHold(bool write)
        : held_((write ? uRwlWriteLock(dmCoreGet().h_dev_lock, RWL_OPTION_WAIT)
                       : uRwlReadLock(dmCoreGet().h_dev_lock, RWL_OPTION_WAIT)) == RWLR_OK)
    {
        if (!held_) {
            DM_ERR("dmCbMsgThread lock error.\n");
        }
    }
    ~DevListHold()
    {
        if (held_) {
            uRwlReleaseLock(dmCoreGet().h_dev_lock);
        }
    }
    DevListHold(const DevListHold&) = delete;
    DevListHold& operator=(const DevListHold&) = delete;
    bool held() const { return held_; }

private:
    bool held_;
};

// Each handler answers whether the thread goes on.
bool onAttach(uint32_t count, const DmCbMsg& msg)
{
    DM_INFO("[DM][%u] %s: #%d: DM_CB_DEV_ATTACH\n", count, __func__, __LINE__);
    DmDevDesc* added = nullptr;
    {
        DevListHold hold(true);
        if (!hold.held()) {
            return false;
        }
        DmDevDesc* parent = descOf(msg.ui4_tag);
        if (parent == nullptr) {
            DM_ERR("[DM][%u] %s: no parent for tag %u\n", count, __func__, msg.ui4_tag);
            return true;
        }
        DmDevDesc* last = nullptr;
        if (findDesc(msg, parent, true, &last) != nullptr) {
            DM_INFO("[DM][%u] bFound = TRUE\n", count);
            return true;
        }
        DmDevDesc* d = newDesc(msg, parent, "dmCbMsgThread alloc mem error.");
        if (d == nullptr) {
            return false;
        }
        uint8_t avail = 1;
        if (msg.pDevName[0] != '\0') {
            copyName(d, msg);
            if (!openNode(count, d)) {
                avail = 0;
            }
        }
        if (avail == 1) {
            const uint32_t cls = d->tDevType & DM_DEV_CHR_MASK;
            if (cls == DM_DEV_CHR_SOCKET) {
                DM_INFO("[DM][%u] %s: #%d: DM_DEV_CHR_SOCKET\n", count, __func__, __LINE__);
                avail = registerChildren(d) ? 1 : 0;
            } else if (cls == DM_DEV_CHR_MEDIUM) {
                DM_INFO("[DM][%u] %s: #%d: DM_DEV_CHR_MEDIUM\n", count, __func__, __LINE__);
                if (!mediumResources(d, true)) {
                    discardDesc(d);
                    return false;
                }
                avail = registerChildren(d) ? 1 : 0;
            }
        }
        d->b_avail = avail;
        appendDesc(d, last);
        added = d;
    }
    if (isMedium(added->tDevType) && added->b_avail == 1) {
        dmCheckAutomnt(added, 1);
    }
    return true;
}

bool onPartAttach(uint32_t count, const DmCbMsg& msg)
{
    DM_INFO("[%u]%s(%d): partion detected.\n", count, __func__, __LINE__);
    DmDevDesc* added = nullptr;
    {
        DevListHold hold(true);
        if (!hold.held()) {
            return false;
        }
        DmDevDesc* parent = descOf(msg.ui4_tag);
        DmDevDesc* last = nullptr;
        if (parent == nullptr || findDesc(msg, parent, false, &last) != nullptr) {
            return true;
        }
        DmDevDesc* d = newDesc(msg, parent, "dmCbMsgThread alloc mem error.");
        if (d == nullptr) {
            return false;
        }
        if (!mediumResources(d, false)) {
            discardDesc(d);
            return false;
        }
        copyName(d, msg);
        appendDesc(d, last);
        added = d;
    }
    dmCheckAutomnt(added, 1);
    return true;
}

bool onRecord(const DmCbMsg& msg)
{
    DevListHold hold(true);
    if (!hold.held()) {
        return false;
    }
    DmDevDesc* parent = descOf(msg.ui4_tag);
    DmDevDesc* last = nullptr;
    if (parent == nullptr || findDesc(msg, parent, true, &last) != nullptr) {
        return true;
    }
    DmDevDesc* d = newDesc(msg, parent, "dmCbMsgThread mem alloc error.");
    if (d == nullptr) {
        return false;
    }
    d->b_avail = 0;
    appendDesc(d, last);
    return true;
}

// Detach (with the type in the key) and partition removal (without).
bool onRemove(uint32_t count, const DmCbMsg& msg, bool withType)
{
    if (withType) {
        DM_INFO("[DM][%u] %s: #%d: DM_CB_DEV_DETACH\n", count, __func__, __LINE__);
    }
    DmDevDesc* gone = nullptr;
    {
        DevListHold hold(true);
        if (!hold.held()) {
            return false;
        }
        DmDevDesc* parent = descOf(msg.ui4_tag);
        gone = parent == nullptr ? nullptr : findDesc(msg, parent, withType, nullptr);
        if (gone != nullptr) {
            unlinkDesc(gone);
        }
    }
    if (gone == nullptr) {
        return true;
    }
    DM_INFO("[DM %s umount delay 1s\n.", gone->pDevName);
    if (isMedium(gone->tDevType) && gone->b_avail == 1) {
        dmCheckAutomnt(gone, 0);  // the unmount thread has its own copy of the name
    }
    if (uHandleFree(gone->h_self, 1) != HR_OK) {
        DM_ERR("dmCbMsgThread free handle error.\n");
        return false;
    }
    return true;
}

bool isRecordEvent(const DmCbMsg& msg)
{
    if (msg.t_cb_type == DM_CB_DEV_RECORD_1) {
        return msg.t_dev_type != 0;
    }
    return msg.t_cb_type == DM_CB_DEV_RECORD_0 && (msg.t_dev_type == 0 || msg.t_dev_type == 287 || msg.t_dev_type == 526);
}

bool handleMsg(uint32_t count, const DmCbMsg& msg)
{
    if ((msg.t_cb_type & DM_DEV_CHR_MASK) != 0) {
        return true;
    }
    switch (msg.t_cb_type) {
    case DM_CB_DEV_ATTACH:
        return onAttach(count, msg);
    case DM_CB_DEV_DETACH:
        return onRemove(count, msg, true);
    case DM_CB_PART_ATTACH:
        return onPartAttach(count, msg);
    case DM_CB_PART_DETACH:
        return onRemove(count, msg, false);
    default:
        return isRecordEvent(msg) ? onRecord(msg) : true;
    }
}

}  // namespace

int32_t dmHandleFreeFct(handle_t, handle_type, void* obj, uint32_t, uint8_t reason)
{
    DM_INFO("will close fd\n");
    if (reason != 1 || obj == nullptr) {
        return 1;
    }
    std::unique_ptr<DmDevDesc> d(static_cast<DmDevDesc*>(obj));
    if (d->h_dev_root_lbl != 0) {
        uFmClose(d->h_dev_root_lbl);
    }
    if (d->i4_fd >= 0) {
        DM_INFO("close fd:%lu\n", static_cast<unsigned long>(d->i4_fd));
        sb_dev_close(d->i4_fd);
    }
    if (d->pt_sema != nullptr) {
        uSemaDelete(d->pt_sema);
    }
    if (d->h_rwlock != 0) {
        uRwlDeleteLock(d->h_rwlock);
    }
    return 1;
}

void dmCbMsgThread(void*)
{
    msg_q_t* queue = nullptr;
    if (xMsgQAttach(&queue, "dm_cb_msg_q") != OSR_OK) {
        DM_ERR("dmCbMsgThread receive msg error.\n");
        return;
    }
    for (uint32_t count = 1;; ++count) {
        DmCbMsg msg{};
        uint32_t size = sizeof(msg);
        uint16_t index = 0;
        if (xMsgQReceive(&index, &msg, &size, &queue, 1, MSGQ_OPTION_WAIT) != OSR_OK) {
            DM_ERR("dmCbMsgThread receive msg error.\n");
            break;
        }
        if (msg.ui4_quit == 1) {
            dmCoreGet().b_cb_thread_done.store(1);
            break;
        }
        DM_API("[DM][%u] %s: event %u type %u socket %u [%u:%u] \"%.31s\" flag %u tag %u\n", count, __func__,
               msg.t_cb_type, msg.t_dev_type, msg.ui4_skt_no, msg.uMajor, msg.uMinor, msg.pDevName, msg.ui4_dev_flag,
               msg.ui4_tag);
        if (!handleMsg(count, msg)) {
            break;
        }
    }
    xMsgQDelete(queue);
}
