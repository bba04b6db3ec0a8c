// Display operations: the widgets' display requests become timed frames on the front display. One
// mode is current at a time and a new request replaces it; a 100 ms tick decides when a frame is
// due and a writer thread composes and writes it. Requests that end call the caller's completion
// function, on the tick's timer thread.
#pragma once

#include <cstdint>

enum GuiOpsDispMode : uint32_t {
    GUI_OPS_DISP_MODE_NONE = 0,
    GUI_OPS_DISP_MODE_STATIC = 1,
    GUI_OPS_DISP_MODE_STATIC_ONCE = 2,
    GUI_OPS_DISP_MODE_BLINK = 3,
    GUI_OPS_DISP_MODE_BLINK_ONCE = 4,
    GUI_OPS_DISP_MODE_SCROLL = 5,
    GUI_OPS_DISP_MODE_SCROLL_ONCE = 6,
    GUI_OPS_DISP_MODE_BREATH = 7,
};

using GuiOpsDispCbk = void (*)(void);

void guiOpsInit(void);
void guiOpsExit(void);

// Shows `text`; with `done` for `timeMs`, then `done` runs; without, until the next request. The
// text already showing is not restarted.
void guiOpsDispStaticStr(const char* text, uint16_t timeMs, GuiOpsDispCbk done);
// Shows `text` for `count` periods of `timeMs`, then runs `done` (count 0: for ever).
void guiOpsDispStaticOnceStr(const char* text, uint16_t count, uint16_t timeMs, GuiOpsDispCbk done);
void guiOpsDispBlinkStr(const char* text, uint32_t onMs, uint32_t offMs);
void guiOpsDispBlinkOnceStr(const char* text, uint16_t count, uint32_t onMs, uint32_t offMs, GuiOpsDispCbk done);
void guiOpsDispBlinkToggleStr(const char* text, const char* alt, uint32_t onMs, uint32_t offMs);
// Scrolls `text` (at most 28 characters) for ever, one character every 400 ms.
void guiOpsDispScrollStr(const char* text);
// Scrolls `text` (at most 29 characters) once, keeps the last frame `holdMs`, then runs `done`.
void guiOpsDispScrollOnceStr(const char* text, uint16_t count, uint16_t speedMs, uint16_t holdMs, GuiOpsDispCbk done);
void guiOpsDispBreathStr(const char* text);
// Longer than 5 characters: scrolls; else shows for 5 s and then runs `done`.
void guiOpsDispAdaptiveStr(const char* text, GuiOpsDispCbk done);
// Ends the current mode.
void guiOpsCleanDispBuf(void);
uint32_t guiOpsDispModeGet(void);

// Dimmer level 0..5; with `save`, the level reaches the boot-parameter record one second after the
// last change.
void guiOpsDispDimmerSet(uint32_t level, uint8_t save);
uint32_t guiOpsDispDimmerGet(void);
void guiOpsBreathDimmerSet(uint32_t level);
void guiOpsSetPower(uint8_t on);
// Test pattern 0..4.
void guiOpsDispPdt(uint32_t opt);
