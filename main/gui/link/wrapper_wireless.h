// The 5.8 GHz wireless-audio link: the module that carries the sound to the wireless subwoofer and
// surround speakers, and what the wrapper layer tells it.
#pragma once

#include <cstdint>

// Once-only start of the wireless-audio object and of the whole module-link stack; exit clears
// its init flag.
void guiWrapperWirelessAudInit(void);
void guiWrapperWirelessAudExit(void);

// Power the module links on or off.
void guiWrapperWirelessAudPowerOn(void);
void guiWrapperWirelessAudPowerOff(void);
void guiWrapperWirelessAudFactoryReset(uint32_t unused);

// The three volumes of the speakers.
void guiWrapperWirelessAudVolSet(const uint8_t* vol, uint8_t surVol, uint8_t bassVol);
void guiWrapperWirelessAudMuteSet(const uint8_t* mute);
void guiWrapperWirelesRxSubVolSet(uint8_t vol);
void guiWrapperWirelesRxSurVolSet(uint8_t vol);
// The receivers' LED: on (1) or off.
void guiWrapperWirelesRxLedStsSet(uint32_t on);
void guiWrapperWirelessAudLedDimmerSet(uint32_t level);
// The transmitter's or the subwoofer receiver's version as two digits; `out` is left as it is
// while the link reports none.
void guiWrapperWirelessAudTxVersionGet(char out[10]);
void guiWrapperWirelessAudSubVersionGet(char out[10]);
// The 5.8 GHz module's RF band.
void guiWrapperWirelesRfBandSet(uint8_t band);
// The 5.8 GHz pairing state (0 idle, 1 pairing, 2 pairing stopped); null is refused.
void guiWrapperWirelessAudStsGet(uint32_t* out);
// The EQ mode, only stored by the link.
void guiWrapperWirelessAudEqSet(const uint8_t* eqMode);
