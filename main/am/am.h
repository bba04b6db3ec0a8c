// The application manager "app_mngr": an application of its own that keeps the table of
// application names with the handle of each started application, starts and exits applications,
// and delivers broadcasts and dispatched messages. Other threads reach it through the broker
// (amb.h); senders of ordinary messages look receivers up here by name.
#pragma once

#include "main/am/aee/aee.h"

#include <cstdint>

struct amb_register_info_t;

constexpr const char* AM_APP_NAME = "app_mngr";
constexpr uint32_t AM_APP_NAME_LEN = 16;
constexpr uint32_t AM_MAX_APPS = 35;

// Requests the broker sends to the manager (message ids on the manager's queue).
enum am_request_id : uint32_t {
    AM_REQ_START_APP = 1,
    AM_REQ_RESUME_APP = 2,
    AM_REQ_PAUSE_APP = 3,
    AM_REQ_EXIT_APP = 4,
    AM_REQ_REGISTER_NAME = 5,
    AM_REQ_BROADCAST = 6,
    AM_REQ_DISPATCH = 7,
};

// Results of the manager's lookups and of its requests as it serves them (the broker sees every
// failed request as -1).
enum am_result : int32_t {
    AMR_OK = 0,
    AMR_FAIL = -1,         // no post succeeded, the application refused, or the name table is full
    AMR_INV_ARG = -2,      // a null argument, a payload too large, or a request id above the last
    AMR_NOT_FOUND = -3,    // no registration record, name slot or started application of that name
    AMR_UNKNOWN_REQ = -4,  // a request id the manager does not serve
    AMR_STARTED = -6,      // the application runs already
};

constexpr uint32_t AM_BRDCST_MSG_BASE = 0x10000;
constexpr uint32_t AM_BRDCST_PAYLOAD_MAX = 24;
constexpr uint32_t AM_DISPATCH_PAYLOAD_MAX = 20;

struct am_broadcast_msg_t {
    uint32_t ui4MsgId;  // AM_BRDCST_MSG_BASE and up
    uint8_t aui1Data[AM_BRDCST_PAYLOAD_MAX];
    uint32_t ui4Size;
};
static_assert(sizeof(am_broadcast_msg_t) == 32, "broadcast record is 32 bytes");

struct am_dispatch_msg_t {
    const char* psName;  // "app_mngr" addresses the manager; must stay valid until served
    uint32_t ui4MsgId;
    uint8_t aui1Data[AM_DISPATCH_PAYLOAD_MAX];
    uint32_t ui4Size;
};
static_assert(sizeof(void*) != 4 || sizeof(am_dispatch_msg_t) == 32, "the board's dispatch record is 32 bytes");

// Clears the manager's state and fills its registration record.
void u_am_init(amb_register_info_t* info);
// Posts the exit message to the manager.
void u_am_unint(void);

// 0 and the handle (0 while not started); -2 null argument; -1 name table full; -3 not found.
int32_t u_am_get_app_handle_from_name(handle_t* handle, const char* name);

uint32_t am_get_app_id(void);
const char* am_get_app_name(uint32_t index);

// Start parameters of an application from its registration record.
void amStartParamFromRecord(const amb_register_info_t* info, uint32_t appId, app_start_param_t* param);

uint16_t am_get_dbg_level(void);
void am_set_dbg_level(uint16_t level);

// Posts a request to the manager's own queue, retried like every post of the manager. 0 or the
// post's failure.
int32_t amSendMsgToSelf(uint32_t msgId, const void* data, uint32_t size);
// Broadcasts an application's lifecycle change: the message id is the lifecycle type, the payload
// the application's name (at most 16 characters and its terminator). 0, -2 for a null name, or
// the failure of the post to the manager.
int32_t amBroadcastLifecycle(const char* appName, uint32_t type);
// Whether at most 1000 ms have passed since `tick` (a tick count of the timer service). A tick of
// 0 answers yes; a tick ahead of the clock answers no.
bool amIsWithinSecondOfTick(uint32_t tick);
