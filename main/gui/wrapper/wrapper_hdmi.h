// HDMI and CEC glue: the wrapper between the GUI and the HDMI transmitter driver "/dev/hdmitx".
// It passes the soundbar's volume, mute, source, shop mode and power state down to the driver, asks
// the state manager to start or clear a source, and turns what the digital inputs report about the
// TV (power, routing, volume, ARC, hot-plug) into GUI system events, filtered by the GUI state and
// debounced by three one-shot timers. The TV callbacks run on the digital inputs' status thread,
// the timers on their own threads, the rest on the GUI manager's thread.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;
struct GuiWrapperPwrObj;

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperHdmiInit(void);
void guiWrapperHdmiExit(void);

// The state manager's user command {word0, cmd} from the UI; 0, or -1 when it cannot be sent.
int32_t guiWrapperHdmiMsgSnd(uint32_t cmd, uint32_t word0);
// One request on "/dev/hdmitx", opened and closed around it; 0, or 1 for any failure.
int32_t guiWrapperHdmiCecIoctl(uint32_t request, void* arg);

// Driver getters; a failed request is only logged and leaves the output alone.
void guiWrapperHdmiVersionGet(uint32_t* out);
void guiWrapperHdmiSrcStsGet(uint8_t* out);
void guiWrapperHdmiTxPlugStsGet(uint8_t* out);
void guiWrapperHdmiRxPlugStsGet(uint8_t* out);
void guiWrapperHdmiPwrSrcGet(uint8_t* out);
void guiWrapperHdmiEArcStsGet(uint8_t* out);
// 1 while the TV link is plugged in.
void guiWrapperHdmiCecStsGet(uint32_t* out);

// Setters of the widget layer. The source status (0 ARC, 1 HDMI in, 2 optical, 3 BT, 4 AUX, 5 USB)
// is retried while the driver refuses it and always takes at least 100 ms.
void guiWrapperHdmiSrcStsSet(uint32_t audSrc);
// Volume 0 to 1 unmutes the driver first; an unchanged value sends nothing.
void guiWrapperHdmiVolSet(const uint8_t* vol);
void guiWrapperHdmiMuteSet(const uint8_t* mute);
void guiWrapperHdmiShopModeSet(uint8_t en);
// Powers the HDMI chip's I2C side (GPIO 449), then waits 10 ms; nothing when the line is not open.
void guiWrapperHdmiI2cPwrSet(uint8_t on);
// The HDMI chip's upgrade progress to the display, once per value, unless the upgrade came by OTA.
void guiWrapperHdmiUpgradePercentDisp(uint32_t percent);

// Sources, from the source widgets: the driver's source status and the state manager's messages.
void guiWrapperHdmiManualSrcInSet(const uint32_t* audSrc);
// Routing 0 ARC, 1 eARC, 2 HDMI in.
void guiWrapperHdmiRoutingSrcInSet(const uint32_t* routing);
// The state manager's clear of that source; its send result.
int32_t guiWrapperHdmiSrcInClr(const uint32_t* audSrc);
void guiWrapperHdmiRoutingSrcInClr(uint32_t unused);

// Power, from the power sequences.
void guiWrapperHdmiPowerOff(const GuiWrapperSetting* s);
void guiWrapperHdmiPowerIdle(const GuiWrapperSetting* s);
void guiWrapperHdmiFactoryReset(const GuiWrapperSetting* s);
// Given the whole power state, so that it sees the cold boot.
void guiWrapperHdmiPowerOn(const GuiWrapperPwrObj* obj);
// Marks the next power off as the user's.
void guiWrapperHdmiUsrPowerOff(uint32_t unused);

// Reports of the digital inputs.
void guiWrapperHdmiRxHotplug(uint8_t online);
void guiWrapperHdmiTxHotplug(uint8_t online);
void guiWrapperHdmiRoutingPowerCbk(uint8_t tvPowerOn);
void guiWrapperHdmiRoutingSrcCbk(int32_t tvSource);
void guiWrapperHdmiArcToggleCbk(int32_t earcSts);
// Bit 7 mute, bits 0..6 the TV's volume.
void guiWrapperHdmiRoutingVolCbk(uint8_t volMute);
void guiWrapperHdmiRoutingMuteCbk(uint8_t mute);
// A CEC frame of at most 16 bytes from the TV: logged, and counted as activity.
void guiWrapperHdmiCecRcvCbk(const uint8_t* frame, uint8_t len);
// The TV-partner protocols' frame-send hook; sends nothing.
void guiWrapperHdmiCecSndCbk(const uint8_t* frame, uint8_t len);
