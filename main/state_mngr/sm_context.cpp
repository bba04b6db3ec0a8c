#include "main/state_mngr/sm_context_priv.h"

#include "main/acfg/acfg_accessor.h"

#include <array>

std::atomic<uint8_t> gIsFakeStandbySendStopMessage{0};
std::atomic<uint8_t> gIsSourceSwitchSendStopMessage{0};
std::atomic<uint8_t> gIsSourceSwitchSeekPlay{0};
std::atomic<uint8_t> gIsSourceSwitchSendPlayMessage{0};
std::atomic<uint8_t> gAvsState{0};
std::atomic<uint8_t> gAvsSwitch{0};
std::atomic<uint8_t> gC4aSwitch{0};

const sm_source_list_t g_t_source_list[SM_SOURCE_LIST_ROWS] = {
    {0, ""},
    {SM_SOURCE_URI, "playback_uri"},
    {SM_SOURCE_BT, "bluetooth"},
    {SM_SOURCE_TTS, "playback_tts"},
    {SM_SOURCE_PROMPT, "playback_prompt"},
    {SM_SOURCE_DLNA, "playback_dlna"},
    {SM_SOURCE_AIRPLAY2, "airplay_stub"},
    // bt hfp has no application of its own, so its orders fail at the lookup.
    {0, ""},
    {SM_SOURCE_SPDIF_IN, "pb_spdif_in"},
    {SM_SOURCE_ARC_IN, "pb_spdif_in"},
    {SM_SOURCE_HDMI_IN, "pb_spdif_in"},
    {SM_SOURCE_BT_EXT_IN, "playback_line_in"},
    {SM_SOURCE_AUX_IN, "playback_line_in"},
    {SM_SOURCE_USB, "playback_usb"},
    {SM_SOURCE_LINE_IN, "playback_line_in"},
    {15, ""},
    {0, ""},
    {0, ""},
};

namespace {

struct SmState {
    SmContext tCtx;
    SmModuleVars tVars;
};

SmState gSm;

bool streamingHoldsOutput()
{
    const uint32_t source = uSmGetCurrentSource();
    return source == SM_SOURCE_URI || source == SM_SOURCE_BT;
}

struct SenderRow {
    uint32_t sender;
    uint32_t source;
};

constexpr std::array<SenderRow, 15> kSenders{{
    {MSG_FROM_BT, SM_SOURCE_BT},
    {MSG_FROM_LINE_IN, SM_SOURCE_LINE_IN},
    {MSG_FROM_SPDIF_IN, SM_SOURCE_SPDIF_IN},
    {MSG_FROM_ARC_IN, SM_SOURCE_ARC_IN},
    {MSG_FROM_HDMI_IN, SM_SOURCE_HDMI_IN},
    {MSG_FROM_BT_EXT_IN, SM_SOURCE_BT_EXT_IN},
    {MSG_FROM_AUX_IN, SM_SOURCE_AUX_IN},
    {MSG_FROM_URI, SM_SOURCE_URI},
    {MSG_FROM_TTS, SM_SOURCE_TTS},
    {MSG_FROM_PROMPT, SM_SOURCE_PROMPT},
    {MSG_FROM_BT_HFP, SM_SOURCE_BT_HFP},
    {MSG_FROM_DLNA, SM_SOURCE_DLNA},
    {MSG_FROM_USB, SM_SOURCE_USB},
    {MSG_FROM_AIRPLAY2, SM_SOURCE_AIRPLAY2},
    {MSG_FROM_SM, SM_SOURCE_NONE},
}};

constexpr std::array<const char*, SM_SOURCE_COUNT> kSourceNames{
    "none",     "uri",    "bt",      "tts",       "prompt", "dlna", "airplay2", "bt hfp",
    "spdif in", "arc in", "hdmi in", "bt ext in", "aux in", "usb",  "line in",
};

}  // namespace

SmContext& smCtx()
{
    return gSm.tCtx;
}

SmModuleVars& smVars()
{
    return gSm.tVars;
}

void smResetContext()
{
    acfgSetStreamingQuery(streamingHoldsOutput);
    smPmSetExitSuspend(smForceExitSuspendStandbyMode);
    SmContext& c = gSm.tCtx;
    c.hApp = 0;
    c.fgInited = 0;
    c.fgFakeStandby = 0;
    c.fgSuspendStandby = 0;
    c.prStandbyTimer = nullptr;
    c.tStandbyTimerParam = timer_param_t{};
    c.fgSpeech = 0;
    for (SmSourceRecord& r : c.atRecords) {
        r.paused_by_sm = 0;
        r.play_id = 0;
        r.status = 0;
        r.waiting = 0;
        r.exists = 0;
    }
    c.aui1PromptPayload.fill(0);
    c.aui1TtsPayload.fill(0);
    c.aui1UriPayload.fill(0);
}

bool smIsPresent(uint32_t source)
{
    return source != SM_SOURCE_NONE && source < SM_SOURCE_COUNT && smRec(source).exists != 0;
}

bool smIsWaiting(uint32_t source)
{
    return smIsPresent(source) && smRec(source).waiting != 0;
}

bool smIsPlaying(uint32_t source)
{
    return smIsPresent(source) && smRec(source).waiting == 0 && smRec(source).status == SM_PLAY_STATUS_PLAY;
}

bool smIsPaused(uint32_t source)
{
    return smIsPresent(source) && smRec(source).waiting == 0 && smRec(source).status == SM_PLAY_STATUS_PAUSE;
}

bool smIsPausedBySm(uint32_t source)
{
    return smIsPaused(source) && smRec(source).paused_by_sm != 0;
}

bool smIsActive(uint32_t source)
{
    return smIsPresent(source) && smRec(source).waiting == 0;
}

bool smIsTtsNeedMix()
{
    return smIsPresent(SM_SOURCE_TTS) && smCtx().aui1TtsPayload[SM_TTS_NEED_MIX_AT] != 0;
}

uint32_t smGetMsgFromSource(uint32_t source)
{
    for (const SenderRow& row : kSenders) {
        if (row.source == source) {
            return row.sender;
        }
    }
    return MSG_FROM_SM;
}

uint32_t smGetSourceFromMsgFrom(uint32_t sender)
{
    for (const SenderRow& row : kSenders) {
        if (row.sender == sender) {
            return row.source;
        }
    }
    return SM_SOURCE_NONE;
}

const char* smSourceAppName(uint32_t source)
{
    return source < SM_SOURCE_LIST_ROWS ? g_t_source_list[source].ac_app_name : "";
}

const char* smSourceName(uint32_t source)
{
    return source < SM_SOURCE_COUNT ? kSourceNames[source] : "none";
}

uint32_t smGetDbgLevel(void)
{
    return acfgAccessorGetDbgLevel();
}

void smSetDbgLevel(uint16_t level)
{
    acfgAccessorSetDbgLevel(level);
}
