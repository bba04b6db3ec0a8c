#include "main/gui/gui_key_priv.h"

#include "main/gui/gui_log_priv.h"
#include "main/gui/gui_manager.h"
#include "main/gui/wrapper/gui_wrapper_music.h"
#include "main/state_mngr/state_mngr.h"

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
    {T, {116}, 0x1C040, HoldWhen::SecIs, 5, 8, HoldThen::Reset},
    {T, {116}, 0x1000, HoldWhen::SecIs, 1, 5, HoldThen::Park},
    {T, {210}, 0x1000, HoldWhen::SecIs, 3, 7, HoldThen::Reset},
    {T, {211}, 0x200, HoldWhen::SecIs, 3, 7, HoldThen::Park},
    {T, {103, 108}, 0x1CBF0, HoldWhen::MsecEven, 0, 4, HoldThen::Keep},
    {T, {103, 108}, 0x1000, HoldWhen::SecIs, 3, 7, HoldThen::Reset},
    {T, {1026}, 0x1000, HoldWhen::SecIs, 1, 5, HoldThen::Reset},
    {T, {1026}, 0xBF0, HoldWhen::SecIs, 3, 7, HoldThen::Park},
    {T, {1025}, 0x80, HoldWhen::SecIs, 3, 7, HoldThen::Reset},
    {T, {1024}, 0x1000, HoldWhen::SecIs, 3, 7, HoldThen::Reset},
    {IR, {116}, 0x1C3F0, HoldWhen::SecIs, 3, 7, HoldThen::Reset},
    {IR, {139}, 0x1C3F0, HoldWhen::SecIs, 5, 8, HoldThen::Reset},
    {IR, {211}, 0x200, HoldWhen::SecIs, 3, 7, HoldThen::Park},
    {IR, {244}, 0x1C3F0, HoldWhen::SecIs, 3, 7, HoldThen::Reset},
    {IR, {113}, 0x1CBF0, HoldWhen::SecIs, 5, 8, HoldThen::Reset},
    {IR, {103, 108}, 0x1CBF0, HoldWhen::MsecEven, 0, 4, HoldThen::Keep},
    {IR, {214, 215, 216, 217}, 0x10BF0, HoldWhen::Always, 0, 5, HoldThen::Keep},
    {IR, {231}, 0x143F0, HoldWhen::SecIs, 3, 7, HoldThen::Park},
    {IR, {232}, 0x200, HoldWhen::SecIs, 3, 7, HoldThen::Reset},
    {IR, {119}, 0x1C3F0, HoldWhen::SecIs, 3, 7, HoldThen::Park},
    {IR, {226}, 0x1000, HoldWhen::SecIs, 1, 5, HoldThen::Reset},
    {IR, {226}, 0xBF0, HoldWhen::SecIs, 3, 7, HoldThen::Park},
    {IR, {230, 248}, 0x14BF0, HoldWhen::SecIs, 5, 8, HoldThen::Reset},
    {IR, {228}, 0x1C3F0, HoldWhen::SecIs, 3, 7, HoldThen::Park},
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
    {116, "[BTN_IR_POWER]"},
    {222, "[BTN_IR_EARC]"},
    {223, "[BTN_IR_HDMI_IN]"},
    {248, "[BTN_IR_OPT]"},
    {249, "[BTN_IR_AUX]"},
    {211, "[BTN_IR_BT]"},
    {229, "[BTN_IR_USB]"},
    {226, "[BTN_IR_PAIR]"},
    {230, "[BTN_IR_XUPMIX]"},
    {119, "[BTN_IR_PLAYPAUSE]"},
    {103, "[BTN_IR_VOLUMEUP]"},
    {108, "[BTN_IR_VOLUMEDOWN]"},
    {163, "[BTN_IR_NEXTSONG]"},
    {165, "[BTN_IR_PREVIOUSSONG]"},
    {113, "[BTN_IR_MUTE]"},
    {231, "[BTN_IR_LED_DIMMER]"},
    {243, "[BTN_IR_SURROUND_SUB]"},
    {245, "[BTN_IR_PROMPT_ADD]"},
    {247, "[BTN_IR_PROMPT_VOL_LEVE]"},
    {227, "[BTN_IR_FACTORY_PAIR]"},
    {214, "[BTN_IR_BASS_UP]"},
    {215, "[BTN_IR_BASS_DOWN]"},
    {232, "[BTN_IR_BASS_VOL_LEVEL]"},
    {233, "[BTN_IR_MIDRANGE_ADD]"},
    {234, "[BTN_IR_MIDRANGE_SUB]"},
    {250, "[BTN_IR_MIDRANGE_VOL_LEVEL]"},
    {216, "[BTN_IR_TREBLE_UP]"},
    {217, "[BTN_IR_TREBLE_DOWN]"},
    {235, "[BTN_IR_TREBLE_VOL_LEVEL]"},
    {236, "[BTN_IR_MOVIE]"},
    {237, "[BTN_IR_MUSIC]"},
    {238, "[BTN_IR_VOICE]"},
    {239, "[BTN_IR_SPORT]"},
    {251, "[BTN_IR_GAME]"},
    {241, "[BTN_IR_NIGHT]"},
    {242, "[BTN_IR_SURROUND_ADD]"},
    {244, "[BTN_IR_SURROUND_VOL_LEVEL]"},
    {246, "[BTN_IR_PROMPT_SUB]"},
    {227, "[BTN_IR_FACTORY_TEST_PAIR]"},
    {228, "[BTN_IR_FACTORY_TEST_ENTER]"},
};

const GuiKeyEvtRow gGuiKeyEvtHash[GUI_KEY_EVT_ROWS] = {
    {0x5, {T, 2, 116}, E_GUI_USR_EVT_POWER_ON},
    {0x14FF0, {T, 2, 116}, E_GUI_USR_EVT_POWER_IDLE},
    {0x1C3F0, {T, 2, 210}, E_GUI_USR_EVT_SRC_TOGGLE},
    {0x14200, {T, 7, 211}, E_GUI_USR_EVT_BT_PAIR},
    {0x14BF0, {T, 2, 211}, E_GUI_USR_EVT_SRC_BT},
    {0x14040, {T, 8, 116}, E_GUI_USR_EVT_FACTORY_RESET},
    {0x14BF0, {T, 2, 103}, E_GUI_USR_EVT_VOL_UP},
    {0x14BF0, {T, 4, 103}, E_GUI_USR_EVT_VOL_UP_REPEAT},
    {0x14BF0, {T, 2, 108}, E_GUI_USR_EVT_VOL_DOWN},
    {0x14BF0, {T, 4, 108}, E_GUI_USR_EVT_VOL_DOWN_REPEAT},
    {0x143F0, {T, 7, 1026}, E_GUI_USR_EVT_WIRELESS_AUD_START_PAIR},
    {0x80, {T, 7, 1025}, E_GUI_USR_EVT_PDT_MODE_ON},
    {0x1000, {T, 7, 1024}, E_GUI_USR_EVT_ERP_MODE_ON},
    {0x1000, {T, 7, 210}, E_GUI_USR_EVT_DSP_VER_READ},
    {0x1000, {T, 7, 103}, E_GUI_USR_EVT_ERP_MODE_ON},
    {0x1000, {T, 2, 116}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, 2, 210}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, 2, 211}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, 2, 108}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, 2, 103}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {T, 5, 116}, E_GUI_USR_EVT_PDT_MODE_OFF},
    {0x80, {IR, 13, 0x800}, E_GUI_USR_EVT_BYPASS_MODE},
    {0x10, {IR, 13, 0x801}, E_GUI_USR_EVT_EZPLAY_SYMPHONY_FUNC},
    {0x80, {IR, 13, 0x802}, E_GUI_USR_EVT_HDMI_UDISK_UPGRADE},
    {0x80, {IR, 13, 0x803}, E_GUI_USR_EVT_DSP_UDISK_UPGRADE},
    {0x80, {IR, 13, 0x80C}, E_GUI_USR_EVT_BT_UDISK_UPGRADE},
    {0x80, {IR, 13, 0x809}, E_GUI_USR_EVT_USB_CONN_SET},
    {0x80, {IR, 13, 0x80D}, E_GUI_USR_EVT_WIRELESS_TX_UDISK_UPGRADE},
    {0x80, {IR, 13, 0x80E}, E_GUI_USR_EVT_WIRELESS_RX_UDISK_UPGRADE},
    {0x80, {IR, 13, 0x804}, E_GUI_USR_EVT_PCBA_TEST_ON},
    {0x1000, {IR, 13, 0x805}, E_GUI_USR_EVT_PCBA_TEST_OFF},
    {0x80, {IR, 13, 0x806}, E_GUI_USR_EVT_MACHINE_TEST_ON},
    {0x1000, {IR, 13, 0x807}, E_GUI_USR_EVT_MACHINE_TEST_OFF},
    {0x40, {IR, 13, 0x80A}, E_GUI_USR_EVT_ROKU_PVID_READ},
    {0x3F0, {IR, 13, 0x808}, E_GUI_USR_EVT_USB_TUNING},
    {0x3F0, {IR, 13, 0x80B}, E_GUI_USR_EVT_STANDARD_TEST},
    {0x3F0, {IR, 13, 0x810}, E_GUI_USR_EVT_EQ_TEST},
    {0x3F0, {IR, 13, 0x80F}, E_GUI_USR_EVT_SALES_AREA_TOGGLE},
    {0x3F0, {IR, 13, 0x811}, E_GUI_USR_EVT_AMP_STS_READ},
    {0x5, {IR, 2, 116}, E_GUI_USR_EVT_POWER_ON},
    {0x14FF0, {IR, 2, 116}, E_GUI_USR_EVT_POWER_IDLE},
    {0x14200, {IR, 7, 211}, E_GUI_USR_EVT_BT_PAIR},
    {0x143F0, {IR, 2, 211}, E_GUI_USR_EVT_SRC_BT},
    {0x143F0, {IR, 2, 222}, E_GUI_USR_EVT_SRC_ARC},
    {0x143F0, {IR, 2, 223}, E_GUI_USR_EVT_SRC_HDMI},
    {0x143F0, {IR, 2, 248}, E_GUI_USR_EVT_SRC_OPT},
    {0x143F0, {IR, 2, 249}, E_GUI_USR_EVT_SRC_AUX},
    {0x143F0, {IR, 2, 229}, E_GUI_USR_EVT_SRC_USB},
    {0x3F0, {IR, 2, 237}, E_GUI_USR_EVT_EQ_SEL_0},
    {0x3F0, {IR, 2, 236}, E_GUI_USR_EVT_EQ_SEL_1},
    {0x3F0, {IR, 2, 238}, E_GUI_USR_EVT_EQ_SEL_2},
    {0x3F0, {IR, 2, 251}, E_GUI_USR_EVT_EQ_SEL_3},
    {0x3F0, {IR, 2, 239}, E_GUI_USR_EVT_EQ_SEL_4},
    {0x3F0, {IR, 2, 241}, E_GUI_USR_EVT_EQ_SEL_5},
    {0x3F0, {IR, 2, 244}, E_GUI_USR_EVT_SUR_DISP},
    {0x3F0, {IR, 2, 242}, E_GUI_USR_EVT_SUR_ADD},
    {0x3F0, {IR, 2, 243}, E_GUI_USR_EVT_SUR_SUB},
    {0x3F0, {IR, 2, 247}, E_GUI_USR_EVT_TONE_VOL_DISP},
    {0x3F0, {IR, 2, 245}, E_GUI_USR_EVT_TONE_VOL_ADD},
    {0x3F0, {IR, 2, 246}, E_GUI_USR_EVT_TONE_VOL_SUB},
    {0x14BF0, {IR, 2, 113}, E_GUI_USR_EVT_MUTE_TOGGLE},
    {0x143F0, {IR, 8, 113}, E_GUI_USR_EVT_FACTORY_RESET},
    {0x14BF0, {IR, 8, 248}, E_GUI_USR_EVT_DSP_VER_READ},
    {0x14BF0, {IR, 8, 230}, E_GUI_USR_EVT_DSP_VER_READ},
    {0x14BF0, {IR, 2, 103}, E_GUI_USR_EVT_VOL_UP},
    {0x14BF0, {IR, 4, 103}, E_GUI_USR_EVT_VOL_UP_REPEAT},
    {0x14BF0, {IR, 2, 108}, E_GUI_USR_EVT_VOL_DOWN},
    {0x14BF0, {IR, 4, 108}, E_GUI_USR_EVT_VOL_DOWN_REPEAT},
    {0xBF0, {IR, 2, 232}, E_GUI_USR_EVT_BASS_DISP},
    {0xBF0, {IR, 2, 214}, E_GUI_USR_EVT_BASS_ADD},
    {0xBF0, {IR, 2, 215}, E_GUI_USR_EVT_BASS_SUB},
    {0xBF0, {IR, 2, 250}, E_GUI_USR_EVT_CENTER_DISP},
    {0xBF0, {IR, 2, 233}, E_GUI_USR_EVT_CENTER_ADD},
    {0xBF0, {IR, 2, 234}, E_GUI_USR_EVT_CENTER_SUB},
    {0xBF0, {IR, 2, 235}, E_GUI_USR_EVT_TREBLE_DISP},
    {0xBF0, {IR, 2, 216}, E_GUI_USR_EVT_TREBLE_ADD},
    {0xBF0, {IR, 2, 217}, E_GUI_USR_EVT_TREBLE_SUB},
    {0x143F0, {IR, 2, 231}, E_GUI_USR_EVT_LCD_DIMMER_TOGGLE_1},
    {0x100, {IR, 7, 119}, E_GUI_USR_EVT_MUSIC_PLAY_MODE_TOGGLE},
    {0x143F0, {IR, 7, 231}, E_GUI_USR_EVT_LCD_DIMMER_DISP},
    {0x200, {IR, 7, 232}, E_GUI_USR_EVT_BT_USB_UPGRADE},
    {0x14900, {IR, 2, 119}, E_GUI_USR_EVT_MUSIC_USB_PLAY},
    {0x14900, {IR, 2, 165}, E_GUI_USR_EVT_MUSIC_USB_PREV},
    {0x14900, {IR, 2, 163}, E_GUI_USR_EVT_MUSIC_USB_NEXT},
    {0x14A00, {IR, 2, 119}, E_GUI_USR_EVT_MUSIC_BT_PLAY},
    {0x14A00, {IR, 2, 165}, E_GUI_USR_EVT_MUSIC_BT_PREV},
    {0x14A00, {IR, 2, 163}, E_GUI_USR_EVT_MUSIC_BT_NEXT},
    {0x400, {IR, 2, 165}, E_GUI_USR_EVT_MENU_SEL_0},
    {0x400, {IR, 2, 163}, E_GUI_USR_EVT_MENU_SEL_1},
    {0x400, {IR, 2, 103}, E_GUI_USR_EVT_MENU_SET_0},
    {0x400, {IR, 2, 108}, E_GUI_USR_EVT_MENU_SET_1},
    {0x400, {IR, 2, 119}, E_GUI_USR_EVT_MENU_EXIT},
    {0x3F0, {IR, 2, 230}, E_GUI_USR_EVT_XUPMIX_TOGGLE},
    {0x143F0, {IR, 7, 226}, E_GUI_USR_EVT_WIRELESS_AUD_START_PAIR},
    {0x143F0, {IR, 2, 227}, E_GUI_USR_EVT_WIRELESS_AUD_FACTORY_PAIR},
    {0x143F0, {IR, 7, 228}, E_GUI_USR_EVT_PDT_MODE_ON},
    // In product-test mode every IR key but power, 227 and 228 lights its key LED.
    {0x1000, {IR, 2, 222}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 223}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 248}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 249}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 211}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 229}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 226}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 230}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 119}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 103}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 108}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 165}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 163}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 113}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 231}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 232}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 214}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 215}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 250}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 233}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 234}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 235}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 216}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 217}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 237}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 236}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 238}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 251}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 239}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 241}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 244}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 242}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 243}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 247}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 245}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
    {0x1000, {IR, 2, 246}, E_GUI_USR_EVT_PDT_MODE_KEY_LED},
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
        return 1026;
    case 69:
        return 103;
    case 70:
        return 108;
    case 71:
        return 210;
    case 72:
        return 116;
    case 73:
        return 1025;
    case 74:
        return 1024;
    case 75:
        return 211;
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
    if (key.key_code == 116 && key.key_type == GUI_KEY_TYPE_RELEASE && state == GUI_SYS_STATE_IDLE) {
        smPmStateDoneWait();
        post(E_GUI_USR_EVT_POWER_ON, 0);
        return;
    }
    scanTable(key, state, false);
}

uint8_t guiKeyMenuTimerClrGet(uint32_t keyCode)
{
    switch (keyCode) {
    case 103:
    case 108:
    case 116:
    case 119:
    case 139:
    case 163:
    case 165:
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
