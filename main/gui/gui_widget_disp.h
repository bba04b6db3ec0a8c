// Display texts of the widgets (the builders the power widgets use so far).
#pragma once

#include "main/gui/gui_widget.h"

#include <cstdint>

// The idle picture, by source and state; the follow-up of most timed texts.
void guiWidgetDispHome(void);
// The subwoofer pairing blink while pairing, else nothing.
void guiWidgetDispHistory(void);
void guiWidgetVolDispHistory(void);
void guiWidgetDispMute(uint8_t mute);
// Source 0..5 by name; Bluetooth blinks until a device is connected.
void guiWidgetDispSrc(uint32_t source);
// Runs before the caller stores the new status.
void guiWidgetDispBtSts(uint32_t btSts);
void guiWidgetDispWirelessAudioSts(uint32_t status);
void guiWidgetDispWirelessAudioPairingSts(void);
void guiWidgetDispUDiskHotplugSts(uint8_t plugged);
void guiWidgetDispUDiskMusicSts(uint32_t fileIdx, uint32_t musicSts);
void guiWidgetDispUDiskMusicPlaying(void);

// Dimmer at the record's level, "----" blinking three times, then the idle mark.
void guiWidgetDispPowerIdle(void);
// "-   ".
void guiWidgetDispIdleMark(void);
// "----" blinking until replaced.
void guiWidgetDispPowerOnBlink(void);
// "RSET": with home scrolled once then home; without, five times 5 s then the idle mark.
void guiWidgetDispFactoryReset(uint8_t withHome);
void guiWidgetDispAutoStandby(uint32_t choice, uint16_t timeMs);
void guiWidgetDispAutoScreensaver(uint32_t choice, uint16_t timeMs);

// Levels shown with their sign against the neutral value; outside the range nothing is shown.
void guiWidgetDispBass(uint8_t level, uint16_t timeMs);
void guiWidgetDispTreble(uint8_t level, uint16_t timeMs);
void guiWidgetDispCenter(uint8_t level, uint16_t timeMs);
void guiWidgetDispSurround(uint8_t level, uint16_t timeMs);
void guiWidgetDispSurVol(uint8_t level, uint16_t timeMs);
void guiWidgetDispSurroundRight(uint8_t level, uint16_t timeMs);
void guiWidgetDispSurroundLeft(uint8_t level, uint16_t timeMs);
void guiWidgetDispHeight(uint8_t level);
void guiWidgetDispEq(uint32_t eqMode, uint16_t timeMs);
void guiWidgetDispEqReset(uint16_t timeMs);
void guiWidgetVolDispHistorySet(uint8_t vol, uint16_t timeMs);
void guiWidgetDispVolume(uint8_t vol, uint16_t timeMs);
void guiWidgetDispToneVolume(uint8_t toneVol, uint16_t timeMs);
void guiWidgetDispLcdDimmer(uint32_t level);
void guiWidgetDispLedDimmer(uint32_t level);
void guiWidgetDispUdiskPlayMode(uint32_t mode);
void guiWidgetDispSurEn(uint8_t on, uint16_t holdMs);
void guiWidgetDispVirtualX(uint8_t on, uint16_t holdMs);
void guiWidgetDispXupmix(uint8_t on, uint16_t holdMs);
void guiWidgetDispSalesArea(uint32_t salesArea);
void guiWidgetDispShopMode(uint8_t on);
void guiWidgetDispBypass(uint8_t on);
void guiWidgetDispStandardTest(uint8_t on);
void guiWidgetDispEqTest(uint8_t on);
void guiWidgetDispPcbaTest(uint8_t on);
void guiWidgetDispMachineTest(uint8_t on);
void guiWidgetDispErp(uint8_t on);
void guiWidgetDispPdtMode(void);
void guiWidgetDispBlank(void);
void guiWidgetDispTv(void);
void guiWidgetDispTvBlink(uint8_t keep);
void guiWidgetDispScan(void);
void guiWidgetDispDownLoad(void);
void guiWidgetDispPercent(const GuiUpgradePercent* percent);
void guiWidgetDispPlayTime(uint32_t minutes, uint32_t seconds);
void guiWidgetDispUDiskFileIdx(uint32_t fileIdx);

// Step 1..10 of the version read-out: five-character fields of `block` (GUI_WIDGET_DSP_VER_SIZE
// bytes), then EQ, bass, centre, treble and surround level, each 2 s.
void guiWidgetDispDspVer(uint8_t step, const char* block);

// The amplifier status block: u32 fault count (little-endian), then three bytes for each of the
// LR, centre and LRs amplifiers, the second holding its last register 0x6A value.
constexpr uint32_t GUI_WIDGET_AMP_STS_SIZE = 16;
// Fault count and the three register values in turn, 3.5 s each, on the caller's thread.
void guiWidgetDispAmpSts(const uint8_t* block);
