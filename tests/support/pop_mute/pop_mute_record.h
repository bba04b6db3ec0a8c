// Programs that carry the music wrapper still let a test see the sources' anti-pop mute calls: the
// link option --wrap sends every call of guiWrapperMusicPopMuteSet from the sources to a recorder,
// which appends "guiWrapperMusicPopMuteSet <mute>" to a log under the root, as the wrapper
// stand-ins do. Link pop_mute_record_source (the capture sources' log) or pop_mute_record_usb (the
// USB playback's log); stream_mute_record_hdmi does the same for guiWrapperMusicStreamMuteCbk of
// the digital inputs (the HDMI stand-ins' log).
#pragma once

#include <cstdint>

void popMuteRecord(const char* logPath, uint8_t mute);
void muteCallRecord(const char* logPath, const char* call, uint8_t mute);
