// HDMI and CEC glue: the wrapper between the GUI and the HDMI transmitter driver. The power
// sequences switch it with the rest of the wrappers; the digital inputs report what the audio-input
// daemon saw on the TV link through its callbacks, on the caller's thread.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;
struct GuiWrapperPwrObj;

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperHdmiInit(void);
void guiWrapperHdmiExit(void);

void guiWrapperHdmiPowerOff(const GuiWrapperSetting* s);
void guiWrapperHdmiPowerIdle(const GuiWrapperSetting* s);
void guiWrapperHdmiFactoryReset(const GuiWrapperSetting* s);
// Given the whole power state, so that it sees the cold boot.
void guiWrapperHdmiPowerOn(const GuiWrapperPwrObj* obj);

// Reports of the digital inputs.
void guiWrapperHdmiRxHotplug(uint8_t online);
void guiWrapperHdmiTxHotplug(uint8_t online);
void guiWrapperHdmiRoutingPowerCbk(uint8_t tvPowerOn);
void guiWrapperHdmiRoutingSrcCbk(int32_t tvSource);
void guiWrapperHdmiArcToggleCbk(int32_t earcSts);
void guiWrapperHdmiRoutingVolCbk(uint8_t volMute);
void guiWrapperHdmiRoutingMuteCbk(uint8_t mute);
// A CEC frame of at most 16 bytes from the TV.
void guiWrapperHdmiCecRcvCbk(const uint8_t* frame, uint8_t len);

// The HDMI chip's firmware version.
void guiWrapperHdmiVersionGet(uint32_t* out);

// Powers the HDMI chip's I2C side (on != 0) or takes it down, then waits 10 ms.
void guiWrapperHdmiI2cPwrSet(uint8_t on);
// The chip upgrade's progress for the GUI, except while that upgrade came by OTA.
void guiWrapperHdmiUpgradePercentDisp(uint32_t percent);
