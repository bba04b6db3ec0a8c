#include "main/gui/gui_widget_volume_priv.h"

uint8_t guiWidgetVolOnceStep(uint8_t vol, uint8_t dir, bool* atLimit)
{
    bool limit = false;
    if (dir == GUI_WIDGET_VOL_DIR_UP) {
        limit = vol >= GUI_VOL_MAX;
        vol = limit ? GUI_VOL_MAX : static_cast<uint8_t>(vol + 1);
    } else {
        limit = vol == 0;
        vol = limit ? 0 : static_cast<uint8_t>(vol - 1);
    }
    if (atLimit != nullptr) {
        *atLimit = limit;
    }
    return vol;
}

uint8_t guiWidgetVolRepeatStep(uint8_t vol, uint8_t dir, uint8_t step)
{
    const int next = dir == GUI_WIDGET_VOL_DIR_UP ? vol + step : vol - step;
    if (next > GUI_VOL_MAX - 1 && dir == GUI_WIDGET_VOL_DIR_UP) {
        return GUI_VOL_MAX;
    }
    if (next <= 0) {
        return 0;
    }
    return static_cast<uint8_t>(next > GUI_VOL_MAX ? GUI_VOL_MAX : next);
}

uint8_t guiWidgetVolClamp(uint32_t level)
{
    return static_cast<uint8_t>(level > GUI_VOL_MAX ? GUI_VOL_MAX : level);
}

bool guiWidgetVolSetUnmutes(uint8_t level, uint8_t vol)
{
    return level != 0 && !(level > GUI_WIDGET_VOL_UNMUTE_MAX && level < vol);
}

bool guiWidgetVolKeyUnmutes(uint8_t dir, uint8_t newVol)
{
    return dir == GUI_WIDGET_VOL_DIR_UP || newVol <= GUI_WIDGET_VOL_UNMUTE_MAX;
}

bool guiWidgetVolBtUnmutes(uint8_t level, uint8_t vol)
{
    return level < GUI_WIDGET_VOL_UNMUTE_MAX || level > vol;
}
