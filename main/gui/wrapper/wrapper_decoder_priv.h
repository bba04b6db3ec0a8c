// What the Dolby and DTS wrappers share: their log tag.
#pragma once

#include "main/gui/wrapper/wrapper_dev_log.h"

#define DECODER_LOG(fmt, ...) WRAPPER_LOG_ERR("<WRAPPER>", fmt, ##__VA_ARGS__)
