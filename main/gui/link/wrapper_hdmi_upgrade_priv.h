// Test seam of the HDMI chip's firmware upgrade.
#pragma once

#include <chrono>

// The pauses of the status wait's rounds (5 s) and of the read-FIFO wait (10 s); tests shorten
// them. Set while no worker runs.
void guiWrapperHdmiUpgradePausesSet(std::chrono::milliseconds statusRound, std::chrono::milliseconds fifoRetry);
