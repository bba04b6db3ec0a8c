// The application "gui_namager": registration, start and exit, the message entry and the allow
// windows. The event switches are in gui_event.cpp; posting, the system-state word and the single
// delayed slot are the message interface's (main/gui/msg).
#include "main/gui/gui_manager.h"

#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/gui/gui_event_priv.h"
#include "main/gui/gui_key.h"
#include "main/gui/gui_menu.h"
#include "main/gui/gui_pdt.h"
#include "main/gui/gui_tracking.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/link/protocol_brontal.h"
#include "main/gui/link/wireless_protocol.h"
#include "main/gui/tone/gui_tone.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/timerd/gui_log.h"
#include "main/timerd/gui_timer.h"

#include <atomic>
#include <cstring>

namespace {

constexpr uint32_t kStackSize = 131072;
constexpr uint8_t kPriority = 130;
constexpr uint16_t kSecCount = 64;
constexpr uint16_t kQueueLen = 128;
constexpr uint16_t kMaxPayload = 4096;
constexpr uint16_t kInitialDbgLevel = 511;
constexpr uint32_t kBroadcastLast = 0x1003F;
constexpr uint32_t kBroadcastSystemKey = 0x10000;
// Offset of the GuiMsg in a message 35: behind the sender-id and message-type words.
constexpr uint32_t kGuiMsgOffset = 8;
constexpr uint8_t kAllUpgradeBits = 0x3F;

struct GuiManager {
    handle_t hApp = 0;
    // Allow windows, touched only on the manager's thread.
    uint8_t ui1UpgradeAllow = 0;
    uint8_t ui1PdtAllow = 0;
    uint8_t ui1BypassAllow = 0;
    std::atomic<uint8_t> ui1Inited{0};
};

GuiManager gGuiManagerThisObj;

int gdlCmd(int argc, char** argv)
{
    return CliDbgLevelCmds<guiManagerGetDbgLevel, guiManagerSetDbgLevel>::get(argc, argv);
}

int sdlCmd(int argc, char** argv)
{
    return CliDbgLevelCmds<guiManagerGetDbgLevel, guiManagerSetDbgLevel>::set(argc, argv);
}

const cli_cmd_t kGuiManagerCmds[] = {
    {"gdl", nullptr, gdlCmd, nullptr, "Get debug level (e=error, a=api, i=info, n=none)", CLI_ACCESS_NORMAL},
    {"sdl", nullptr, sdlCmd, nullptr, "Set debug level (e=error, a=api, i=info, n=none)", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kGuiManagerTbl[] = {
    {"gui_manager", nullptr, nullptr, kGuiManagerCmds, "gui_manager commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

int32_t guiManagerCliAttachCmdTbl(void)
{
    return u_cli_attach_cmd_tbl(kGuiManagerTbl, CLI_GRP_APP, 2, 0);
}

void guiManagerAppMsgRcv(const GuiMsg* msg)
{
    if (msg == nullptr) {
        return;
    }
    guiWidgetEvtCusProcess(msg);
    const uint16_t id = msg->msg_id;
    if (id >= GUI_USR_EVT_FIRST && id <= GUI_USR_EVT_LAST) {
        guiManagerAppUsrEvtProcess(msg);
    } else if (id >= GUI_SYS_EVT_FIRST && id <= GUI_SYS_EVT_LAST) {
        guiManagerAppSysEvtProcess(msg);
    } else if (id >= GUI_PDT_EVT_FIRST && id <= GUI_PDT_EVT_LAST) {
        guiPdtEvtProcess(msg);
    }
}

}  // namespace

void a_gui_manager_register(amb_register_info_t* info)
{
    if (gGuiManagerThisObj.ui1Inited.load() != 0) {
        GUI_LOG_API("a_gui_manager_register done,just return");
        return;
    }
    if (info == nullptr) {
        return;
    }
    *info = amb_register_info_t{};
    strncpy(info->acName, GUI_MANAGER_APP_NAME, AM_APP_NAME_LEN);
    info->tFct = {guiManagerAppInit, guiManagerAppExit, guiManagerAppProcessMsg};
    info->ui8Reserved = ~0ULL;
    info->ui4StackSize = kStackSize;
    info->ui1Priority = kPriority;
    info->ui2SecCount = kSecCount;
    info->ui2QueueLen = kQueueLen;
    info->ui2MaxPayload = kMaxPayload;
}

int32_t guiManagerAppInit(const char*, handle_t app)
{
    GuiManager& m = gGuiManagerThisObj;
    if (m.ui1Inited.load() != 0) {
        return 0;
    }
    m.ui1UpgradeAllow = 0;
    m.ui1PdtAllow = 0;
    m.ui1BypassAllow = 0;
    guiManagerMsgInit();
    m.hApp = app;
    const int32_t ret = guiManagerCliAttachCmdTbl();
    if (ret != 0 && ret != -1) {
        GUI_LOG_ERR("Err: guiManagerCliAttachCmdTbl() faigui, ret=%ld", static_cast<long>(ret));
        return -1;
    }
    guiManagerSetDbgLevel(kInitialDbgLevel);
    // The module links' start registers the touch-key handler with the Bluetooth module.
    guiWrapperWirelessProtocolKeyCbkSet(guiKeyTouchProcess);
    // The Bluetooth module's machine test reads and writes the 5.8 GHz user id through the widgets.
    guiWrapperBtUuidCbkSet(guiWidgetUuidReadProcess, guiWidgetUuidWriteProcess);
    // The phone app's queries read the power word and the usage counters.
    guiWrapperProtocolBrontalGuiGetRegister(guiWidgetSettingGet, guiTrackingGet);
    // The widgets read the wrapper table, so the wrappers start first.
    guiWrapperInit();
    guiOpsInit();
    guiMenuInit();
    guiWidgetInit();
    guiTrackingInit();
    guiToneMuteStsGetRegister(guiWidgetMuteStsGet);
    guiToneInit();
    guiPdtInit();
    guiKeyInit();
    m.ui1Inited = 1;
    return 0;
}

int32_t guiManagerAppExit(handle_t, uint32_t)
{
    GuiManager& m = gGuiManagerThisObj;
    guiManagerMsgExit();
    guiKeyExit();
    guiPdtExit();
    guiToneExit();
    guiTrackingExit();
    guiWidgetExit();
    guiMenuExit();
    guiOpsExit();
    guiWrapperExit();
    m.ui1Inited = 0;
    return 0;
}

int32_t guiManagerAppProcessMsg(handle_t, uint32_t msgType, const void* data, uint32_t size)
{
    if (gGuiManagerThisObj.ui1Inited.load() == 0) {
        return -1;
    }
    GUI_LOG_INFO("ui4Type = %d", static_cast<int>(msgType));
    if (msgType < AM_BRDCST_MSG_BASE) {
        if (msgType == E_APP_MSG_TYPE_TIMER) {
            uint32_t timerEvt = 0;
            if (data == nullptr || size < sizeof(timerEvt)) {
                return 0;
            }
            memcpy(&timerEvt, data, sizeof(timerEvt));
            GUI_LOG_INFO("timer_evt = %d", static_cast<int>(timerEvt));
            if (timerEvt == 0) {
                guiManagerMsgSlotPost();
            }
        } else if (msgType == E_APP_MSG_TYPE_GUI) {
            // Shorter messages than a whole GuiMsg are not GUI events.
            if (data == nullptr || size < kGuiMsgOffset + sizeof(GuiMsg)) {
                return 0;
            }
            GuiMsg msg{};
            memcpy(&msg, static_cast<const uint8_t*>(data) + kGuiMsgOffset, sizeof(msg));
            GUI_LOG_INFO("evt = 0x%x", msg.msg_id);
            guiManagerAppMsgRcv(&msg);
        }
    } else if (msgType <= kBroadcastLast) {
        if (msgType == kBroadcastSystemKey) {
            GUI_LOG_INFO("AM_BRDCST_MSG_SYSTEM_KEY");
        }
    } else {
        GUI_LOG_INFO("other message");
    }
    return 0;
}

void guiManagerAllowWindowsSet(uint8_t open)
{
    GuiManager& m = gGuiManagerThisObj;
    m.ui1PdtAllow = open != 0 ? 1 : 0;
    m.ui1BypassAllow = open != 0 ? 1 : 0;
    m.ui1UpgradeAllow = open != 0 ? kAllUpgradeBits : 0;
}

int32_t guiManagerAppUsrEvtCusProcess(const GuiMsg* msg)
{
    const uint32_t state = guiManagerAppStateGet();
    const uint16_t id = msg->msg_id;
    if (state == GUI_SYS_STATE_SHOP) {
        guiWidgetShopDispTimerStop();
    } else if (state == GUI_SYS_STATE_BYPASS) {
        if (id == E_GUI_USR_EVT_POWER_OFF) {
            guiWidgetBypassModeProcess(0);
        }
    } else if (state == GUI_SYS_STATE_STANDARD_TEST) {
        switch (id) {
        case E_GUI_USR_EVT_SRC_TOGGLE:
        case E_GUI_USR_EVT_SRC_BT:
        case E_GUI_USR_EVT_MUTE_TOGGLE:
        case E_GUI_USR_EVT_VOL_UP:
        case E_GUI_USR_EVT_VOL_DOWN:
        case E_GUI_USR_EVT_VOL_UP_REPEAT:
        case E_GUI_USR_EVT_VOL_DOWN_REPEAT:
            break;
        default:
            guiWidgetStandardTestProcess(0);
            break;
        }
    }

    const GuiManager& m = gGuiManagerThisObj;
    struct Window {
        uint16_t id;
        bool open;
        const char* line;
    };
    const Window windows[] = {
        {E_GUI_USR_EVT_PDT_MODE_ON, m.ui1PdtAllow == 1, "PDT MODE ALLOW TIMEOUT!"},
        {E_GUI_USR_EVT_BYPASS_MODE, m.ui1BypassAllow == 1, "PDT MODE ALLOW TIMEOUT!"},
        {E_GUI_USR_EVT_BT_USB_UPGRADE, (m.ui1UpgradeAllow & 0x01) != 0, "BT USB UPGRADE ALLOW TIMEOUT!"},
        {E_GUI_USR_EVT_WIRELESS_TX_UDISK_UPGRADE, (m.ui1UpgradeAllow & 0x02) != 0,
         "WIRELESS AUDIO USB UPGRADE ALLOW TIMEOUT!"},
        {E_GUI_USR_EVT_WIRELESS_RX_UDISK_UPGRADE, (m.ui1UpgradeAllow & 0x04) != 0,
         "WIRELESS AUDIO OTA UPGRADE ALLOW TIMEOUT!"},
        {E_GUI_USR_EVT_HDMI_UDISK_UPGRADE, (m.ui1UpgradeAllow & 0x08) != 0, "HDMI UDISK UPGRADE ALLOW TIMEOUT!"},
        {E_GUI_USR_EVT_DSP_UDISK_UPGRADE, (m.ui1UpgradeAllow & 0x10) != 0, "DSP UDISK UPGRADE ALLOW TIMEOUT!"},
        {E_GUI_USR_EVT_BT_UDISK_UPGRADE, (m.ui1UpgradeAllow & 0x20) != 0, "BT UDISK UPGRADE ALLOW TIMEOUT!"},
    };
    for (const Window& w : windows) {
        if (w.id == id && !w.open) {
            GUI_LOG_ERR("Evt=%d Limited, %s", id, w.line);
            return 1;
        }
    }
    return 0;
}
