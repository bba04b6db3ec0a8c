// Millisecond timers of corvand. Every timer of the process sits in one list sorted by expiry on
// the monotonic clock; one thread sleeps until the earliest expiry and runs the timer's callback
// without holding the list lock. Timers armed with u_timer_start deliver their expiry to an
// application's queue as message id 0, carrying a copy of the data given when arming.
#pragma once

#include "main/mw/handle/handle.h"
#include "main/mw/os_pthread/os_tick.h"

#include <cstdint>
#include <ctime>

struct os_timer_t;

// Run on the timer thread, outside the list lock: it may call every timer operation, also on its
// own timer.
using os_timer_cb_fct = void (*)(os_timer_t* timer, void* arg);

// Owned by the caller (u_timer_create / u_timer_delete). Links and expiry are the service's,
// guarded by its lock.
struct os_timer_t {
    os_timer_t* next;  // circular list links; both null while not armed
    os_timer_t* prev;
    timespec expiry;    // absolute CLOCK_MONOTONIC expiry while armed; the remaining time after u_timer_stop
    timespec interval;  // {0, 0}: one-shot; else the period
    os_timer_cb_fct callback;
    void* arg;
};

// Results of the timer service and of the timerd application.
enum timer_result : int32_t {
    TMR_OK = 0,
    TMR_FAIL = -1,     // no memory for an expiry's notification or its data; timerd not started
    TMR_INV_ARG = -2,  // no out pointer or callback, a time of 0, or a mode other than once or repeat
    TMR_NO_MEM = -4,   // no memory for a timer record
    TMR_ARMED = -15,   // resuming a timer that is still armed
};

enum timer_mode : uint32_t {
    TIMER_MODE_ONCE = 1,
    TIMER_MODE_REPEAT = 2,
};

struct timer_param_t {
    os_timer_t* timer;
    uint32_t time_ms;
    uint32_t mode;  // timer_mode
};

// What an expiry delivers, as message E_APP_MSG_TYPE_TIMER (aee.h): the application to notify
// and the service's own copy of the data.
struct timer_notify_t {
    handle_t app_handle;
    void* data;  // null when armed without data
    uint32_t size;
};

int32_t u_timer_create(os_timer_t** out);
// 0; -1 no memory; -2 time 0 or unknown mode (the timer stays as it was).
int32_t u_timer_start(handle_t app_handle, const timer_param_t* param, const void* data, uint32_t size);
int32_t u_timer_stop(os_timer_t* timer);
int32_t u_timer_delete(os_timer_t* timer);
uint8_t u_timer_active_get(os_timer_t* timer);
// 0; -15 when the timer is armed. Continues a stopped timer after its remaining time.
int32_t u_timer_resume(os_timer_t* timer);

// Sets the service up and starts its thread, which runs for the life of the process. Later calls
// do nothing.
int32_t os_timer_init(void);

// The arming operation beneath u_timer_start: 0; -2 for a null callback, 0 ms or an unknown mode.
int32_t _timer_start(os_timer_t* timer, uint32_t ms, uint32_t mode, os_timer_cb_fct callback, void* arg);

// The callback of u_timer_start: posts the expiry to the application named in the notify block.
void _os_timer_cb_fct(os_timer_t* timer, void* arg);

// Replaces the monotonic clock the service reads (null restores it). Tests pin it to arm several
// timers for the very same instant.
using os_timer_clock_fct = void (*)(timespec* now);
void os_timer_set_clock(os_timer_clock_fct clock);
