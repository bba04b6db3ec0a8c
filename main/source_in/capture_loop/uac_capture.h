// The playback_uac_capture application: the capture loop from "hw:0,1" (USB audio) to "main",
// started, paused, resumed and stopped from its console table "uac_capture" ("uaccapture").
#pragma once

#include "main/am/amb/amb.h"
#include "main/source_in/capture_loop/capture_loop.h"

#include <cstdint>

// Fills the registration record ("playback_uac_cap"); does nothing once the application started.
void aUacCaptureRegister(amb_register_info_t* info);
// Posts `msg` to the application itself: 0, or -1 when it is not started or the post failed.
int32_t uUacCaptureSendMsg(const CaptureLoopMsg* msg);
// The level with the application-layer bit.
uint16_t uacCaptureGetDbgLevel(void);
void uacCaptureSetDbgLevel(uint16_t level);
int32_t uacCaptureCliAttachCmdTbl(void);
