// pellant's remote-call server: the callback that maps corvand's function ids 0 to 38 onto the
// audio-server library and the sound-effect page model.
#pragma once

#include "common/vesk_ipc/vesk_ipc_records.h"
#include "platform/vesk2/vesk2.h"

#include <array>
#include <cstdint>

// Gains by volume index 0..100, 100000 = unity.
extern const std::array<uint32_t, 101> vol_table;

// Registered with the remote-call server for every id. `args_len` is the length that arrived;
// a record shorter than the id reads is refused with -1, and an empty one counts as missing.
int vesk_ipc_app_callback(uint32_t func_id, const void* args, uint32_t args_len, uint32_t reserved, uint32_t extra);

// Id 0, record {stream, value}: any non-zero value opens the stream at unity, 0 silences it.
int vesk_app_set_streamvol(const VeskIpcBytes& args);

// The channel list of ch_num numbers from the set bits of ch_mask, bit 0 upwards; places left
// when the mask runs out hold the highest set bit (0 when none). ch_num 0 or less gives an empty
// list; ch_num is at most VESK_IPC_CH_LIST_MAX.
void vesk_chmap_deparse(int32_t ch_num, uint32_t ch_mask, VeskChList* list);
