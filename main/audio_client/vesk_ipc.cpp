#include "main/audio_client/vesk_ipc.h"

#include "common/support/support.h"
#include "platform/tarp/tarp_client.h"

#include <array>
#include <atomic>
#include <cstdio>

namespace {

// The last stream volumes the server accepted, by stream, plus one (0: none yet).
std::array<std::atomic<uint32_t>, 8> gStreamVolSent{};

struct ClientState {
    std::atomic<uint32_t> ipchandle{0};  // set by vesk_ipc_create, cleared by vesk_ipc_destory
    const char* veskIpcServer = VESK_IPC_SERVER_PATH;
};

ClientState gClient;

int send(uint32_t id, const uint8_t* record, uint32_t size)
{
    const uint32_t handle = gClient.ipchandle.load();
    if (handle == 0) {
        printf("[vesk_ipc] ipchandle Null!\n");
        return VESK_IPC_ERR_NOT_CONNECTED;
    }
    return tarpc_func_call(handle, id, record, size);
}

template <size_t N>
int send(uint32_t id, const std::array<uint8_t, N>& record)
{
    return send(id, record.data(), static_cast<uint32_t>(N));
}

int sendValue(uint32_t id, uint32_t first, uint32_t second = 0)
{
    return send(id, veskIpcEncode(VeskIpcValueArg{first, second}));
}

// Ids 9 to 15 carry their words as given.
template <typename... Words>
int sendWords(uint32_t id, Words... words)
{
    std::array<uint8_t, sizeof...(Words) * 4> record{};
    size_t at = 0;
    for (uint32_t w : {static_cast<uint32_t>(words)...}) {
        sb::storeLe32(record.data() + at, w);
        at += 4;
    }
    return send(id, record);
}

}  // namespace

int vesk_ipc_create(void)
{
    printf("try to create vesk_ipc_app:%s\n", gClient.veskIpcServer);
    uint32_t handle = 0;
    const int ret = tarpc_create(&handle, gClient.veskIpcServer);
    if (ret < 0) {
        printf("vesk_ipc_app tarpc_create fail:%d\n", ret);
        return 0;
    }
    gClient.ipchandle.store(handle);
    return 0;
}

int vesk_ipc_destory(void)
{
    // Forgotten before it is closed: a later call is refused rather than sent on a closed handle.
    const uint32_t handle = gClient.ipchandle.exchange(0);
    if (handle != 0) {
        tarpc_destroy(handle);
    }
    return 0;
}

uint32_t vesk_chmap_parse(int n, const uint32_t* channels)
{
    uint32_t mask = 0;
    if (channels == nullptr) {
        return 0;
    }
    for (int i = 0; i < n; ++i) {
        const uint32_t c = channels[i] & 0xff;
        if (c < 32) {
            mask += 1u << c;
        }
        printf("[vesk_ipc] channel[%d]=%u, mask=0x%x\n", i, c, mask);
    }
    return mask;
}

int vesk_set_stream_vol_ipc(uint32_t stream, uint32_t vol)
{
    const int ret = sendValue(VESK_IPC_SET_STREAM_VOL, stream, vol);
    if (ret == 0 && stream < gStreamVolSent.size()) {
        gStreamVolSent[stream] = vol + 1;
    }
    return ret;
}

int vesk_stream_vol_sent_get(uint32_t stream, uint32_t* vol)
{
    if (vol == nullptr) {
        return VESK_IPC_ERR_NULL_PARAM;
    }
    const uint32_t sent = stream < gStreamVolSent.size() ? gStreamVolSent[stream].load() : 0;
    if (sent == 0) {
        return -1;
    }
    *vol = sent - 1;
    return 0;
}

int vesk_set_master_vol_ipc(uint32_t vol_idx)
{
    return sendValue(VESK_IPC_SET_MASTER_VOL, vol_idx);
}

int vesk_set_device_connection_ext_ipc(VeskDevDescIpcArg arg)
{
    return send(VESK_IPC_SET_DEVICE_CONNECTION_EXT, veskIpcEncode(arg));
}

int vesk_set_device_disconnection_ipc(uint32_t dev)
{
    return sendValue(VESK_IPC_SET_DEVICE_DISCONNECTION, dev);
}

int vesk_set_out_buffer_rule_ipc(VeskBufRuleIpcArg arg)
{
    return send(VESK_IPC_SET_OUT_BUFFER_RULE, veskIpcEncode(arg));
}

int vesk_set_out_samplerate_rule_ipc(uint32_t rule, uint32_t rate)
{
    return sendValue(VESK_IPC_SET_OUT_SAMPLERATE_RULE, rule, rate);
}

int vesk_set_device_desc_ext_ipc(VeskDevDescIpcArg arg)
{
    return send(VESK_IPC_SET_DEVICE_DESC_EXT, veskIpcEncode(arg));
}

int vesk_set_bt_le_io_handle_ipc(uint32_t type, uint32_t handle)
{
    return sendValue(VESK_IPC_SET_BT_LE_IO_HANDLE, type, handle);
}

int vesk_ppc_set_parameter_ipc(uint32_t element_id, uint32_t para_id, uint32_t para_num, uint32_t value)
{
    return sendWords(VESK_IPC_PPC_SET_PARAMETER, element_id, para_id, para_num, value);
}

int vesk_ppc_set_mode_ipc(uint32_t mode)
{
    return sendWords(VESK_IPC_PPC_SET_MODE, mode);
}

int vesk_ppc_enable_ipc(uint32_t enable)
{
    return sendWords(VESK_IPC_PPC_ENABLE, enable);
}

int vesk_ppc_set_cfgfile_path_ipc(uint32_t value)
{
    return sendWords(VESK_IPC_PPC_SET_CFGFILE_PATH, value);
}

int vesk_set_out_mix_format_ipc(uint32_t enable, uint32_t chnum, uint32_t chmask)
{
    return sendWords(VESK_IPC_SET_OUT_MIX_FORMAT, enable, chnum, chmask);
}

int vesk_set_ppc_type_ipc(uint32_t type)
{
    return sendWords(VESK_IPC_SET_PPC_TYPE, type);
}

int vesk_ppc_set_dec_spk_conf_ipc(uint32_t conf)
{
    return sendWords(VESK_IPC_PPC_SET_DEC_SPK_CONF, conf);
}

int vesk_set_bypass_mode_ipc(uint32_t bypass_mode_en)
{
    return sendValue(VESK_IPC_SET_BYPASS_MODE, bypass_mode_en);
}

int vesk_set_surround_mode_ipc(uint32_t sur_en)
{
    return sendValue(VESK_IPC_SET_SURROUND_MODE, sur_en);
}

int vesk_set_eq_mode_ipc(uint32_t eq_mode, uint32_t skip_gain_reapply)
{
    return sendValue(VESK_IPC_SET_EQ_MODE, eq_mode, skip_gain_reapply);
}

int vesk_set_eq_point_ipc(const void* points, uint32_t size)
{
    return send(VESK_IPC_SET_EQ_POINT, static_cast<const uint8_t*>(points), size);
}

int vesk_set_bass_level_ipc(uint32_t level)
{
    return sendValue(VESK_IPC_SET_BASS_LEVEL, level);
}

int vesk_set_treble_level_ipc(uint32_t level)
{
    return sendValue(VESK_IPC_SET_TREBLE_LEVEL, level);
}

int vesk_set_bassboost_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_BASSBOOST, value);
}

int vesk_set_latency_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_LATENCY, value);
}

int vesk_set_surround_vol_ipc(uint32_t level)
{
    return sendValue(VESK_IPC_SET_SURROUND_VOL, level);
}

int vesk_set_1d8_power_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_1D8_POWER, value);
}

int vesk_set_virtual_x_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_VIRTUAL_X, value);
}

int vesk_set_acoustics_param_ipc(const VeskAcousticsParam* p_param)
{
    if (p_param == nullptr) {
        printf("[vesk_ipc] p_param is Null!\n");
        return VESK_IPC_ERR_NULL_PARAM;
    }
    const int ret = send(VESK_IPC_SET_ACOUSTICS_PARAM, veskIpcEncode(*p_param));
    printf("[vesk_ipc] ret=%d!\n", ret);
    return ret;
}

int vesk_set_standard_test_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_STANDARD_TEST, value);
}

int vesk_set_fmt_chn_num_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_FMT_CHN_NUM, value);
}

int vesk_set_eq_test_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_EQ_TEST, value);
}

int vesk_set_source_gain_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_SOURCE_GAIN, value);
}

int vesk_set_center_ipc(uint32_t level)
{
    return sendValue(VESK_IPC_SET_CENTER, level);
}

int vesk_set_surround_left_ipc(uint32_t level)
{
    return sendValue(VESK_IPC_SET_SURROUND_LEFT, level);
}

int vesk_set_surround_right_ipc(uint32_t level)
{
    return sendValue(VESK_IPC_SET_SURROUND_RIGHT, level);
}

int vesk_set_height_ipc(uint32_t level)
{
    return sendValue(VESK_IPC_SET_HEIGHT, level);
}

int vesk_set_dts_comp_gain_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_DTS_COMP_GAIN, value);
}

int vesk_set_xupmix_ipc(uint32_t value)
{
    return sendValue(VESK_IPC_SET_XUPMIX, value);
}

int vesk_set_user_eq_ipc(VeskUserEqIpcArg arg)
{
    return send(VESK_IPC_SET_USER_EQ, veskIpcEncode(arg));
}
