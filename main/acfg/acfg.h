// The configuration store (application "acfg"): the persistent settings of corvand, held in a RAM
// cache and written to "/data/misc/app.cfg" and its backup five minutes after the last change.
// acfgSet and acfgGet run on the caller's thread; the cache lock makes each copy atomic.
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

// Results of the store, passed through by every accessor.
enum acfg_ret : int32_t {
    ACFGR_OK = 0,
    ACFGR_INIT_FAIL = -1,   // a start-up step failed
    ACFGR_NOT_INIT = -2,    // the store is not initialised (or was factory reset)
    ACFGR_INV_ARG = -3,     // index out of range, null pointer, or a value its item refuses
    ACFGR_FAIL = -5,        // invalid element type, count above the item's, cache or file failure
    ACFGR_NOT_ENABLE = -6,  // the slot is not in use
};

// The delayed store runs this long after the last accepted change (and the store u_timer of the
// private message runs as long).
constexpr uint32_t ACFG_STORE_DELAY_MS = 300000;

// Private message that the store posts to itself; the body is one u32 (acfg_pri_msg_body).
constexpr uint32_t E_APP_PRI_ACFG_MSG = 6;
enum acfg_pri_msg_body : uint32_t {
    ACFG_PRI_MSG_START_TIMER = 0,  // (re)start the store u_timer
    ACFG_PRI_MSG_STORE = 1,        // store now, on the acfg thread
};

// Fills the registration record of "acfg" (only while the store is not initialised).
void a_acfg_register(amb_register_info_t* info);
// The application's functions, run on its own thread.
int32_t acfgAppInitFct(const char* name, handle_t app);
int32_t acfgAppExitFct(handle_t app, uint32_t exitCode);
int32_t acfgAppProcessMsgFct(handle_t app, uint32_t msgId, const void* data, uint32_t size);

// Checks `value` with the item's rule, copies `count` elements into the cache, runs the item's
// update hook and (re)arms the delayed store. 0, -3, -5 or -6.
int32_t acfgSet(uint16_t idx, const void* value, uint16_t count);
// Copies the item's whole value to out and its size in bytes to *size (size may be null).
int32_t acfgGet(uint16_t idx, void* out, uint32_t* size);
int32_t acfgGetSize(uint16_t idx, uint32_t* size);
// acfgSet of the item's default block.
int32_t acfgSetDefault(uint16_t idx);
int32_t acfgGetDefault(uint16_t idx, void* out, uint32_t* size);

// (Re)arms the delayed store, pushing a pending one back; dropped before initialisation. 0.
int32_t acfgStoreRequest(void);
// Writes the file and its backup now, on the caller's thread. 0, -2 or -5.
int32_t acfgStore(void);
// Disarms a pending delayed store.
void acfgStopTimer(void);
// Has the acfg thread store now; the send result.
int32_t acfgFlush(void);
int32_t acfgSendMsgToSelf(uint32_t body);
void acfgSetAppCfgInit(uint8_t flag);

// The store's debug level (layer bit included).
uint16_t acfgGetDbgLevel(void);
void acfgSetDbgLevel(uint16_t level);

// Tests shorten the delay of the delayed store; everything else uses ACFG_STORE_DELAY_MS.
void acfgSetStoreDelayForTest(uint32_t ms);
