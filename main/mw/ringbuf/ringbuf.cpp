#include "main/mw/ringbuf/ringbuf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#define RINGBUF_LOG(fmt, ...) printf("<RINGBUF>[%s:%d]:" fmt, __func__, __LINE__, ##__VA_ARGS__)

namespace {

// The index a side owns is read relaxed; the other side's index is read with acquire so that the
// bytes it published (stored before its release) are visible.
uint32_t freeSpace(uint32_t size, uint32_t write, uint32_t read)
{
    return read - write + (write >= read ? size : 0) - 1;
}

uint32_t usedSpace(uint32_t size, uint32_t write, uint32_t read)
{
    return size - freeSpace(size, write, read) - 1;
}

// Where a transfer of n bytes at index pos splits at the end of the storage, and the index after it.
struct RingSpan {
    uint32_t first;  // bytes before the end of the storage
    uint32_t next;
};

RingSpan ringSpan(uint32_t size, uint32_t pos, uint32_t n)
{
    const uint32_t first = (n > size - pos) ? size - pos : n;  // pos + n > size, without overflow
    uint32_t next = (n > first) ? n - first : pos + n;
    return {first, next == size ? 0 : next};
}

}  // namespace

RingBuf* uRingbufMalloc(uint32_t capacity)
{
    auto* rb = static_cast<RingBuf*>(std::calloc(1, sizeof(RingBuf)));
    if (rb == nullptr) {
        RINGBUF_LOG("malloc ringbuf failed! size:%d\n", static_cast<int>(sizeof(RingBuf)));
        return nullptr;
    }
    rb->size = capacity + 1;
    // The largest capacity leaves no room for the unused byte: its size would wrap to 0.
    rb->buf = rb->size == 0 ? nullptr : static_cast<uint8_t*>(std::calloc(1, rb->size));
    if (rb->buf == nullptr) {
        RINGBUF_LOG("malloc buf failed! size:%d\n", static_cast<int>(rb->size));
        std::free(rb);
        return nullptr;
    }
    rb->writeIdx.store(0, std::memory_order_relaxed);
    rb->readIdx.store(0, std::memory_order_relaxed);
    return rb;
}

void uRingbufFree(RingBuf* rb)
{
    if (rb == nullptr) {
        RINGBUF_LOG("handle can't be NULL");
        return;
    }
    std::free(rb->buf);
    std::free(rb);
}

int32_t uRingbufWrite(RingBuf* rb, const void* data, uint32_t length)
{
    if (rb == nullptr) {
        RINGBUF_LOG("ringbuf handle cann't be NULL");
        return -1;
    }
    if (data == nullptr) {
        RINGBUF_LOG("arg not valid!");
        return -1;
    }
    const uint32_t write = rb->writeIdx.load(std::memory_order_relaxed);
    const uint32_t read = rb->readIdx.load(std::memory_order_acquire);
    const uint32_t space = freeSpace(rb->size, write, read);
    const uint32_t n = length < space ? length : space;
    if (n == 0) {
        return 0;
    }
    const auto* src = static_cast<const uint8_t*>(data);
    const RingSpan span = ringSpan(rb->size, write, n);
    std::memcpy(rb->buf + write, src, span.first);
    std::memcpy(rb->buf, src + span.first, n - span.first);
    rb->writeIdx.store(span.next, std::memory_order_release);
    return static_cast<int32_t>(n);
}

int32_t uRingbufRead(RingBuf* rb, void* out, uint32_t length)
{
    if (rb == nullptr) {
        RINGBUF_LOG("ringbuf handle cann't be NULL");
        return -1;
    }
    if (out == nullptr) {
        RINGBUF_LOG("arg not valid!");
        return -1;
    }
    const uint32_t read = rb->readIdx.load(std::memory_order_relaxed);
    const uint32_t write = rb->writeIdx.load(std::memory_order_acquire);
    const uint32_t used = usedSpace(rb->size, write, read);
    const uint32_t n = length < used ? length : used;
    if (n == 0) {
        return 0;
    }
    auto* dst = static_cast<uint8_t*>(out);
    const RingSpan span = ringSpan(rb->size, read, n);
    std::memcpy(dst, rb->buf + read, span.first);
    std::memcpy(dst + span.first, rb->buf, n - span.first);
    rb->readIdx.store(span.next, std::memory_order_release);
    return static_cast<int32_t>(n);
}

int32_t uRingbufClear(RingBuf* rb)
{
    if (rb == nullptr || rb->buf == nullptr) {
        RINGBUF_LOG("ringbuf handle cann't be NULL");
        return -1;
    }
    std::memset(rb->buf, 0, rb->size);
    rb->writeIdx.store(0, std::memory_order_relaxed);
    rb->readIdx.store(0, std::memory_order_release);
    return 0;
}

int32_t uRingbufGetUsedSize(RingBuf* rb)
{
    if (rb == nullptr) {
        RINGBUF_LOG("ringbuf handle cann't be NULL");
        return -1;
    }
    return static_cast<int32_t>(
        usedSpace(rb->size, rb->writeIdx.load(std::memory_order_acquire), rb->readIdx.load(std::memory_order_acquire)));
}
