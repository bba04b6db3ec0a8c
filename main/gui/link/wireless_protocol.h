// The protocol hub between the module-link driver and the link protocols: it offers each outgoing
// message of a slot to that slot's senders and each received burst to that slot's parsers, and it
// turns the numbered module events that every protocol reports into GUI messages. It also starts
// and stops the whole link stack, and holds back some Bluetooth events while the GUI is waking.
#pragma once

#include <cstdint>

// A module event (0 to 99) with its parameter, valid only during the call.
using WirelessProtocolEvt = uint16_t;
using WirelessProtocolCbk = void (*)(uint16_t evt, const uint8_t* param);
using WirelessProtocolKeyCbk = void (*)(uint32_t keyType, uint32_t keyValue);
using WirelessProtocolStateGet = uint32_t (*)(void);

constexpr uint16_t WIRELESS_PROTOCOL_EVT_MAX = 100;
constexpr uint32_t WIRELESS_PROTOCOL_PARK_MS = 1500;
constexpr uint32_t WIRELESS_PROTOCOL_PARK_VOL_MS = 500;

// The touch-key handler of the GUI, which the hub's start registers with the Bluetooth module;
// the GUI hands it over before it starts the wrappers.
void guiWrapperWirelessProtocolKeyCbkSet(WirelessProtocolKeyCbk cbk);

// Timer, callbacks, the driver, its slots opened, power on. Called once by the wireless-audio
// wrapper's init.
void guiWrapperWirelessProtocolInit(void);
void guiWrapperWirelessProtocolExit(void);
void guiWrapperWirelessProtocolPowerOn(void);
// Disarms the parking timer (the parked event stays) and powers the driver off.
void guiWrapperWirelessProtocolPowerOff(void);

// A message for `slot`; on slot 0 its first byte names the protocol: 0x82 Bluetooth module, 0xBB
// phone app, 0x8A OTA. Runs on the caller's thread.
void guiWrapperWirelessProtocolPacketSnd(uint32_t slot, const uint8_t* msg, uint32_t len);
// A received burst of `slot`, offered to each of the slot's parsers.
void guiWrapperWirelessProtocolPacketRcv(uint32_t slot, const uint8_t* buf, uint32_t len);
// The status record of the slot's module; null for slot 3 or more.
void* guiWrapperWirelessProtocolDBget(uint32_t slot);

// The receive callback of every protocol: module event `evt` becomes a GUI message or a wrapper call.
void guiWrapperWirelessProtocolCbk(uint16_t evt, const uint8_t* param);
// The parking timer's callback; `arg` is not used.
void guiWrapperWirelessProtocolTimeoutCbk(uint32_t arg);
