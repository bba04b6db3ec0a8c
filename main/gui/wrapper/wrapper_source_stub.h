// The music wrapper's calls that the capture sources make, as recording stand-ins until the device
// wrappers exist: each call appends one line to WRAPPER_SOURCE_STUB_LOG under the root ("<call>"
// or "<call> <argument>"), which tests read. They run on the caller's thread.
#pragma once

#include <cstdint>

#define WRAPPER_SOURCE_STUB_LOG "/sim/wrapper_source_calls.log"

// Anti-pop mute of the music output (non-zero mutes).
void guiWrapperMusicPopMuteSet(uint8_t mute);
// Sound came back on a wired input: ends a pending pop mute.
void guiWrapperMusicNoiseUnMute(void);
// Sets the energy-saving countdown back.
void guiWrapperMusicErpReset(void);
// One audio-energy report of the playing source.
void guiWrapperMusicEnergySet(uint32_t energy);
