#include "main/am/amb/amb.h"

#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "main/mw/os_pthread/os_sema.h"
#include "main/mw/os_pthread/os_thread.h"

#include <atomic>
#include <cstring>
#include <initializer_list>

namespace {

constexpr uint32_t kPostTries = 11;
constexpr uint32_t kPostRetryMs = 10;
constexpr uint32_t kScanActiveMsg = 0x10001;

struct AmbState {
    // Newest first. Records are only added, at start-up, and read without a lock.
    std::atomic<amb_register_info_t*> prHead{nullptr};
    handle_t hAm = 0;  // reference to "app_mngr"
    sema_t* pRegMutex = nullptr;
    sema_t* pReqMutex = nullptr;  // one synchronous request at a time: they share pBinSema
    sema_t* pBinSema = nullptr;
    DbgModule dbg{"<AMB>", "amb", DBG_LAYER_APP, DBG_LEVEL_ERROR};
};

AmbState gAmb;

#define AMB_ERR(fmt, ...) DBG_MOD_ERR(gAmb.dbg, fmt, ##__VA_ARGS__)
#define AMB_API(fmt, ...) DBG_MOD_API(gAmb.dbg, fmt, ##__VA_ARGS__)
#define AMB_TRY(step) DBG_MOD_TRY(gAmb.dbg, step)

// Reports the manager's verdict on a synchronous request into the caller's ok flag.
int32_t ambSyncNotify(handle_t, aee_nfy_tag_t tag, uint32_t code)
{
    if (tag == 0 || code > AEE_NFY_MSG_FAIL) {
        return 0;
    }
    switch (code) {
    case AEE_NFY_BEFORE_INIT:
    case AEE_NFY_BEFORE_EXIT:
    case AEE_NFY_BEFORE_MSG:
        return 0;
    case AEE_NFY_INIT_OK:
    case AEE_NFY_EXIT_OK:
    case AEE_NFY_MSG_OK:
        *reinterpret_cast<uint8_t*>(tag) = 1;
        break;
    default:
        *reinterpret_cast<uint8_t*>(tag) = 0;
        break;
    }
    uSemaUnlock(gAmb.pBinSema);
    return 0;
}

int32_t ambAsyncNotify(handle_t, aee_nfy_tag_t, uint32_t)
{
    return 0;
}

int32_t _amb_send_request_to_am(uint32_t request, const void* payload, uint32_t size, bool sync)
{
    if (gAmb.pReqMutex == nullptr) {
        return AMBR_FAIL;
    }
    uint8_t ok = 1;
    bool posted = false;
    for (uint32_t i = 0; i < kPostTries && !posted; ++i) {
        if (sync) {
            uSemaLock(gAmb.pReqMutex, SEMA_OPTION_WAIT);
            posted = u_app_send_msg(gAmb.hAm, request, payload, size, ambSyncNotify,
                                    reinterpret_cast<aee_nfy_tag_t>(&ok)) == 0;
            if (posted) {
                uSemaLock(gAmb.pBinSema, SEMA_OPTION_WAIT);
            }
            uSemaUnlock(gAmb.pReqMutex);
        } else {
            posted = u_app_send_msg(gAmb.hAm, request, payload, size, ambAsyncNotify, 0) == 0;
        }
        if (!posted) {
            uThreadDelay(kPostRetryMs);
        }
    }
    return posted && ok != 0 ? AMBR_OK : AMBR_FAIL;
}

bool withinLimits(const amb_register_info_t* info)
{
    return info->ui4StackSize <= amb_limits.ui4MaxStackSize && info->ui1Priority >= amb_limits.ui1MinPriority &&
           info->ui2SecCount <= amb_limits.ui2MaxSecCount && info->ui2QueueLen <= amb_limits.ui2MaxQueueLen &&
           info->ui2MaxPayload <= amb_limits.ui2MaxPayload;
}

bool validRecord(const amb_register_info_t* info)
{
    return info != nullptr && memchr(info->acName, '\0', sizeof(info->acName)) != nullptr && info->acName[0] != '\0' &&
           info->tFct.pfInit != nullptr && info->tFct.pfExit != nullptr && info->tFct.pfProcess != nullptr &&
           withinLimits(info);
}

int32_t appRequest(const char* name, uint32_t request, bool sync, const char* line)
{
    if (name == nullptr) {
        return AMBR_INV_ARG;
    }
    AMB_API(line, name);
    const amb_register_info_t* info = u_amb_get_register_info(name);
    if (info == nullptr) {
        return AMBR_NOT_FOUND;
    }
    return _amb_send_request_to_am(request, info->acName, sizeof(info->acName), sync);
}

// Console table "amb".
int cliStartApp(int argc, char** argv)
{
    if (argc < 2) {
        return 0;
    }
    char name[AM_APP_NAME_LEN + 1];
    strncpy(name, argv[1], AM_APP_NAME_LEN);
    name[AM_APP_NAME_LEN] = '\0';
    if (u_amb_get_register_info(name) != nullptr) {
        u_amb_start_app(name);
    }
    return 0;
}

int cliScanActive(int, char**)
{
    const am_broadcast_msg_t msg{kScanActiveMsg, {}, 0};
    if (u_amb_broadcast_msg(&msg, 0) != 0) {
        AMB_ERR("u_amb_broadcast_msg failed.\n");
        return -12;
    }
    return 0;
}

using AmbLevelCmds = CliDbgLevelCmds<amb_get_dbg_level, amb_set_dbg_level>;

const cli_cmd_t gAmbCmds[] = {
    {"start_app", "s", cliStartApp, nullptr, "Usage: s app_name", CLI_ACCESS_NORMAL},
    {"scan active", "sa", cliScanActive, nullptr, "Usage: sa", CLI_ACCESS_NORMAL},
    {"gdl", nullptr, AmbLevelCmds::get, nullptr, "Get debug level", CLI_ACCESS_NORMAL},
    {"sdl", nullptr, AmbLevelCmds::set, nullptr, "Set debug level", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t gAmbRootCmd[] = {
    {"amb", nullptr, nullptr, gAmbCmds, "AMB commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

}  // namespace

int32_t u_amb_register_app(amb_register_info_t* info)
{
    if (!validRecord(info)) {
        return AMBR_INV_ARG;
    }
    if (gAmb.pRegMutex == nullptr) {
        return AMBR_FAIL;
    }
    uSemaLock(gAmb.pRegMutex, SEMA_OPTION_WAIT);
    if (u_amb_get_register_info(info->acName) != nullptr) {
        uSemaUnlock(gAmb.pRegMutex);
        return AMBR_EXISTS;
    }
    amb_register_info_t* head = gAmb.prHead.load(std::memory_order_relaxed);
    info->prPrev = nullptr;
    info->prNext = head;
    if (head != nullptr) {
        head->prPrev = info;
    }
    gAmb.prHead.store(info, std::memory_order_release);
    const int32_t res = _amb_send_request_to_am(AM_REQ_REGISTER_NAME, info->acName,
                                                static_cast<uint32_t>(strlen(info->acName)) + 1, true);
    uSemaUnlock(gAmb.pRegMutex);
    if (res != 0) {
        AMB_ERR("_amb_send_request_to_am fail in %s\n", __func__);
    }
    return res;
}

int32_t u_amb_start_app(const char* name)
{
    return appRequest(name, AM_REQ_START_APP, false, "<AMB> start %s\n\r");
}

int32_t u_amb_sync_start_app(const char* name)
{
    return appRequest(name, AM_REQ_START_APP, true, "<AMB> sync. start %s\n\r");
}

int32_t u_amb_exit_app(const char* name)
{
    return appRequest(name, AM_REQ_EXIT_APP, false, "<AMB> exit %s\n\r");
}

int32_t u_amb_sync_exit_app(const char* name)
{
    return appRequest(name, AM_REQ_EXIT_APP, true, "<AMB> sync. exit %s\n\r");
}

int32_t u_amb_resume_app(const char* name)
{
    return appRequest(name, AM_REQ_RESUME_APP, false, "<AMB> resume %s\n\r");
}

int32_t u_amb_pause_app(const char* name)
{
    return appRequest(name, AM_REQ_PAUSE_APP, false, "<AMB> pause %s\n\r");
}

int32_t u_amb_broadcast_msg(const am_broadcast_msg_t* msg, uint8_t sync)
{
    if (msg == nullptr || msg->ui4Size > AM_BRDCST_PAYLOAD_MAX || msg->ui4MsgId < AM_BRDCST_MSG_BASE) {
        return AMBR_INV_ARG;
    }
    return _amb_send_request_to_am(AM_REQ_BROADCAST, msg, sizeof(*msg), sync != 0);
}

int32_t u_amb_dispatch_msg(const am_dispatch_msg_t* msg)
{
    if (msg == nullptr || msg->ui4Size > AM_DISPATCH_PAYLOAD_MAX) {
        return AMBR_INV_ARG;
    }
    if (msg->psName == nullptr ||
        (strcmp(msg->psName, AM_APP_NAME) != 0 && u_amb_get_register_info(msg->psName) == nullptr)) {
        return AMBR_NOT_FOUND;
    }
    return _amb_send_request_to_am(AM_REQ_DISPATCH, msg, sizeof(*msg), false);
}

amb_register_info_t* u_amb_get_register_info(const char* name)
{
    if (name == nullptr) {
        return nullptr;
    }
    for (amb_register_info_t* p = gAmb.prHead.load(std::memory_order_acquire); p != nullptr; p = p->prNext) {
        if (strcmp(p->acName, name) == 0) {
            return p;
        }
    }
    return nullptr;
}

int32_t u_amb_init(void)
{
    AMB_API("<AMB> u_amb_init\n\r");
    AMB_TRY(u_aee_get_handle(AM_APP_NAME, &gAmb.hAm));
    AMB_TRY(uSemaCreate(&gAmb.pRegMutex, SEMA_TYPE_MUTEX, 1));
    AMB_TRY(uSemaCreate(&gAmb.pReqMutex, SEMA_TYPE_MUTEX, 1));
    AMB_TRY(uSemaCreate(&gAmb.pBinSema, SEMA_TYPE_BINARY, 0));
    AMB_TRY(u_cli_attach_cmd_tbl(gAmbRootCmd, CLI_GRP_APP, 0, 0));
    return 0;
}

int32_t u_amb_destroy(void)
{
    AMB_API("<AMB> u_amb_destroy\n\r");
    u_cli_detach_cmd_tbl(gAmbRootCmd, CLI_GRP_APP, 0, 0);
    int32_t res = u_aee_free_handle(&gAmb.hAm);
    if (res != 0) {
        AMB_ERR("<AMB> ERR: free handle failed = %d\n\r", res);
    }
    gAmb.hAm = 0;
    for (sema_t** mutex : {&gAmb.pRegMutex, &gAmb.pReqMutex}) {
        if (*mutex != nullptr && (res = uSemaDelete(*mutex)) != 0) {
            AMB_ERR("<AMB> ERR: free mutex semaphore failed = %d\n\r", res);
        }
        *mutex = nullptr;
    }
    if (gAmb.pBinSema != nullptr && (res = uSemaDelete(gAmb.pBinSema)) != 0) {
        AMB_ERR("<AMB> ERR: free binary semaphore failed = %d\n\r", res);
    }
    gAmb.pBinSema = nullptr;
    return 0;
}

uint16_t amb_get_dbg_level(void)
{
    return gAmb.dbg.level();
}

void amb_set_dbg_level(uint16_t newLevel)
{
    gAmb.dbg.setLevel(newLevel & DBG_LEVEL_ALL);
}

void amb_fill_register_info(amb_register_info_t* info, const char* name, const app_fct_t& fct,
                            const amb_app_sizes_t& sizes)
{
    std::memset(info->acName, 0, sizeof info->acName);
    std::memcpy(info->acName, name, strnlen(name, AM_APP_NAME_LEN));
    info->tFct = fct;
    info->ui8Reserved = ~static_cast<uint64_t>(0);
    info->ui4StackSize = sizes.ui4StackSize;
    info->ui1Priority = sizes.ui1Priority;
    info->ui2SecCount = sizes.ui2SecCount;
    info->ui2QueueLen = sizes.ui2QueueLen;
    info->ui2MaxPayload = sizes.ui2MaxPayload;
}
