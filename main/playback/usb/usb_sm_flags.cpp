#include "main/playback/usb/usb_sm_flags.h"

std::atomic<uint8_t> gIsFakeStandbySendStopMessage{0};
std::atomic<uint8_t> gIsSourceSwitchSendStopMessage{0};
std::atomic<uint8_t> gIsSourceSwitchSeekPlay{0};
std::atomic<uint8_t> gIsSourceSwitchSendPlayMessage{0};
