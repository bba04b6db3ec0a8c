// The HDMI chip's firmware upgrade over I2C: one worker thread loads the firmware file, puts the
// chip in programming mode, erases it, writes and verifies the image, writes the validity tag and
// leaves programming mode, posting its progress to the GUI.
#pragma once

#include <cstdint>

enum GuiWrapperHdmiUpgradeOrigin : uint32_t {
    GUI_WRAPPER_HDMI_UPG_ORIGIN_UDISK = 0,
    GUI_WRAPPER_HDMI_UPG_ORIGIN_OTA = 1,
};

// What the last worker ended with.
enum GuiWrapperHdmiUpgradeResult : uint32_t {
    GUI_WRAPPER_HDMI_UPG_RESULT_NONE = 0,     // none started yet, or one still running
    GUI_WRAPPER_HDMI_UPG_RESULT_DONE = 1,
    GUI_WRAPPER_HDMI_UPG_RESULT_FAILED = 2,   // a malformed file or a failed step
    GUI_WRAPPER_HDMI_UPG_RESULT_NO_FILE = 3,  // the file did not appear
};

// Once only; a second call does nothing. Exit stops and joins a worker still running.
void guiWrapperHdmiUpgradeInit(void);
void guiWrapperHdmiUpgradeExit(void);

// Mutes the music, powers the chip's I2C side, sets the GUI state to upgrade and starts the
// worker on `path` (a system path). 0 started; -1 a null path or one of 64 characters or more;
// -2 no such file; -3 the worker did not start, or one is still at work.
int32_t guiWrapperHdmiUpgradeStart(uint32_t origin, const char* path);
// Ends a worker still waiting for its file; a flash under way runs to its end.
void guiWrapperHdmiUpgradeStop(void);
// 1 from Start until the worker ends or Stop.
uint8_t guiWrapperHdmiUpgradeStsGet(void);
uint32_t guiWrapperHdmiUpgradeResultGet(void);
// The origin of the last Start, which the progress display reads.
uint32_t guiWrapperHdmiUpgradeOriginGet(void);
