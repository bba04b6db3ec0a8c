#include "main/mw/ringbuf/ringbuf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace {

struct RingDeleter {
    void operator()(RingBuf* rb) const { uRingbufFree(rb); }
};
using Ring = std::unique_ptr<RingBuf, RingDeleter>;

std::vector<uint8_t> sequence(size_t n, uint8_t first)
{
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

TEST(Ringbuf, FillsToCapacityAndEmpties)
{
    Ring rb(uRingbufMalloc(8));
    const auto in = sequence(9, 1);
    EXPECT_EQ(8, uRingbufWrite(rb.get(), in.data(), 9));
    EXPECT_EQ(0, uRingbufWrite(rb.get(), in.data(), 1));
    EXPECT_EQ(8, uRingbufGetUsedSize(rb.get()));
    std::vector<uint8_t> out(16);
    EXPECT_EQ(8, uRingbufRead(rb.get(), out.data(), 16));  // asks for more than is stored
    EXPECT_EQ(std::vector<uint8_t>(in.begin(), in.begin() + 8), std::vector<uint8_t>(out.begin(), out.begin() + 8));
    EXPECT_EQ(0, uRingbufGetUsedSize(rb.get()));
    EXPECT_EQ(0, uRingbufRead(rb.get(), out.data(), 1));
}

TEST(Ringbuf, WrapsAroundInOrder)
{
    Ring rb(uRingbufMalloc(8));
    std::vector<uint8_t> out(8);
    const auto first = sequence(5, 10);
    ASSERT_EQ(5, uRingbufWrite(rb.get(), first.data(), 5));
    ASSERT_EQ(5, uRingbufRead(rb.get(), out.data(), 5));
    const auto second = sequence(7, 100);
    ASSERT_EQ(7, uRingbufWrite(rb.get(), second.data(), 7));
    // Storage holds 9 bytes: 4 land at its end (indices 5..8), 3 at its start.
    EXPECT_EQ(100, rb->buf[5]);
    EXPECT_EQ(103, rb->buf[8]);
    EXPECT_EQ(104, rb->buf[0]);
    EXPECT_EQ(106, rb->buf[2]);
    ASSERT_EQ(7, uRingbufRead(rb.get(), out.data(), 7));
    EXPECT_EQ(second, std::vector<uint8_t>(out.begin(), out.begin() + 7));
}

TEST(Ringbuf, ClearEmptiesAFullBuffer)
{
    Ring rb(uRingbufMalloc(4));
    const auto in = sequence(4, 1);
    ASSERT_EQ(4, uRingbufWrite(rb.get(), in.data(), 4));
    EXPECT_EQ(0, uRingbufClear(rb.get()));
    EXPECT_EQ(0, uRingbufGetUsedSize(rb.get()));
    EXPECT_EQ(4, uRingbufWrite(rb.get(), in.data(), 4));
}

TEST(Ringbuf, RefusesNullArguments)
{
    Ring rb(uRingbufMalloc(4));
    uint8_t byte = 0;
    EXPECT_EQ(-1, uRingbufWrite(nullptr, &byte, 1));
    EXPECT_EQ(-1, uRingbufWrite(rb.get(), nullptr, 1));
    EXPECT_EQ(-1, uRingbufRead(nullptr, &byte, 1));
    EXPECT_EQ(-1, uRingbufRead(rb.get(), nullptr, 1));
    EXPECT_EQ(-1, uRingbufClear(nullptr));
    EXPECT_EQ(-1, uRingbufGetUsedSize(nullptr));
    EXPECT_EQ(0, uRingbufWrite(rb.get(), &byte, 0));
}

TEST(Ringbuf, LargestCapacityIsRefusedRatherThanWrapped)
{
    // Capacity + 1 would be 0: no storage, and no buffer that believes it has room.
    testing::internal::CaptureStdout();
    EXPECT_EQ(nullptr, uRingbufMalloc(UINT32_MAX));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("malloc buf failed!"));
}

// One producer and one consumer with no lock of their own: every byte must arrive once, in order.
TEST(Ringbuf, TwoThreadStreamKeepsEveryByteInOrder)
{
    constexpr uint32_t kTotal = 4u << 20;
    Ring rb(uRingbufMalloc(4093));  // odd size so chunk edges fall everywhere in the storage
    std::thread producer([&] {
        std::vector<uint8_t> chunk(777);
        uint32_t sent = 0;
        while (sent < kTotal) {
            const uint32_t want = std::min<uint32_t>(chunk.size(), kTotal - sent);
            for (uint32_t i = 0; i < want; ++i) {
                chunk[i] = static_cast<uint8_t>((sent + i) * 31u >> 3);
            }
            uint32_t off = 0;
            while (off < want) {
                const int32_t n = uRingbufWrite(rb.get(), chunk.data() + off, want - off);
                ASSERT_GE(n, 0);
                off += static_cast<uint32_t>(n);
                if (n == 0) {
                    std::this_thread::yield();
                }
            }
            sent += want;
        }
    });
    std::vector<uint8_t> buf(1000);
    uint32_t received = 0;
    uint32_t mismatches = 0;
    while (received < kTotal) {
        const int32_t n = uRingbufRead(rb.get(), buf.data(), buf.size());
        ASSERT_GE(n, 0);
        for (int32_t i = 0; i < n; ++i) {
            mismatches += buf[i] != static_cast<uint8_t>((received + i) * 31u >> 3);
        }
        received += static_cast<uint32_t>(n);
        if (n == 0) {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(0u, mismatches);
    EXPECT_EQ(0, uRingbufGetUsedSize(rb.get()));
}

}  // namespace
