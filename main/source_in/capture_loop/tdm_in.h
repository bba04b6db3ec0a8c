// The playback_tdm_in application: the capture loop from "hw:0,1" to the TDM output "hw:1,0",
// started, paused, resumed and stopped from its console table "tdm_in" ("tdmin").
#pragma once

#include "main/am/amb/amb.h"
#include "main/source_in/capture_loop/capture_loop.h"

#include <cstdint>

// Fills the registration record ("playback_tdm_in"); does nothing once the application started.
void aTdmInRegister(amb_register_info_t* info);
// Posts `msg` to the application itself: 0, or -1 when it is not started or the post failed.
int32_t uTdmInSendMsg(const CaptureLoopMsg* msg);
// The level with the application-layer bit.
uint16_t tdmInGetDbgLevel(void);
void tdmInSetDbgLevel(uint16_t level);
int32_t tdmInCliAttachCmdTbl(void);
