// The application broker: the library through which every thread talks to the application manager
// "app_mngr". It keeps the registration records of the applications and turns each call into a
// request message to the manager, retried and, where asked, waited for.
#pragma once

#include "main/am/aee/aee.h"
#include "main/am/am.h"

#include <cstdint>

// Results of the broker's calls.
enum amb_result : int32_t {
    AMBR_OK = 0,
    AMBR_FAIL = -1,       // the request could not be posted, or the manager refused it
    AMBR_INV_ARG = -2,    // a null or bad record, a limit exceeded, a payload too large
    AMBR_NOT_FOUND = -3,  // no registration record of that name
    AMBR_EXISTS = -4,     // a record of that name is registered already
};

// The record every application's register function fills. The broker keeps it by reference, so it
// must live as long as the process (it lives in the application table).
struct amb_register_info_t {
    amb_register_info_t* prPrev;  // links of the broker's registered list, set by the broker
    amb_register_info_t* prNext;
    char acName[AM_APP_NAME_LEN + 1];  // at most 16 characters, terminated, not empty
    app_fct_t tFct;
    uint64_t ui8Reserved;  // all ones; nothing reads it
    uint32_t ui4StackSize;
    uint8_t ui1Priority;
    uint16_t ui2SecCount;  // checked against its limit and carried into the start parameters
    uint8_t aui1Reserved[8];
    uint16_t ui2QueueLen;
    uint16_t ui2MaxPayload;  // raised to at least AM_BRDCST_PAYLOAD_MAX when the application starts
    uint32_t ui4Reserved;
};

// What an application asks of its thread and queue.
struct amb_app_sizes_t {
    uint32_t ui4StackSize;
    uint8_t ui1Priority;
    uint16_t ui2SecCount;
    uint16_t ui2QueueLen;
    uint16_t ui2MaxPayload;
};

// Fills what every register function fills: the name (its first AM_APP_NAME_LEN characters, the
// rest of the field zeroed), the functions, the reserved word (all ones) and the sizes. The links
// and the other reserved fields are left as they are.
void amb_fill_register_info(amb_register_info_t* info, const char* name, const app_fct_t& fct,
                            const amb_app_sizes_t& sizes);

// Limits a registration record must keep.
struct amb_limits_t {
    uint32_t ui4MaxStackSize;
    uint8_t ui1MinPriority;
    uint16_t ui2MaxSecCount;
    uint16_t ui2MaxQueueLen;
    uint16_t ui2MaxPayload;
};
constexpr amb_limits_t amb_limits{131072, 125, 1024, 500, 4096};

// 0; -2 bad record or a limit exceeded; -4 name registered already; -1 the manager refused.
int32_t u_amb_register_app(amb_register_info_t* info);

// -2 null name, -3 no registration record of that name, else the request's result (0 or -1).
int32_t u_amb_start_app(const char* name);
int32_t u_amb_sync_start_app(const char* name);
int32_t u_amb_exit_app(const char* name);
int32_t u_amb_sync_exit_app(const char* name);
int32_t u_amb_resume_app(const char* name);
int32_t u_amb_pause_app(const char* name);

// With sync set, returns once the manager has posted the message to every application's queue;
// it never waits for the applications' handlers.
int32_t u_amb_broadcast_msg(const am_broadcast_msg_t* msg, uint8_t sync);
int32_t u_amb_dispatch_msg(const am_dispatch_msg_t* msg);

amb_register_info_t* u_amb_get_register_info(const char* name);

// Run by the manager's init and exit functions.
int32_t u_amb_init(void);
int32_t u_amb_destroy(void);

uint16_t amb_get_dbg_level(void);
void amb_set_dbg_level(uint16_t level);
