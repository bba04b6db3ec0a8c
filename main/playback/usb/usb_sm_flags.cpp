#include "main/playback/usb/usb_sm_flags.h"

// Weak: the state manager owns these flags, and its definitions take their place where it is linked.
__attribute__((weak)) std::atomic<uint8_t> gIsFakeStandbySendStopMessage{0};
__attribute__((weak)) std::atomic<uint8_t> gIsSourceSwitchSendStopMessage{0};
__attribute__((weak)) std::atomic<uint8_t> gIsSourceSwitchSeekPlay{0};
__attribute__((weak)) std::atomic<uint8_t> gIsSourceSwitchSendPlayMessage{0};
