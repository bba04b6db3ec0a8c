#include "main/acfg/acfg_accessor.h"

#include "main/acfg/acfg.h"
#include "main/acfg/acfg_log_priv.h"
#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/audio_client/vesk_ipc.h"

#include <atomic>
#include <cstdio>

namespace {

constexpr uint32_t E_APP_MSG_TYPE_ASSISTANT = 9;
constexpr uint32_t kMsgFromAcfg = 14;
constexpr uint32_t kPlayerStatusChange = 39;
constexpr const char* kAssistantStub = "assistant_stub";
constexpr uint8_t kVolumeMax = 100;
constexpr uint8_t kVolumeStep = 6;

std::atomic<acfg_streaming_query_fct> gStreamingQuery{nullptr};

// Logs a failed set, get or reset of a typed accessor under its name.
int32_t checked(int32_t ret, const char* accessor, int line, const char* separator = "=")
{
    if (ret != ACFGR_OK) {
        dbgPrint(acfgAccessorGetDbgLevel(), DBG_LEVEL_ERROR, "%s[%s:%d]:Err: %s fail, errno%s%d\n",
                 "<ACFG>", accessor, line, accessor, separator, static_cast<int>(ret));
    }
    return ret;
}

// Reads a one-byte item; the caller's byte changes only on success.
int32_t getByte(uint16_t idx, uint8_t* out, const char* accessor, int line)
{
    if (out == nullptr) {
        dbgPrint(acfgAccessorGetDbgLevel(), DBG_LEVEL_ERROR, "%s[%s:%d]:pui1Value can't be NULL\n",
                 "<ACFG>", accessor, line);
        return ACFGR_INV_ARG;
    }
    uint8_t value = 0;
    const int32_t ret = checked(acfgGet(idx, &value, nullptr), accessor, line);
    if (ret == ACFGR_OK) {
        *out = value;
        dbgPrint(acfgAccessorGetDbgLevel(), DBG_LEVEL_INFO, "%s[%s:%d]:%s, value=%d\n", "<ACFG>", accessor,
                 line, accessor, value);
    }
    return ret;
}

// Tells the assistant the volume a listener now hears. While the uri or Bluetooth source plays,
// the notice carries only its path.
void ui_send_playback_status_to_assistant_stub()
{
    AcfgPlayerStatusMsg msg{};
    snprintf(msg.acPath, 33, "%s", "/playback/player_status_change");
    uint8_t mute = 0;
    uint8_t volume = 0;
    uAcfgGetMute(&mute);
    if (mute == 0) {
        uAcfgGetVolume(&volume);
    }
    const acfg_streaming_query_fct streaming = gStreamingQuery.load();
    if (streaming == nullptr || !streaming()) {
        msg.ui4Volume = volume;
        snprintf(msg.acStatus, 16, "%s", "stop");
        snprintf(msg.acDetail, 16, "%s", "none");
    }
    const uint16_t level = acfgAccessorGetDbgLevel();
    dbgPrint(level, DBG_LEVEL_ERROR, "volume:%d,status:%s.\n", static_cast<int>(msg.ui4Volume), msg.acStatus);
    handle_t assistant = 0;
    u_am_get_app_handle_from_name(&assistant, kAssistantStub);
    const int32_t ret =
        u_app_send_appmsg(assistant, E_APP_MSG_TYPE_ASSISTANT, kMsgFromAcfg, kPlayerStatusChange, &msg, sizeof(msg));
    if (ret != 0) {
        dbgPrint(level, DBG_LEVEL_ERROR, "ui_send_playback_status_to_assistant_stub failed, i4Ret[%ld]\n",
                 static_cast<long>(ret));
    }
}

}  // namespace

int32_t uAcfgSetCurappValue(uint8_t value)
{
    ACFG_SM_INFO("uAcfgSetCurappValue, value=%d\n", value);
    return checked(acfgSet(IDX_CUR_APP, &value, 1), __func__, __LINE__);
}

int32_t uAcfgGetCurappValue(uint8_t* value)
{
    return getByte(IDX_CUR_APP, value, __func__, __LINE__);
}

int32_t uAcfgSetCurappValueDefault(void)
{
    ACFG_SM_INFO("uAcfgSetCurappValueDefault\n");
    return checked(acfgSetDefault(IDX_CUR_APP), __func__, __LINE__);
}

int32_t uAcfgSetVolume(uint8_t volume, uint8_t report)
{
    ACFG_SM_INFO("uAcfgSetVolume, value=%d\n", volume);
    const int32_t ret = checked(acfgSet(IDX_VOLUME, &volume, 1), __func__, __LINE__);
    if (ret == ACFGR_OK && report != 0) {
        ui_send_playback_status_to_assistant_stub();
    }
    return ret;
}

int32_t uAcfgGetVolume(uint8_t* volume)
{
    return getByte(IDX_VOLUME, volume, __func__, __LINE__);
}

int32_t uAcfgSetVolumeDefault(void)
{
    ACFG_SM_INFO("uAcfgSetVolumeDefault\n");
    return checked(acfgSetDefault(IDX_VOLUME), __func__, __LINE__);
}

int32_t uAcfgSetMute(uint8_t mute)
{
    ACFG_SM_INFO("uAcfgSetMute, value=%d\n", mute);
    return checked(acfgSet(IDX_MUTE, &mute, 1), __func__, __LINE__);
}

int32_t uAcfgGetMute(uint8_t* mute)
{
    return getByte(IDX_MUTE, mute, __func__, __LINE__);
}

int32_t uAcfgSetMuteDefault(void)
{
    ACFG_SM_INFO("uAcfgSetMuteDefault\n");
    return checked(acfgSetDefault(IDX_MUTE), __func__, __LINE__);
}

int32_t uAcfgSetSource(uint8_t source)
{
    ACFG_SM_INFO("uAcfgSetSource, value : %d\n", source);
    return checked(acfgSet(IDX_SOURCE, &source, 1), __func__, __LINE__, ": ");
}

int32_t uAcfgGetSource(uint8_t* source)
{
    return getByte(IDX_SOURCE, source, __func__, __LINE__);
}

int32_t uAcfgSetSourceDefault(void)
{
    ACFG_SM_INFO("uAcfgSetSourceDefault\n");
    return checked(acfgSetDefault(IDX_SOURCE), __func__, __LINE__);
}

int32_t uAcfgIncreaseVolume(void)
{
    ACFG_SM_INFO("uAcfgIncreaseVolume\n");
    int32_t ret = uAcfgSetMute(0);
    if (ret != ACFGR_OK) {
        return ret;
    }
    uint8_t volume = 0;
    ret = uAcfgGetVolume(&volume);
    if (ret != ACFGR_OK) {
        return ret;
    }
    volume = volume >= kVolumeMax - kVolumeStep ? kVolumeMax : static_cast<uint8_t>(volume + kVolumeStep);
    return uAcfgSetVolume(volume, 1);
}

int32_t uAcfgReduceVolume(void)
{
    ACFG_SM_INFO("uAcfgReduceVolume\n");
    uint8_t volume = 0;
    const int32_t ret = uAcfgGetVolume(&volume);
    if (ret != ACFGR_OK) {
        return ret;
    }
    volume = volume > 5 ? static_cast<uint8_t>(volume - kVolumeStep) : 0;
    return uAcfgSetVolume(volume, 1);
}

int32_t uAcfgSetStreamVolume(int32_t stream, uint8_t volume)
{
    ACFG_SM_INFO("uAcfgSetStreamVolume stream:%d, value=%d\n", static_cast<int>(stream), volume);
    if (volume > kVolumeMax) {
        ACFG_SM_ERR("volume[%d] is too bigger!\n", volume);
        return ACFGR_INV_ARG;
    }
    const int32_t ret = vesk_set_stream_vol_ipc(static_cast<uint32_t>(stream), volume);
    ACFG_SM_INFO("[%s:%d]vesk_set_stream_vol ret:%d\n", __func__, __LINE__, static_cast<int>(ret));
    return ACFGR_OK;
}

int32_t uAcfgGetStreamVolume(int32_t stream, uint8_t* volume)
{
    if (volume == nullptr) {
        ACFG_SM_ERR("volume is null!\n");
        return ACFGR_INV_ARG;
    }
    uint32_t vol = 0;
    const int ret = vesk_stream_vol_sent_get(static_cast<uint32_t>(stream), &vol);
    ACFG_SM_INFO("[%s:%d]stream:%d ret:%d value:%u\n", __func__, __LINE__, static_cast<int>(stream), ret, vol);
    if (ret != 0) {
        return ACFGR_FAIL;
    }
    *volume = static_cast<uint8_t>(vol);
    return ACFGR_OK;
}

void acfgSetStreamingQuery(acfg_streaming_query_fct query)
{
    gStreamingQuery.store(query);
}
