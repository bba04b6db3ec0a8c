// The audio-server stand-in: what a test reads of it (state, call log) and failure injection.
#include "platform/vesk2/vesk2.h"
#include "tests/pellant/pellant_harness.h"

#include <gtest/gtest.h>

#include <cstring>

using pellanttest::contains;
using pellanttest::vesk2Log;
using pellanttest::vesk2State;

namespace {

class Vesk2Test : public sbtest::SandboxTest {
protected:
    void SetUp() override { ASSERT_EQ(vesk_create(&h), 0); }
    void TearDown() override { vesk_destroy(h); }
    vesk_handle_t h = nullptr;
};

TEST_F(Vesk2Test, KeepsWhatItIsToldAndLogsEveryCall)
{
    VeskChList list{3, {0, 1, 5}};
    VeskDeviceDesc desc{};
    desc.ch_list[0] = &list;
    desc.format = 24;
    desc.name = "out put";
    EXPECT_EQ(vesk_set_device_desc_ext(h, 4, &desc), 0);
    EXPECT_EQ(vesk_set_stream_vol_ext(h, 3, 500), 0);
    EXPECT_EQ(vesk_set_stream_vol_ext(h, 3, 700), 0);
    const uint8_t data[16] = {1, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    EXPECT_EQ(vesk_ppc_set_parameter(h, 0x60001, 0x63000, 2, data), 0);
    uint32_t gain = 0;
    EXPECT_EQ(vesk_get_stream_vol(h, 3, &gain), 0);
    EXPECT_EQ(gain, 700u);

    const auto state = vesk2State(sandbox);
    EXPECT_TRUE(contains(state, "vesk_set_device_desc_ext 4 list0=0,1,5 list1= format=24 w3=0 name=out?put w5=0 "
                                "w6=0 w7=0"));
    EXPECT_TRUE(contains(state, "vesk_set_stream_vol_ext 3 700"));
    EXPECT_FALSE(contains(state, "vesk_set_stream_vol_ext 3 500"));
    EXPECT_TRUE(contains(state, "vesk_ppc_set_parameter 0x60001 0x63000 2 0100000000000000ffffffffffffffff"));
    const auto log = vesk2Log(sandbox);
    EXPECT_TRUE(contains(log, "vesk_set_stream_vol_ext 3 500 -> 0"));
    EXPECT_TRUE(contains(log, "vesk_set_stream_vol_ext 3 700 -> 0"));
}

TEST_F(Vesk2Test, RefusesWhatItCannotHoldWithoutReadingPastIt)
{
    EXPECT_EQ(vesk_set_stream_vol_ext(nullptr, 0, 1), VESK_ERR_PARAM);
    EXPECT_EQ(vesk_set_stream_vol_ext(h, VESK_STREAM_MAX, 1), VESK_ERR_PARAM);
    VeskChList tooLong{VESK_CH_LIST_MAX + 1, {}};
    VeskDeviceDesc desc{};
    desc.ch_list[1] = &tooLong;
    EXPECT_EQ(vesk_set_device_desc_ext(h, 2, &desc), VESK_ERR_PARAM);
    EXPECT_EQ(vesk_set_device_desc_ext(h, 2, nullptr), VESK_ERR_PARAM);
    VeskPpcPreload unterminated{};
    std::memset(unterminated.path, 'a', sizeof(unterminated.path));
    EXPECT_EQ(vesk_ppc_preload(h, 1, &unterminated), VESK_ERR_PARAM);
    EXPECT_EQ(vesk_ppc_preload(h, VESK_PRELOAD_MAX + 1, &unterminated), VESK_ERR_PARAM);
    EXPECT_EQ(vesk_ppc_set_parameter(h, 1, 2, VESK_PARAM_COUNT_MAX + 1, &desc), VESK_ERR_PARAM);
    EXPECT_EQ(vesk_ppc_set_parameter(h, 1, 2, 1, nullptr), VESK_ERR_PARAM);
    EXPECT_FALSE(contains(vesk2State(sandbox), "vesk_set_device_desc_ext 2"));
}

TEST_F(Vesk2Test, InjectedFailuresAreReadAtEveryCall)
{
    sandbox.write(VESK2_FAIL_PATH, "vesk_ppc_set_mode -7\nvesk_start\n");
    EXPECT_EQ(vesk_ppc_set_mode(h, 5), -7);
    EXPECT_EQ(vesk_start(h), -1);
    EXPECT_EQ(vesk_ppc_set_dec_spk_conf(h, 1), 0);
    EXPECT_TRUE(contains(vesk2Log(sandbox), "vesk_ppc_set_mode 5 -> -7"));
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_start 0"));
    EXPECT_FALSE(contains(vesk2State(sandbox), "vesk_ppc_set_mode 5"));

    sandbox.write(VESK2_FAIL_PATH, "vesk_create -3\n");
    vesk_handle_t other = nullptr;
    EXPECT_EQ(vesk_create(&other), -3);
    EXPECT_EQ(other, nullptr);

    sandbox.write(VESK2_FAIL_PATH, "");
    EXPECT_EQ(vesk_ppc_set_mode(h, 5), 0);
    EXPECT_TRUE(contains(vesk2State(sandbox), "vesk_ppc_set_mode 5"));
}

}  // namespace
