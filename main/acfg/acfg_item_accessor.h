// Accessors of the Bluetooth, network and CEC items: a setter, a getter and a set-to-default per
// item, each a thin wrapper over the store with a fixed index and size. Results are the store's.
#pragma once

#include <cstdint>

constexpr uint32_t ACFG_WLAN_MAC_SIZE = 21;  // the Wi-Fi network name, as text
constexpr uint32_t ACFG_WLAN_KEY_SIZE = 65;
constexpr uint32_t ACFG_WLAN_AP_SIZE = 140;
constexpr uint32_t ACFG_CEC_OSD_NAME_SIZE = 14;
constexpr uint32_t ACFG_CEC_MENULANGU_SIZE = 4;

// The network record of IDX_WLAN_AP; the store gives it no structure.
struct AcfgWlanAp {
    uint8_t aui1Data[ACFG_WLAN_AP_SIZE];
};

int32_t uCfgSetBluetoothEnable(uint8_t value);
int32_t uCfgGetBluetoothEnable(uint8_t* value);
int32_t uCfgSetBluetoothEnableDefault(void);

// The text setters store the text up to its terminating zero, at most the item's size, and zero
// bytes after it. Getters fill the item's whole size.
int32_t acfgSetWlanMac(const char* ssid);
int32_t acfgGetWlanMac(char* ssid);
int32_t acfgSetWlanMacDefault(void);
int32_t acfgSetWlanKey(const char* key);
int32_t acfgGetWlanKey(char* key);
int32_t acfgSetWlanKeyDefault(void);
int32_t acfgSetWlanAp(AcfgWlanAp ap);
int32_t acfgGetWlanAp(void* ap);
int32_t acfgSetWlanApDefault(void);

int32_t uAcfgCecOsdNameSet(const char* name);
int32_t uAcfgCecOsdNameGet(char* name);
int32_t uAcfgCecOsdNameSetDefault(void);
int32_t uAcfgCecMenuLanguSet(const char* langu);
int32_t uAcfgCecMenuLanguGet(char* langu);
int32_t uAcfgCecMenuLanguSetDefault(void);
int32_t uAcfgCecConfigSet(const uint8_t* config);
int32_t uAcfgCecConfigGet(uint8_t* config);
int32_t uAcfgCecConfigSetDefault(void);
int32_t uAcfgCecMuteSet(const uint8_t* mute);
int32_t uAcfgCecMuteGet(uint8_t* mute);
int32_t uAcfgCecMuteSetDefault(void);
