// Calls of the state manager and of the USB playback application that the line input makes. They
// are referenced weakly, so this application also links into a program without them: there the
// informs name the line input as their sender and key messages reach no one.
#pragma once

#include "main/am/aee/aee.h"

#include <cstdint>

// The source that holds the output (state manager).
uint32_t uSmGetCurrentSource(void) __attribute__((weak));
// The USB playback application's key handler, run on the caller's thread.
int32_t uPlaybackUiMsgProcess(const appmsg_t* msg, uint32_t size) __attribute__((weak));
