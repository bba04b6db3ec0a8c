#include "pellant/vesk_ipc_server.h"

#include "pellant/vesk_app.h"
#include "pellant/vesk_ppc_page.h"
#include "platform/vesk2/vesk2.h"

#include <algorithm>
#include <cstdio>

const std::array<uint32_t, 101> vol_table = {
    0,     40,    79,    158,   251,   398,   631,    794,    1000,   1251,   1585,   1778,  1995,  2113,  2239,
    2371,  2512,  2661,  2818,  2985,  3162,  3341,   3548,   3758,   3981,   4217,   4467,  4732,  5012,  5039,
    5623,  5957,  6310,  6683,  7079,  7499,  7943,   8414,   8913,   9441,   10000,  10593, 11220, 11885, 12589,
    13335, 14125, 14962, 15849, 16788, 17783, 18836,  19953,  21135,  22387,  23714,  25119, 26607, 28184, 29854,
    31623, 33497, 35481, 37584, 39811, 42170, 44668,  47315,  50119,  53088,  56234,  56234, 59566, 59566, 63096,
    63096, 66834, 66834, 70795, 70795, 70795, 74989,  74989,  74989,  79433,  79433,  79433, 84140, 84140, 84140,
    89125, 89125, 89125, 94406, 94406, 94406, 100000, 100000, 100000, 100000, 100000,
};

namespace {

using Handler = int (*)(const VeskIpcBytes& args, uint32_t extra);

// Ids 0 to 8 translate straight onto library calls and need the server up.
bool serverUp(vesk_handle_t h, const char* operation, int line)
{
    if (h == nullptr) {
        printf("[%s,%d]:Param error!\n", operation, line);
        return false;
    }
    return true;
}

int vesk_app_set_mastervol(const VeskIpcBytes& args, uint32_t)
{
    const vesk_handle_t h = veskAppHandle();
    if (!serverUp(h, __func__, __LINE__)) {
        return -1;
    }
    const uint32_t volIdx = args.word(0);
    if (volIdx >= vol_table.size()) {
        printf("[%s,%d]:vol_idx=%d error!\n", __func__, __LINE__, static_cast<int>(volIdx));
        return -1;
    }
    return vesk_set_master_vol_ext(h, vol_table[volIdx]);
}

// Description of a device in the library's record: the channel list twice, d0 and d1 in words 2
// and 3, no name, d2 to d4 in words 5 to 7.
int setDescription(const char* operation, const VeskIpcBytes& args, bool connection)
{
    const vesk_handle_t h = veskAppHandle();
    const auto arg = veskIpcDecodeDevDesc(args);
    if (!serverUp(h, operation, __LINE__) || !arg) {
        return -1;
    }
    const auto chNum = static_cast<int32_t>(arg->ch_num);
    if (chNum > static_cast<int32_t>(VESK_IPC_CH_LIST_MAX)) {
        printf("[%s,%d]:ch_num=%d error!\n", operation, __LINE__, static_cast<int>(chNum));
        return -1;
    }
    VeskChList list{};
    vesk_chmap_deparse(chNum, arg->ch_mask, &list);
    VeskDeviceDesc desc{};
    desc.ch_list[0] = &list;
    desc.ch_list[1] = &list;
    desc.format = arg->desc[0];
    desc.word3 = arg->desc[1];
    desc.word5 = arg->desc[2];
    desc.word6 = arg->desc[3];
    desc.word7 = arg->desc[4];
    return connection ? vesk_set_device_connection_ext(h, arg->dev, &desc)
                      : vesk_set_device_desc_ext(h, arg->dev, &desc);
}

int vesk_app_conncection_a2dp_ext(const VeskIpcBytes& args, uint32_t)
{
    return setDescription(__func__, args, true);
}

int vesk_app_set_desc(const VeskIpcBytes& args, uint32_t)
{
    return setDescription(__func__, args, false);
}

int vesk_app_conncection_stereo_ext(const VeskIpcBytes& args, uint32_t)
{
    constexpr uint32_t kStereoDevice = 64;
    const vesk_handle_t h = veskAppHandle();
    const auto arg = veskIpcDecodeStereoDesc(args);
    if (!serverUp(h, __func__, __LINE__) || !arg) {
        return -1;
    }
    std::array<VeskChList, 2> lists{};
    for (size_t i = 0; i < lists.size(); ++i) {
        if (arg->list[i].num > VESK_IPC_CH_LIST_MAX) {
            printf("[%s,%d]:list%zu num=%u error!\n", __func__, __LINE__, i, arg->list[i].num);
            return -1;
        }
        lists[i].num = arg->list[i].num;
        std::copy(arg->list[i].ch, arg->list[i].ch + arg->list[i].num, lists[i].ch);
    }
    printf("[%s,%d]:format=%d\n", __func__, __LINE__, static_cast<int>(arg->desc[2]));
    VeskDeviceDesc desc{};
    desc.ch_list[0] = &lists[0];
    desc.ch_list[1] = &lists[1];
    desc.format = arg->desc[2];
    desc.word3 = arg->desc[3];
    desc.word5 = arg->desc[5];
    desc.word6 = arg->desc[6];
    desc.word7 = arg->desc[7];
    return vesk_set_device_connection_ext(h, kStereoDevice, &desc);
}

int vesk_app_disconnection(const VeskIpcBytes& args, uint32_t)
{
    const vesk_handle_t h = veskAppHandle();
    if (!serverUp(h, __func__, __LINE__)) {
        return -1;
    }
    const uint32_t dev = args.word(0);
    printf("[%s,%d]:dev=%d (8:a2dp, 256:le audio)\n", __func__, __LINE__, static_cast<int>(dev));
    return vesk_set_device_disconnection(h, dev);
}

// The fifth word is optional: corvand's record carries four, and 0 stands in for a missing one.
int vesk_app_set_bufrule(const VeskIpcBytes& args, uint32_t)
{
    const vesk_handle_t h = veskAppHandle();
    if (!serverUp(h, __func__, __LINE__)) {
        return -1;
    }
    return vesk_set_out_buffer_rule(h, args.word(0), args.word(1), args.word(2), args.word(3), args.word(4));
}

int vesk_app_set_samplerate(const VeskIpcBytes& args, uint32_t)
{
    const vesk_handle_t h = veskAppHandle();
    if (!serverUp(h, __func__, __LINE__)) {
        return -1;
    }
    return vesk_set_out_samplerate_rule(h, args.word(0), args.word(1));
}

int vesk_app_set_bt_le_io_handle(const VeskIpcBytes& args, uint32_t)
{
    const vesk_handle_t h = veskAppHandle();
    if (!serverUp(h, __func__, __LINE__)) {
        return -1;
    }
    return vesk_set_bt_le_io_handle(h, args.word(0), args.word(1));
}

int streamVol(const VeskIpcBytes& args, uint32_t)
{
    return vesk_app_set_streamvol(args);
}

struct Route {
    Handler handler = nullptr;  // null: not served
    size_t minLen = 0;          // bytes of the record the handler reads
};

constexpr size_t kWord = 4;

// Filled by id, so a removed or reordered row cannot move another id's handler. Ids 9 to 15 are
// not served.
constexpr std::array<Route, VESK_IPC_FUNC_NUM> kRoutes = [] {
    std::array<Route, VESK_IPC_FUNC_NUM> r{};
    r[VESK_IPC_SET_STREAM_VOL] = {streamVol, 2 * kWord};
    r[VESK_IPC_SET_MASTER_VOL] = {vesk_app_set_mastervol, kWord};
    r[VESK_IPC_SET_DEVICE_CONNECTION_EXT] = {vesk_app_conncection_a2dp_ext, VESK_IPC_DEV_DESC_SIZE};
    r[VESK_IPC_SET_DEVICE_CONNECTION_STEREO] = {vesk_app_conncection_stereo_ext, VESK_IPC_STEREO_DESC_SIZE};
    r[VESK_IPC_SET_DEVICE_DISCONNECTION] = {vesk_app_disconnection, kWord};
    r[VESK_IPC_SET_OUT_BUFFER_RULE] = {vesk_app_set_bufrule, VESK_IPC_BUF_RULE_SIZE};
    r[VESK_IPC_SET_OUT_SAMPLERATE_RULE] = {vesk_app_set_samplerate, 2 * kWord};
    r[VESK_IPC_SET_DEVICE_DESC_EXT] = {vesk_app_set_desc, VESK_IPC_DEV_DESC_SIZE};
    r[VESK_IPC_SET_BT_LE_IO_HANDLE] = {vesk_app_set_bt_le_io_handle, 2 * kWord};
    r[VESK_IPC_SET_BYPASS_MODE] = {veskPpcSetBypass, kWord};
    r[VESK_IPC_SET_SURROUND_MODE] = {veskPpcSetSurroundMode, kWord};
    r[VESK_IPC_SET_EQ_MODE] = {veskPpcSetEqMode, 2 * kWord};
    r[VESK_IPC_SET_EQ_POINT] = {veskPpcSetEqPoint, VESK_IPC_EQ_POINTS_SIZE};
    r[VESK_IPC_SET_BASS_LEVEL] = {veskPpcSetBass, kWord};
    r[VESK_IPC_SET_TREBLE_LEVEL] = {veskPpcSetTreble, kWord};
    r[VESK_IPC_SET_BASSBOOST] = {veskPpcSetBassBoost, kWord};
    r[VESK_IPC_SET_LATENCY] = {veskPpcSetLatency, 0};
    r[VESK_IPC_SET_SURROUND_VOL] = {veskPpcSetSurroundVol, kWord};
    r[VESK_IPC_SET_1D8_POWER] = {veskPpcSet1d8Power, kWord};
    r[VESK_IPC_SET_VIRTUAL_X] = {veskPpcSetVirtualX, kWord};
    r[VESK_IPC_SET_ACOUSTICS_PARAM] = {veskPpcSetAcoustics, sizeof(VeskAcousticsParam)};
    r[VESK_IPC_SET_STANDARD_TEST] = {veskPpcSetStandardTest, 0};
    r[VESK_IPC_SET_FMT_CHN_NUM] = {veskPpcSetFormatMode, kWord};
    r[VESK_IPC_SET_EQ_TEST] = {veskPpcSetEqTest, 0};
    r[VESK_IPC_SET_SOURCE_GAIN] = {veskPpcSetSourceGain, kWord};
    r[VESK_IPC_SET_CENTER] = {veskPpcSetCenter, kWord};
    r[VESK_IPC_SET_SURROUND_LEFT] = {veskPpcSetSurroundLeft, kWord};
    r[VESK_IPC_SET_SURROUND_RIGHT] = {veskPpcSetSurroundRight, kWord};
    r[VESK_IPC_SET_HEIGHT] = {veskPpcSetHeight, kWord};
    r[VESK_IPC_SET_DTS_COMP_GAIN] = {veskPpcSetDtsCompGain, 0};
    r[VESK_IPC_SET_XUPMIX] = {veskPpcSetXupmix, kWord};
    r[VESK_IPC_SET_USER_EQ] = {veskPpcSetUserEq, 0};
    return r;
}();

}  // namespace

int vesk_app_set_streamvol(const VeskIpcBytes& args)
{
    const vesk_handle_t h = veskAppHandle();
    const auto arg = veskIpcDecodeValueArg(args);
    if (!serverUp(h, __func__, __LINE__) || !arg) {
        return -1;
    }
    const size_t index = arg->second != 0 ? 100 : 0;
    printf("[%s,%d]:stream=%d, vol=%d\n", __func__, __LINE__, static_cast<int>(arg->first), static_cast<int>(index));
    return vesk_set_stream_vol_ext(h, arg->first, vol_table[index]);
}

void vesk_chmap_deparse(int32_t ch_num, uint32_t ch_mask, VeskChList* list)
{
    if (list == nullptr) {
        return;
    }
    *list = VeskChList{};
    if (ch_num <= 0) {
        return;
    }
    const auto want = static_cast<uint32_t>(std::min<int32_t>(ch_num, VESK_IPC_CH_LIST_MAX));
    uint32_t highest = 0;
    for (uint32_t bit = 0; bit < 32 && list->num < want; ++bit) {
        if (ch_mask >> bit & 1u) {
            list->ch[list->num++] = bit;
            highest = bit;
        }
    }
    while (list->num < want) {
        list->ch[list->num++] = highest;
    }
}

int vesk_ipc_app_callback(uint32_t func_id, const void* args, uint32_t args_len, uint32_t reserved, uint32_t extra)
{
    (void)reserved;
    if (func_id >= VESK_IPC_FUNC_NUM || args == nullptr || args_len == 0) {
        printf("[%s,%d]:func_id=%d, Param error!\n", __func__, __LINE__, static_cast<int>(func_id));
        return -1;
    }
    printf("[%s,%d]:func_id=%d\n", __func__, __LINE__, static_cast<int>(func_id));
    const Route& route = kRoutes[func_id];
    if (route.handler == nullptr) {
        printf("unknown function id:%d\n", static_cast<int>(func_id));
        return -1;
    }
    if (args_len < route.minLen) {
        printf("[%s,%d]:func_id=%d, len=%u too short!\n", __func__, __LINE__, static_cast<int>(func_id), args_len);
        return -1;
    }
    const VeskIpcBytes record{static_cast<const uint8_t*>(args), args_len};
    return route.handler(record, extra);
}
