// The system tick: monotonic time counted in ticks of the clock's resolution (never finer than a
// millisecond). The timer service sets the tick up when it starts; before that both read 0.
#pragma once

#include <cstdint>

// Monotonic time in ticks of u_os_get_sys_tick_period() milliseconds, wrapping at 32 bits.
uint32_t u_os_get_sys_tick(void);
uint32_t u_os_get_sys_tick_period(void);

// Sets the period from the monotonic clock's resolution. Later calls set the same.
void os_tick_init(void);
