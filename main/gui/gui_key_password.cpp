// Hidden key sequences: service and factory functions are reached from the IR remote by typing a
// short sequence of the play/pause, next and previous keys.
#include "main/gui/gui_key_priv.h"
#include "main/timerd/gui_log.h"

#include <mutex>

namespace {

constexpr uint16_t P = GUI_KEY_IR_PLAYPAUSE;
constexpr uint16_t N = GUI_KEY_IR_NEXTSONG;
constexpr uint16_t V = GUI_KEY_IR_PREVIOUSSONG;
constexpr uint16_t kLastFunc = 17;

struct GuiKeyPasswordRow {
    uint16_t key[6];
    uint16_t progress;
    uint16_t length;
    uint16_t func;
};

// No sequence is the start of another, so each can complete.
constexpr GuiKeyPasswordRow kRows[] = {
    {{P, P, N, V}, 0, 4, 0},     {{P, P, V, N}, 0, 4, 1},     {{N, N, P, P, P}, 0, 5, 2},  {{N, N, P, P, N}, 0, 5, 3},
    {{N, N, P, P, V}, 0, 5, 4},  {{N, N, P, N, P}, 0, 5, 5},  {{N, N, P, N, N}, 0, 5, 6},  {{N, N, P, N, V}, 0, 5, 7},
    {{P, N, P}, 0, 3, 8},        {{V, V, P, P, P}, 0, 5, 9},  {{V, V, P, P, N}, 0, 5, 10}, {{V, V, P, P, V}, 0, 5, 11},
    {{V, V, P, N, P}, 0, 5, 16}, {{V, V, P, N, N}, 0, 5, 17}, {{V, V, P, N, V}, 0, 5, 12}, {{V, V, P, V, P}, 0, 5, 13},
    {{V, V, P, V, N}, 0, 5, 14}, {{V, V, P, V, V}, 0, 5, 15},
};
constexpr size_t kRowCount = sizeof(kRows) / sizeof(kRows[0]);

// Sequence code of each function (fixed, not computed from the function number).
constexpr uint16_t kSeqCode[kLastFunc + 1] = {
    GUI_KEY_SEQ_BYPASS_TEST,
    GUI_KEY_SEQ_EZPLAY_SYMPHONY_FUNC_TOGGLE,
    GUI_KEY_SEQ_USB_TUNING,
    GUI_KEY_SEQ_HDMI_UDISK_UPG,
    GUI_KEY_SEQ_DSP_UDISK_UPG,
    GUI_KEY_SEQ_BT_UDISK_UPG,
    GUI_KEY_SEQ_WIRELESS_TX_UDISK_UPG,
    GUI_KEY_SEQ_WIRELESS_RX_UDISK_UPG,
    GUI_KEY_SEQ_READ_ROKU_SOLUTION_ID,
    GUI_KEY_SEQ_STANDARD_TEST,
    GUI_KEY_SEQ_SALES_AREA_SEL,
    GUI_KEY_SEQ_EQ_TEST,
    GUI_KEY_SEQ_USR_PCBA_TEST_ENTER,
    GUI_KEY_SEQ_USR_PCBA_TEST_EXIT,
    GUI_KEY_SEQ_USR_MACHINE_TEST_ENTER,
    GUI_KEY_SEQ_USR_MACHINE_TEST_EXIT,
    GUI_KEY_SEQ_AMP_PROTECT_COUNT,
    GUI_KEY_SEQ_USB_CONN_SET,
};

constexpr const char* kFuncName[kLastFunc + 1] = {
    "GUI_KEY_PW_FUNC_BYPASS_TEST",
    "GUI_KEY_PW_FUNC_EZPLAY_SYMPHONY_FUNC_TOGGLE",
    "GUI_KEY_PW_FUNC_USB_TUNING",
    "GUI_KEY_PW_FUNC_HDMI_UDISK_UPG",
    "GUI_KEY_PW_FUNC_DSP_UDISK_UPG",
    "GUI_KEY_PW_FUNC_BT_UDISK_UPG",
    "GUI_KEY_PW_FUNC_WIRELESS_TX_UDISK_UPG",
    "GUI_KEY_PW_FUNC_WIRELESS_RX_UDISK_UPG",
    "GUI_KEY_PW_FUNC_READ_ROKU_SOLUTION_ID",
    "GUI_KEY_PW_FUNC_STANDARD_TEST",
    "GUI_KEY_PW_FUNC_SALES_AREA_SEL",
    "GUI_KEY_PW_FUNC_EQ_TEST",
    "GUI_KEY_PW_FUNC_USR_PCBA_TEST_ENTER",
    "GUI_KEY_PW_FUNC_USR_PCBA_TEST_EXIT",
    "GUI_KEY_PW_FUNC_USR_MACHINE_TEST_ENTER",
    "GUI_KEY_PW_FUNC_USR_MACHINE_TEST_EXIT",
    "GUI_KEY_PW_FUNC_AMP_PROTECT_COUNT",
    "GUI_KEY_PW_FUNC_USB_CONN_SET",
};

// The matcher runs on the key monitor's thread, the clear on the music wrapper's.
struct PasswordState {
    std::mutex lock;
    uint16_t progress[kRowCount] = {};
    uint8_t inProgress = 0;
};

PasswordState gPw;

void resetAll(PasswordState& s)
{
    for (uint16_t& p : s.progress) {
        p = 0;
    }
}

}  // namespace

int32_t guiKeyPasswordProcess(uint16_t keyCode, GuiKeyEvt* key)
{
    std::lock_guard<std::mutex> lock(gPw.lock);
    size_t done = kRowCount;
    for (size_t i = 0; i < kRowCount; ++i) {
        uint16_t& progress = gPw.progress[i];
        // A wrong key resets the row without being tried as its first key.
        progress = keyCode == kRows[i].key[progress] ? progress + 1 : 0;
        if (kRows[i].length != 0 && progress == kRows[i].length) {
            done = i;
            break;
        }
        if (progress != 0) {
            gPw.inProgress = 1;
        }
    }
    if (done == kRowCount) {
        return 0;
    }
    GUI_LOG_INFO("password index = %d", static_cast<int>(done));
    resetAll(gPw);
    const uint16_t func = kRows[done].func;
    if (func > kLastFunc || key == nullptr) {
        return 0;
    }
    GUI_LOG_INFO("[---------%s---------]", kFuncName[func]);
    key->key_type = GUI_KEY_TYPE_SEQUENCE;
    key->key_code = kSeqCode[func];
    return 0;
}

void guiKeyPasswordClear(void)
{
    std::lock_guard<std::mutex> lock(gPw.lock);
    if (gPw.inProgress == 0) {
        resetAll(gPw);
    } else {
        gPw.inProgress = 0;
    }
}
