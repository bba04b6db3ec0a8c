// The music wrapper's calls that the capture sources make, as recording stand-ins until the device
// wrappers exist: each call appends one line to WRAPPER_SOURCE_STUB_LOG under the root ("<call>"
// or "<call> <argument>"), which tests read. They run on the caller's thread.
#pragma once

#include <cstdint>

#define WRAPPER_SOURCE_STUB_LOG "/sim/wrapper_source_calls.log"

// Anti-pop mute of the music output (non-zero mutes).
void guiWrapperMusicPopMuteSet(uint8_t mute);
// Sound came back on a wired input: ends a pending pop mute.
void guiWrapperMusicNoiseUnMute(void);
// Sets the energy-saving countdown back.
void guiWrapperMusicErpReset(void);
// One audio-energy report of the playing source.
void guiWrapperMusicEnergySet(uint32_t energy);

// The module-link calls of the music wrapper and the wrapper table, recorded the same way until the
// module links exist: "<call> <arguments>" with every byte as a decimal number.
void guiWrapperWirelessAudVolSet(const uint8_t* vol, uint8_t surVol, uint8_t bassVol);
void guiWrapperWirelessAudMuteSet(const uint8_t* mute);
void guiWrapperWirelesRxSubVolSet(uint8_t vol);
void guiWrapperWirelesRxSurVolSet(uint8_t vol);
void guiWrapperBrontalVolSet(const uint8_t* vol);
void guiWrapperBrontalMuteSet(const uint8_t* mute);
void guiWrapperBrontalXupmixSet(const uint8_t* on);
void guiWrapperWirelessAudTxVersionGet(char out[10]);
void guiWrapperWirelessAudSubVersionGet(char out[10]);
using GuiWrapperWavrelUpgradeCbk = void (*)(uint16_t id, const uint8_t* data, uint16_t len);
void guiWrapperWavrelUpgradeRegisterCbk(GuiWrapperWavrelUpgradeCbk cbk);
// 0 (started).
int32_t guiWrapperWavrelUpgradeStart(uint32_t origin, uint32_t side, const char* path);
int32_t guiWrapperHdmiUpgradeStart(uint32_t origin, const char* path);
void guiWrapperDspUpgradeStart(const char* mountRoot);
void guiWrapperOtaDownloadStart(void);
void guiWrapperOtaDownloadStop(uint32_t reason);
