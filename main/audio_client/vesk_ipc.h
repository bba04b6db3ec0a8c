// corvand's client of the audio server in pellant: one function per remote function id, each
// sending its fixed record over the remote-call library. Every function returns -22 while the
// client is not connected, otherwise the server's result (0 success, -1 failure) or the
// remote-call library's own negative error. Safe to call from several threads.
#pragma once

#include "common/vesk_ipc/vesk_ipc_records.h"

#include <cstdint>

constexpr int VESK_IPC_ERR_NOT_CONNECTED = -22;
constexpr int VESK_IPC_ERR_NULL_PARAM = -11;

// Connects once to the server; called after pellant's ready marker exists. Always 0.
int vesk_ipc_create(void);
// Closes the connection: every call is refused again (-22) until the next vesk_ipc_create. Always 0.
int vesk_ipc_destory(void);

// The channel mask of n channel numbers: each low byte c below 32 adds 1 << c (added, so a
// repeated channel carries into the next bit).
uint32_t vesk_chmap_parse(int n, const uint32_t* channels);

int vesk_set_stream_vol_ipc(uint32_t stream, uint32_t vol);
// The volume this client last set on stream 0..7 with the server's success (the server has no
// read-back call): 0 with it in `vol`, -1 when none was set yet, -11 for a null `vol`.
int vesk_stream_vol_sent_get(uint32_t stream, uint32_t* vol);
int vesk_set_master_vol_ipc(uint32_t vol_idx);
int vesk_set_device_connection_ext_ipc(VeskDevDescIpcArg arg);
int vesk_set_device_disconnection_ipc(uint32_t dev);
int vesk_set_out_buffer_rule_ipc(VeskBufRuleIpcArg arg);
int vesk_set_out_samplerate_rule_ipc(uint32_t rule, uint32_t rate);
int vesk_set_device_desc_ext_ipc(VeskDevDescIpcArg arg);
int vesk_set_bt_le_io_handle_ipc(uint32_t type, uint32_t handle);
// Ids 9 to 15: the server does not serve them.
int vesk_ppc_set_parameter_ipc(uint32_t element_id, uint32_t para_id, uint32_t para_num, uint32_t value);
int vesk_ppc_set_mode_ipc(uint32_t mode);
int vesk_ppc_enable_ipc(uint32_t enable);
int vesk_ppc_set_cfgfile_path_ipc(uint32_t value);
int vesk_set_out_mix_format_ipc(uint32_t enable, uint32_t chnum, uint32_t chmask);
int vesk_set_ppc_type_ipc(uint32_t type);
int vesk_ppc_set_dec_spk_conf_ipc(uint32_t conf);

int vesk_set_bypass_mode_ipc(uint32_t bypass_mode_en);
int vesk_set_surround_mode_ipc(uint32_t sur_en);
int vesk_set_eq_mode_ipc(uint32_t eq_mode, uint32_t skip_gain_reapply);
// Sends `size` bytes from `points` as they are (corvand sends the 40-byte EQ curve).
int vesk_set_eq_point_ipc(const void* points, uint32_t size);
int vesk_set_bass_level_ipc(uint32_t level);
int vesk_set_treble_level_ipc(uint32_t level);
int vesk_set_bassboost_ipc(uint32_t value);
int vesk_set_latency_ipc(uint32_t value);
int vesk_set_surround_vol_ipc(uint32_t level);
int vesk_set_1d8_power_ipc(uint32_t value);
int vesk_set_virtual_x_ipc(uint32_t value);
// -11 for a null record.
int vesk_set_acoustics_param_ipc(const VeskAcousticsParam* p_param);
int vesk_set_standard_test_ipc(uint32_t value);
int vesk_set_fmt_chn_num_ipc(uint32_t value);
int vesk_set_eq_test_ipc(uint32_t value);
int vesk_set_source_gain_ipc(uint32_t value);
int vesk_set_center_ipc(uint32_t level);
int vesk_set_surround_left_ipc(uint32_t level);
int vesk_set_surround_right_ipc(uint32_t level);
int vesk_set_height_ipc(uint32_t level);
int vesk_set_dts_comp_gain_ipc(uint32_t value);
int vesk_set_xupmix_ipc(uint32_t value);
int vesk_set_user_eq_ipc(VeskUserEqIpcArg arg);
