// The state manager's exported calls: run on the caller's thread and read the context directly.
#include "main/acfg/acfg_accessor.h"
#include "main/state_mngr/sm_context_priv.h"

#include <cstring>
#include <mutex>

namespace {

constexpr uint8_t kNoStoredSource = 0xFF;

bool heldAndNotWaiting(uint32_t source)
{
    return smIsPresent(source) && !smIsWaiting(source);
}

}  // namespace

uint32_t uSmGetCurrentSource(void)
{
    if (heldAndNotWaiting(SM_SOURCE_BT)) {
        return SM_SOURCE_BT;
    }
    // A uri counts from its request on, waiting or not.
    if (smIsPresent(SM_SOURCE_URI)) {
        return SM_SOURCE_URI;
    }
    for (uint32_t source : {SM_SOURCE_LINE_IN, SM_SOURCE_USB, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN,
                            SM_SOURCE_BT_EXT_IN, SM_SOURCE_AUX_IN}) {
        if (heldAndNotWaiting(source)) {
            return source;
        }
    }
    return SM_SOURCE_NONE;
}

int32_t uSmGetCurrentPlaybackStatus(void)
{
    const uint32_t source = uSmGetCurrentSource();
    switch (source) {
    case SM_SOURCE_URI:
    case SM_SOURCE_BT:
    case SM_SOURCE_SPDIF_IN:
    case SM_SOURCE_ARC_IN:
    case SM_SOURCE_HDMI_IN:
    case SM_SOURCE_USB:
    case SM_SOURCE_LINE_IN:
        return static_cast<int32_t>(smRec(source).status.load());
    default:
        return 0;
    }
}

uint8_t uSmIsCurrentSourcePlaying(void)
{
    if (smCtx().fgSpeech == 1) {
        return 1;
    }
    for (uint32_t source :
         {SM_SOURCE_BT_HFP, SM_SOURCE_BT, SM_SOURCE_DLNA, SM_SOURCE_URI, SM_SOURCE_AIRPLAY2, SM_SOURCE_LINE_IN,
          SM_SOURCE_USB, SM_SOURCE_SPDIF_IN, SM_SOURCE_ARC_IN, SM_SOURCE_HDMI_IN}) {
        if (smIsPlaying(source)) {
            return 1;
        }
    }
    return smIsActive(SM_SOURCE_TTS) || smIsActive(SM_SOURCE_PROMPT) ? 1 : 0;
}

uint8_t uSmIsSpeechStart(void)
{
    return smCtx().fgSpeech;
}

uint8_t uSmIsEnterFakeStandby(void)
{
    return smCtx().fgFakeStandby;
}

uint8_t uSmIsEnterSuspendStandby(void)
{
    return smCtx().fgSuspendStandby;
}

void uSmSetSuspendStandby(uint8_t flag)
{
    smCtx().fgSuspendStandby = flag;
}

uint8_t uSmIsNetworkConnect(void)
{
    SmModuleVars& v = smVars();
    std::lock_guard<std::mutex> lock(v.tNetworkLock);
    // Compared over the stored text's own length: a leading part of "connect" counts too.
    return strncmp(v.acNetworkStatus, "connect", strlen(v.acNetworkStatus)) == 0 ? 1 : 0;
}

void uSmSendStopToAllSource(void)
{
    for (uint32_t source :
         {SM_SOURCE_TTS, SM_SOURCE_PROMPT, SM_SOURCE_BT, SM_SOURCE_URI, SM_SOURCE_BT_HFP, SM_SOURCE_DLNA}) {
        smClear(source);
    }
}

void uSmAutoPlaySource(void)
{
    uint8_t last = 0;
    const int32_t res = uAcfgGetSource(&last);
    if (res != 0) {
        SM_ERR("Err: uAcfgGetSource fail, errno: %d\n", res);
        // Nothing was read: no source to name.
        last = kNoStoredSource;
    }
    uint32_t sender = MSG_FROM_SM;
    switch (last) {
    case 0:
        sender = MSG_FROM_ARC_IN;
        break;
    case 1:
        sender = MSG_FROM_HDMI_IN;
        break;
    case 2:
        sender = MSG_FROM_SPDIF_IN;
        break;
    case 3:
        sender = MSG_FROM_BT_EXT_IN;
        break;
    case 4:
        sender = MSG_FROM_AUX_IN;
        break;
    case 5:
        sender = MSG_FROM_USB;
        break;
    case 14:
        sender = MSG_FROM_LINE_IN;
        break;
    default:
        break;
    }
    SM_INFO("ui1LastSource =%d, msgSender=%d!\n", last, static_cast<int>(sender));
}
