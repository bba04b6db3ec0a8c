#include "main/source_in/capture_link/capture_link.h"

bool CaptureLink::open(uint32_t capacity)
{
    std::lock_guard<std::mutex> guard(lock_);
    ring_ = uRingbufMalloc(capacity);
    pauses_ = 0;
    clearedFor_ = 0;
    return ring_ != nullptr;
}

void CaptureLink::close()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (ring_ != nullptr) {
        uRingbufFree(ring_);
        ring_ = nullptr;
    }
}

void CaptureLink::setRunning()
{
    std::lock_guard<std::mutex> guard(lock_);
    paused.store(0);
    running.store(1);
    changed_.notify_all();
}

void CaptureLink::stop()
{
    std::lock_guard<std::mutex> guard(lock_);
    paused.store(0);
    running.store(0);
    changed_.notify_all();
}

void CaptureLink::setPaused(bool on)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (on && paused.load() == 0) {
        ++pauses_;
    }
    paused.store(on ? 1 : 0);
    changed_.notify_all();
}

bool CaptureLink::put(const uint8_t* data, uint32_t n)
{
    std::unique_lock<std::mutex> guard(lock_);
    while (n > 0) {
        if (!live() || paused.load() != 0 || ring_ == nullptr) {
            return false;
        }
        const int32_t moved = uRingbufWrite(ring_, data, n);
        if (moved > 0) {
            data += moved;
            n -= static_cast<uint32_t>(moved);
            changed_.notify_all();
            continue;
        }
        changed_.wait(guard);
    }
    return true;
}

uint32_t CaptureLink::take(uint8_t* out, uint32_t n)
{
    std::unique_lock<std::mutex> guard(lock_);
    uint32_t got = 0;
    while (got < n && live() && paused.load() == 0 && ring_ != nullptr) {
        const int32_t moved = uRingbufRead(ring_, out + got, n - got);
        if (moved > 0) {
            got += static_cast<uint32_t>(moved);
            changed_.notify_all();
            continue;
        }
        changed_.wait(guard);
    }
    return got;
}

void CaptureLink::clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (ring_ != nullptr) {
        uRingbufClear(ring_);
    }
    clearedFor_ = pauses_;
    changed_.notify_all();
}

void CaptureLink::clearIfPending()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!pendingLocked()) {
        return;
    }
    if (ring_ != nullptr) {
        uRingbufClear(ring_);
    }
    clearedFor_ = pauses_;
    changed_.notify_all();
}

bool CaptureLink::clearPending()
{
    std::lock_guard<std::mutex> guard(lock_);
    return pendingLocked();
}

void CaptureLink::waitWhilePaused()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return !live() || paused.load() == 0; });
}

void CaptureLink::waitUntilCleared()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return !live() || (paused.load() == 0 && !pendingLocked()); });
}

void CaptureLink::waitUnlessStopped(std::chrono::milliseconds delay)
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait_for(guard, delay, [this] { return !live(); });
}

void CaptureLink::wake()
{
    std::lock_guard<std::mutex> guard(lock_);
    changed_.notify_all();
}
