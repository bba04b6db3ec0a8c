#include "main/acfg/acfg.h"

#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_cli.h"
#include "main/acfg/acfg_flash.h"
#include "main/acfg/acfg_item.h"
#include "main/acfg/acfg_log.h"
#include "main/gui/gui_timer.h"
#include "main/timerd/os_timer.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

struct AcfgState {
    // Written at start-up, factory reset and exit; read by every thread that sets an item.
    std::atomic<uint8_t> ui1Init{0};
    std::atomic<uint32_t> ui4StoreTimer{0};  // the delayed-store GUI timer
    std::atomic<os_timer_t*> prStoreUTimer{nullptr};  // the private-message store path's timer
    std::atomic<uint16_t> ui2DbgLevel{0x107};
    std::atomic<uint32_t> ui4StoreDelayMs{ACFG_STORE_DELAY_MS};
    std::atomic<handle_t> hApp{0};
    std::atomic<int64_t> i8RegisterMs{0};  // monotonic time of the register call, for start-up timing
};

AcfgState gAcfg;

constexpr uint32_t kScratchSize = 1024;

bool validElementSize(uint32_t size)
{
    return size == 1 || size == 2 || size == 4 || size == 8;
}

int64_t monotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void logElapsed(const char* label)
{
    ACFG_INFO("%s in %dms\n", label, static_cast<int>(monotonicMs() - gAcfg.i8RegisterMs.load()));
}

void acfgStoreTimeoutCbk(uint32_t)
{
    const int32_t ret = acfgStore();
    if (ret != ACFGR_OK) {
        ACFG_ERR("Err:return fail:%d\r\n", static_cast<int>(ret));
    }
}

void deleteStoreTimer()
{
    const uint32_t timer = gAcfg.ui4StoreTimer.exchange(0);
    guiTimerDelete(timer);  // waits for a store that its expiry is running
}

void deleteStoreUTimer()
{
    os_timer_t* timer = gAcfg.prStoreUTimer.exchange(nullptr);
    if (timer != nullptr) {
        u_timer_stop(timer);
        u_timer_delete(timer);
    }
}

// Arms the store u_timer; its expiry comes back to this application as a timer message with the
// data word 0, which stores on the acfg thread.
int32_t acfgStartStoreTimer()
{
    os_timer_t* timer = gAcfg.prStoreUTimer.load();
    if (timer == nullptr) {
        return ACFGR_NOT_INIT;
    }
    u_timer_stop(timer);
    const timer_param_t param{timer, gAcfg.ui4StoreDelayMs.load(), TIMER_MODE_ONCE};
    const uint32_t word = 0;
    const int32_t ret = u_timer_start(gAcfg.hApp.load(), &param, &word, sizeof(word));
    if (ret != 0) {
        ACFG_ERR("Err:return fail:%d\r\n", static_cast<int>(ret));
    }
    return ret;
}

// Replaces every value that its item's rule refuses (a file from elsewhere, a changed rule) by
// the item's default, straight in the cache.
int32_t validateCache()
{
    std::array<uint8_t, kScratchSize> scratch{};
    for (uint16_t idx = 0; idx < ACFG_ITEM_NUM; ++idx) {
        const AcfgItem* item = acfgGetFilledItem(idx);
        const uint32_t size = item->ui4Type * item->ui2Count;
        if (size > kScratchSize) {
            ACFG_ERR("Err: Too large field size: %s %d>%d\n", item->szName, static_cast<int>(size),
                     static_cast<int>(kScratchSize));
            continue;
        }
        if (item->ui1Enable != 1) {
            continue;
        }
        if (acfgGet(idx, scratch.data(), nullptr) != ACFGR_OK) {
            ACFG_ERR("Err: Can't get the value. idx=%d\n", item->ui2Key);
            return ACFGR_INIT_FAIL;
        }
        if (item->pfValidate != nullptr && item->pfValidate(item->ui2Key, scratch.data(), size) == 0) {
            ACFG_INFO("The item %d is invalid. set to default value\n", item->ui2Key);
            if (acfgFlashSet(idx, item->pvDefault, item->ui2DefaultCount) != 0) {
                ACFG_ERR("Err: Can't Set default value to flash. idx=%d\n", item->ui2Key);
            }
        }
    }
    return ACFGR_OK;
}

}  // namespace

void a_acfg_register(amb_register_info_t* info)
{
    gAcfg.i8RegisterMs.store(monotonicMs());
    if (gAcfg.ui1Init.load() != 0 || info == nullptr) {
        return;
    }
    snprintf(info->acName, sizeof(info->acName), "%s", "acfg");
    info->tFct = {acfgAppInitFct, acfgAppExitFct, acfgAppProcessMsgFct};
    info->ui8Reserved = ~uint64_t{0};
    info->ui4StackSize = 65536;
    info->ui1Priority = 180;
    info->ui2SecCount = 32;
    info->ui2QueueLen = 32;
    info->ui2MaxPayload = 4096;
}

int32_t acfgAppInitFct(const char*, handle_t app)
{
    ACFG_INFO("Acfg init.\n");
    gAcfg.hApp.store(app);
    deleteStoreTimer();
    acfgItemTableClear();
    // Without the timer store requests arm nothing; the store still works through acfgStore.
    gAcfg.ui4StoreTimer.store(guiTimerCreate(acfgStoreTimeoutCbk, 0));

    const int32_t attached = acfgAttachCmdTbl();
    if (attached != 0) {
        ACFG_ERR("Err: cli attach cmd tbl failed, ret=%ld\r\n", static_cast<long>(attached));
        return ACFGR_INIT_FAIL;
    }
    for (int32_t (*init)() : {acfgGrpBluetoothInit, acfgGrpNetworkInit, acfgGrpCecInit, acfgGrpSystemInit}) {
        const int32_t ret = init();
        if (ret < 0) {
            ACFG_ERR("Err:return fail:%d\r\n", static_cast<int>(ret));
            return ret;
        }
    }
    ACFG_INFO("Initiating config in flash.\n");
    if (acfgFlashInit() != 0) {
        return ACFGR_INIT_FAIL;
    }
    acfgItemTablePublish();
    logElapsed("flash init done");
    ACFG_INFO("Validating the config data.\n");
    if (validateCache() != ACFGR_OK) {
        return ACFGR_INIT_FAIL;
    }
    logElapsed("Validate done");
    deleteStoreUTimer();
    os_timer_t* storeUTimer = nullptr;
    const int32_t created = u_timer_create(&storeUTimer);
    if (created < 0) {
        ACFG_ERR("Err:return fail:%d\r\n", static_cast<int>(created));
        return ACFGR_FAIL;
    }
    gAcfg.prStoreUTimer.store(storeUTimer);
    acfgSetAppCfgInit(1);

    for (uint16_t idx = 0; idx < ACFG_ITEM_NUM; ++idx) {
        const AcfgItem* item = acfgGetFilledItem(idx);
        if (item->pfUpdate != nullptr) {
            item->pfUpdate(item->ui2Key);
        }
    }
    logElapsed("Post init done");

    uint8_t volume = 0;
    if (uAcfgGetVolume(&volume) == ACFGR_OK && volume > 100) {
        ACFG_ERR("boot up volume[%d] is too high, change to [%d]!\n", volume, 100);
        uAcfgSetVolume(100, 1);
    }
    const uint8_t unmuted = 0;
    const int32_t ret = acfgSet(IDX_MUTE, &unmuted, 1);
    if (ret != ACFGR_OK) {
        ACFG_ERR("acfginit acfgset fail, error code: %d\n", static_cast<int>(ret));
        return ret;
    }
    logElapsed("Init Done");
    return ACFGR_OK;
}

int32_t acfgAppExitFct(handle_t, uint32_t)
{
    ACFG_INFO("APP Exit.\n");
    acfgDetachCmdTbl();
    // Requests from other threads are dropped from here on instead of arming a deleted timer.
    acfgSetAppCfgInit(0);
    deleteStoreTimer();
    deleteStoreUTimer();
    acfgFlashUninit();
    return ACFGR_OK;
}

int32_t acfgAppProcessMsgFct(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    ACFG_INFO("ACFG get msg, type=%d.\n", static_cast<int>(msgId));
    uint32_t word = 0;
    const bool hasWord = data != nullptr && size >= sizeof(word);
    if (hasWord) {
        memcpy(&word, data, sizeof(word));
    }
    if (msgId == E_APP_MSG_TYPE_TIMER) {
        ACFG_INFO("timer up!\n");
        if (hasWord && word == 0) {
            acfgSendMsgToSelf(ACFG_PRI_MSG_STORE);
        }
    } else if (msgId == E_APP_PRI_ACFG_MSG && hasWord) {
        if (word == ACFG_PRI_MSG_START_TIMER) {
            acfgStartStoreTimer();
        } else if (word == ACFG_PRI_MSG_STORE) {
            acfgStore();
        } else {
            ACFG_ERR("Err: unknow pri msg.\n");
        }
    }
    return 0;
}

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
    if (gAcfg.ui1Init.load() == 0) {
        ACFG_ERR("Err: APP not init.\n");
        return ACFGR_OK;
    }
    const uint32_t timer = gAcfg.ui4StoreTimer.load();
    if (timer != 0) {
        guiTimerSet(timer, gAcfg.ui4StoreDelayMs.load(), 0);
    }
    return ACFGR_OK;
}

int32_t acfgStore(void)
{
    if (gAcfg.ui1Init.load() == 0) {
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
    const uint32_t timer = gAcfg.ui4StoreTimer.load();
    if (guiTimerActiveStsGet(timer) != 0) {
        guiTimerSet(timer, 0, 0);
        ACFG_FLASH_ERR("Flush Delay Timer!");
    }
}

int32_t acfgFlush(void)
{
    return acfgSendMsgToSelf(ACFG_PRI_MSG_STORE);
}

int32_t acfgSendMsgToSelf(uint32_t body)
{
    const int32_t ret = u_app_send_msg(gAcfg.hApp.load(), E_APP_PRI_ACFG_MSG, &body, sizeof(body), nullptr, 0);
    if (ret != 0) {
        ACFG_ERR("Err: c_app_send_msg return fail errno=%d\n", static_cast<int>(ret));
    }
    return ret;
}

void acfgSetAppCfgInit(uint8_t flag)
{
    gAcfg.ui1Init.store(flag);
}

uint16_t acfgGetDbgLevel(void)
{
    return gAcfg.ui2DbgLevel.load(std::memory_order_relaxed) | DBG_LAYER_APP;
}

void acfgSetDbgLevel(uint16_t level)
{
    gAcfg.ui2DbgLevel.store(level, std::memory_order_relaxed);
}

void acfgSetStoreDelayForTest(uint32_t ms)
{
    gAcfg.ui4StoreDelayMs.store(ms);
}
