#include "main/acfg/acfg_app.h"

#include "main/acfg/acfg.h"
#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_app_priv.h"
#include "main/acfg/acfg_cli_priv.h"
#include "main/acfg/acfg_flash_priv.h"
#include "main/acfg/acfg_group_priv.h"
#include "main/acfg/acfg_item_priv.h"
#include "main/acfg/acfg_log_priv.h"
#include "main/acfg/acfg_priv.h"
#include "main/timerd/os_timer.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

struct AcfgAppState {
    std::atomic<os_timer_t*> prStoreUTimer{nullptr};  // the private-message store path's timer
    std::atomic<handle_t> hApp{0};
    std::atomic<int64_t> i8RegisterMs{0};  // monotonic time of the register call, for start-up timing
};

AcfgAppState gAcfgApp;

constexpr uint32_t kScratchSize = 1024;

int64_t monotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void logElapsed(const char* label)
{
    ACFG_INFO("%s in %dms\n", label, static_cast<int>(monotonicMs() - gAcfgApp.i8RegisterMs.load()));
}

void deleteStoreUTimer()
{
    os_timer_t* timer = gAcfgApp.prStoreUTimer.exchange(nullptr);
    if (timer != nullptr) {
        u_timer_stop(timer);
        u_timer_delete(timer);
    }
}

// Arms the store u_timer; its expiry comes back to this application as a timer message with the
// data word 0, which stores on the acfg thread.
int32_t acfgStartStoreTimer()
{
    os_timer_t* timer = gAcfgApp.prStoreUTimer.load();
    if (timer == nullptr) {
        return ACFGR_NOT_INIT;
    }
    u_timer_stop(timer);
    const timer_param_t param{timer, acfgGetStoreDelayMs(), TIMER_MODE_ONCE};
    const uint32_t word = 0;
    const int32_t ret = u_timer_start(gAcfgApp.hApp.load(), &param, &word, sizeof(word));
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
    gAcfgApp.i8RegisterMs.store(monotonicMs());
    if (acfgIsAppCfgInit() || info == nullptr) {
        return;
    }
    amb_fill_register_info(info, "acfg", {acfgAppInitFct, acfgAppExitFct, acfgAppProcessMsgFct},
                           {65536, 180, 32, 32, 4096});
}

int32_t acfgAppInitFct(const char*, handle_t app)
{
    ACFG_INFO("Acfg init.\n");
    gAcfgApp.hApp.store(app);
    acfgStoreTimerDelete();
    acfgItemTableClear();
    acfgStoreTimerCreate();

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
    gAcfgApp.prStoreUTimer.store(storeUTimer);
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
    acfgStoreTimerDelete();
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

int32_t acfgFlush(void)
{
    return acfgSendMsgToSelf(ACFG_PRI_MSG_STORE);
}

int32_t acfgSendMsgToSelf(uint32_t body)
{
    const int32_t ret = u_app_send_msg(gAcfgApp.hApp.load(), E_APP_PRI_ACFG_MSG, &body, sizeof(body), nullptr, 0);
    if (ret != 0) {
        ACFG_ERR("Err: c_app_send_msg return fail errno=%d\n", static_cast<int>(ret));
    }
    return ret;
}
