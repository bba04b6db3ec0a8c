// Header of a RIFF/WAVE file: checks that its sound plays as linear PCM or IEEE float and fills
// the format part of a PcmContainer, leaving the descriptor at the first data byte. Lines are
// logged with "<wav_parser>" while gUi4EnableAllLog is 1. Not re-entrant: one thread parses.
#pragma once

#include "main/playback/playback_alsa/playback_alsa.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

constexpr uint16_t WAV_FMT_PCM = 0x0001;
constexpr uint16_t WAV_FMT_IEEE_FLOAT = 0x0003;
constexpr uint16_t WAV_FMT_DOLBY_AC3_SPDIF = 0x0092;
constexpr uint16_t WAV_FMT_EXTENSIBLE = 0xFFFE;

// fd: open, at the start of the file; container not NULL (asserted).
// 0: the container's format, channels, rate and data_count are set and fd stands at the first data
// byte. -1 no memory; -2 fewer than 12 bytes in the file; -3 not a playable WAV file (no RIFF/WAVE
// header, a header cut short, a bad fmt chunk, an unplayable format). On failure the container is
// unchanged and the position of fd undefined.
int uWaveFileGetPcmContainer(int fd, PcmContainer* pPCMContainer);

// `buffer` holds the first `size` bytes of the file (size >= 12); bytes past the 12-byte RIFF
// header are used before fd is read. Returns the number of data bytes already read and moved to
// the start of buffer (0 when only the header was given), -1 (not a RIFF/WAVE file, a header cut
// short, no memory) or -2 (unplayable format).
int wavParseHeader(int fd, void* buffer, uint32_t size);

// read() until count bytes are in, end of file or an error: the bytes read, or the error when
// nothing was read.
ssize_t wavSafeRead(int fd, void* buffer, size_t count);

// Reads want - have bytes into buffer + have when have < want. Returns the bytes the buffer now
// holds: want, or less when the file ended (logged with the caller's line).
size_t wavReadUpTo(int fd, void* buffer, size_t have, size_t want, int line);

// The log name of a format tag.
const char* WavPFmtString(uint16_t tag);
