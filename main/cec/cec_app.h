// The `cec` application: the soundbar's HDMI-CEC role as an audio system. Its start sets up the
// shared records, the transmit pool, the receive parser and the driver; its thread takes time-outs,
// driver events, the state manager's and the S/PDIF input's requests and control commands.
//
// Messages it handles (each posted by):
//   E_APP_MSG_TYPE_TIMER (0)        the timer service: a 48-byte record, the u32 at byte 32 telling
//                                   what expired (cec_pool.h)
//   E_APP_MSG_TYPE_STATE_MNGR (14)  the state manager's suspend notices
//   E_APP_PRI_ALSA_PB_MSG (28)      pb_spdif_in's system-audio requests
//   E_APP_MSG_TYPE_CEC (33)         a CecAppMsg: driver events from the device manager, control
//                                   commands from the console and the application itself
//   0x10000 and up                  broadcasts, logged only
#pragma once

#include "main/am/amb/amb.h"

#include <cstdint>

void a_cec_register(amb_register_info_t* info);
// @return 0 (also when started already) or -1.
int32_t cecAppInit(const char* name, handle_t app);
// Clears the started flag and releases nothing. @return 0.
int32_t cecAppExit(handle_t app, uint32_t exitCode);
// @return -1 before the start finished, else 0 whatever the handlers return.
int32_t cecAppProcessMsg(handle_t app, uint32_t msgId, const void* msg, uint32_t size);

// The pool's lock and start, the queue "cecm_msgq", the parser's start, the CEC function on and the
// ready signal. @return 0 or -4.
int32_t cecManagerInit(void);
// A timer's record (see above). A null or short record is logged and ignored.
void cecHandleTimerMsg(const void* msg, uint32_t size);
