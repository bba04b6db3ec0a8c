// The 5.8 GHz wireless-audio link: the module that carries the sound to the wireless subwoofer and
// surround speakers, and what the wrapper layer tells it. Each setter packs one short message for
// the module protocol on slot 1 and returns what the send returns (0, or -1 when refused).
#pragma once

#include <cstdint>

// Once-only start of the wireless-audio object and of the whole module-link stack; exit clears
// its init flag.
void guiWrapperWirelessAudInit(void);
void guiWrapperWirelessAudExit(void);

// Message `msgId` with `dataLen` data bytes (at most 6; more is refused with -1).
int32_t guiWrapperWirelessAudSndPacket(uint8_t msgId, uint8_t dataLen, const uint8_t* data);

// Power the module links on or off.
int32_t guiWrapperWirelessAudPowerOn(void);
int32_t guiWrapperWirelessAudPowerOff(void);
int32_t guiWrapperWirelessAudFactoryReset(uint32_t unused);

// The wrapper's pairing state (0 idle, 1 pairing, 2 pairing stopped); a null output is left alone.
void guiWrapperWirelessAudStsGet(uint32_t* out);
// The state the GUI reports replaces the pairing state.
void guiWrapperWirelessAudStsProcess(const uint32_t* state);

// The home text is shown: the module's status poll runs from now on.
int32_t guiWrapperWirelessAudHomeSet(uint32_t unused);
int32_t guiWrapperWirelessAudStartPair(uint32_t unused);
int32_t guiWrapperWirelessAudStopPair(uint32_t unused);
int32_t guiWrapperWirelessAuFactorydPair(uint32_t unused);
// The user id: read (from the module's RAM, then its parameter store) or written (3 bytes).
int32_t guiWrapperWirelessAudUuidRead(uint32_t unused);
int32_t guiWrapperWirelessAudUuidWrite(const uint8_t* id);
// Reads the speakers' link state and tells the Bluetooth module.
int32_t guiWrapperWireless5p8ConnectStateRead(uint32_t unused);

// The receivers' LED: on (1) or off (anything else).
int32_t guiWrapperWirelesRxLedStsGet(void);
int32_t guiWrapperWirelesRxLedStsSet(uint32_t on);
int32_t guiWrapperWirelessAudLedDimmerSet(uint32_t level);
// The 5.8 GHz module's RF band.
int32_t guiWrapperWirelesRfBandGet(void);
int32_t guiWrapperWirelesRfBandSet(uint8_t band);
// The speakers' volume and their surround and subwoofer levels (1 to 12; 0 off; 13 or more keeps).
int32_t guiWrapperWirelesRxVolSet(uint8_t vol, uint8_t sur, uint8_t sub);
int32_t guiWrapperWirelesRxSurVolSet(uint8_t level);
int32_t guiWrapperWirelesRxSubVolSet(uint8_t level);
int32_t guiWrapperWirelesTxAutoPairFlagClr(void);
int32_t guiWrapperWirelesRxAutoPairFlagClr(void);

// The EQ mode, only stored: modes 6 and 7 fix the subwoofer level of a volume set.
int32_t guiWrapperWirelessAudEqSet(const uint8_t* eqMode);
int32_t guiWrapperWirelessAudMuteSet(const uint8_t* mute);
int32_t guiWrapperWirelessAudVolSet(const uint8_t* vol, uint8_t surVol, uint8_t bassVol);
int32_t guiWrapperWirelessAudBassSet(const uint8_t* level);
int32_t guiWrapperWirelessAudBypassSet(const uint8_t* on);
int32_t guiWrapperWirelessAudUsbUpgrade(uint32_t unused);
int32_t guiWrapperWirelessAudOtaUpgrade(uint32_t unused);
int32_t guiWrapperWirelessAudTrebleSet(const uint8_t* level);
int32_t guiWrapperWirelessAudErpSet(const uint8_t* on);

// The versions as text in exactly 10 bytes (zero-padded); `out` is left as it is while the link
// has no record.
void guiWrapperWirelessAudTxVersionGet(char out[10]);
void guiWrapperWirelessAudSubVersionGet(char out[10]);
void guiWrapperWirelessAudSurLVersionGet(char out[10]);
void guiWrapperWirelessAudSurRVersionGet(char out[10]);
