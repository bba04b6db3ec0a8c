// The WAV path of USB playback: the playlist's tracks are parsed as WAV files and written to the
// PCM "track:4" period by period by a playback thread inside corvand. Driven by the application's
// private messages with path 1 (the console's `alsa_test`); it reports playing, paused and
// stopped to the state manager like the player path.
//
// The handler runs on the application's thread; the playback thread fills and writes one period
// at a time under the switch semaphore, which the application's thread also takes whenever it
// pauses, closes or reconfigures the PCM or replaces the file.
#pragma once

#include "main/playback/usb/usb_pb_msg.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

#define USB_PB_WAV_PCM_NAME "track:4"
// Room for the current file's path with its terminator; a longer path is refused.
constexpr size_t USB_PB_WAV_NAME_SIZE = 1024;

// Creates the semaphores (a failure is logged, not fatal) and clears the path's state.
void playbackUsbWavInit(void);
// Ends the playback thread, closes the PCM and the file and deletes the semaphores.
void playbackUsbWavExit(void);

// Handles one WAV-path message: 0, or -1 when the step failed.
int32_t playbackUsbPcmMsgProcess(usb_pb_msg_t msg);

// 0 no playback thread, 1 playing, 3 paused.
int32_t playbackUsbWavStatus(void);

// Drains and closes the PCM, closes the file and frees the period buffer.
void playbackUsbStopPcmPlayback(void);
// Back to the start of the current file's data: the thread runs on when there is data.
void playbackUsbResetNextWavParams(void);
// Marks a track change and asks the application's thread for the next track.
void playbackUsbContinuePlaybackNextWav(void);
// read() until `length` bytes are in or the file ends: the bytes read; on an error the bytes read
// so far, or the error when there are none.
ssize_t playbackUsbSaferead(int fd, void* buffer, size_t length);
// Opens and parses the current entry: 0; -1 when it cannot be opened; -2 when it is no playable
// WAV file or its path does not fit the name buffer (the caller skips to another track).
int32_t playbackUsbOpenWavFile(void);

uint8_t playbackUsbGetPauseFlag(void);
void playbackUsbSetPauseFlag(uint8_t flag);
uint8_t playbackUsbGetPbThreadRunningFlag(void);
void playbackUsbSetPbThreadRunningFlag(uint8_t flag);
uint8_t playbackUsbGetSwitchFlag(void);
void playbackUsbSetSwitchFlag(uint8_t flag);
void playbackUsbLockPbSema(void);
void playbackUsbUnlockPbSema(void);
void playbackUsbLockSwitchSema(void);
void playbackUsbUnlockSwitchSema(void);
