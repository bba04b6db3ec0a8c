#include "main/acfg/acfg.h"

#include "main/acfg/acfg_flash_priv.h"
#include "main/acfg/acfg_item_priv.h"
#include "main/acfg/acfg_log_priv.h"
#include "main/acfg/acfg_priv.h"
#include "main/timerd/gui_timer.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

struct StoreState {
    // Written at start-up, factory reset and exit; read by every thread that sets an item.
    std::atomic<uint8_t> ui1Init{0};
    std::atomic<uint32_t> ui4StoreTimer{0};  // the delayed-store GUI timer
    std::atomic<uint32_t> ui4StoreDelayMs{ACFG_STORE_DELAY_MS};
    // Held by a store from its look at the flag to its end, and by a change of the flag: once the
    // flag is cleared no store is running or can start, so removed files stay removed.
    std::mutex storeGate;
};

StoreState gStore;

bool validElementSize(uint32_t size)
{
    return size == 1 || size == 2 || size == 4 || size == 8;
}

void acfgStoreTimeoutCbk(uint32_t)
{
    const int32_t ret = acfgStore();
    if (ret != ACFGR_OK) {
        ACFG_ERR("Err:return fail:%d\r\n", static_cast<int>(ret));
    }
}

}  // namespace

int32_t acfgSet(uint16_t idx, const void* value, uint16_t count)
{
    ACFG_INFO("set acfg item, idx=%d.\n", idx);
    if (idx >= ACFG_ITEM_NUM) {
        ACFG_ERR("Err: index out of range for ACFG.\n");
        return ACFGR_INV_ARG;
    }
    const AcfgItem* item = acfgGetFilledItem(idx);
    if (item->ui1Enable != 1) {
        ACFG_ERR("Err: item not enable.\n");
        return ACFGR_NOT_ENABLE;
    }
    if (!validElementSize(item->ui4Type)) {
        ACFG_ERR("Err: invalid type.\n");
        return ACFGR_FAIL;
    }
    if (value == nullptr ||
        (item->pfValidate != nullptr && item->pfValidate(item->ui2Key, value, item->ui4Type * count) == 0)) {
        ACFG_ERR("Err: validate fail.\n");
        return ACFGR_INV_ARG;
    }
    int32_t ret = ACFGR_OK;
    if (acfgFlashSet(idx, value, count) != 0) {
        ACFG_ERR("Err: Can't set to flash\n");
        ret = ACFGR_FAIL;
    } else if (item->pfUpdate != nullptr) {
        item->pfUpdate(item->ui2Key);
    }
    acfgStoreRequest();
    return ret;
}

int32_t acfgGet(uint16_t idx, void* out, uint32_t* size)
{
    if (idx >= ACFG_ITEM_NUM) {
        ACFG_ERR("Err: index out of range for ACFG.\n");
        return ACFGR_INV_ARG;
    }
    if (acfgGetFilledItem(idx)->ui1Enable != 1) {
        ACFG_ERR("Err: item not enable.\n");
        return ACFGR_NOT_ENABLE;
    }
    if (out == nullptr) {
        return ACFGR_INV_ARG;
    }
    return acfgFlashGet(idx, out, size) == 0 ? ACFGR_OK : ACFGR_FAIL;
}

int32_t acfgGetSize(uint16_t idx, uint32_t* size)
{
    if (idx >= ACFG_ITEM_NUM || size == nullptr) {
        return ACFGR_INV_ARG;
    }
    const AcfgItem* item = acfgGetFilledItem(idx);
    if (!validElementSize(item->ui4Type)) {
        return ACFGR_FAIL;
    }
    *size = item->ui4Type * item->ui2Count;
    return ACFGR_OK;
}

int32_t acfgSetDefault(uint16_t idx)
{
    if (idx >= ACFG_ITEM_NUM) {
        return ACFGR_INV_ARG;
    }
    const AcfgItem* item = acfgGetFilledItem(idx);
    return acfgSet(idx, item->pvDefault, item->ui2DefaultCount);
}

int32_t acfgGetDefault(uint16_t idx, void* out, uint32_t* size)
{
    if (idx >= ACFG_ITEM_NUM || out == nullptr || size == nullptr) {
        return ACFGR_INV_ARG;
    }
    const AcfgItem* item = acfgGetFilledItem(idx);
    *size = item->ui4Type * item->ui2DefaultCount;
    if (item->pvDefault != nullptr && *size != 0) {
        memcpy(out, item->pvDefault, *size);
    }
    return ACFGR_OK;
}

int32_t acfgStoreRequest(void)
{
    if (gStore.ui1Init.load() == 0) {
        ACFG_ERR("Err: APP not init.\n");
        return ACFGR_OK;
    }
    const uint32_t timer = gStore.ui4StoreTimer.load();
    if (timer != 0) {
        guiTimerSet(timer, gStore.ui4StoreDelayMs.load(), 0);
    }
    return ACFGR_OK;
}

int32_t acfgStore(void)
{
    const std::lock_guard<std::mutex> gate(gStore.storeGate);
    if (gStore.ui1Init.load() == 0) {
        ACFG_ERR("Err: APP not init.\n");
        return ACFGR_NOT_INIT;
    }
    const int32_t ret = acfgFlashStore();
    if (ret != 0) {
        ACFG_ERR("Err:Can't store config\n");
    }
    return ret;
}

void acfgStopTimer(void)
{
    const uint32_t timer = gStore.ui4StoreTimer.load();
    if (guiTimerActiveStsGet(timer) != 0) {
        guiTimerSet(timer, 0, 0);
        ACFG_FLASH_ERR("Flush Delay Timer!");
    }
}

void acfgSetAppCfgInit(uint8_t flag)
{
    const std::lock_guard<std::mutex> gate(gStore.storeGate);
    gStore.ui1Init.store(flag);
}

bool acfgIsAppCfgInit(void)
{
    return gStore.ui1Init.load() != 0;
}

void acfgStoreTimerCreate(void)
{
    acfgStoreTimerDelete();
    gStore.ui4StoreTimer.store(guiTimerCreate(acfgStoreTimeoutCbk, 0));
}

void acfgStoreTimerDelete(void)
{
    const uint32_t timer = gStore.ui4StoreTimer.exchange(0);
    guiTimerDelete(timer);  // waits for a store that its expiry is running
}

uint32_t acfgGetStoreDelayMs(void)
{
    return gStore.ui4StoreDelayMs.load();
}

void acfgSetStoreDelayForTest(uint32_t ms)
{
    gStore.ui4StoreDelayMs.store(ms);
}
