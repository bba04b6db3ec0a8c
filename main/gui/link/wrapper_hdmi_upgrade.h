// The HDMI chip's firmware upgrade over I2C.
#pragma once

#include <cstdint>

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperHdmiUpgradeInit(void);
void guiWrapperHdmiUpgradeExit(void);

// `origin` 0 USB stick, 1 OTA. 0 when started.
int32_t guiWrapperHdmiUpgradeStart(uint32_t origin, const char* path);
// The origin of the upgrade started last (0 USB stick, 1 OTA); 0 before any.
uint32_t guiWrapperHdmiUpgradeOriginGet(void);
