// Stand-in for the music wrapper's decoded-format handling until it is built: each call is
// recorded.
#include "main/gui/wrapper/wrapper_music.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

void guiWrapperMusicDecoderFmtSet(const MusicDecoderFmt* fmt)
{
    if (fmt == nullptr) {
        wrapperCallLog(WRAPPER_CALL_LOG, "%s Param Error!", __func__);
        return;
    }
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %d %d %d %d %d", __func__, fmt->codec_type, fmt->stream_type, fmt->proc_type,
                   fmt->comp_gain, fmt->channels);
}

void guiWrapperMusicFmtChnNumSet(uint8_t isTwoChannel)
{
    wrapperCallLog(WRAPPER_CALL_LOG, "%s %u", __func__, isTwoChannel);
}
