// One handler per opcode the parser dispatches: they answer the TV's queries, follow its routing
// and ARC requests, take its volume and mute keys while its audio plays through the soundbar, pass
// a standby on to the state manager, and release the transmit events waiting for the reply they
// carry. All run on the application's thread and refuse every frame while the parser is stopped.
#pragma once

#include "main/cec/cec_frame.h"

#include <cstdint>

// User Control Pressed keys the soundbar takes.
constexpr uint8_t CEC_KEY_VOLUME_UP = 0x41;
constexpr uint8_t CEC_KEY_VOLUME_DOWN = 0x42;
constexpr uint8_t CEC_KEY_MUTE = 0x43;
// A TV key moves the volume by this much, between this floor and 100.
constexpr uint8_t CEC_KEY_VOLUME_STEP = 6;
constexpr uint8_t CEC_KEY_VOLUME_FLOOR = 6;
constexpr uint8_t CEC_VOLUME_MAX = 100;
// How long a System Audio Mode Request off makes the next TV plug-in event a fake one.
constexpr uint32_t CEC_FAKE_PLUG_IN_GUARD_MS = 2000;
// The pause between announcing system audio mode and asking the TV to start ARC.
constexpr uint32_t CEC_SYSTEM_AUDIO_ARC_DELAY_MS = 20;

void cecPsrFeatureAbort(const CecFrame* frame);
void cecPsrSetMenuLanguage(const CecFrame* frame);
void cecPsrStandby(const CecFrame* frame);
void cecPsrUserControlPressed(const CecFrame* frame);
void cecPsrUserControlReleased(const CecFrame* frame);
void cecPsrGiveOSDName(const CecFrame* frame);
void cecPsrSetOSDName(const CecFrame* frame);
void cecPsrSystemAudioModeRequest(const CecFrame* frame);
void cecPsrGiveAudioStatus(const CecFrame* frame);
void cecPsrGiveSystemAudioModeStatus(const CecFrame* frame);
void cecPsrRoutingChange(const CecFrame* frame);
void cecPsrRoutingInformation(const CecFrame* frame);
void cecPsrActiveSource(const CecFrame* frame);
void cecPsrGivePhysicalAddr(const CecFrame* frame);
void cecPsrReportPA(const CecFrame* frame);
void cecPsrSetStreamPath(const CecFrame* frame);
void cecPsrDeviceVendorID(const CecFrame* frame);
void cecPsrGiveDeviceVendorID(const CecFrame* frame);
void cecPsrGiveDevicePowerStatus(const CecFrame* frame);
void cecPsrReportPowerStatus(const CecFrame* frame);
void cecPsrCECVersion(const CecFrame* frame);
void cecPsrRequestShortAudioDescriptor(const CecFrame* frame);
void cecPsrReportARCInitiated(const CecFrame* frame);
void cecPsrReportARCTerminated(const CecFrame* frame);
void cecPsrRequestARCInitiation(const CecFrame* frame);
void cecPsrRequestARCTerminatition(const CecFrame* frame);

// The volume steps shared by the TV's keys and the driver's volume events. Volume up: unmute, then
// 6 more up to 100, stored and told to the applications that follow it.
void cecVolumeUp(void);
// Unmute, then read the
// stored volume. @return false (logged) when either failed.
bool cecUnmuteAndReadVolume(uint8_t* volume);
// Stores the volume and tells the applications that follow it; a failure is logged.
void cecStoreReportedVolume(uint8_t volume);
// Unmute (a failure is logged and ignored), then store the stored volume again so that the output
// takes it. @return false (logged) when the volume could not be read or stored.
bool cecUnmuteAndStoreVolumeAgain(void);

// Selects an HDMI input in the driver and makes it the active one (when one was active before).
// Nothing happens when it is active already. @return 0 or -4.
int32_t cecSwitchPortToRx0(void);
int32_t cecSwitchPortToRx1(void);
