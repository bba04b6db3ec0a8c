#include "main/device_mngr/dm_cb.h"

#include "main/device_mngr/dm_core.h"
#include "main/device_mngr/dm_core_priv.h"
#include "main/device_mngr/dm_log.h"

#include <cstring>

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
    }
    xMsgQDelete(queue);
}
