// The record the daemon and its pipeline child share (the child inherits it across fork): 17
// signed 32-bit words, each written by one side and read by the other. Every word is a lock-free
// atomic, so the two processes (and the daemon's threads) never see a torn value.
#pragma once

#include <atomic>
#include <cstdint>

enum SilethShmWord : int {
    SHM_CHILD_UP = 0,          // 1 while the child waits for its stop signal
    SHM_CODEC_CHANGED = 1,     // set with SHM_CODEC by the child, cleared by the daemon
    SHM_RATE_CHANGED = 2,      // with SHM_RATE
    SHM_CHANNELS_CHANGED = 3,  // with SHM_CHANNELS
    SHM_BITDEPTH_CHANGED = 4,  // with SHM_BITDEPTH
    SHM_CODEC = 5,             // codec found by the stream parser (eGstCodec)
    SHM_RATE = 6,
    SHM_CHANNELS = 7,
    SHM_BITDEPTH = 8,
    SHM_SPARE_9 = 9,
    SHM_ATMOS_TYPE = 10,  // immersive-audio stream type; 255 none
    SHM_MAT_PCM = 11,     // 1: the last MAT stream carried PCM
    SHM_SPARE_12 = 12,
    SHM_DTS_TYPE = 13,
    SHM_DTS_COMP_GAIN = 14,
    SHM_XUPMIX = 15,     // xupmix value for the decoder
    SHM_CHILD_PID = 16,  // pid of the running child; -1 while it starts
    SHM_WORDS = 17,
};

constexpr int32_t SHM_ATMOS_NONE = 255;

struct sileth_shm_t {
    std::atomic<int32_t> word[SHM_WORDS];

    int32_t get(SilethShmWord w) const { return word[w].load(); }
    void set(SilethShmWord w, int32_t v) { word[w].store(v); }
};
static_assert(sizeof(sileth_shm_t) == 68, "the shared record is 17 words");
static_assert(std::atomic<int32_t>::is_always_lock_free, "words shared between processes must be lock-free");
