// OTA file transfer from the phone app.
#pragma once

#include <cstdint>

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperOtaInit(void);
void guiWrapperOtaExit(void);

void guiWrapperOtaDownloadStart(void);
void guiWrapperOtaDownloadStop(uint32_t reason);

// One download-continue packet of the transfer: `words[0]` and `words[1]` of the OTA link's record.
void guiWrapperOtaDownloadContinue(uint32_t word0, uint32_t word1);
// Ends the upgrade of module `mod`.
void guiWrapperOtaUpgradeStop(uint8_t mod);
// The 5.8 GHz link was lost (`lost` 1) during a transfer.
void guiWrapperOtaDisconnHandle(uint32_t lost);
