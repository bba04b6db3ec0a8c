// The hand-off between the capture thread and the playback thread of one capture stream: the ring
// buffer between them, the stream's running and paused flags, and the one lock and condition both
// threads wait on. Every ring operation runs under the lock, so emptying the ring never overlaps
// a write or a read; a full ring makes the writer wait for room, an empty one the reader for data,
// and a stop or a pause wakes both.
#pragma once

#include "main/mw/ringbuf/ringbuf.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CaptureLink {
public:
    // The flags are read without the lock by the threads' loops and by queries; every change
    // goes through the calls below, which wake the waiting threads.
    std::atomic<uint32_t> running{0};
    std::atomic<uint8_t> paused{0};

    // A new ring for one stream; false when it could not be allocated.
    bool open(uint32_t capacity);
    // Frees the ring; its threads have ended.
    void close();
    bool isOpen() const { return ring_ != nullptr; }

    void setRunning();
    // Stops the stream: running and paused cleared.
    void stop();
    // Each pause leaves a clear of the ring pending: what was captured before it is not played.
    void setPaused(bool on);

    // Puts all `n` bytes into the ring, waiting for room; false (the rest dropped) when the stream
    // stopped or paused first.
    bool put(const uint8_t* data, uint32_t n);
    // Takes up to `n` bytes, waiting for data while the stream runs unpaused: the bytes taken.
    uint32_t take(uint8_t* out, uint32_t n);
    // Empties the ring; no clear is pending after it.
    void clear();
    // Empties the ring when a pause happened since the last clear.
    void clearIfPending();
    bool clearPending();

    // Waits while the stream runs paused.
    void waitWhilePaused();
    // Waits until the stream runs unpaused with no clear pending, or stops.
    void waitUntilCleared();
    // Waits `delay`, or less when the stream stops.
    void waitUnlessStopped(std::chrono::milliseconds delay);
    // Wakes every waiter, for instance after the last period went in.
    void wake();

private:
    bool live() const { return running.load() != 0; }

    bool pendingLocked() const { return clearedFor_ != pauses_; }

    RingBuf* ring_ = nullptr;
    uint32_t pauses_ = 0;      // pauses so far
    uint32_t clearedFor_ = 0;  // the pause the last clear followed
    std::mutex lock_;
    std::condition_variable changed_;
};
