#include "common/sileth_ipc/sileth_msg.h"

#include "common/support/support.h"

#include <cstring>

namespace {

constexpr size_t kCmd = 0;
constexpr size_t kPowerEn = 4;
constexpr size_t kSourceVolume = 5;
constexpr size_t kSigFlowMute = 6;
constexpr size_t kSrcType = 7;
constexpr size_t kEarcSts = 8;
constexpr size_t kCec = 9;
constexpr size_t kCecLen = 25;
constexpr size_t kEnergy = 28;
constexpr size_t kDrcMode = 32;
constexpr size_t kChannels = 36;
constexpr size_t kSampleRate = 40;
constexpr size_t kCodecType = 44;
constexpr size_t kAtmosStreamType = 48;
constexpr size_t kProcType = 52;
constexpr size_t kDtsStreamType = 56;
constexpr size_t kDtsCompGain = 60;
constexpr size_t kDtsDirectMode = 64;
constexpr size_t kDrcPercent = 65;
constexpr size_t kDialogControl = 66;
constexpr size_t kXupmix = 67;

static_assert(kCec + SILETH_CEC_FRAME_SIZE == kCecLen, "the frame length follows the frame");
static_assert(kXupmix + 1 == SILETH_MSG_BODY_SIZE, "the xupmix byte ends the body");

void putI32(SilethMsgBody& b, size_t at, int32_t v)
{
    sb::storeLe32(b.data() + at, static_cast<uint32_t>(v));
}

int32_t getI32(const uint8_t* p, size_t at)
{
    return static_cast<int32_t>(sb::loadLe32(p + at));
}

}  // namespace

SilethMsgBody silethMsgEncode(const sileth_msg_t& msg)
{
    SilethMsgBody b{};
    putI32(b, kCmd, msg.cmd);
    b[kPowerEn] = msg.power_en;
    b[kSourceVolume] = msg.source_volume;
    b[kSigFlowMute] = msg.sig_flow_mute;
    b[kSrcType] = msg.SrcType;
    b[kEarcSts] = msg.eArc_sts;
    std::memcpy(b.data() + kCec, msg.cec.data(), SILETH_CEC_FRAME_SIZE);
    b[kCecLen] = msg.cec_len;
    putI32(b, kEnergy, msg.energy);
    putI32(b, kDrcMode, msg.DrcMode);
    putI32(b, kChannels, msg.channels);
    putI32(b, kSampleRate, msg.sample_rate);
    putI32(b, kCodecType, msg.codec_type);
    putI32(b, kAtmosStreamType, msg.atmos_stream_type);
    putI32(b, kProcType, msg.proc_type);
    putI32(b, kDtsStreamType, msg.dts_stream_type);
    putI32(b, kDtsCompGain, msg.dts_comp_gain);
    b[kDtsDirectMode] = msg.dts_direct_mode;
    b[kDrcPercent] = msg.drc_percent;
    b[kDialogControl] = msg.dialog_control;
    b[kXupmix] = msg.xupmix;
    return b;
}

std::optional<sileth_msg_t> silethMsgDecode(long type, const uint8_t* body, size_t len)
{
    if (body == nullptr || len != SILETH_MSG_BODY_SIZE) {
        return std::nullopt;
    }
    sileth_msg_t msg;
    msg.type = type;
    msg.cmd = getI32(body, kCmd);
    msg.power_en = body[kPowerEn];
    msg.source_volume = body[kSourceVolume];
    msg.sig_flow_mute = body[kSigFlowMute];
    msg.SrcType = body[kSrcType];
    msg.eArc_sts = body[kEarcSts];
    std::memcpy(msg.cec.data(), body + kCec, SILETH_CEC_FRAME_SIZE);
    msg.cec_len = body[kCecLen];
    msg.energy = getI32(body, kEnergy);
    msg.DrcMode = getI32(body, kDrcMode);
    msg.channels = getI32(body, kChannels);
    msg.sample_rate = getI32(body, kSampleRate);
    msg.codec_type = getI32(body, kCodecType);
    msg.atmos_stream_type = getI32(body, kAtmosStreamType);
    msg.proc_type = getI32(body, kProcType);
    msg.dts_stream_type = getI32(body, kDtsStreamType);
    msg.dts_comp_gain = getI32(body, kDtsCompGain);
    msg.dts_direct_mode = body[kDtsDirectMode];
    msg.drc_percent = body[kDrcPercent];
    msg.dialog_control = body[kDialogControl];
    msg.xupmix = body[kXupmix];
    return msg;
}
