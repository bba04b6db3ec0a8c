// Byte FIFO of fixed capacity between one producer thread and one consumer thread (the capture
// sources pass PCM from their capture thread to their playback thread). Nothing blocks: reads and
// writes move what fits and report how many bytes moved.
#pragma once

#include <atomic>
#include <cstdint>

struct RingBuf {
    uint8_t* buf;                    // storage, size bytes
    uint32_t size;                   // capacity + 1: one byte stays unused so full differs from empty
    std::atomic<uint32_t> writeIdx;  // changed only by the producer
    std::atomic<uint32_t> readIdx;   // changed only by the consumer
};

RingBuf* uRingbufMalloc(uint32_t capacity);
void uRingbufFree(RingBuf* rb);
int32_t uRingbufWrite(RingBuf* rb, const void* data, uint32_t length);
int32_t uRingbufRead(RingBuf* rb, void* out, uint32_t length);
int32_t uRingbufClear(RingBuf* rb);
int32_t uRingbufGetUsedSize(RingBuf* rb);
