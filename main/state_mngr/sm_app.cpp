// The application "state_mngr": registration, init and exit, and the entry of every message.
#include "main/state_mngr/sm_context_priv.h"

#include <cstring>

namespace {

constexpr amb_app_sizes_t kSizes = {65536, 180, 128, 128, 4096};
constexpr uint16_t kInitialDbgLevel = 511;

// Copies the appmsg_t at the head of a message; the bytes a short message lacks stay zero.
appmsg_t appMsgOf(const void* data, uint32_t size)
{
    appmsg_t msg{};
    if (data != nullptr) {
        memcpy(&msg, data, size < sizeof(msg) ? size : sizeof(msg));
    }
    return msg;
}

void smProcessTimerMsg(const void* data, uint32_t size)
{
    if (size != sizeof(uint32_t) || data == nullptr) {
        SM_ERR("timer's msg size[%d] is wrong, should be [%d]!\n", static_cast<int>(size),
               static_cast<int>(sizeof(uint32_t)));
        return;
    }
    // The only kind is the standby timer's (0), which nothing arms.
}

void smProcessStateMngrMsg(const appmsg_t& msg)
{
    switch (SM_MSG_GRP(msg.ui4_msg_type)) {
    case SM_REQUEST_GRP:
        smProcessRequestMsg(&msg);
        break;
    case SM_INFORM_GRP:
        smProcessInformMsg(&msg);
        break;
    default:
        break;
    }
}

}  // namespace

void a_sm_register(amb_register_info_t* info)
{
    if (smCtx().fgInited != 0) {
        return;
    }
    *info = amb_register_info_t{};
    amb_fill_register_info(info, SM_APP_NAME, {smAppInit, smAppExit, smProcessMsg}, kSizes);
}

int32_t smAppInit(const char*, handle_t app)
{
    smResetContext();
    smCtx().hApp = app;
    const int32_t res = smCliAttachCmdTbl();
    if (res != 0 && res != -1) {
        return -1;
    }
    smSetDbgLevel(kInitialDbgLevel);
    smCtx().fgInited = 1;
    return 0;
}

int32_t smAppExit(handle_t, uint32_t)
{
    SmContext& c = smCtx();
    if (c.prStandbyTimer != nullptr) {
        u_timer_delete(c.prStandbyTimer);
        c.prStandbyTimer = nullptr;
    }
    c.fgInited = 0;
    return 0;
}

int32_t smProcessMsg(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    if (smCtx().fgInited == 0) {
        return -1;
    }
    if (msgId < 0x10000) {
        SM_INFO("ui4Type = %d\n", static_cast<int>(msgId));
    }
    if (msgId == E_APP_MSG_TYPE_TIMER) {
        smProcessTimerMsg(data, size);
    } else {
        const appmsg_t msg = appMsgOf(data, size);
        switch (msgId) {
        case E_APP_MSG_TYPE_USER_CMD:
            smProcessKeyMsg(&msg, size);
            break;
        case E_APP_MSG_TYPE_ASSISTANT:
            smProcessAssistantMsg(&msg);
            break;
        case E_APP_MSG_TYPE_C4A:
            smProcessC4aMsg(&msg);
            break;
        case E_APP_MSG_TYPE_AVS:
            smProcessAvsMsg(&msg);
            break;
        case E_APP_MSG_TYPE_STATE_MNGR:
            smProcessStateMngrMsg(msg);
            break;
        case E_APP_MSG_TYPE_BLUETOOTH:
            smProcessBluetoothMsg(&msg);
            break;
        case E_APP_MSG_TYPE_WIFI_SETTING:
            smProcessWifiSettingMsg(&msg);
            break;
        case E_APP_MSG_TYPE_NETWORK:
            smProcessNetworkMsg(&msg);
            break;
        case E_APP_MSG_TYPE_VA_MANAGER:
            smProcessVaManagerMsg(&msg);
            break;
        case E_APP_MSG_TYPE_CEC:
            smProcessCecMsg(&msg);
            break;
        default:
            break;
        }
    }
    SM_ERR("************************\n");
    return 0;
}
