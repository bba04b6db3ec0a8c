// The console directory "cec_manager" ("cec") of the CEC application: its debug level, requests to
// the TV, the transmit pool's counts, control commands posted to the application, and its records.
#pragma once

#include <cstdint>

// The display-control byte of the console's OSD string: display for the default time.
constexpr uint8_t CEC_CLI_OSD_DISPLAY_CONTROL = 0x00;

// @return the result of u_cli_attach_cmd_tbl.
int32_t cecCliAttachCmdTbl(void);
