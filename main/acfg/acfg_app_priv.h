// The store application's own message and its functions as the framework calls them.
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

// Private message that the store posts to itself; the body is one u32 (acfg_pri_msg_body).
constexpr uint32_t E_APP_PRI_ACFG_MSG = 6;
enum acfg_pri_msg_body : uint32_t {
    ACFG_PRI_MSG_START_TIMER = 0,  // (re)start the store u_timer
    ACFG_PRI_MSG_STORE = 1,        // store now, on the acfg thread
};

// Posts E_APP_PRI_ACFG_MSG with `body` to the application itself; the send result.
int32_t acfgSendMsgToSelf(uint32_t body);

// The application's functions, run on its own thread.
int32_t acfgAppInitFct(const char* name, handle_t app);
int32_t acfgAppExitFct(handle_t app, uint32_t exitCode);
int32_t acfgAppProcessMsgFct(handle_t app, uint32_t msgId, const void* data, uint32_t size);
