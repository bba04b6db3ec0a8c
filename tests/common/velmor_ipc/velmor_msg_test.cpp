#include "common/velmor_ipc/velmor_msg.h"

#include "common/support/support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int32_t le32At(const PlayerMsgBody& body, size_t at)
{
    return static_cast<int32_t>(sb::loadLe32(body.data() + at));
}

TEST(VelmorMsgTest, BodyFieldsSitAtTheBoardsOffsets)
{
    PlayerMsgBody body{};
    body.fill(0xee);
    ASSERT_TRUE(playerMsgEncode(&body, USB_PB_PLAY, "/data/mnt/sda1/a.mp3", 1, 0));
    EXPECT_EQ(le32At(body, 0), 5);
    EXPECT_STREQ(reinterpret_cast<const char*>(body.data() + 4), "/data/mnt/sda1/a.mp3");
    EXPECT_EQ(body[4 + 20], 0);  // the rest of the url field is zero
    EXPECT_EQ(body[259], 0);
    EXPECT_EQ(le32At(body, 260), 1);  // the i64 flag, low word first
    EXPECT_EQ(le32At(body, 264), 0);

    // A seek carries the low 32 bits of the position, then the whence.
    const int64_t position = (int64_t{7} << 32) | 0x12345678;
    ASSERT_TRUE(playerMsgEncode(&body, USB_PB_SEEK, nullptr, static_cast<int32_t>(static_cast<uint32_t>(position)), 2));
    EXPECT_EQ(le32At(body, 0), 14);
    EXPECT_EQ(body[4], 0);
    EXPECT_EQ(le32At(body, 260), 0x12345678);
    EXPECT_EQ(le32At(body, 264), 2);
}

TEST(VelmorMsgTest, UrlMustFitWithItsTerminator)
{
    PlayerMsgBody body{};
    const std::string fits(255, 'a');
    const std::string tooLong(256, 'a');
    EXPECT_TRUE(playerMsgEncode(&body, USB_PB_PLAY, fits.c_str(), 0, 0));
    EXPECT_EQ(playerMsgDecode(body.data(), body.size()).acUrl.data(), fits);
    body.fill(0x55);
    EXPECT_FALSE(playerMsgEncode(&body, USB_PB_PLAY, tooLong.c_str(), 0, 0));
    EXPECT_EQ(body[0], 0x55);  // nothing built
}

TEST(VelmorMsgTest, DecodeBoundsWhatItReads)
{
    PlayerMsgBody body{};
    body.fill('x');  // an unterminated url
    body[0] = USB_PB_GET_PROGRESS_DONE;
    body[1] = body[2] = body[3] = 0;
    body[260] = 0xff;
    body[261] = 0xff;
    body[262] = 0xff;
    body[263] = 0xff;
    PlayerMsg msg = playerMsgDecode(body.data(), body.size());
    EXPECT_EQ(msg.i4Cmd, USB_PB_GET_PROGRESS_DONE);
    EXPECT_EQ(std::strlen(msg.acUrl.data()), 255u);
    EXPECT_EQ(msg.i4Word0, -1);  // sign-extended by the caller

    // A short message reads as zero beyond what arrived.
    msg = playerMsgDecode(body.data(), 4);
    EXPECT_EQ(msg.i4Cmd, USB_PB_GET_PROGRESS_DONE);
    EXPECT_EQ(msg.acUrl[0], '\0');
    EXPECT_EQ(msg.i4Word0, 0);
}

}  // namespace
