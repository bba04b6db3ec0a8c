// State of the wireless interface "wlan0", asked of the platform's wpa_cli through the
// shell-command daemon, which writes its status report to a file that is then parsed.
#pragma once

#include <cstdint>

constexpr uint32_t WIFI_MAC_SIZE = 6;

// 1 when the connection is complete ("wpa_state" COMPLETED), 0 otherwise and on every failure.
int32_t uWifiGetConnectStatus(void);

// Writes the interface's 6-byte MAC address ("address" of the report) to mac: 0, or -1 when the
// report cannot be had. A report without an address line answers 0 and leaves mac as it was.
// mac must not be null.
int32_t uWifiGetMacAddress(uint8_t* mac);
