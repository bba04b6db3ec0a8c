#include "main/am/am.h"

#include "main/am/amb/amb.h"
#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "main/mw/os_pthread/os_sema.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/mw/os_pthread/os_tick.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace {

constexpr uint32_t kPostTries = 11;
constexpr uint32_t kPostRetryMs = 10;
constexpr uint32_t kTickWindowMs = 1000;

// Application slots are written on the manager's thread only; lookups from any thread read a
// slot's name once the count covers it.
struct AmState {
    handle_t hSelf = 0;
    sema_t* pMutex = nullptr;
    sema_t* pBinSema = nullptr;  // the manager waits here for a started or exiting application
    DbgModule dbg{"<AM>", "am", DBG_LAYER_APP, 0};
    std::array<std::atomic<handle_t>, AM_MAX_APPS> ahApps{};
    std::atomic<uint32_t> ui4AppCount{0};
    char aacNames[AM_MAX_APPS][AM_APP_NAME_LEN + 1] = {};
};

AmState gAm;

#define AM_ERR(fmt, ...) DBG_MOD_ERR(gAm.dbg, fmt, ##__VA_ARGS__)
#define AM_INFO(fmt, ...) DBG_MOD_INFO(gAm.dbg, fmt, ##__VA_ARGS__)
#define AM_TRY(step) DBG_MOD_TRY(gAm.dbg, step)

// What the manager waits on while an application it starts runs its init. `ok` comes first: the
// completion codes write the tag's first byte.
struct StartWait {
    uint8_t ok;
    uint32_t slot;
};
static_assert(offsetof(StartWait, ok) == 0, "the ok byte is the tag's first byte");

// The manager's own waits: codes 1, 4 and 7 report success in the tag's ok byte, 2, 5 and 8 failure.
int32_t amNotify(handle_t app, aee_nfy_tag_t tag, uint32_t code)
{
    switch (code) {
    case AEE_NFY_BEFORE_INIT:
        // Only a start posts an init: its slot holds the handle before the init runs, so the
        // application can already be addressed from its init.
        if (tag != 0) {
            gAm.ahApps[reinterpret_cast<const StartWait*>(tag)->slot].store(app);
        }
        return 0;
    case AEE_NFY_BEFORE_EXIT:
    case AEE_NFY_BEFORE_MSG:
        return 0;
    case AEE_NFY_INIT_OK:
    case AEE_NFY_EXIT_OK:
    case AEE_NFY_MSG_OK:
    case AEE_NFY_INIT_FAIL:
    case AEE_NFY_EXIT_FAIL:
    case AEE_NFY_MSG_FAIL:
        if (tag != 0) {
            const bool ok = code == AEE_NFY_INIT_OK || code == AEE_NFY_EXIT_OK || code == AEE_NFY_MSG_OK;
            *reinterpret_cast<uint8_t*>(tag) = ok ? 1 : 0;
            uSemaUnlock(gAm.pBinSema);
        }
        return 0;
    default:
        AM_ERR("<AM> ERR: unknown message, handle = %d, tag=%p\n\r", static_cast<int>(app),
               reinterpret_cast<void*>(tag));
        return 0;
    }
}

const char* slotName(uint32_t i)
{
    return gAm.aacNames[i];
}

int32_t findSlot(const char* name)
{
    const uint32_t count = gAm.ui4AppCount.load(std::memory_order_acquire);
    for (uint32_t i = 0; i < count; ++i) {
        if (strcmp(slotName(i), name) == 0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t findStartedSlot(const char* name)
{
    const uint32_t count = gAm.ui4AppCount.load(std::memory_order_acquire);
    for (uint32_t i = 0; i < count; ++i) {
        if (gAm.ahApps[i].load() != 0 && strcmp(slotName(i), name) == 0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

// A request payload naming an application: at most 16 characters, terminated here.
void payloadName(const void* data, uint32_t size, char (&name)[AM_APP_NAME_LEN + 1])
{
    const uint32_t n = data == nullptr ? 0 : (size < AM_APP_NAME_LEN ? size : AM_APP_NAME_LEN);
    if (n != 0) {
        memcpy(name, data, n);
    }
    name[n] = '\0';
}

// Posts to an application, absorbing a full queue by retrying.
int32_t postWithRetry(handle_t app, uint32_t msgId, const void* data, uint32_t size)
{
    int32_t res = AMR_FAIL;
    for (uint32_t i = 0; i < kPostTries; ++i) {
        res = u_app_send_msg(app, msgId, data, size, amNotify, 0);
        if (res == 0) {
            break;
        }
        uThreadDelay(kPostRetryMs);
    }
    return res;
}

int32_t startApp(const char* name)
{
    amb_register_info_t* info = u_amb_get_register_info(name);
    if (info == nullptr) {
        AM_ERR("<AM> ERR: cannot find registration information of %s\n\r", name);
        return AMR_NOT_FOUND;
    }
    const int32_t slot = findSlot(name);
    if (slot < 0) {
        AM_ERR("<AM> ERR: cannot find %s or the application had been started = %d\n\r", name, AMR_NOT_FOUND);
        return AMR_NOT_FOUND;
    }
    if (gAm.ahApps[slot].load() != 0) {
        return AMR_STARTED;
    }
    app_start_param_t param{};
    amStartParamFromRecord(info, static_cast<uint32_t>(slot) + 1, &param);
    StartWait wait{0, static_cast<uint32_t>(slot)};
    handle_t app = 0;
    const int32_t res =
        u_app_start(&info->tFct, &param, info->acName, amNotify, reinterpret_cast<aee_nfy_tag_t>(&wait), &app);
    if (res != 0) {
        gAm.ahApps[slot].store(0);
        AM_ERR("<AM> ERR: start %s failed = %d\n\r", name, res);
        return res;
    }
    uSemaLock(gAm.pBinSema, SEMA_OPTION_WAIT);
    if (wait.ok == 0) {
        AM_ERR("<AM> ERR: start %s failed\n\r", name);
        gAm.ahApps[slot].store(0);
        return AMR_FAIL;
    }
    return 0;
}

int32_t exitApp(const char* name)
{
    AM_INFO("<AM>Call _am_exit_app %s \n\r", name);
    const int32_t slot = findStartedSlot(name);
    if (slot < 0) {
        return AMR_NOT_FOUND;
    }
    AM_INFO("<AM> exit %s\n\r", name);
    const handle_t app = gAm.ahApps[slot].load();
    uint8_t ok = 0;
    int32_t res = AMR_FAIL;
    for (uint32_t i = 0; i < kPostTries && res != 0; ++i) {
        res = u_app_exit(app, 1, amNotify, reinterpret_cast<aee_nfy_tag_t>(&ok));
        if (res != 0) {
            uThreadDelay(kPostRetryMs);
        }
    }
    if (res == 0) {
        uSemaLock(gAm.pBinSema, SEMA_OPTION_WAIT);
    }
    if (res != 0 || ok == 0) {
        // An application whose exit function refused keeps running, so it keeps its handle.
        AM_ERR("<AM> ERR: exit %s failed = %d\n\r", name, res);
        return AMR_FAIL;
    }
    gAm.ahApps[slot].store(0);
    return 0;
}

int32_t registerName(const void* data, uint32_t size)
{
    const uint32_t count = gAm.ui4AppCount.load(std::memory_order_relaxed);
    if (count >= AM_MAX_APPS) {
        AM_ERR("<AM> ERR: Buffer overflow,outside the bounds. t_g_am.ui4_app_id= %d. Function:%s\n\r",
               static_cast<int>(count), __func__);
        return AMR_FAIL;
    }
    payloadName(data, size, gAm.aacNames[count]);
    gAm.ui4AppCount.store(count + 1, std::memory_order_release);
    return 0;
}

int32_t broadcast(const void* data, uint32_t size)
{
    am_broadcast_msg_t msg{};
    if (data == nullptr || size != sizeof(msg)) {
        return AMR_INV_ARG;
    }
    memcpy(&msg, data, sizeof(msg));
    if (msg.ui4Size > AM_BRDCST_PAYLOAD_MAX) {
        return AMR_INV_ARG;
    }
    int32_t res = 0;
    const uint32_t count = gAm.ui4AppCount.load(std::memory_order_acquire);
    for (uint32_t slot = count; slot-- > 0;) {
        bool posted = false;
        for (uint32_t i = 0; i < kPostTries && !posted; ++i) {
            const handle_t app = gAm.ahApps[slot].load();
            if (app != 0) {
                res = u_app_send_msg(app, msg.ui4MsgId, msg.aui1Data, msg.ui4Size, amNotify, 0);
                posted = res == 0;
            }
            if (!posted) {
                uThreadDelay(kPostRetryMs);
            }
        }
        if (!posted && gAm.ahApps[slot].load() != 0) {
            AM_ERR("<AM> ERR: broadcast message to %s failed = %d\n\r", slotName(slot), res);
        }
    }
    return res;
}

int32_t dispatch(const void* data, uint32_t size)
{
    am_dispatch_msg_t msg{};
    if (data == nullptr || size != sizeof(msg)) {
        return AMR_INV_ARG;
    }
    memcpy(&msg, data, sizeof(msg));
    if (msg.psName == nullptr || msg.ui4Size > AM_DISPATCH_PAYLOAD_MAX) {
        return AMR_INV_ARG;
    }
    const bool toManager = strcmp(msg.psName, AM_APP_NAME) == 0;
    handle_t app = gAm.hSelf;
    if (!toManager) {
        const int32_t slot = findStartedSlot(msg.psName);
        if (slot < 0) {
            return AMR_NOT_FOUND;
        }
        app = gAm.ahApps[slot].load();
    }
    const int32_t res = postWithRetry(app, msg.ui4MsgId, msg.aui1Data, msg.ui4Size);
    if (res != 0) {
        if (toManager) {
            AM_ERR("<AM> ERR: dispatch message to Application Manager failed = %d\n\r", res);
        } else {
            AM_ERR("<AM> ERR: dispatch message to %s failed = %d\n\r", msg.psName, res);
        }
    }
    return res;
}

// Console table "am".
using AmLevelCmds = CliDbgLevelCmds<am_get_dbg_level, am_set_dbg_level>;

int cliGetIcFunc(int, char**)
{
    return 0;
}

const cli_cmd_t gAmCmds[] = {
    {"gdl", nullptr, AmLevelCmds::get, nullptr, "Get debug level", CLI_ACCESS_NORMAL},
    {"sdl", nullptr, AmLevelCmds::set, nullptr, "Set debug level", CLI_ACCESS_NORMAL},
    {"get ic func", nullptr, cliGetIcFunc, nullptr, "get ic func", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t gAmRootCmd[] = {
    {"am", nullptr, nullptr, gAmCmds, "AM commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

int32_t amInit(const char*, handle_t app)
{
    am_set_dbg_level(DBG_LEVEL_ERROR);
    gAm.hSelf = app;
    AM_TRY(u_amb_init());
    AM_TRY(uSemaCreate(&gAm.pMutex, SEMA_TYPE_MUTEX, 1));
    AM_TRY(uSemaCreate(&gAm.pBinSema, SEMA_TYPE_BINARY, 0));
    AM_TRY(u_cli_attach_cmd_tbl(gAmRootCmd, CLI_GRP_APP, 0, 0));
    return 0;
}

int32_t amExit(handle_t, uint32_t)
{
    u_cli_detach_cmd_tbl(gAmRootCmd, CLI_GRP_APP, 0, 0);
    for (sema_t** sema : {&gAm.pMutex, &gAm.pBinSema}) {
        if (*sema == nullptr) {
            continue;
        }
        const int32_t res = uSemaDelete(*sema);
        if (res != 0) {
            AM_ERR("<AM> ERR: delete semaphore failed = %d\n\r", res);
        }
        *sema = nullptr;
    }
    u_amb_destroy();
    return 0;
}

int32_t amProcess(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    int32_t res = 0;
    char name[AM_APP_NAME_LEN + 1];
    switch (msgId) {
    case AM_REQ_START_APP:
        payloadName(data, size, name);
        res = startApp(name);
        break;
    case AM_REQ_EXIT_APP:
        payloadName(data, size, name);
        res = exitApp(name);
        break;
    case AM_REQ_REGISTER_NAME:
        res = registerName(data, size);
        break;
    case AM_REQ_BROADCAST:
        res = broadcast(data, size);
        break;
    case AM_REQ_DISPATCH:
        res = dispatch(data, size);
        break;
    default:
        res = msgId > AM_REQ_DISPATCH ? AMR_INV_ARG : AMR_UNKNOWN_REQ;
        break;
    }
    return res == AMR_OK ? AMR_OK : AMR_FAIL;
}

}  // namespace

void u_am_init(amb_register_info_t* info)
{
    gAm.hSelf = 0;
    gAm.pMutex = nullptr;
    gAm.pBinSema = nullptr;
    gAm.dbg.setLevel(0);
    for (auto& app : gAm.ahApps) {
        app.store(0);
    }
    gAm.ui4AppCount.store(0);
    memset(gAm.aacNames, 0, sizeof(gAm.aacNames));

    *info = amb_register_info_t{};
    // The dispatch record carries a pointer, so on a 64-bit host it is wider than the board's 32.
    constexpr amb_app_sizes_t kSizes = {
        8192, 175, 16, 32, static_cast<uint16_t>(sizeof(am_dispatch_msg_t) > 32 ? sizeof(am_dispatch_msg_t) : 32)};
    amb_fill_register_info(info, AM_APP_NAME, {amInit, amExit, amProcess}, kSizes);
}

void u_am_unint(void)
{
    if (u_app_exit(gAm.hSelf, 0, nullptr, 0) != 0) {
        AM_ERR("<app unint>u_app_exit failed\n");
    }
}

int32_t u_am_get_app_handle_from_name(handle_t* handle, const char* name)
{
    AM_ERR("u_am_get_app_handle_from_name start.\n");
    if (handle == nullptr || name == nullptr) {
        return AMR_INV_ARG;
    }
    const uint32_t count = gAm.ui4AppCount.load(std::memory_order_acquire);
    if (count >= AM_MAX_APPS) {
        AM_ERR("<AM> ERR: Buffer overflow,outside the bounds. t_g_am.ui4_app_id= %d. Function:%s\n\r",
               static_cast<int>(count), __func__);
        return AMR_FAIL;
    }
    AM_ERR("get ps_name : %s\n", name);
    const int32_t slot = findSlot(name);
    if (slot < 0) {
        AM_ERR("u_am_get_app_handle_from_name finshed.\n");
        return AMR_NOT_FOUND;
    }
    *handle = gAm.ahApps[slot].load();
    AM_ERR("get handle success!*pt_handle=%d\n", static_cast<int>(*handle));
    return 0;
}

uint32_t am_get_app_id(void)
{
    return gAm.ui4AppCount.load(std::memory_order_acquire);
}

const char* am_get_app_name(uint32_t index)
{
    return index < am_get_app_id() ? slotName(index) : nullptr;
}

void amStartParamFromRecord(const amb_register_info_t* info, uint32_t appId, app_start_param_t* param)
{
    *param = app_start_param_t{};
    param->ui8Reserved = ~0ULL;
    param->ui4StackSize = info->ui4StackSize;
    param->ui1Priority = info->ui1Priority;
    param->ui2SecCount = info->ui2SecCount;
    param->ui4AppId = appId;
    param->ui2QueueLen = info->ui2QueueLen;
    param->ui2MaxPayload = info->ui2MaxPayload < AM_BRDCST_PAYLOAD_MAX ? static_cast<uint16_t>(AM_BRDCST_PAYLOAD_MAX)
                                                                       : info->ui2MaxPayload;
}

uint16_t am_get_dbg_level(void)
{
    return gAm.dbg.level();
}

void am_set_dbg_level(uint16_t newLevel)
{
    gAm.dbg.setLevel(newLevel & DBG_LEVEL_ALL);
}

int32_t amSendMsgToSelf(uint32_t msgId, const void* data, uint32_t size)
{
    const int32_t res = postWithRetry(gAm.hSelf, msgId, data, size);
    if (res != 0) {
        AM_ERR("<AM> ERR: send message = %d failed = %d\n\r", static_cast<int>(msgId), res);
    }
    return res;
}

int32_t amBroadcastLifecycle(const char* appName, uint32_t type)
{
    if (appName == nullptr) {
        return -2;
    }
    am_broadcast_msg_t msg{};
    msg.ui4MsgId = type;
    char name[AM_APP_NAME_LEN + 1] = {};
    strncpy(name, appName, AM_APP_NAME_LEN);
    msg.ui4Size = static_cast<uint32_t>(strlen(name)) + 1;
    memcpy(msg.aui1Data, name, msg.ui4Size);
    AM_INFO("<AM> broadcast lifecycle messages, app = %s, type = %d\n\r", name, static_cast<int>(type));
    const int32_t res = amSendMsgToSelf(AM_REQ_BROADCAST, &msg, sizeof(msg));
    if (res != 0) {
        AM_ERR("<AM> ERR: broadcast message failed = %d\n\r", res);
    }
    return res;
}

bool amIsWithinSecondOfTick(uint32_t tick)
{
    if (tick == 0) {
        return true;
    }
    const uint32_t now = u_os_get_sys_tick();
    if (tick > now) {
        return false;
    }
    return static_cast<uint64_t>(now - tick) * u_os_get_sys_tick_period() <= kTickWindowMs;
}
