// OTA file transfer from the phone app.
#pragma once

#include <cstdint>

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperOtaInit(void);
void guiWrapperOtaExit(void);

void guiWrapperOtaDownloadStart(void);
void guiWrapperOtaDownloadStop(uint32_t reason);
