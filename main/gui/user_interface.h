// The user-input application's flag bytes that the state manager reads and clears.
#pragma once

#include <cstdint>

// A factory reset is in progress (nothing sets it yet, so it reads 0).
uint8_t uiGetFactoryResetFlag(void);
// A Wi-Fi set-up is in progress.
void uiSetWifiSetupFlag(uint8_t flag);
uint8_t uiGetWifiSetupFlag(void);
// A Bluetooth pairing is in progress.
void uiSetBtParingFlag(uint8_t flag);
uint8_t uiGetBtParingFlag(void);
