// Stand-in for the music wrapper's timer and signal detection until they are built: each call is
// recorded.
#include "main/gui/wrapper/wrapper_music.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

// Called on every key: no counters run yet, so no screensaver to wake from.
uint8_t guiWrapperMusicTimerReset(uint8_t)
{
    return 0;
}

void guiWrapperMusicAutoStandbySet(uint32_t)
{
    STANDIN_NOT_BUILT();
}

void guiWrapperMusicAutoScreensaverSet(uint32_t)
{
    STANDIN_NOT_BUILT();
}

void guiWrapperMusicAutoScreensaverLock(uint8_t lock)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, lock);
}

void guiWrapperMusicNoiseUnMute(void)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s", __func__);
}

void guiWrapperMusicErpReset(void)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s", __func__);
}

void guiWrapperMusicEnergySet(uint32_t energy)
{
    wrapperCallLog(WRAPPER_SOURCE_CALL_LOG, "%s %u", __func__, energy);
}
