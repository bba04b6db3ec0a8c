// Bluetooth-module wrapper: the commands the GUI sends to the Bluetooth module over its link.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperBtInit(void);
void guiWrapperBtExit(void);

void guiWrapperBtPowerOn(const GuiWrapperSetting* s);
void guiWrapperBtPowerOff(const GuiWrapperSetting* s);
void guiWrapperBtFactoryReset(uint32_t unused);
void guiWrapperBtVolSet(uint8_t vol);
// Copies a MAC address the module reported and that is not yet saved into the record.
void guiWrapperBtMacAddrSync(GuiWrapperSetting* s);

// The module's firmware version byte, from its status record.
void guiWrapperBtVersionGet(uint8_t* out);

// Sends command (group, cmd) with `len` payload bytes to the Bluetooth module; 0, or -1 for a
// payload of 33 bytes or more.
int32_t guiWrapperBtSndPacket(uint8_t group, uint8_t cmd, uint8_t len, const uint8_t* payload);
// Tells the module that the 5.8 GHz link is up / down.
void guiWrapperWirelesConnStateReport(void);
void guiWrapperWirelesDisconnStateReport(void);
// The module's status (16 and above: connected) and its play status (1: playing); a null output
// is left alone.
void guiWrapperBtStsGet(uint8_t* out);
void guiWrapperBtPlayStsGet(uint8_t* out);

// The source on the module: the source's code (0..5), the source of a TV routing (0, 1 ARC/eARC,
// 2 HDMI in), and the clear.
void guiWrapperBtManualSrcInSet(uint32_t audSrc);
void guiWrapperBtRoutingSrcInSet(uint32_t route);
void guiWrapperBtSrcInClr(void);
