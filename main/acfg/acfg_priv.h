// What the store's application and tests use of the store core beyond its public calls: the
// delayed-store timer's life and its delay.
#pragma once

#include <cstdint>

// The delayed store runs this long after the last accepted change (and the store u_timer of the
// private message runs as long).
constexpr uint32_t ACFG_STORE_DELAY_MS = 300000;

// Creates the delayed-store timer (replacing one left from an earlier start); without it store
// requests arm nothing and the store still works through acfgStore.
void acfgStoreTimerCreate(void);
// Deletes it, waiting for a store that its expiry is running.
void acfgStoreTimerDelete(void);
// The delay of the delayed store and of the store u_timer.
uint32_t acfgGetStoreDelayMs(void);
// Tests shorten the delay; everything else uses ACFG_STORE_DELAY_MS.
void acfgSetStoreDelayForTest(uint32_t ms);
// Whether the initialised flag is set.
bool acfgIsAppCfgInit(void);
