// The application "user_interface": watches the input devices under "/dev/input" and hands every
// input record to key input, keeps the flag bytes the state manager reads, and sends key messages
// to other applications.
#pragma once

#include "main/am/aee/aee.h"
#include "main/am/amb/amb.h"

#include <cstdint>

constexpr const char* UI_APP_NAME = "user_interface";

// Fills the registration record; changes nothing once the application is started.
void uiAppUserInterfaceRegister(amb_register_info_t* info);
// The application's three functions, run on its thread by the framework.
int32_t uiUserInterfaceStart(const char* name, handle_t app);
int32_t uiUserInterfaceExit(handle_t app, uint32_t exitCode);
int32_t uiUserInterfaceProcessMsg(handle_t app, uint32_t msgType, const void* data, uint32_t size);

// A factory reset is in progress.
void uiSetFactoryResetFlag(uint8_t flag);
uint8_t uiGetFactoryResetFlag(void);
// A Wi-Fi set-up is in progress.
void uiSetWifiSetupFlag(uint8_t flag);
uint8_t uiGetWifiSetupFlag(void);
// A Bluetooth pairing is in progress.
void uiSetBtParingFlag(uint8_t flag);
uint8_t uiGetBtParingFlag(void);

// The application's debug level; the getter adds the application-layer bit.
uint16_t uiGetDbgLevel(void);
void uiSetDbgLevel(uint16_t level);

// Key senders: post the key message {12, body} (message 1, 520 bytes) to "state_mngr", "ir_manager",
// "c4a_stub", "castlite_stub" or "bluetooth". 0, or -1 when the post fails.
int32_t uiUserInterfaceSendKeyToSm(uint32_t body);
int32_t uiUserInterfaceSendKeyToIr(uint32_t body);
int32_t uiUserInterfaceSendKeyToC4a(uint32_t body);
int32_t uiUserInterfaceSendKeyToCastlite(uint32_t body);
int32_t uiUserInterfaceSendKeyToBt(uint32_t body);
// Posts a caller-built 520-byte key message to the named application. 0 or -1.
int32_t uiUserInterfaceSendKeyToAll(const appmsg_t* msg, const char* appName);
// Posts the assistant's button message (message 9) for `body` to "assistant_stub". 0 or -1.
int32_t uiUserInterfaceSendKeyToAssistant(uint32_t body);
// Posts a state-manager protocol message (14) with the two words and no data. The post's result.
int32_t uiSendMsg(uint32_t senderId, uint32_t msgType, const char* appName);
// Tells "bluetooth" to switch source.
int32_t uiBtSourceswitchCallback(void);
// Maps a Linux key code to its key message to the state manager (and the assistant or
// "bluetooth" for some keys).
void uiUserInterfaceKeyProcess(uint16_t key);
