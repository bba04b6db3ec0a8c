// The 5.8 GHz module's firmware upgrade.
#pragma once

#include <cstdint>

using GuiWrapperWavrelUpgradeCbk = void (*)(uint16_t id, const uint8_t* data, uint16_t len);

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperWavrelUpgradeInit(void);
void guiWrapperWavrelUpgradeExit(void);

// Keeps the progress and result callback.
void guiWrapperWavrelUpgradeRegisterCbk(GuiWrapperWavrelUpgradeCbk cbk);
// `side` 0 transmitter, 1 receiver. 0 when started.
int32_t guiWrapperWavrelUpgradeStart(uint32_t origin, uint32_t side, const char* path);
