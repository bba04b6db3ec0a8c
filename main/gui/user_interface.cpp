// The application "user_interface": registration, start and exit, its flags and its key senders.
#include "main/gui/user_interface.h"

#include "main/am/am.h"
#include "main/gui/ui_priv.h"
#include "main/state_mngr/msg/sm_msg.h"

#include <atomic>
#include <cstring>

namespace {

constexpr uint32_t kStackSize = 4096;
constexpr uint8_t kPriority = 180;
constexpr uint16_t kSecCount = 32;
constexpr uint16_t kQueueLen = 32;
constexpr uint16_t kMaxPayload = 512;
constexpr uint16_t kInitialDbgLevel = 511;

constexpr uint32_t kAssistantMsgType = 9;
constexpr uint32_t kAssistantButtonType = 43;
constexpr uint32_t kAssistantTextSize = 33;
constexpr uint32_t kBtPairBody = 27;
constexpr uint32_t kBtSourceSwitchBody = 56;

struct UiApp {
    handle_t hApp = 0;
    std::atomic<uint8_t> ui1Inited{0};
    // Written and read by different applications' threads.
    std::atomic<uint8_t> ui1FactoryReset{0};
    std::atomic<uint8_t> ui1WifiSetup{0};
    std::atomic<uint8_t> ui1BtParing{0};
};

UiApp gUiApp;

// Errors only until the application starts and opens every level.
DbgModule gUiDbg("<user_interface>", "user_interface.cpp", DBG_LAYER_APP, DBG_LEVEL_ERROR);

appmsg_t keyMsg(uint32_t body)
{
    appmsg_t msg{};
    msg.ui4_sender_id = MSG_FROM_UI;
    msg.ui4_msg_type = body;
    return msg;
}

// Looks the receiver up and posts; the post is tried (and fails) also when the lookup failed.
int32_t postKey(const char* appName, uint32_t msgId, const appmsg_t& msg, const char* caller, int line)
{
    handle_t app = 0;
    if (u_am_get_app_handle_from_name(&app, appName) != 0) {
        UI_LOG_ERR("<user_interface>fail to get handle in function %s , L=%d", caller, line);
    }
    if (u_app_send_msg(app, msgId, &msg, sizeof(msg), nullptr, 0) != 0) {
        UI_LOG_ERR("<user_interface>fail to send msg to %s in function %s", appName, caller);
        return -1;
    }
    return 0;
}

}  // namespace

void uiAppUserInterfaceRegister(amb_register_info_t* info)
{
    if (gUiApp.ui1Inited.load() != 0 || info == nullptr) {
        return;
    }
    *info = amb_register_info_t{};
    strncpy(info->acName, UI_APP_NAME, AM_APP_NAME_LEN);
    info->tFct = {uiUserInterfaceStart, uiUserInterfaceExit, uiUserInterfaceProcessMsg};
    info->ui8Reserved = ~0ULL;
    info->ui4StackSize = kStackSize;
    info->ui1Priority = kPriority;
    info->ui2SecCount = kSecCount;
    info->ui2QueueLen = kQueueLen;
    info->ui2MaxPayload = kMaxPayload;
}

int32_t uiUserInterfaceStart(const char*, handle_t app)
{
    gUiApp.hApp = app;
    if (gUiApp.ui1Inited.load() != 0) {
        return 0;
    }
    const int32_t ret = uiCliAttachCmdTbl();
    if (ret != 0 && ret != -1) {
        UI_LOG_ERR("<user_interface>uiCliAttachCmdTbl() failed, ret=%d", static_cast<int>(ret));
        return -1;
    }
    uiSetDbgLevel(kInitialDbgLevel);
    gUiApp.ui1Inited = 1;
    const int32_t res = uiKeyMonitorStart();
    if (res != 0) {
        UI_LOG_ERR("<user_interface>create key monitor thread failed, ret=%d", static_cast<int>(res));
        gUiApp.ui1Inited = 0;
        return res;
    }
    return 0;
}

int32_t uiUserInterfaceExit(handle_t, uint32_t)
{
    gUiApp.ui1Inited = 0;
    uiKeyMonitorStop();
    return 0;
}

int32_t uiUserInterfaceProcessMsg(handle_t, uint32_t msgType, const void* data, uint32_t size)
{
    if (gUiApp.ui1Inited.load() == 0) {
        return -1;
    }
    if (msgType >= AM_BRDCST_MSG_BASE) {
        UI_LOG_INFO("<user_interface>am broadcast message");
    } else if (msgType == E_APP_MSG_TYPE_TIMER && data != nullptr && size >= sizeof(uint32_t)) {
        uint32_t word = 0;
        memcpy(&word, data, sizeof(word));
        if (word == 0) {
            UI_LOG_INFO("[KEY_TIMER_RESET_ONCE]");
        }
    }
    return 0;
}

void uiSetFactoryResetFlag(uint8_t flag)
{
    gUiApp.ui1FactoryReset.store(flag);
}

uint8_t uiGetFactoryResetFlag(void)
{
    return gUiApp.ui1FactoryReset.load();
}

void uiSetWifiSetupFlag(uint8_t flag)
{
    gUiApp.ui1WifiSetup.store(flag);
}

uint8_t uiGetWifiSetupFlag(void)
{
    return gUiApp.ui1WifiSetup.load();
}

void uiSetBtParingFlag(uint8_t flag)
{
    gUiApp.ui1BtParing.store(flag);
}

uint8_t uiGetBtParingFlag(void)
{
    return gUiApp.ui1BtParing.load();
}

uint16_t uiGetDbgLevel(void)
{
    return gUiDbg.level();
}

void uiSetDbgLevel(uint16_t level)
{
    gUiDbg.setLevel(level);
}

int32_t uiUserInterfaceSendKeyToSm(uint32_t body)
{
    return postKey(SM_APP_NAME, E_APP_MSG_TYPE_USER_CMD, keyMsg(body), __func__, __LINE__);
}

int32_t uiUserInterfaceSendKeyToIr(uint32_t body)
{
    return postKey("ir_manager", E_APP_MSG_TYPE_USER_CMD, keyMsg(body), __func__, __LINE__);
}

int32_t uiUserInterfaceSendKeyToC4a(uint32_t body)
{
    return postKey("c4a_stub", E_APP_MSG_TYPE_USER_CMD, keyMsg(body), __func__, __LINE__);
}

int32_t uiUserInterfaceSendKeyToCastlite(uint32_t body)
{
    return postKey("castlite_stub", E_APP_MSG_TYPE_USER_CMD, keyMsg(body), __func__, __LINE__);
}

int32_t uiUserInterfaceSendKeyToBt(uint32_t body)
{
    return postKey("bluetooth", E_APP_MSG_TYPE_USER_CMD, keyMsg(body), __func__, __LINE__);
}

int32_t uiUserInterfaceSendKeyToAll(const appmsg_t* msg, const char* appName)
{
    if (msg == nullptr || appName == nullptr) {
        return -1;
    }
    return postKey(appName, E_APP_MSG_TYPE_USER_CMD, *msg, __func__, __LINE__);
}

int32_t uiUserInterfaceSendKeyToAssistant(uint32_t body)
{
    appmsg_t msg = keyMsg(kAssistantButtonType);
    const char* action = nullptr;
    if (body == SM_BODY_UI_LONG_MICMUTE) {
        action = "mic_mute_long";
    } else if (body == 58) {
        action = "volumup_long";
    }
    if (action != nullptr) {
        strncpy(reinterpret_cast<char*>(msg.aui1_data), "button", kAssistantTextSize - 1);
        strncpy(reinterpret_cast<char*>(msg.aui1_data + kAssistantTextSize), action, kAssistantTextSize - 1);
    }
    return postKey("assistant_stub", kAssistantMsgType, msg, __func__, __LINE__);
}

int32_t uiSendMsg(uint32_t senderId, uint32_t msgType, const char* appName)
{
    handle_t app = 0;
    if (u_am_get_app_handle_from_name(&app, appName) != 0) {
        UI_LOG_ERR("u_am_get_app_handle_from_name failed! pName:%s", appName != nullptr ? appName : "(null)");
    }
    const int32_t ret = u_app_send_appmsg(app, E_APP_MSG_TYPE_STATE_MNGR, senderId, msgType, nullptr, 0);
    if (ret != 0) {
        UI_LOG_ERR("u_app_send_msg failed! hApp:%p", reinterpret_cast<void*>(static_cast<uintptr_t>(app)));
    }
    return ret;
}

int32_t uiBtSourceswitchCallback(void)
{
    return uiSendMsg(0, smMsgWord(0, kBtSourceSwitchBody, 0), "bluetooth");
}

void uiUserInterfaceKeyProcess(uint16_t key)
{
    switch (key) {
    case 116:
    case 249:
        uiUserInterfaceSendKeyToSm(SM_BODY_UI_ENTER_SUSPEND);
        break;
    case 103:
        uiUserInterfaceSendKeyToSm(SM_BODY_UI_VOLUMEUP);
        break;
    case 108:
        uiUserInterfaceSendKeyToSm(SM_BODY_UI_VOLUMEDOWN);
        break;
    case 113:
        uiUserInterfaceSendKeyToSm(SM_BODY_UI_MUTE);
        break;
    case 119:
        uiUserInterfaceSendKeyToSm(SM_BODY_UI_LONG_VOLUMEDOWN);
        break;
    case 31:
        uiUserInterfaceSendKeyToSm(SM_BODY_UI_SOURCE_SWITCH);
        break;
    case 32:
        uiUserInterfaceSendKeyToSm(SM_BODY_UI_PREV);
        break;
    case 33:
        uiUserInterfaceSendKeyToSm(SM_BODY_UI_NEXT);
        break;
    case 50:
    case 248:
        uiUserInterfaceSendKeyToAssistant(SM_BODY_UI_LONG_MICMUTE);
        uiUserInterfaceSendKeyToSm(41);
        break;
    case 237:
        uiSendMsg(0, smMsgWord(0, kBtPairBody, 0), "bluetooth");
        uiSetBtParingFlag(1);
        uiUserInterfaceSendKeyToSm(39);
        break;
    default:
        break;
    }
}
