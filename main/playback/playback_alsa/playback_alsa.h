// ALSA PCM utilities shared by the sources that move PCM themselves (USB WAV playback, the capture
// loops, line-in). A stream lives in one PcmContainer: the user sets format, channels and rate (or
// lets the WAV parser set them), opens the PCM into `handle`, configures it with one
// hardware-parameter call, then reads or writes one period at a time; overruns, underruns and
// suspends are recovered inside the calls. Lines are logged with "<playback_alsa>".
#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>

struct PcmContainer {
    snd_pcm_t* handle;     // the open PCM; NULL when closed
    uint32_t chunk_size;   // period size granted, frames
    uint32_t buffer_size;  // buffer size granted, frames
    uint32_t format;       // snd_pcm_format_t
    uint16_t channels;
    uint32_t chunk_bytes;      // chunk_size * bits_per_frame / 8
    uint32_t bits_per_sample;  // physical width of format
    uint32_t bits_per_frame;   // bits_per_sample * channels
    uint32_t rate;             // requested rate, Hz (the granted one is not written back)
    int64_t data_count;        // byte length of a WAV file's data
    uint8_t* data_buf;         // one period, chunk_bytes long
};

// What uAlsaPcmOpen opens and how it configures it.
struct PcmOpenParam {
    char device[16];  // PCM name, NUL-terminated
    uint32_t stream;  // SND_PCM_STREAM_PLAYBACK 0, SND_PCM_STREAM_CAPTURE 1
    uint32_t rate;
    uint16_t format;
    uint16_t channels;
    uint32_t buffer_frames;  // 0: no hardware parameters are set
    uint16_t period_frames;
    uint32_t start_threshold;  // frames; 0: the granted buffer size
};

// Hardware parameters. `data_buf` must be NULL on entry. On success the granted period and buffer
// sizes, the widths and a new one-period `data_buf` are in the container: 0. On any failure the
// buffer is freed, the PCM is closed and `handle` cleared: -1 (the caller must not close it again).
//
// By time: a buffer of at most `maxBufferTimeUs` (capped by the device) and a quarter of it as the
// period. A zero buffer time fails.
int32_t uAlsaSetHwParams(PcmContainer* pcm, uint32_t maxBufferTimeUs);
// By size: the buffer and period asked, the buffer capped by the device (the period then half of
// it); a period that does not divide the buffer becomes half the buffer.
int32_t uAlsaSetHwParamsBySize(PcmContainer* pcm, uint32_t bufferFrames, uint32_t periodFrames);
// By time with the period a `divisor`-th of the buffer time; a zero divisor fails.
int32_t uAlsaSetHwParamsAdjustPeroidTime(PcmContainer* pcm, uint32_t maxBufferTimeUs, uint32_t divisor);

// Start threshold in frames: 0, or -1 (the PCM stays open).
int32_t uAlsaSetSwParams(PcmContainer* pcm, uint32_t startThreshold);

// Reads one whole period (chunk_size frames) into data_buf whatever `frames` says, recovering from
// overruns and suspends: `frames`, or -1 on any other read error (the PCM stays open).
int32_t uAlsaReadPcm(PcmContainer* pcm, uint32_t frames);
// Writes `frames` frames of data_buf; fewer than a period are padded with silence to one whole
// period. Returns the frames written (chunk_size when padded), or -1 on a write error other than
// an underrun or a suspend, or when `frames` is above one period.
int32_t uAlsaWritePcm(PcmContainer* pcm, uint32_t frames);
// Writes exactly `frames` frames of data_buf (at most one period), without padding.
int32_t uAlsaWritePcmForAnysize(PcmContainer* pcm, uint32_t frames);

// ALSA's state number of the PCM, or -1 for a NULL handle.
int32_t uAlsaGetPcmState(snd_pcm_t* handle);
// Stops at once, dropping what is queued: 0, the ALSA error, or -1 for a NULL handle.
int32_t uAlsaPause(snd_pcm_t* handle);
// Prepares the PCM again; playback restarts with the next write: 0, the ALSA error, or -1.
int32_t uAlsaResume(snd_pcm_t* handle);

// Opens and configures a PCM in a new container (after a 500 ms settling wait): the container, or
// NULL. A failure after the open closes the PCM and removes the platform's marker file of the
// device.
PcmContainer* uAlsaPcmOpen(PcmOpenParam param);
// Drains (drain non-zero) or drops, closes and frees a container of uAlsaPcmOpen: 0; -1 for NULL.
int32_t uAlsaPcmClose(PcmContainer* pcm, uint8_t drain);
