// What the Dolby and DTS wrappers share: their log tag and the key message to the state manager.
#pragma once

#include "main/gui/wrapper/wrapper_dev_log.h"

#include <cstdint>

#define DECODER_LOG(fmt, ...) WRAPPER_LOG_ERR("<WRAPPER>", fmt, ##__VA_ARGS__)

// Key body `cmd` from the UI to the state manager; the send's result, 0 on success.
int32_t wrapperDecoderMsgSnd(uint32_t cmd);
