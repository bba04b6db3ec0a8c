// GUI timers: the small one-shot and periodic timers that the GUI, its widgets, the device
// wrappers, the module links and the configuration store use for their own delays. A timer's
// callback never runs on the thread that armed it; each timer has a thread of its own for that.
//
// A timer is named by a u32 handle (0 = none) that maps to its record in this module, so the
// handle is exact with 4-byte and 8-byte pointers alike and a stale handle finds nothing.
#pragma once

#include <cstdint>

using GuiTimerCbk = void (*)(uint32_t arg);

// Values of a timer's active flag.
constexpr uint8_t GUI_TIMER_IDLE = 0;
constexpr uint8_t GUI_TIMER_ONESHOT = 1;
constexpr uint8_t GUI_TIMER_PERIODIC = 0xFF;

// Creates a disarmed timer; 0 when it cannot be created. `callback` may be null.
uint32_t guiTimerCreate(GuiTimerCbk callback, uint32_t arg);

// Arms the timer relative to now, replacing an earlier arming: first expiry after `firstMs`, then
// every `periodMs` (0: once). `firstMs` 0 disarms it. Returns 0, or -1 for an unknown handle.
int32_t guiTimerSet(uint32_t handle, uint32_t firstMs, uint32_t periodMs);

// 1 while the active flag is set: a one-shot not yet fired or still in its callback, or a
// periodic timer; else 0.
uint8_t guiTimerActiveStsGet(uint32_t handle);

// Disarms and frees the timer. A callback of this timer that is running on another thread is
// waited for, so nothing the callback touches is freed under it. Handle 0 is ignored.
void guiTimerDelete(uint32_t handle);
