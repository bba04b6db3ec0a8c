// The audio-input queue between corvand and sileth: one System V queue keyed by ftok of the
// daemon's program path with id 1, commands of type 2 towards the daemon and replies of type 1
// back, each a 68-byte little-endian body. The body is encoded and decoded here and nowhere else;
// both programs include this file and neither reaches into the other's folder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sys/types.h>

#define SILETH_QUEUE_KEY_PATH "/usr/bin/sileth"
constexpr int SILETH_QUEUE_KEY_ID = 1;
constexpr int SILETH_QUEUE_MODE = 0666;

// The leading `long` of every message on the queue.
constexpr long MSG_TO_MAIN = 1;
constexpr long MSG_TO_SILETH = 2;

constexpr size_t SILETH_MSG_BODY_SIZE = 68;
constexpr size_t SILETH_CEC_FRAME_SIZE = 16;

// Commands (type 2).
enum sileth_cmd : int32_t {
    SILETH_CMD_PLAY = 0,
    SILETH_CMD_STOP = 3,
    SILETH_CMD_EXIT = 6,
    SILETH_CMD_SET_DTS_DIRECT_MODE = 8,
    SILETH_CMD_SET_DRC_PERCENT = 9,
    SILETH_CMD_SET_DIALOG_CONTROL = 10,
    HDMIRX0_PLUG_OUT = 16,
    SILETH_CMD_SET_XUPMIX = 29,
};

// Replies and notifications (type 1).
enum sileth_reply : int32_t {
    GST_PLAY_DONE = 1,
    GST_PLAY_NONE = 2,
    GST_STOP_DONE_BY_SILETH = 4,   // the pipeline ended without a STOP
    GST_STOP_DONE_BY_REQUEST = 5,  // after a STOP
    SILETH_EXIT = 7,
    GST_CODEC_INFO = 11,
    GST_ENERGY_INFO = 12,
    SRC_UNLOCK = 13,  // understood by corvand, never sent
    SRC_LOCK = 14,    // understood by corvand, never sent
    HDMIRX0_PLUG_OUT_CBK = 15,
    HDMIRX0_PLUG_IN_CBK = 17,
    HDMITX_PLUG_OUT_CBK = 18,
    HDMITX_PLUG_IN_CBK = 19,
    ATMOS_STREAM_INFO = 20,
    DTS_STREAM_INFO = 21,
    CEC_STREAM_MUTE_CBK = 22,
    CEC_ROUTING_POWER_CBK = 23,
    CEC_ROUTING_SOURCE_CBK = 24,
    CEC_ROUTING_ARC_STS_CBK = 25,
    CEC_ROUTING_VOLUME_CBK = 26,
    CEC_ROUTING_MUTE_CBK = 27,
    CEC_IND_RCV_CB = 28,
};

// One message: the type word and the body's fields. Fields not used by a code stay 0.
struct sileth_msg_t {
    long type = 0;
    int32_t cmd = 0;                                   // offset 0
    uint8_t power_en = 0;                              // 4
    uint8_t source_volume = 0;                         // 5: bit 7 mute, bits 0-6 volume
    uint8_t sig_flow_mute = 0;                         // 6
    uint8_t SrcType = 0;                               // 7: SrcType on PLAY, source_type on reply 24
    uint8_t eArc_sts = 0;                              // 8: 1 ARC, 2 eARC
    std::array<uint8_t, SILETH_CEC_FRAME_SIZE> cec{};  // 9
    uint8_t cec_len = 0;                               // 25: 0-16
    int32_t energy = 0;                                // 28
    int32_t DrcMode = 0;                               // 32
    int32_t channels = 0;                              // 36
    int32_t sample_rate = 0;                           // 40
    int32_t codec_type = 0;                            // 44
    int32_t atmos_stream_type = 0;                     // 48
    int32_t proc_type = 0;                             // 52
    int32_t dts_stream_type = 0;                       // 56
    int32_t dts_comp_gain = 0;                         // 60
    uint8_t dts_direct_mode = 0;                       // 64
    uint8_t drc_percent = 0;                           // 65
    uint8_t dialog_control = 0;                        // 66
    uint8_t xupmix = 0;                                // 67
};

using SilethMsgBody = std::array<uint8_t, SILETH_MSG_BODY_SIZE>;

// The body of `msg` (bytes 26 and 27 zero).
SilethMsgBody silethMsgEncode(const sileth_msg_t& msg);

// The message of type `type` from a received body of `len` bytes; nothing unless the body has
// exactly 68 bytes. A CEC length above 16 is kept as received: the reader bounds it.
std::optional<sileth_msg_t> silethMsgDecode(long type, const uint8_t* body, size_t len);
