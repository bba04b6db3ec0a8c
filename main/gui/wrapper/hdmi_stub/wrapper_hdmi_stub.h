// The wrapper calls the digital inputs make into the GUI side: the music wrapper's decoder-format,
// energy and stream-mute reports and the HDMI wrapper's reports of what the audio-input daemon saw
// on the TV link. Until the wrapper layer fills them, each call only appends one line
// ("<function> <arguments>") to the call log the USB wrapper's stand-in writes too, so a test
// reads every wrapper call in one place. They run on the caller's thread.
#pragma once

#include <cstdint>

#define WRAPPER_HDMI_CALL_LOG "/sim/gui_wrapper.log"

// What the daemon found in the stream: codec_type 0 none or unsupported, 1 PCM, 2 Dolby, 3 DTS.
struct MusicDecoderFmt {
    int32_t codec_type;
    int32_t stream_type;
    int32_t proc_type;
    int32_t comp_gain;
    int32_t channels;
};
static_assert(sizeof(MusicDecoderFmt) == 20, "five 32-bit words");

// Logged as "guiWrapperMusicDecoderFmtSet codec stream proc gain channels"; a null record logs
// "guiWrapperMusicDecoderFmtSet Param Error!".
void guiWrapperMusicDecoderFmtSet(const MusicDecoderFmt* fmt);
void guiWrapperMusicEnergySet(uint32_t energy);
// Forwards to guiWrapperMusicPopMuteSet.
void guiWrapperMusicStreamMuteCbk(uint8_t mute);
void guiWrapperMusicPopMuteSet(uint8_t mute);

void guiWrapperHdmiRxHotplug(uint8_t online);
void guiWrapperHdmiTxHotplug(uint8_t online);
void guiWrapperHdmiRoutingPowerCbk(uint8_t tvPowerOn);
void guiWrapperHdmiRoutingSrcCbk(int32_t tvSource);
void guiWrapperHdmiArcToggleCbk(int32_t earcSts);
void guiWrapperHdmiRoutingVolCbk(uint8_t volMute);
void guiWrapperHdmiRoutingMuteCbk(uint8_t mute);
// A frame of at most 16 bytes is logged as its bytes in hex ("05 72 01"); a longer one is only
// named.
void guiWrapperHdmiCecRcvCbk(const uint8_t* frame, uint8_t len);
