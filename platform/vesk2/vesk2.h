// Audio-server library: creates, configures and starts the platform audio server and its effect
// chain. Calls return 0 on success and a negative code on failure.
//
// Host stand-in: nothing is played. The library keeps everything it is told and, after every
// call, rewrites VESK2_STATE_PATH under the root (one "<call name> <values>" line per setting,
// lines sorted) and appends "<call name> <arguments> -> <result>" to VESK2_LOG_PATH. A call whose
// name starts a line of VESK2_FAIL_PATH ("<call name> [result]", read at every call) fails with
// that result (-1 when none is given) and changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#define VESK2_STATE_PATH "/sim/vesk2.state"
#define VESK2_LOG_PATH "/sim/vesk2.log"
#define VESK2_FAIL_PATH "/sim/vesk2.fail"

extern "C" {

// Refusal of a call whose handle or arguments are not valid.
constexpr int VESK_ERR_PARAM = -2;

constexpr uint32_t VESK_CH_LIST_MAX = 32;
constexpr uint32_t VESK_STREAM_MAX = 8;
constexpr uint32_t VESK_PRELOAD_MAX = 8;
constexpr size_t VESK_PRELOAD_PATH_MAX = 256;
constexpr size_t VESK_PATH_MAX = 256;
constexpr size_t VESK_NAME_MAX = 64;
// Largest parameter set, in 64-bit values.
constexpr uint32_t VESK_PARAM_COUNT_MAX = 1024;

struct vesk_server;
typedef vesk_server* vesk_handle_t;

// A channel list: `num` channel numbers.
struct VeskChList {
    uint32_t num;
    uint32_t ch[VESK_CH_LIST_MAX];
};

// Description of a device. Words 3, 5, 6 and 7 carry values whose meaning belongs to the server.
struct VeskDeviceDesc {
    const VeskChList* ch_list[2];
    uint32_t format;  // sample width in bits
    uint32_t word3;
    const char* name;  // may be null
    uint32_t word5;
    uint32_t word6;
    uint32_t word7;
};

// One effect configuration to preload.
struct VeskPpcPreload {
    uint32_t type;
    char path[VESK_PRELOAD_PATH_MAX];  // NUL-terminated
};
static_assert(sizeof(VeskPpcPreload) == 260);
static_assert(offsetof(VeskPpcPreload, path) == 4);

int vesk_create(vesk_handle_t* handle);
int vesk_destroy(vesk_handle_t h);
int vesk_start(vesk_handle_t h);

int vesk_set_device_desc_ext(vesk_handle_t h, uint32_t device, const VeskDeviceDesc* desc);
int vesk_set_device_connection_ext(vesk_handle_t h, uint32_t device, const VeskDeviceDesc* desc);
int vesk_set_device_disconnection(vesk_handle_t h, uint32_t device);

int vesk_set_out_buffer_rule(vesk_handle_t h, uint32_t period_time, uint32_t period_num, uint32_t start_threshold,
                             uint32_t type, uint32_t last);
int vesk_set_dsp_out_enable(vesk_handle_t h, uint32_t on);
int vesk_set_out_samplerate_rule(vesk_handle_t h, uint32_t rule, uint32_t rate);
int vesk_set_src_type(vesk_handle_t h, uint32_t type);
int vesk_set_out_mix_format(vesk_handle_t h, uint32_t a, uint32_t b);

// Gains are linear, 100000 = unity. Streams are 0 to VESK_STREAM_MAX - 1.
int vesk_set_stream_vol_ext(vesk_handle_t h, uint32_t stream, uint32_t gain);
int vesk_get_stream_vol(vesk_handle_t h, uint32_t stream, uint32_t* gain);
int vesk_set_master_vol_ext(vesk_handle_t h, uint32_t gain);
int vesk_set_bt_le_io_handle(vesk_handle_t h, uint32_t type, uint32_t io_handle);

int vesk_ppc_enable(vesk_handle_t h, uint32_t a, uint32_t b);
int vesk_ppc_set_proc_type(vesk_handle_t h, uint32_t type);
int vesk_ppc_set_dec_spk_conf(vesk_handle_t h, uint32_t conf);
int vesk_ppc_preload(vesk_handle_t h, uint32_t count, const VeskPpcPreload* entries);
int vesk_ppc_set_cfgfile_path(vesk_handle_t h, const char* path);
int vesk_ppc_set_mode(vesk_handle_t h, uint32_t mode);
// `count` is the number of 64-bit values in `data` (little-endian); count * 8 bytes are read.
int vesk_ppc_set_parameter(vesk_handle_t h, uint32_t element_id, uint32_t param_id, uint32_t count, const void* data);
}
