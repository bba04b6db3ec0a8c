// Source and home widgets: the source choice in two steps (the GUI, display and record at once,
// the audio path from a widget timer a little later) and the home picture after power on. Their
// event handlers are declared with the other widgets' (gui_widget.h).
#pragma once

#include <cstdint>

// The GUI state of each source 0..5.
extern const uint32_t gGuiWidgetSrcState[6];

// Widget timer callbacks (timers 2, 3, 5, 6 and 12).
void guiWidgetSrcSelTimeoutCbk(uint32_t arg);
void guiWidgetSrcBtTimeoutCbk(uint32_t arg);
void guiWidgetMuteDispTimeoutCbk(uint32_t arg);
void guiWidgetUnMuteTimeoutCbk(uint32_t arg);
void guiWidgetShopDispTimeoutCbk(uint32_t arg);

// Production test from a stick: 0 when the stick carries the marker directory and the mode was
// entered, -1 without it, or the mount-information error.
int32_t guiWidgetPdtModeChk(void);
// 1 when `path` exists, else 0.
uint8_t guiWidgetDirIsExist(const char* path);
