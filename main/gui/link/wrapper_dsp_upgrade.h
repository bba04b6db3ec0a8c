// The USB-stick system upgrade.
#pragma once

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperDspUpgradeInit(void);
void guiWrapperDspUpgradeExit(void);

// Starts the upgrade when the stick at `mountRoot` holds the images.
void guiWrapperDspUpgradeStart(const char* mountRoot);
