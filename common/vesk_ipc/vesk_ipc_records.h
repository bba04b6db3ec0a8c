// The remote-call protocol between corvand's audio-server client and pellant's server: where the
// server listens and when it is up, function ids 0 to 38 and their argument records, all u32 words
// little-endian, packed one after the other. Each record is encoded and decoded here and nowhere
// else; both programs include this file and neither reaches into the other's folder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// pellant serves under this path and creates the marker once it listens; corvand connects only
// after the marker exists.
#define VESK_IPC_SERVER_PATH "/tmp/vesk_ipc_app_server"
#define VESK_IPC_READY_PATH "/tmp/vesk_ipc_app_ready"

enum VeskIpcFuncId : uint32_t {
    VESK_IPC_SET_STREAM_VOL = 0,
    VESK_IPC_SET_MASTER_VOL = 1,
    VESK_IPC_SET_DEVICE_CONNECTION_EXT = 2,
    VESK_IPC_SET_DEVICE_CONNECTION_STEREO = 3,
    VESK_IPC_SET_DEVICE_DISCONNECTION = 4,
    VESK_IPC_SET_OUT_BUFFER_RULE = 5,
    VESK_IPC_SET_OUT_SAMPLERATE_RULE = 6,
    VESK_IPC_SET_DEVICE_DESC_EXT = 7,
    VESK_IPC_SET_BT_LE_IO_HANDLE = 8,
    VESK_IPC_PPC_SET_PARAMETER = 9,
    VESK_IPC_PPC_SET_MODE = 10,
    VESK_IPC_PPC_ENABLE = 11,
    VESK_IPC_PPC_SET_CFGFILE_PATH = 12,
    VESK_IPC_SET_OUT_MIX_FORMAT = 13,
    VESK_IPC_SET_PPC_TYPE = 14,
    VESK_IPC_PPC_SET_DEC_SPK_CONF = 15,
    VESK_IPC_SET_BYPASS_MODE = 16,
    VESK_IPC_SET_SURROUND_MODE = 17,
    VESK_IPC_SET_EQ_MODE = 18,
    VESK_IPC_SET_EQ_POINT = 19,
    VESK_IPC_SET_BASS_LEVEL = 20,
    VESK_IPC_SET_TREBLE_LEVEL = 21,
    VESK_IPC_SET_BASSBOOST = 22,
    VESK_IPC_SET_LATENCY = 23,
    VESK_IPC_SET_SURROUND_VOL = 24,
    VESK_IPC_SET_1D8_POWER = 25,
    VESK_IPC_SET_VIRTUAL_X = 26,
    VESK_IPC_SET_ACOUSTICS_PARAM = 27,
    VESK_IPC_SET_STANDARD_TEST = 28,
    VESK_IPC_SET_FMT_CHN_NUM = 29,
    VESK_IPC_SET_EQ_TEST = 30,
    VESK_IPC_SET_SOURCE_GAIN = 31,
    VESK_IPC_SET_CENTER = 32,
    VESK_IPC_SET_SURROUND_LEFT = 33,
    VESK_IPC_SET_SURROUND_RIGHT = 34,
    VESK_IPC_SET_HEIGHT = 35,
    VESK_IPC_SET_DTS_COMP_GAIN = 36,
    VESK_IPC_SET_XUPMIX = 37,
    VESK_IPC_SET_USER_EQ = 38,
    VESK_IPC_FUNC_NUM = 39,
};

// Every single- or two-value call; single-value calls leave `second` 0.
struct VeskIpcValueArg {
    uint32_t first;
    uint32_t second;
};
static_assert(sizeof(VeskIpcValueArg) == 8);
static_assert(offsetof(VeskIpcValueArg, second) == 4);

// Ids 2 and 7. ch_mask has bit c set for each channel number c.
struct VeskDevDescIpcArg {
    uint32_t dev;
    uint32_t desc[5];
    uint32_t ch_num;
    uint32_t ch_mask;
};
static_assert(sizeof(VeskDevDescIpcArg) == 32);
static_assert(offsetof(VeskDevDescIpcArg, desc) == 4);
static_assert(offsetof(VeskDevDescIpcArg, ch_num) == 24);
static_assert(offsetof(VeskDevDescIpcArg, ch_mask) == 28);

// Id 5. The server reads an optional fifth word after these four and takes 0 when it is absent.
struct VeskBufRuleIpcArg {
    uint32_t period_time;
    uint32_t period_num;
    uint32_t start_threshold;
    uint32_t type;
};
static_assert(sizeof(VeskBufRuleIpcArg) == 16);
static_assert(offsetof(VeskBufRuleIpcArg, type) == 12);

// Id 27: sent as these 13 words followed by a zero word (56 bytes).
struct VeskAcousticsParam {
    uint32_t latency;
    uint32_t bass_level;
    uint32_t center_level;
    uint32_t treble_level;
    uint32_t eq_mode;
    uint32_t sur_vol;
    uint32_t sur_en;
    uint32_t bassboost_en;
    uint32_t virtual_x_en;
    uint32_t sur_left;
    uint32_t sur_right;
    uint32_t height;
    uint32_t xupmix_en;
};
static_assert(sizeof(VeskAcousticsParam) == 52);
static_assert(offsetof(VeskAcousticsParam, eq_mode) == 16);
static_assert(offsetof(VeskAcousticsParam, xupmix_en) == 48);

// Id 38: sent as these ten words followed by a zero word (44 bytes).
struct VeskUserEqIpcArg {
    uint32_t value[10];
};
static_assert(sizeof(VeskUserEqIpcArg) == 40);

// One point of an EQ curve (id 19 carries ten of them, 40 bytes).
struct VeskEqPoint {
    uint16_t freq;  // Hz
    int16_t gain;   // tenths of a dB
};
static_assert(sizeof(VeskEqPoint) == 4);
static_assert(offsetof(VeskEqPoint, gain) == 2);
constexpr size_t VESK_EQ_POINT_NUM = 10;

// Id 3 (stereo Bluetooth connection; no client in corvand). The audio-server library's own
// description record holds its channel lists and name by address, which means nothing in another
// process, so this record carries the lists themselves: `desc` holds the library record's eight
// words in its order (words 0, 1 and 4, its addresses, are not used), then the two lists.
constexpr uint32_t VESK_IPC_CH_LIST_MAX = 24;
struct VeskChListIpc {
    uint32_t num;
    uint32_t ch[VESK_IPC_CH_LIST_MAX];
};
struct VeskStereoDescIpcArg {
    uint32_t desc[8];
    VeskChListIpc list[2];
};
static_assert(sizeof(VeskChListIpc) == 100);
static_assert(sizeof(VeskStereoDescIpcArg) == 232);
static_assert(offsetof(VeskStereoDescIpcArg, list) == 32);

// Sizes as the records travel.
constexpr size_t VESK_IPC_VALUE_ARG_SIZE = 8;
constexpr size_t VESK_IPC_DEV_DESC_SIZE = 32;
constexpr size_t VESK_IPC_BUF_RULE_SIZE = 16;
constexpr size_t VESK_IPC_ACOUSTICS_SIZE = 56;
constexpr size_t VESK_IPC_USER_EQ_SIZE = 44;
constexpr size_t VESK_IPC_EQ_POINTS_SIZE = 40;
constexpr size_t VESK_IPC_STEREO_DESC_SIZE = 232;

// The bytes of one received record. Readers check the length before every field.
struct VeskIpcBytes {
    const uint8_t* data = nullptr;
    size_t len = 0;

    // Word `index`; 0 when its four bytes did not all arrive.
    uint32_t word(size_t index) const;
};

std::array<uint8_t, VESK_IPC_VALUE_ARG_SIZE> veskIpcEncode(const VeskIpcValueArg& arg);
std::array<uint8_t, VESK_IPC_DEV_DESC_SIZE> veskIpcEncode(const VeskDevDescIpcArg& arg);
std::array<uint8_t, VESK_IPC_BUF_RULE_SIZE> veskIpcEncode(const VeskBufRuleIpcArg& arg);
std::array<uint8_t, VESK_IPC_ACOUSTICS_SIZE> veskIpcEncode(const VeskAcousticsParam& arg);
std::array<uint8_t, VESK_IPC_USER_EQ_SIZE> veskIpcEncode(const VeskUserEqIpcArg& arg);
std::array<uint8_t, VESK_IPC_EQ_POINTS_SIZE> veskIpcEncode(const std::array<VeskEqPoint, VESK_EQ_POINT_NUM>& points);
std::array<uint8_t, VESK_IPC_STEREO_DESC_SIZE> veskIpcEncode(const VeskStereoDescIpcArg& arg);

// Nothing when fewer bytes arrived than the record's words.
std::optional<VeskIpcValueArg> veskIpcDecodeValueArg(const VeskIpcBytes& in);
std::optional<VeskDevDescIpcArg> veskIpcDecodeDevDesc(const VeskIpcBytes& in);
std::optional<VeskAcousticsParam> veskIpcDecodeAcoustics(const VeskIpcBytes& in);
std::optional<std::array<VeskEqPoint, VESK_EQ_POINT_NUM>> veskIpcDecodeEqPoints(const VeskIpcBytes& in);
std::optional<VeskStereoDescIpcArg> veskIpcDecodeStereoDesc(const VeskIpcBytes& in);
