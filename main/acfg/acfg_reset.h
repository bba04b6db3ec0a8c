// The store's destructive operations: the factory reset, the reset of every item to its default,
// the removal of network and platform credentials, and the speaker channel-map items (which no
// group enables, so they answer -6).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t ACFG_SPEAKER_CHANNELS_MAX = 24;

// Value form of IDX_HW_SPEAKER_CHMAP and IDX_USER_SPEAKER_CHMAP: a channel count (at most 24)
// and the channel positions.
struct AcfgSpeakerMap {
    uint32_t channels;
    uint32_t ch[ACFG_SPEAKER_CHANNELS_MAX];
};
static_assert(sizeof(AcfgSpeakerMap) == 100);
static_assert(offsetof(AcfgSpeakerMap, ch) == 4);

// Clears the store's initialised flag (no store reaches the files from then on), removes the
// persisted settings and the audio-setting files through the shell-command client and reboots.
// 0; a command that cannot be run is logged and skipped.
int32_t uAcfgFactoryReset(void);
// Removes all of "/data" and reboots: 0, or -1 when the reboot cannot be run.
int32_t uAcfgFactoryResetForC4a(void);
// Sets every enabled item to its default through the normal set path; the first failure is
// returned (items before it are already reset), else 0.
int32_t uAcfgResetFactoryDefault(void);
// Removes the Wi-Fi, cast and Bluetooth credentials; 0.
int32_t uAcfgCleanAp(void);

int32_t uAcfgSetUserSpeaker(const AcfgSpeakerMap* map);
int32_t uAcfgGetUserSpeaker(AcfgSpeakerMap* map);
