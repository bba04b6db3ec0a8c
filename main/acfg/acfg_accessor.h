// Typed accessors of the four most used system items (current application, volume, mute, last
// source), the volume steps of the volume keys, and the audio server's stream volume. Each runs on
// the caller's thread and answers the store's result (0, -3, -5, -6).
#pragma once

#include <cstddef>
#include <cstdint>

int32_t uAcfgSetCurappValue(uint8_t value);
int32_t uAcfgGetCurappValue(uint8_t* value);
int32_t uAcfgSetCurappValueDefault(void);

// With `report` non-zero a successful set also tells "assistant_stub" the player status.
int32_t uAcfgSetVolume(uint8_t volume, uint8_t report);
int32_t uAcfgGetVolume(uint8_t* volume);
int32_t uAcfgSetVolumeDefault(void);

int32_t uAcfgSetMute(uint8_t mute);
int32_t uAcfgGetMute(uint8_t* mute);
int32_t uAcfgSetMuteDefault(void);

int32_t uAcfgSetSource(uint8_t source);
int32_t uAcfgGetSource(uint8_t* source);
int32_t uAcfgSetSourceDefault(void);

// Volume key steps of 6 within 0..100; the step up also unmutes.
int32_t uAcfgIncreaseVolume(void);
int32_t uAcfgReduceVolume(void);

// Sends a stream volume (0..100, else -3) to the audio server; the store is not touched and the
// remote call's result is only logged.
int32_t uAcfgSetStreamVolume(int32_t stream, uint8_t volume);
// The volume last set on a stream and accepted by the audio server (which has no read-back call):
// 0 with it in `volume`; -3 for a null `volume`; -5 when none was set on that stream yet.
int32_t uAcfgGetStreamVolume(int32_t stream, uint8_t* volume);

// The player-status notice that a reported volume change sends to "assistant_stub".
struct AcfgPlayerStatusMsg {
    char acPath[36];     // "/playback/player_status_change"
    uint32_t ui4Volume;  // 0 when muted
    char acStatus[17];   // "stop"
    char acDetail[223];  // "none" in its first 16 bytes
};
static_assert(sizeof(AcfgPlayerStatusMsg) == 280);
static_assert(offsetof(AcfgPlayerStatusMsg, ui4Volume) == 36);
static_assert(offsetof(AcfgPlayerStatusMsg, acStatus) == 40);
static_assert(offsetof(AcfgPlayerStatusMsg, acDetail) == 57);

// Whether the uri or the Bluetooth source holds the output: the notice then carries only its path.
// The state manager, which knows, sets the question when it lays out its context; unset, no source
// holds the output.
using acfg_streaming_query_fct = bool (*)(void);
void acfgSetStreamingQuery(acfg_streaming_query_fct query);

// The level of the accessors' and the item table's log lines. It is the state manager's level as
// well (smGetDbgLevel, smSetDbgLevel), so that its console's `sdl` switches both.
uint16_t acfgAccessorGetDbgLevel(void);
void acfgAccessorSetDbgLevel(uint16_t level);
