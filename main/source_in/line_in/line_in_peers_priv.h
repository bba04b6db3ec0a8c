// The USB playback application's key handler, which the line input hands its key messages to. It
// is referenced weakly, so this application also links into a program without USB playback: key
// messages then reach no one.
#pragma once

#include "main/am/aee/aee.h"

#include <cstdint>

// Runs on the caller's thread.
int32_t uPlaybackUiMsgProcess(const appmsg_t* msg, uint32_t size) __attribute__((weak));
