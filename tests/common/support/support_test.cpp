// The support header: byte order against hand-written layouts, and the owning descriptor.
#include "common/support/support.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(SupportTest, LoadsAndStoresPutTheBytesInTheNamedOrder)
{
    const std::array<uint8_t, 4> bytes = {0x12, 0x34, 0xab, 0xcd};
    EXPECT_EQ(sb::loadLe16(bytes.data()), 0x3412u);
    EXPECT_EQ(sb::loadBe16(bytes.data()), 0x1234u);
    EXPECT_EQ(sb::loadLe32(bytes.data()), 0xcdab3412u);
    EXPECT_EQ(sb::loadBe32(bytes.data()), 0x1234abcdu);

    struct Case {
        void (*store)(uint8_t*, uint32_t);
        uint32_t value;
        std::array<uint8_t, 5> expected;  // the byte after the value must stay untouched
    };
    const auto le16 = [](uint8_t* p, uint32_t v) { sb::storeLe16(p, static_cast<uint16_t>(v)); };
    const auto be16 = [](uint8_t* p, uint32_t v) { sb::storeBe16(p, static_cast<uint16_t>(v)); };
    const Case cases[] = {
        {le16, 0xbeef, {0xef, 0xbe, 0xff, 0xff, 0xff}},
        {be16, 0xbeef, {0xbe, 0xef, 0xff, 0xff, 0xff}},
        {sb::storeLe32, 0x80000001, {0x01, 0x00, 0x00, 0x80, 0xff}},
        {sb::storeBe32, 0x80000001, {0x80, 0x00, 0x00, 0x01, 0xff}},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 5> out{};
        out.fill(0xff);
        c.store(out.data(), c.value);
        EXPECT_EQ(out, c.expected) << std::hex << c.value;
    }
}

bool isOpen(int fd)
{
    return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

TEST(SupportTest, UniqueFdClosesWhatItOwnsOnceAndHandsItOnWhenMoved)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        sb::UniqueFd read(fds[0]);
        sb::UniqueFd moved(std::move(read));
        EXPECT_EQ(read.get(), -1);
        EXPECT_EQ(moved.get(), fds[0]);
        sb::UniqueFd write(fds[1]);
        EXPECT_EQ(write.close(), 0);
        EXPECT_EQ(write.get(), -1);
        EXPECT_FALSE(isOpen(fds[1]));
        EXPECT_TRUE(isOpen(fds[0]));
    }
    EXPECT_FALSE(isOpen(fds[0]));

    ASSERT_EQ(pipe(fds), 0);
    sb::UniqueFd kept(fds[0]);
    const int released = kept.release();
    EXPECT_EQ(released, fds[0]);
    EXPECT_TRUE(isOpen(released));
    kept.reset(fds[1]);
    EXPECT_EQ(kept.get(), fds[1]);
    close(released);
}

}  // namespace
