// The menu: the settings list the user walks on the front display. Runs on the GUI manager's
// thread.
#pragma once

#include <cstdint>

void guiMenuInit(void);
void guiMenuExit(void);

void guiMenuAutoStandbyDispEnterProcess(void);
void guiMenuDispEnterProcess(void);
void guiMenuDispSelProcess(uint8_t next);
void guiMenuDispSetProcess(uint8_t down);
void guiMenuDispExitProcess(void);
void guiMenuParamResetProcess(void);
