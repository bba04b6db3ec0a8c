// The sources' reports to the music wrapper (signal energy, noise unmute, ERP reset, decoded format
// and channel layout), recorded in the call logs in place of the music wrapper for the tests of the
// sources, which check what they report rather than what the wrapper makes of it.
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/gui/wrapper/wrapper_music.h"

extern "C" {

// void guiWrapperMusicEnergySet(uint32_t)
void __wrap__Z24guiWrapperMusicEnergySetj(uint32_t energy)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperMusicEnergySet %u", energy);
}

// void guiWrapperMusicNoiseUnMute(void)
void __wrap__Z26guiWrapperMusicNoiseUnMutev()
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperMusicNoiseUnMute");
}

// void guiWrapperMusicErpReset(void)
void __wrap__Z23guiWrapperMusicErpResetv()
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "guiWrapperMusicErpReset");
}

// void guiWrapperMusicDecoderFmtSet(const MusicDecoderFmt*)
void __wrap__Z28guiWrapperMusicDecoderFmtSetPK15MusicDecoderFmt(const MusicDecoderFmt* fmt)
{
    if (fmt == nullptr) {
        wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperMusicDecoderFmtSet Param Error!");
        return;
    }
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperMusicDecoderFmtSet %d %d %d %d %d", fmt->codec_type, fmt->stream_type,
                   fmt->proc_type, fmt->comp_gain, fmt->channels);
}

// void guiWrapperMusicFmtChnNumSet(uint8_t)
void __wrap__Z27guiWrapperMusicFmtChnNumSeth(uint8_t isTwoChannel)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "guiWrapperMusicFmtChnNumSet %u", isTwoChannel);
}
}
