#include "main/gui/link/wireless_protocol.h"

#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/link/protocol_ats2835.h"
#include "main/gui/link/protocol_ats2853.h"
#include "main/gui/link/protocol_brontal.h"
#include "main/gui/link/protocol_ota.h"
#include "main/gui/link/protocol_wavrel.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/link/wrapper_ota.h"
#include "main/gui/link/wrapper_wireless.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/timerd/gui_timer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#define WIRELESS_LOG(fmt, ...) WRAPPER_LOG_ERR("<WIRELESS>", fmt, ##__VA_ARGS__)

namespace {

enum class Payload : uint8_t {
    None,
    Byte,  // the parameter's first byte
    U16,   // the low byte of a 16-bit parameter
    Bytes, // `size` bytes of the parameter
};

struct EvtRow {
    uint16_t evt;
    uint16_t guiId;
    Payload payload;
    uint8_t size;
};

constexpr uint8_t kOtaInquireSize = 45;
constexpr uint8_t kMacSize = 8;
constexpr uint8_t kUuidSize = 3;
constexpr uint32_t kUpgradeModuleBt = 7;
constexpr uint8_t kBtCmdGroup = 0x81;
constexpr uint8_t kBtCmdWirelessLink = 0x2D;

// The events that become one GUI message; the others are handled one by one below.
constexpr EvtRow kEvtTable[] = {
    {0, E_GUI_USR_EVT_POWER_ON, Payload::None, 0},
    {1, E_GUI_USR_EVT_POWER_IDLE, Payload::None, 0},
    {2, E_GUI_USR_EVT_AUTO_STANDBY_SET, Payload::Byte, 1},
    {3, E_GUI_USR_EVT_AUTO_SCREENSAVER_SET, Payload::U16, 1},
    {4, E_GUI_USR_EVT_LCD_DIMMER_SET, Payload::U16, 1},
    {5, E_GUI_USR_EVT_LED_DIMMER_SET, Payload::U16, 1},
    {9, E_GUI_USR_EVT_5P8_CONN_STS_READ, Payload::None, 0},
    {10, E_GUI_USR_EVT_SRC_SEL, Payload::Byte, 1},
    {11, E_GUI_USR_EVT_SRC_BT, Payload::None, 0},
    {12, E_GUI_USR_EVT_MUTE_SET, Payload::Byte, 1},
    {13, E_GUI_USR_EVT_VOL_SET, Payload::Byte, 1},
    {14, E_GUI_USR_EVT_TONE_VOL_SET, Payload::Byte, 1},
    {16, E_GUI_USR_EVT_BASS_SET, Payload::Byte, 1},
    {17, E_GUI_USR_EVT_CENTER_SET, Payload::Byte, 1},
    {18, E_GUI_USR_EVT_TREBLE_SET, Payload::Byte, 1},
    {19, E_GUI_USR_EVT_SUR_SET, Payload::Byte, 1},
    {20, E_GUI_USR_EVT_HEIGHT_SET, Payload::Byte, 1},
    {21, E_GUI_USR_EVT_MUSIC_PLAY_MODE_SEL, Payload::Byte, 1},
    {22, E_GUI_USR_EVT_MUSIC_USB_PLAY, Payload::None, 0},
    {23, E_GUI_USR_EVT_MUSIC_USB_PLAY, Payload::None, 0},
    {24, E_GUI_USR_EVT_MUSIC_USB_PREV, Payload::None, 0},
    {25, E_GUI_USR_EVT_MUSIC_USB_NEXT, Payload::None, 0},
    {26, E_GUI_SYS_EVT_BT_PAIRING, Payload::None, 0},
    {27, E_GUI_SYS_EVT_BT_DISCONNECTED, Payload::None, 0},
    {29, E_GUI_SYS_EVT_BT_STS_5, Payload::None, 0},
    {30, E_GUI_SYS_EVT_BT_STS_6, Payload::None, 0},
    {31, E_GUI_SYS_EVT_BT_STS_8021, Payload::None, 0},
    {32, E_GUI_SYS_EVT_BT_STS_8022, Payload::None, 0},
    {33, E_GUI_SYS_EVT_BT_VOL, Payload::Byte, 1},
    {35, E_GUI_SYS_EVT_RESERVED_8024, Payload::Byte, 1},
    {36, E_GUI_SYS_EVT_RESERVED_8025, Payload::Byte, 1},
    {37, E_GUI_SYS_EVT_BT_MAC, Payload::Bytes, kMacSize},
    {38, E_GUI_USR_EVT_MUSIC_BT_PLAY, Payload::None, 0},
    {39, E_GUI_USR_EVT_MUSIC_BT_PLAY, Payload::None, 0},
    {40, E_GUI_USR_EVT_MUSIC_BT_PREV, Payload::None, 0},
    {41, E_GUI_USR_EVT_MUSIC_BT_NEXT, Payload::None, 0},
    {42, E_GUI_SYS_EVT_WIRELESS_AUD_STS_1, Payload::None, 0},
    {43, E_GUI_SYS_EVT_WIRELESS_AUD_STS_2, Payload::None, 0},
    {50, E_GUI_SYS_EVT_OTA_DOWNLOAD_ON, Payload::None, 0},
    // The CEC name travels by value: the 14-byte name field.
    {59, E_GUI_SYS_EVT_NAND_PARAM_SET, Payload::Bytes, ATS2853_CEC_NAME_LEN},
    {60, E_GUI_PDT_EVT_SRC_BT, Payload::None, 0},
    {61, E_GUI_PDT_EVT_SRC_AUX, Payload::None, 0},
    {62, E_GUI_PDT_EVT_SRC_OPT, Payload::None, 0},
    {63, E_GUI_PDT_EVT_RESERVED_F003, Payload::None, 0},
    {64, E_GUI_PDT_EVT_SRC_ARC, Payload::None, 0},
    {65, E_GUI_PDT_EVT_SRC_USB, Payload::None, 0},
    {66, E_GUI_PDT_EVT_SRC_HDMI, Payload::None, 0},
    {67, E_GUI_USR_EVT_PCBA_TEST_ON, Payload::None, 0},
    {68, E_GUI_PDT_EVT_SALES_COUNTRY_SET, Payload::Byte, 1},
    {69, E_GUI_PDT_EVT_ERP_MODE_ON, Payload::None, 0},
    {70, E_GUI_PDT_EVT_WIRELESS_PACKET, Payload::None, 0},
    {71, E_GUI_PDT_EVT_DISP_TEST, Payload::None, 0},
    {72, E_GUI_PDT_EVT_VOL_PERCENT_SET, Payload::Byte, 1},
    {73, E_GUI_PDT_EVT_FACTORY_RESET, Payload::None, 0},
    {74, E_GUI_PDT_EVT_NOP, Payload::None, 0},
    {75, E_GUI_PDT_EVT_BT_PACKET, Payload::None, 0},
    {76, E_GUI_PDT_EVT_HDMI_VERSION_REPORT, Payload::None, 0},
    {77, E_GUI_PDT_EVT_EQ_SET, Payload::Byte, 1},
    {78, E_GUI_PDT_EVT_WIRELESS_AUD_PACKET, Payload::Byte, 1},
    {79, E_GUI_PDT_EVT_DIMMER_SET, Payload::Byte, 1},
    {80, E_GUI_PDT_EVT_DISP_PDT, Payload::Byte, 1},
    {81, E_GUI_PDT_EVT_BYPASS_MODE_ON, Payload::None, 0},
    {82, E_GUI_USR_EVT_WIRELESS_AUD_START_PAIR, Payload::None, 0},
    {85, E_GUI_USR_EVT_FACTORY_RESET, Payload::None, 0},
    {86, E_GUI_USR_EVT_UUID_READ, Payload::None, 0},
    {87, E_GUI_USR_EVT_UUID_WRITE, Payload::Bytes, kUuidSize},
    {88, E_GUI_SYS_EVT_SYS_REBOOT, Payload::None, 0},
    {95, E_GUI_USR_EVT_XUPMIX_SET, Payload::Byte, 1},
    {97, E_GUI_USR_EVT_TRACKING_RESET, Payload::None, 0},
};

// EQ modes 0 to 5; modes 2 and 3 map crosswise.
constexpr std::array<uint16_t, 6> kEqModeEvt = {E_GUI_USR_EVT_EQ_SEL_0, E_GUI_USR_EVT_EQ_SEL_1,
                                                E_GUI_USR_EVT_EQ_SEL_3, E_GUI_USR_EVT_EQ_SEL_2,
                                                E_GUI_USR_EVT_EQ_SEL_4, E_GUI_USR_EVT_EQ_SEL_5};
constexpr uint32_t kEqModeStyleList = 6;
constexpr uint32_t kEqModeCustom = 7;
constexpr uint8_t kCusEqRecordSize = 44;

constexpr uint32_t kSourceStateMin = 15;  // any state above is a source state or later

// The parked event is shared by the unpack thread and the timer's thread.
struct {
    std::mutex lock;
    uint16_t evt = 0;
    uint8_t param = 0;  // event 33's volume byte
    bool hasParam = false;
    std::atomic<uint32_t> timer{0};
} gGuiWrapperWirelessProtocolThisObj;

std::atomic<WirelessProtocolKeyCbk> gKeyCbk{nullptr};

bool isParkedEvt(uint16_t evt)
{
    return evt == 26 || evt == 27 || (evt >= 29 && evt <= 32);
}

uint16_t u16Of(const uint8_t* param)
{
    uint16_t v = 0;
    std::memcpy(&v, param, sizeof(v));
    return v;
}

uint32_t u32Of(const uint8_t* param)
{
    uint32_t v = 0;
    std::memcpy(&v, param, sizeof(v));
    return v;
}

void guiWrapperWirelessProtocolGuiMsgSnd(uint16_t id, const uint8_t* data, uint16_t len)
{
    GuiMsg msg{};
    msg.msg_id = id;
    const uint16_t n = std::min<uint16_t>(len, GUI_MSG_DATA_SIZE);
    msg.msg_size = static_cast<uint8_t>(n);
    if (data != nullptr && n != 0) {
        std::memcpy(msg.data, data, n);
    }
    guiManagerAppMsgSnd(&msg);
}

void sendRow(const EvtRow& row, const uint8_t* param)
{
    if (row.payload == Payload::None) {
        guiWrapperWirelessProtocolGuiMsgSnd(row.guiId, nullptr, 0);
        return;
    }
    if (param == nullptr) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    if (row.payload == Payload::U16) {
        const uint8_t low = static_cast<uint8_t>(u16Of(param) & 0xFF);
        guiWrapperWirelessProtocolGuiMsgSnd(row.guiId, &low, 1);
        return;
    }
    guiWrapperWirelessProtocolGuiMsgSnd(row.guiId, param, row.size);
}

void upgradePercentSnd(uint32_t module, const uint8_t* param)
{
    if (param == nullptr) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    std::array<uint8_t, 8> data{};
    const uint32_t percent = u16Of(param);
    std::memcpy(data.data(), &module, sizeof(module));
    std::memcpy(data.data() + 4, &percent, sizeof(percent));
    guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_SYS_EVT_UPGRADE_PERCENT, data.data(), data.size());
}

void eqSnd(const uint8_t* param)
{
    if (param == nullptr) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    const uint32_t mode = u32Of(param);
    if (mode == kEqModeStyleList) {
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_USR_EVT_EQ_SEL_6, param, kCusEqRecordSize);
    } else if (mode == kEqModeCustom) {
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_USR_EVT_EQ_SEL_7, param, kCusEqRecordSize);
    } else if (mode < kEqModeEvt.size()) {
        guiWrapperWirelessProtocolGuiMsgSnd(kEqModeEvt[mode], nullptr, 0);
    }
}

void park(uint16_t evt, const uint8_t* param, uint32_t ms)
{
    auto& hub = gGuiWrapperWirelessProtocolThisObj;
    {
        std::lock_guard<std::mutex> guard(hub.lock);
        hub.evt = evt;
        hub.hasParam = param != nullptr;
        hub.param = param != nullptr ? param[0] : 0;
    }
    guiTimerSet(hub.timer.load(), ms, 0);
}

void wirelessLinkSnd(uint8_t up)
{
    guiWrapperBtSndPacket(kBtCmdGroup, kBtCmdWirelessLink, 1, &up);
}

}  // namespace

void guiWrapperWirelessProtocolKeyCbkSet(WirelessProtocolKeyCbk cbk)
{
    gKeyCbk = cbk;
}

void guiWrapperWirelessProtocolInit(void)
{
    auto& hub = gGuiWrapperWirelessProtocolThisObj;
    if (hub.timer.load() == 0) {
        hub.timer = guiTimerCreate(guiWrapperWirelessProtocolTimeoutCbk, 0);
        if (hub.timer.load() != 0) {
            WIRELESS_LOG("Timer Create Success!");
        }
    }
    guiWrapperProtocolAts2853KeyRegisterCbk(gKeyCbk.load());
    guiWrapperProtocolAts2853RcvRegisterCbk(guiWrapperWirelessProtocolCbk);
    guiWrapperProtocolBrontalRcvRegisterCbk(guiWrapperWirelessProtocolCbk);
    guiWrapperProtocolOtaRcvRegisterCbk(guiWrapperWirelessProtocolCbk);
    guiWrapperProtocolWavrelRcvRegisterCbk(guiWrapperWirelessProtocolCbk);
    guiWrapperProtocolAts2835RcvRegisterCbk(guiWrapperWirelessProtocolCbk);
    guiWrapperProtocolWavrelSysStateGetRegisterCbk(guiManagerAppStateGet);
    guiWrapperWirelessDrvInit();
    for (uint32_t slot = 0; slot < WIRELESS_DEV_E_MAX; ++slot) {
        guiWrapperWirelessDrvOpen(slot);
    }
    guiWrapperWirelessDrvPowerOn();
    WIRELESS_LOG("*************begin ");
}

void guiWrapperWirelessProtocolExit(void)
{
    const uint32_t timer = gGuiWrapperWirelessProtocolThisObj.timer.exchange(0);
    if (timer != 0) {
        guiTimerDelete(timer);
    }
    for (uint32_t slot = 0; slot < WIRELESS_DEV_E_MAX; ++slot) {
        guiWrapperWirelessDrvClose(slot);
    }
    guiWrapperWirelessDrvExit();
    WIRELESS_LOG("*************end ");
}

void guiWrapperWirelessProtocolPowerOn(void)
{
    guiWrapperWirelessDrvPowerOn();
}

void guiWrapperWirelessProtocolPowerOff(void)
{
    guiTimerSet(gGuiWrapperWirelessProtocolThisObj.timer.load(), 0, 0);
    guiWrapperWirelessDrvPowerOff();
}

void guiWrapperWirelessProtocolPacketSnd(uint32_t slot, const uint8_t* msg, uint32_t len)
{
    switch (slot) {
    case WIRELESS_DEV_E_ATS2853:
        guiWrapperProtocolAts2853PacketSnd(msg, len);
        guiWrapperProtocolBrontalPacketSnd(msg, len);
        guiWrapperProtocolOtaPacketSnd(msg, len);
        break;
    case WIRELESS_DEV_E_WAVREL:
        guiWrapperProtocolWavrelPacketSnd(msg, len);
        break;
    case WIRELESS_DEV_E_ATS2835:
        guiWrapperProtocolAts2835PacketSnd(msg, len);
        break;
    default:
        WIRELESS_LOG("Param Error!");
        break;
    }
}

void guiWrapperWirelessProtocolPacketRcv(uint32_t slot, const uint8_t* buf, uint32_t len)
{
    if (slot >= WIRELESS_DEV_E_MAX || buf == nullptr || len == 0) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    switch (slot) {
    case WIRELESS_DEV_E_ATS2853:
        guiWrapperProtocolAts2853PacketRcv(buf, len);
        guiWrapperProtocolBrontalPacketRcv(buf, len);
        guiWrapperProtocolOtaPacketRcv(buf, len);
        break;
    case WIRELESS_DEV_E_WAVREL:
        guiWrapperProtocolWavrelPacketRcv(buf, len);
        break;
    default:
        guiWrapperProtocolAts2835PacketRcv(buf, len);
        break;
    }
}

void* guiWrapperWirelessProtocolDBget(uint32_t slot)
{
    switch (slot) {
    case WIRELESS_DEV_E_ATS2853:
        return guiWrapperProtocolAts2853DBget();
    case WIRELESS_DEV_E_WAVREL:
        return guiWrapperProtocolWavrelDBget();
    case WIRELESS_DEV_E_ATS2835:
        return guiWrapperProtocolAts2835DBget();
    default:
        WIRELESS_LOG("Param Error!");
        return nullptr;
    }
}

void guiWrapperWirelessProtocolCbk(uint16_t evt, const uint8_t* param)
{
    const uint32_t state = guiManagerAppStateGet();
    if (evt >= WIRELESS_PROTOCOL_EVT_MAX) {
        return;
    }
    guiWrapperMusicTimerReset(0);
    if (state == GUI_SYS_STATE_ON && isParkedEvt(evt)) {
        park(evt, nullptr, WIRELESS_PROTOCOL_PARK_MS);
        return;
    }
    if (state == GUI_SYS_STATE_ON && evt == 33) {
        if (param == nullptr) {
            WIRELESS_LOG("Param Error!");
            return;
        }
        park(evt, param, WIRELESS_PROTOCOL_PARK_VOL_MS);
        return;
    }
    switch (evt) {
    case 15:
        eqSnd(param);
        return;
    case 28:
        WIRELESS_LOG("sys_state=%d", static_cast<int>(state));
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_SYS_EVT_BT_CONNECTED, nullptr, 0);
        return;
    case 34:
        upgradePercentSnd(kUpgradeModuleBt, param);
        return;
    case 44: {
        const uint8_t zero = 0;
        guiWrapperWirelesDisconnStateReport();
        guiWrapperOtaDisconnHandle(1);
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_SYS_EVT_WIRELESS_AUD_STS_3, &zero, 1);
        wirelessLinkSnd(0);
        return;
    }
    case 45: {
        const uint8_t zero = 0;
        guiWrapperWirelesConnStateReport();
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_SYS_EVT_WIRELESS_AUD_STS_4, &zero, 1);
        wirelessLinkSnd(1);
        guiWrapperWirelesRfBandSet(0);
        return;
    }
    case 46:
    case 47: {
        const uint8_t side = evt == 46 ? 1 : 2;
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_SYS_EVT_WIRELESS_AUD_STS_4, &side, 1);
        return;
    }
    case 48:
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_SYS_EVT_WIRELESS_AUD_STS_5, nullptr, 0);
        return;
    case 49:
        if (param == nullptr) {
            WIRELESS_LOG("Param Error!");
            return;
        }
        guiWrapperMusicAutoScreensaverLock(1);
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_SYS_EVT_OTA_PERMIT_CHK, param, kOtaInquireSize);
        return;
    case 51:
        if (param == nullptr) {
            WIRELESS_LOG("Param Error!");
            return;
        }
        guiWrapperOtaDownloadContinue(u32Of(param), u32Of(param + 4));
        return;
    case 52:
        if (param == nullptr) {
            WIRELESS_LOG("Param Error!");
            return;
        }
        guiWrapperMusicAutoScreensaverLock(0);
        guiWrapperWirelessProtocolGuiMsgSnd(E_GUI_SYS_EVT_OTA_DOWNLOAD_OFF, param, 1);
        return;
    case 53:
        if (param == nullptr) {
            WIRELESS_LOG("Param Error!");
            return;
        }
        WIRELESS_LOG("mod = %d!", param[0]);
        guiWrapperMusicAutoScreensaverLock(0);
        guiWrapperOtaUpgradeStop(param[0]);
        return;
    case 56:
    case 57:
    case 58:
        upgradePercentSnd(static_cast<uint32_t>(evt - 52), param);
        return;
    default:
        break;
    }
    for (const EvtRow& row : kEvtTable) {
        if (row.evt == evt) {
            sendRow(row, param);
            return;
        }
    }
}

void guiWrapperWirelessProtocolTimeoutCbk(uint32_t)
{
    auto& hub = gGuiWrapperWirelessProtocolThisObj;
    uint16_t evt = 0;
    uint8_t param = 0;
    bool hasParam = false;
    {
        std::lock_guard<std::mutex> guard(hub.lock);
        evt = hub.evt;
        param = hub.param;
        hasParam = hub.hasParam;
    }
    const uint32_t state = guiManagerAppStateGet();
    WIRELESS_LOG("sys_state=0x%x, msg_id=%d", state, evt);
    if (state > kSourceStateMin) {
        guiWrapperWirelessProtocolCbk(evt, hasParam ? &param : nullptr);
    } else {
        guiTimerSet(hub.timer.load(), WIRELESS_PROTOCOL_PARK_MS, 0);
    }
}
