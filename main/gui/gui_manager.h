// The GUI manager "gui_namager": what other modules use of it to post GUI events.
#pragma once

#include <cstdint>

constexpr const char* GUI_MANAGER_APP_NAME = "gui_namager";
constexpr uint32_t GUI_MSG_DATA_SIZE = 65;

// GUI event ids: user events from 0x1000, system events from 0x8000, production tests from 0xF000.
enum GuiEvtId : uint16_t {
    E_GUI_USR_EVT_POWER_IDLE = 0x1002,
    E_GUI_SYS_EVT_SRC_TOGGLE_DONE = 0x8004,
};

// One GUI event, copied whole into the GUI manager's queue; bytes the sender does not fill are 0.
struct GuiMsg {
    uint16_t msg_id;    // GuiEvtId
    uint8_t msg_size;   // payload bytes filled
    uint8_t data[GUI_MSG_DATA_SIZE];
};
static_assert(sizeof(GuiMsg) == 68);

// Posts `msg` to the GUI manager as application message 35. Callable from any thread; a failed
// post is only logged. Always 0.
int32_t guiManagerAppMsgSnd(const GuiMsg* msg);
