// The audio-input queue's body: every field at its byte offset, little-endian, and the length
// check on a received body.
#include "common/sileth_ipc/sileth_msg.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(SilethMsgTest, EveryFieldLandsAtItsOffset)
{
    struct Case {
        const char* field;
        std::function<void(sileth_msg_t&)> set;
        size_t offset;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"cmd", [](sileth_msg_t& m) { m.cmd = 0x01020304; }, 0, {4, 3, 2, 1}},
        {"power_en", [](sileth_msg_t& m) { m.power_en = 0xA1; }, 4, {0xA1}},
        {"source_volume", [](sileth_msg_t& m) { m.source_volume = 0x85; }, 5, {0x85}},
        {"sig_flow_mute", [](sileth_msg_t& m) { m.sig_flow_mute = 1; }, 6, {1}},
        {"SrcType", [](sileth_msg_t& m) { m.SrcType = 2; }, 7, {2}},
        {"eArc_sts", [](sileth_msg_t& m) { m.eArc_sts = 2; }, 8, {2}},
        {"cec",
         [](sileth_msg_t& m) {
             m.cec[0] = 0x4F;
             m.cec[15] = 0x99;
         },
         9,
         {0x4F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x99}},
        {"cec_len", [](sileth_msg_t& m) { m.cec_len = 16; }, 25, {16}},
        {"energy", [](sileth_msg_t& m) { m.energy = -2; }, 28, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"DrcMode", [](sileth_msg_t& m) { m.DrcMode = 8; }, 32, {8, 0, 0, 0}},
        {"channels", [](sileth_msg_t& m) { m.channels = 6; }, 36, {6, 0, 0, 0}},
        {"sample_rate", [](sileth_msg_t& m) { m.sample_rate = 48000; }, 40, {0x80, 0xBB, 0, 0}},
        {"codec_type", [](sileth_msg_t& m) { m.codec_type = 5; }, 44, {5, 0, 0, 0}},
        {"atmos_stream_type", [](sileth_msg_t& m) { m.atmos_stream_type = 3; }, 48, {3, 0, 0, 0}},
        {"proc_type", [](sileth_msg_t& m) { m.proc_type = 0xFF; }, 52, {0xFF, 0, 0, 0}},
        {"dts_stream_type", [](sileth_msg_t& m) { m.dts_stream_type = 0x211; }, 56, {0x11, 2, 0, 0}},
        {"dts_comp_gain", [](sileth_msg_t& m) { m.dts_comp_gain = -1; }, 60, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"dts_direct_mode", [](sileth_msg_t& m) { m.dts_direct_mode = 1; }, 64, {1}},
        {"drc_percent", [](sileth_msg_t& m) { m.drc_percent = 25; }, 65, {25}},
        {"dialog_control", [](sileth_msg_t& m) { m.dialog_control = 3; }, 66, {3}},
        {"xupmix", [](sileth_msg_t& m) { m.xupmix = 1; }, 67, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        sileth_msg_t msg;
        c.set(msg);
        const SilethMsgBody body = silethMsgEncode(msg);
        SilethMsgBody want{};
        std::copy(c.bytes.begin(), c.bytes.end(), want.begin() + static_cast<std::ptrdiff_t>(c.offset));
        EXPECT_EQ(want, body);
        const auto back = silethMsgDecode(MSG_TO_MAIN, body.data(), body.size());
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(MSG_TO_MAIN, back->type);
        EXPECT_EQ(body, silethMsgEncode(*back));
    }
}

TEST(SilethMsgTest, OnlyAWholeBodyDecodes)
{
    const SilethMsgBody body{};
    EXPECT_FALSE(silethMsgDecode(MSG_TO_SILETH, body.data(), body.size() - 1).has_value());
    EXPECT_FALSE(silethMsgDecode(MSG_TO_SILETH, nullptr, body.size()).has_value());
    EXPECT_TRUE(silethMsgDecode(MSG_TO_SILETH, body.data(), body.size()).has_value());
}

}  // namespace
