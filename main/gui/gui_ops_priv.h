// The last display request as it was asked, for the tests of the texts the widgets build.
#pragma once

#include "main/gui/gui_ops.h"

#include <cstdint>
#include <string>

struct GuiOpsRequest {
    uint32_t mode = GUI_OPS_DISP_MODE_NONE;
    std::string text;
    uint16_t count = 0;
    uint32_t timeMs = 0;  // static time, blink on time or scroll speed
    uint32_t offMs = 0;   // blink off time or scroll-once hold
    GuiOpsDispCbk done = nullptr;
};

GuiOpsRequest guiOpsLastRequest(void);
void guiOpsLastRequestClear(void);
