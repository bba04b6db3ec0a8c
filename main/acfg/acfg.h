// The configuration store: the persistent settings of corvand, held in a RAM cache and written to
// "/data/misc/app.cfg" and its backup five minutes after the last change. acfgSet and acfgGet run
// on the caller's thread; the cache lock makes each copy atomic. The application that starts the
// store is in acfg_app.h, the typed accessors in acfg_accessor.h and acfg_item_accessor.h.
#pragma once

#include "main/acfg/acfg_item_idx.h"

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
// Sets or clears the initialised flag; while it is clear no store reaches the file.
void acfgSetAppCfgInit(uint8_t flag);
