#include "main/gui/gui_key_priv.h"

#include "main/gui/gui_manager.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/state_mngr/msg/sm_msg.h"
#include "main/timerd/gui_log.h"

#include <atomic>
#include <cstring>

namespace {

constexpr uint32_t T = GUI_KEY_SRC_TOUCH;
constexpr uint32_t IR = GUI_KEY_SRC_IR;
constexpr uint16_t kSrcKeyDelayMs = 300;
constexpr uint32_t kDimmerKey = 231;
constexpr uint16_t kParked = 100;

// Key state. The IR path runs on the key monitor's thread and the touch path on the Bluetooth
// link's; the counters are shared between them.
struct GuiKeyState {
    std::atomic<uint16_t> msecCnt{0};
    std::atomic<uint16_t> secCnt{0};
    std::atomic<uint8_t> irHold{0};
    std::atomic<uint8_t> touchHold{0};
    std::atomic<uint8_t> inited{0};
};

GuiKeyState gKey;

void post(uint16_t evt, uint8_t size)
{
    GuiMsg msg{};
    msg.msg_id = evt;
    msg.msg_size = size;
    guiManagerAppMsgSnd(&msg);
}

bool isIrSrcKeyEvt(uint16_t evt)
{
    return evt >= E_GUI_USR_EVT_SRC_BT && evt <= E_GUI_USR_EVT_SRC_USB;
}

bool isTouchSrcKeyEvt(uint16_t evt)
{
    return evt == E_GUI_USR_EVT_SRC_TOGGLE || evt == E_GUI_USR_EVT_SRC_BT;
}

bool sameKey(const GuiKeyEvt& a, const GuiKeyEvt& b)
{
    return a.source == b.source && a.key_type == b.key_type && a.key_code == b.key_code;
}

// Every row for the state and key posts, in table order; an IR dimmer press that only woke the
// display from its screensaver stops the scan.
void scanTable(const GuiKeyEvt& key, uint32_t sysState, bool fromIr)
{
    size_t rows[GUI_KEY_EVT_ROWS];
    const size_t count = guiKeyEvtMatch(sysState, key, rows, GUI_KEY_EVT_ROWS);
    // A short press of a remote key that means nothing in this state would vanish without a trace
    // (the power-on transit is the usual case): say so, once per press.
    if (count == 0 && fromIr && key.key_type == GUI_KEY_TYPE_RELEASE) {
        GUI_LOG_INFO("%s,code=%u no event in sys_state=0x%x, key dropped", guiKeyIrLabel(key.key_code),
                     static_cast<unsigned>(key.key_code), sysState);
    }
    for (size_t i = 0; i < count; ++i) {
        const GuiKeyEvtRow& row = gGuiKeyEvtHash[rows[i]];
        const uint8_t woke = guiWrapperMusicTimerReset(guiKeyMenuTimerClrGet(key.key_code));
        if (fromIr && woke == 1 && row.key.key_code == kDimmerKey) {
            return;
        }
        GuiMsg msg{};
        msg.msg_id = row.evt;
        msg.msg_size = 1;
        const bool delayed = fromIr ? isIrSrcKeyEvt(row.evt) : isTouchSrcKeyEvt(row.evt);
        if (delayed) {
            guiManagerAppMsgSndDly(&msg, kSrcKeyDelayMs);
        } else {
            guiManagerAppMsgSnd(&msg);
        }
    }
}

// A panel key only wakes the system: any record it delivers, whatever it is.
void panelWake(const struct input_event& ev)
{
    const uint32_t state = guiManagerAppStateGet();
    GUI_LOG_INFO("Wakeup Code=0x%x, sys_state=0x%x", ev.code, state);
    if ((state & (GUI_SYS_STATE_OFF | GUI_SYS_STATE_IDLE)) != 0) {
        post(E_GUI_USR_EVT_POWER_ON, 0);
    } else if (state == GUI_SYS_STATE_TRANSIT) {
        smPmStateDoneWait();
        post(E_GUI_USR_EVT_POWER_ON, 0);
    } else {
        GUI_LOG_INFO("unkwown state Code=0x%x", ev.code);
    }
}

void runHoldParser(GuiKeyEvt& key, uint32_t sysState)
{
    uint16_t msec = gKey.msecCnt.load();
    uint16_t sec = gKey.secCnt.load();
    guiKeyHoldTypeParser(&msec, &sec, &key, sysState);
    gKey.msecCnt = msec;
    gKey.secCnt = sec;
}

void irKey(const struct input_event& ev)
{
    if (ev.type != EV_KEY) {
        return;
    }
    const uint32_t state = guiManagerAppStateGet();
    GuiKeyEvt key{IR, GUI_KEY_TYPE_NONE, ev.code};
    const char* label = guiKeyIrLabel(ev.code);
    if (ev.value == 1) {
        if (label != nullptr) {
            key.key_type = GUI_KEY_TYPE_PRESS;
            GUI_LOG_INFO("%s,send IR to user_inter handle.", label);
        }
    } else if (ev.value == 0) {
        gKey.msecCnt = 0;
        gKey.secCnt = 0;
        if (label != nullptr) {
            key.key_type = gKey.irHold.load() != 0 ? GUI_KEY_TYPE_HOLD_RELEASE : GUI_KEY_TYPE_RELEASE;
            guiKeyPasswordProcess(ev.code, &key);
        }
        gKey.irHold = 0;
    } else if (ev.value == 2) {
        gKey.irHold = 1;
        ++gKey.msecCnt;
        runHoldParser(key, state);
    }
    scanTable(key, state, true);
}

// One line of the hold parser: a key held in `mask` states gets `type` when its count is met.
enum class HoldWhen : uint8_t { SecIs, MsecEven, Always };
enum class HoldThen : uint8_t { Keep, Reset, Park };
struct HoldLine {
    uint32_t source;
    uint32_t codes[4];
    uint32_t mask;
    HoldWhen when;
    uint16_t sec;
    uint32_t type;
    HoldThen then;
};

constexpr HoldLine kHoldLines[] = {
    {T, {GUI_KEY_IR_POWER}, 0x1C040, HoldWhen::SecIs, 5, GUI_KEY_TYPE_HOLD_8, HoldThen::Reset},
    {T, {GUI_KEY_IR_POWER}, 0x1000, HoldWhen::SecIs, 1, GUI_KEY_TYPE_HOLD_5, HoldThen::Park},
    {T, {GUI_KEY_PANEL_SOURCE}, 0x1000, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Reset},
    {T, {GUI_KEY_IR_BT}, 0x200, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Park},
    {T, {GUI_KEY_IR_VOLUMEUP, GUI_KEY_IR_VOLUMEDOWN}, 0x1CBF0, HoldWhen::MsecEven, 0, GUI_KEY_TYPE_REPEAT, HoldThen::Keep},
    {T, {GUI_KEY_IR_VOLUMEUP, GUI_KEY_IR_VOLUMEDOWN}, 0x1000, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Reset},
    {T, {GUI_KEY_TOUCH_PAIR}, 0x1000, HoldWhen::SecIs, 1, GUI_KEY_TYPE_HOLD_5, HoldThen::Reset},
    {T, {GUI_KEY_TOUCH_PAIR}, 0xBF0, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Park},
    {T, {GUI_KEY_TOUCH_PDT}, 0x80, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Reset},
    {T, {GUI_KEY_TOUCH_ERP}, 0x1000, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Reset},
    {IR, {GUI_KEY_IR_POWER}, 0x1C3F0, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Reset},
    {IR, {GUI_KEY_MENU}, 0x1C3F0, HoldWhen::SecIs, 5, GUI_KEY_TYPE_HOLD_8, HoldThen::Reset},
    {IR, {GUI_KEY_IR_BT}, 0x200, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Park},
    {IR, {GUI_KEY_IR_SURROUND_VOL_LEVEL}, 0x1C3F0, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Reset},
    {IR, {GUI_KEY_IR_MUTE}, 0x1CBF0, HoldWhen::SecIs, 5, GUI_KEY_TYPE_HOLD_8, HoldThen::Reset},
    {IR, {GUI_KEY_IR_VOLUMEUP, GUI_KEY_IR_VOLUMEDOWN}, 0x1CBF0, HoldWhen::MsecEven, 0, GUI_KEY_TYPE_REPEAT, HoldThen::Keep},
    {IR, {GUI_KEY_IR_BASS_UP, GUI_KEY_IR_BASS_DOWN, GUI_KEY_IR_TREBLE_UP, GUI_KEY_IR_TREBLE_DOWN}, 0x10BF0, HoldWhen::Always, 0, GUI_KEY_TYPE_HOLD_5, HoldThen::Keep},
    {IR, {GUI_KEY_IR_LED_DIMMER}, 0x143F0, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Park},
    {IR, {GUI_KEY_IR_BASS_VOL_LEVEL}, 0x200, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Reset},
    {IR, {GUI_KEY_IR_PLAYPAUSE}, 0x1C3F0, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Park},
    {IR, {GUI_KEY_IR_PAIR}, 0x1000, HoldWhen::SecIs, 1, GUI_KEY_TYPE_HOLD_5, HoldThen::Reset},
    {IR, {GUI_KEY_IR_PAIR}, 0xBF0, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Park},
    {IR, {GUI_KEY_IR_XUPMIX, GUI_KEY_IR_OPT}, 0x14BF0, HoldWhen::SecIs, 5, GUI_KEY_TYPE_HOLD_8, HoldThen::Reset},
    {IR, {GUI_KEY_IR_FACTORY_TEST_ENTER}, 0x1C3F0, HoldWhen::SecIs, 3, GUI_KEY_TYPE_HOLD_7, HoldThen::Park},
};

bool holdLineHasCode(const HoldLine& line, uint32_t code)
{
    for (uint32_t c : line.codes) {
        if (c != 0 && c == code) {
            return true;
        }
    }
    return false;
}

}  // namespace

const GuiKeyIrMapRow gGuiKeyIrMap[GUI_KEY_IR_MAP_ROWS] = {
    {GUI_KEY_IR_POWER, "[BTN_IR_POWER]"},
    {GUI_KEY_IR_EARC, "[BTN_IR_EARC]"},
    {GUI_KEY_IR_HDMI_IN, "[BTN_IR_HDMI_IN]"},
    {GUI_KEY_IR_OPT, "[BTN_IR_OPT]"},
    {GUI_KEY_IR_AUX, "[BTN_IR_AUX]"},
    {GUI_KEY_IR_BT, "[BTN_IR_BT]"},
    {GUI_KEY_IR_USB, "[BTN_IR_USB]"},
    {GUI_KEY_IR_PAIR, "[BTN_IR_PAIR]"},
    {GUI_KEY_IR_XUPMIX, "[BTN_IR_XUPMIX]"},
    {GUI_KEY_IR_PLAYPAUSE, "[BTN_IR_PLAYPAUSE]"},
    {GUI_KEY_IR_VOLUMEUP, "[BTN_IR_VOLUMEUP]"},
    {GUI_KEY_IR_VOLUMEDOWN, "[BTN_IR_VOLUMEDOWN]"},
    {GUI_KEY_IR_NEXTSONG, "[BTN_IR_NEXTSONG]"},
    {GUI_KEY_IR_PREVIOUSSONG, "[BTN_IR_PREVIOUSSONG]"},
    {GUI_KEY_IR_MUTE, "[BTN_IR_MUTE]"},
    {GUI_KEY_IR_LED_DIMMER, "[BTN_IR_LED_DIMMER]"},
    {GUI_KEY_IR_SURROUND_SUB, "[BTN_IR_SURROUND_SUB]"},
    {GUI_KEY_IR_PROMPT_ADD, "[BTN_IR_PROMPT_ADD]"},
    {GUI_KEY_IR_PROMPT_VOL_LEVE, "[BTN_IR_PROMPT_VOL_LEVE]"},
    {GUI_KEY_IR_FACTORY_PAIR, "[BTN_IR_FACTORY_PAIR]"},
    {GUI_KEY_IR_BASS_UP, "[BTN_IR_BASS_UP]"},
    {GUI_KEY_IR_BASS_DOWN, "[BTN_IR_BASS_DOWN]"},
    {GUI_KEY_IR_BASS_VOL_LEVEL, "[BTN_IR_BASS_VOL_LEVEL]"},
    {GUI_KEY_IR_MIDRANGE_ADD, "[BTN_IR_MIDRANGE_ADD]"},
    {GUI_KEY_IR_MIDRANGE_SUB, "[BTN_IR_MIDRANGE_SUB]"},
    {GUI_KEY_IR_MIDRANGE_VOL_LEVEL, "[BTN_IR_MIDRANGE_VOL_LEVEL]"},
    {GUI_KEY_IR_TREBLE_UP, "[BTN_IR_TREBLE_UP]"},
    {GUI_KEY_IR_TREBLE_DOWN, "[BTN_IR_TREBLE_DOWN]"},
    {GUI_KEY_IR_TREBLE_VOL_LEVEL, "[BTN_IR_TREBLE_VOL_LEVEL]"},
    {GUI_KEY_IR_MOVIE, "[BTN_IR_MOVIE]"},
    {GUI_KEY_IR_MUSIC, "[BTN_IR_MUSIC]"},
    {GUI_KEY_IR_VOICE, "[BTN_IR_VOICE]"},
    {GUI_KEY_IR_SPORT, "[BTN_IR_SPORT]"},
    {GUI_KEY_IR_GAME, "[BTN_IR_GAME]"},
    {GUI_KEY_IR_NIGHT, "[BTN_IR_NIGHT]"},
    {GUI_KEY_IR_SURROUND_ADD, "[BTN_IR_SURROUND_ADD]"},
    {GUI_KEY_IR_SURROUND_VOL_LEVEL, "[BTN_IR_SURROUND_VOL_LEVEL]"},
    {GUI_KEY_IR_PROMPT_SUB, "[BTN_IR_PROMPT_SUB]"},
    {GUI_KEY_IR_FACTORY_TEST_PAIR, "[BTN_IR_FACTORY_TEST_PAIR]"},
    {GUI_KEY_IR_FACTORY_TEST_ENTER, "[BTN_IR_FACTORY_TEST_ENTER]"},
};

const GuiKeyEvtRow gGuiKeyEvtHash[GUI_KEY_EVT_ROWS] = {
    {0x5, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_POWER}, E_GUI_USR_EVT_POWER_ON},
    {0x14FF0, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_POWER}, E_GUI_USR_EVT_POWER_IDLE},
    {0x1C3F0, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_PANEL_SOURCE}, E_GUI_USR_EVT_SRC_TOGGLE},
    {0x14200, {T, GUI_KEY_TYPE_HOLD_7, GUI_KEY_IR_BT}, E_GUI_USR_EVT_BT_PAIR},
    {0x14BF0, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BT}, E_GUI_USR_EVT_SRC_BT},
    {0x14040, {T, GUI_KEY_TYPE_HOLD_8, GUI_KEY_IR_POWER}, E_GUI_USR_EVT_FACTORY_RESET},
    {0x14BF0, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEUP}, E_GUI_USR_EVT_VOL_UP},
    {0x14BF0, {T, GUI_KEY_TYPE_REPEAT, GUI_KEY_IR_VOLUMEUP}, E_GUI_USR_EVT_VOL_UP_REPEAT},
    {0x14BF0, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEDOWN}, E_GUI_USR_EVT_VOL_DOWN},
    {0x14BF0, {T, GUI_KEY_TYPE_REPEAT, GUI_KEY_IR_VOLUMEDOWN}, E_GUI_USR_EVT_VOL_DOWN_REPEAT},
    {0x143F0, {T, GUI_KEY_TYPE_HOLD_7, GUI_KEY_TOUCH_PAIR}, E_GUI_USR_EVT_WIRELESS_AUD_START_PAIR},
    {0x80, {T, GUI_KEY_TYPE_HOLD_7, GUI_KEY_TOUCH_PDT}, E_GUI_USR_EVT_PDT_MODE_ON},
    {0x1000, {T, GUI_KEY_TYPE_HOLD_7, GUI_KEY_TOUCH_ERP}, E_GUI_USR_EVT_ERP_MODE_ON},
    {0x1000, {T, GUI_KEY_TYPE_HOLD_7, GUI_KEY_PANEL_SOURCE}, E_GUI_USR_EVT_DSP_VER_READ},
    {0x1000, {T, GUI_KEY_TYPE_HOLD_7, GUI_KEY_IR_VOLUMEUP}, E_GUI_USR_EVT_ERP_MODE_ON},
    {0x1000, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_POWER}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_PANEL_SOURCE}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BT}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEDOWN}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEUP}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, GUI_KEY_TYPE_HOLD_5, GUI_KEY_IR_POWER}, E_GUI_USR_EVT_PDT_MODE_OFF},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_BYPASS_TEST}, E_GUI_USR_EVT_BYPASS_MODE},
    {0x10, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_EZPLAY_SYMPHONY_FUNC_TOGGLE}, E_GUI_USR_EVT_EZPLAY_SYMPHONY_FUNC},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_HDMI_UDISK_UPG}, E_GUI_USR_EVT_HDMI_UDISK_UPGRADE},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_DSP_UDISK_UPG}, E_GUI_USR_EVT_DSP_UDISK_UPGRADE},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_BT_UDISK_UPG}, E_GUI_USR_EVT_BT_UDISK_UPGRADE},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_USB_CONN_SET}, E_GUI_USR_EVT_USB_CONN_SET},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_WIRELESS_TX_UDISK_UPG}, E_GUI_USR_EVT_WIRELESS_TX_UDISK_UPGRADE},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_WIRELESS_RX_UDISK_UPG}, E_GUI_USR_EVT_WIRELESS_RX_UDISK_UPGRADE},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_USR_PCBA_TEST_ENTER}, E_GUI_USR_EVT_PCBA_TEST_ON},
    {0x1000, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_USR_PCBA_TEST_EXIT}, E_GUI_USR_EVT_PCBA_TEST_OFF},
    {0x80, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_USR_MACHINE_TEST_ENTER}, E_GUI_USR_EVT_MACHINE_TEST_ON},
    {0x1000, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_USR_MACHINE_TEST_EXIT}, E_GUI_USR_EVT_MACHINE_TEST_OFF},
    {0x40, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_READ_ROKU_SOLUTION_ID}, E_GUI_USR_EVT_ROKU_PVID_READ},
    {0x3F0, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_USB_TUNING}, E_GUI_USR_EVT_USB_TUNING},
    {0x3F0, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_STANDARD_TEST}, E_GUI_USR_EVT_STANDARD_TEST},
    {0x3F0, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_EQ_TEST}, E_GUI_USR_EVT_EQ_TEST},
    {0x3F0, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_SALES_AREA_SEL}, E_GUI_USR_EVT_SALES_AREA_TOGGLE},
    {0x3F0, {IR, GUI_KEY_TYPE_SEQUENCE, GUI_KEY_SEQ_AMP_PROTECT_COUNT}, E_GUI_USR_EVT_AMP_STS_READ},
    {0x5, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_POWER}, E_GUI_USR_EVT_POWER_ON},
    {0x14FF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_POWER}, E_GUI_USR_EVT_POWER_IDLE},
    {0x14200, {IR, GUI_KEY_TYPE_HOLD_7, GUI_KEY_IR_BT}, E_GUI_USR_EVT_BT_PAIR},
    {0x143F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BT}, E_GUI_USR_EVT_SRC_BT},
    {0x143F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_EARC}, E_GUI_USR_EVT_SRC_ARC},
    {0x143F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_HDMI_IN}, E_GUI_USR_EVT_SRC_HDMI},
    {0x143F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_OPT}, E_GUI_USR_EVT_SRC_OPT},
    {0x143F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_AUX}, E_GUI_USR_EVT_SRC_AUX},
    {0x143F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_USB}, E_GUI_USR_EVT_SRC_USB},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MUSIC}, E_GUI_USR_EVT_EQ_SEL_0},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MOVIE}, E_GUI_USR_EVT_EQ_SEL_1},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOICE}, E_GUI_USR_EVT_EQ_SEL_2},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_GAME}, E_GUI_USR_EVT_EQ_SEL_3},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_SPORT}, E_GUI_USR_EVT_EQ_SEL_4},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_NIGHT}, E_GUI_USR_EVT_EQ_SEL_5},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_SURROUND_VOL_LEVEL}, E_GUI_USR_EVT_SUR_DISP},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_SURROUND_ADD}, E_GUI_USR_EVT_SUR_ADD},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_SURROUND_SUB}, E_GUI_USR_EVT_SUR_SUB},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PROMPT_VOL_LEVE}, E_GUI_USR_EVT_TONE_VOL_DISP},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PROMPT_ADD}, E_GUI_USR_EVT_TONE_VOL_ADD},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PROMPT_SUB}, E_GUI_USR_EVT_TONE_VOL_SUB},
    {0x14BF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MUTE}, E_GUI_USR_EVT_MUTE_TOGGLE},
    {0x143F0, {IR, GUI_KEY_TYPE_HOLD_8, GUI_KEY_IR_MUTE}, E_GUI_USR_EVT_FACTORY_RESET},
    {0x14BF0, {IR, GUI_KEY_TYPE_HOLD_8, GUI_KEY_IR_OPT}, E_GUI_USR_EVT_DSP_VER_READ},
    {0x14BF0, {IR, GUI_KEY_TYPE_HOLD_8, GUI_KEY_IR_XUPMIX}, E_GUI_USR_EVT_DSP_VER_READ},
    {0x14BF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEUP}, E_GUI_USR_EVT_VOL_UP},
    {0x14BF0, {IR, GUI_KEY_TYPE_REPEAT, GUI_KEY_IR_VOLUMEUP}, E_GUI_USR_EVT_VOL_UP_REPEAT},
    {0x14BF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEDOWN}, E_GUI_USR_EVT_VOL_DOWN},
    {0x14BF0, {IR, GUI_KEY_TYPE_REPEAT, GUI_KEY_IR_VOLUMEDOWN}, E_GUI_USR_EVT_VOL_DOWN_REPEAT},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BASS_VOL_LEVEL}, E_GUI_USR_EVT_BASS_DISP},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BASS_UP}, E_GUI_USR_EVT_BASS_ADD},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BASS_DOWN}, E_GUI_USR_EVT_BASS_SUB},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MIDRANGE_VOL_LEVEL}, E_GUI_USR_EVT_CENTER_DISP},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MIDRANGE_ADD}, E_GUI_USR_EVT_CENTER_ADD},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MIDRANGE_SUB}, E_GUI_USR_EVT_CENTER_SUB},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_TREBLE_VOL_LEVEL}, E_GUI_USR_EVT_TREBLE_DISP},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_TREBLE_UP}, E_GUI_USR_EVT_TREBLE_ADD},
    {0xBF0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_TREBLE_DOWN}, E_GUI_USR_EVT_TREBLE_SUB},
    {0x143F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_LED_DIMMER}, E_GUI_USR_EVT_LCD_DIMMER_TOGGLE_1},
    {0x100, {IR, GUI_KEY_TYPE_HOLD_7, GUI_KEY_IR_PLAYPAUSE}, E_GUI_USR_EVT_MUSIC_PLAY_MODE_TOGGLE},
    {0x143F0, {IR, GUI_KEY_TYPE_HOLD_7, GUI_KEY_IR_LED_DIMMER}, E_GUI_USR_EVT_LCD_DIMMER_DISP},
    {0x200, {IR, GUI_KEY_TYPE_HOLD_7, GUI_KEY_IR_BASS_VOL_LEVEL}, E_GUI_USR_EVT_BT_USB_UPGRADE},
    {0x14900, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PLAYPAUSE}, E_GUI_USR_EVT_MUSIC_USB_PLAY},
    {0x14900, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PREVIOUSSONG}, E_GUI_USR_EVT_MUSIC_USB_PREV},
    {0x14900, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_NEXTSONG}, E_GUI_USR_EVT_MUSIC_USB_NEXT},
    {0x14A00, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PLAYPAUSE}, E_GUI_USR_EVT_MUSIC_BT_PLAY},
    {0x14A00, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PREVIOUSSONG}, E_GUI_USR_EVT_MUSIC_BT_PREV},
    {0x14A00, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_NEXTSONG}, E_GUI_USR_EVT_MUSIC_BT_NEXT},
    {0x400, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PREVIOUSSONG}, E_GUI_USR_EVT_MENU_SEL_0},
    {0x400, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_NEXTSONG}, E_GUI_USR_EVT_MENU_SEL_1},
    {0x400, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEUP}, E_GUI_USR_EVT_MENU_SET_0},
    {0x400, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEDOWN}, E_GUI_USR_EVT_MENU_SET_1},
    {0x400, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PLAYPAUSE}, E_GUI_USR_EVT_MENU_EXIT},
    {0x3F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_XUPMIX}, E_GUI_USR_EVT_XUPMIX_TOGGLE},
    {0x143F0, {IR, GUI_KEY_TYPE_HOLD_7, GUI_KEY_IR_PAIR}, E_GUI_USR_EVT_WIRELESS_AUD_START_PAIR},
    {0x143F0, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_FACTORY_PAIR}, E_GUI_USR_EVT_WIRELESS_AUD_FACTORY_PAIR},
    {0x143F0, {IR, GUI_KEY_TYPE_HOLD_7, GUI_KEY_IR_FACTORY_TEST_ENTER}, E_GUI_USR_EVT_PDT_MODE_ON},
    // In product-test mode every IR key but power, 227 and 228 lights its key LED.
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_EARC}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_HDMI_IN}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_OPT}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_AUX}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BT}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_USB}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PAIR}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_XUPMIX}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PLAYPAUSE}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEUP}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOLUMEDOWN}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PREVIOUSSONG}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_NEXTSONG}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MUTE}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_LED_DIMMER}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BASS_VOL_LEVEL}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BASS_UP}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_BASS_DOWN}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MIDRANGE_VOL_LEVEL}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MIDRANGE_ADD}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MIDRANGE_SUB}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_TREBLE_VOL_LEVEL}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_TREBLE_UP}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_TREBLE_DOWN}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MUSIC}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_MOVIE}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_VOICE}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_GAME}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_SPORT}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_NIGHT}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_SURROUND_VOL_LEVEL}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_SURROUND_ADD}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_SURROUND_SUB}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PROMPT_VOL_LEVE}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PROMPT_ADD}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, GUI_KEY_TYPE_RELEASE, GUI_KEY_IR_PROMPT_SUB}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
};

size_t guiKeyEvtMatch(uint32_t sysState, const GuiKeyEvt& key, size_t* rows, size_t max)
{
    size_t count = 0;
    for (size_t i = 0; i < GUI_KEY_EVT_ROWS; ++i) {
        const GuiKeyEvtRow& row = gGuiKeyEvtHash[i];
        if ((row.mask & sysState) == 0 || !sameKey(row.key, key)) {
            continue;
        }
        if (rows != nullptr && count < max) {
            rows[count] = i;
        }
        ++count;
    }
    return count;
}

const char* guiKeyIrLabel(uint32_t code)
{
    for (const GuiKeyIrMapRow& row : gGuiKeyIrMap) {
        if (static_cast<uint32_t>(row.code) == code) {
            return row.label;
        }
    }
    return nullptr;
}

uint32_t guiKeyTouchCodeMap(uint32_t touchCode)
{
    switch (touchCode) {
    case 63:
        return GUI_KEY_TOUCH_PAIR;
    case 69:
        return GUI_KEY_IR_VOLUMEUP;
    case 70:
        return GUI_KEY_IR_VOLUMEDOWN;
    case 71:
        return GUI_KEY_PANEL_SOURCE;
    case 72:
        return GUI_KEY_IR_POWER;
    case 73:
        return GUI_KEY_TOUCH_PDT;
    case 74:
        return GUI_KEY_TOUCH_ERP;
    case 75:
        return GUI_KEY_IR_BT;
    default:
        return 0;
    }
}

void guiKeyHoldTypeParser(uint16_t* msecCnt, uint16_t* secCnt, GuiKeyEvt* key, uint32_t sysState)
{
    if (msecCnt == nullptr || secCnt == nullptr || key == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    if (*msecCnt % 5 == 0) {
        ++*secCnt;
    }
    key->key_type = GUI_KEY_TYPE_NONE;
    for (const HoldLine& line : kHoldLines) {
        if (line.source != key->source || !holdLineHasCode(line, key->key_code) || (sysState & line.mask) == 0) {
            continue;
        }
        bool met = false;
        switch (line.when) {
        case HoldWhen::SecIs:
            met = *secCnt == line.sec;
            break;
        case HoldWhen::MsecEven:
            met = *msecCnt % 2 == 0;
            break;
        case HoldWhen::Always:
            met = true;
            break;
        }
        if (met) {
            if (line.source == IR && key->key_code == 226 && line.mask == 0xBF0) {
                GUI_LOG_INFO("pHoldKey->sec_cnt = %d ", *secCnt);
            }
            key->key_type = line.type;
            if (line.then == HoldThen::Reset) {
                *secCnt = 0;
            } else if (line.then == HoldThen::Park) {
                *secCnt = kParked;
            }
        }
        return;
    }
}

void guiKeyIrProcess(uint8_t kind, const struct input_event* ev)
{
    if (ev == nullptr) {
        return;
    }
    if (kind == GUI_KEY_DEV_PANEL) {
        panelWake(*ev);
    } else if (kind == GUI_KEY_DEV_IR) {
        irKey(*ev);
    }
}

void guiKeyTouchProcess(uint32_t touchType, uint32_t touchCode)
{
    GuiKeyEvt key{T, GUI_KEY_TYPE_NONE, guiKeyTouchCodeMap(touchCode)};
    const uint32_t state = guiManagerAppStateGet();
    if (touchType == GUI_KEY_TOUCH_PRESS) {
        key.key_type = GUI_KEY_TYPE_PRESS;
    } else if (touchType == GUI_KEY_TOUCH_RELEASE) {
        gKey.msecCnt = 0;
        gKey.secCnt = 0;
        key.key_type = gKey.touchHold.load() != 0 ? GUI_KEY_TYPE_HOLD_RELEASE : GUI_KEY_TYPE_RELEASE;
        gKey.touchHold = 0;
    } else if (touchType == GUI_KEY_TOUCH_HOLD) {
        gKey.touchHold = 1;
        ++gKey.msecCnt;
        runHoldParser(key, state);
    }
    GUI_LOG_INFO("[sys_state=0x%x, key_type=%d, key_code=%d]", state, static_cast<int>(key.key_type),
                 static_cast<int>(key.key_code));
    if (key.key_code == GUI_KEY_IR_POWER && key.key_type == GUI_KEY_TYPE_RELEASE && state == GUI_SYS_STATE_IDLE) {
        smPmStateDoneWait();
        post(E_GUI_USR_EVT_POWER_ON, 0);
        return;
    }
    scanTable(key, state, false);
}

uint8_t guiKeyMenuTimerClrGet(uint32_t keyCode)
{
    switch (keyCode) {
    case GUI_KEY_IR_VOLUMEUP:
    case GUI_KEY_IR_VOLUMEDOWN:
    case GUI_KEY_IR_POWER:
    case GUI_KEY_IR_PLAYPAUSE:
    case GUI_KEY_MENU:
    case GUI_KEY_IR_NEXTSONG:
    case GUI_KEY_IR_PREVIOUSSONG:
        return 1;
    default:
        return 0;
    }
}

void guiKeyInit(void)
{
    if (gKey.inited.load() != 0) {
        return;
    }
    guiWrapperMusicRegisterCbk(guiKeyPasswordClear);
    gKey.inited = 1;
}

void guiKeyExit(void)
{
    gKey.inited = 0;
}
