// corvand's audio-server client against a remote-call server that records what arrives.
#include "main/audio_client/vesk_ipc.h"
#include "platform/tarp/tarp_server.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

namespace {

struct Arrived {
    uint32_t id;
    std::vector<uint8_t> bytes;
};

std::mutex gLock;
std::vector<Arrived> gArrived;

int record(uint32_t id, const void* args, uint32_t len, uint32_t, uint32_t)
{
    const auto* p = static_cast<const uint8_t*>(args);
    std::lock_guard<std::mutex> guard(gLock);
    gArrived.push_back({id, p ? std::vector<uint8_t>(p, p + len) : std::vector<uint8_t>{}});
    return 0;
}

std::vector<uint8_t> words(std::initializer_list<uint32_t> list)
{
    std::vector<uint8_t> out;
    for (uint32_t w : list) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<uint8_t>(w >> (8 * i)));
        }
    }
    return out;
}

struct ClientCase {
    const char* name;
    std::function<int()> call;
    uint32_t id;
    std::vector<uint8_t> bytes;
};

std::vector<ClientCase> clientCases()
{
    static const VeskAcousticsParam acoustics{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    static const uint8_t points[40] = {31, 0, 10, 0, 62, 0, 0xf6, 0xff};
    const VeskDevDescIpcArg desc{2, {32, 0, 0, 0, 0}, 3, 7};
    const VeskUserEqIpcArg userEq{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}};
    return {
        {"stream", [] { return vesk_set_stream_vol_ipc(2, 17); }, 0, words({2, 17})},
        {"master", [] { return vesk_set_master_vol_ipc(40); }, 1, words({40, 0})},
        {"connection", [desc] { return vesk_set_device_connection_ext_ipc(desc); }, 2,
         words({2, 32, 0, 0, 0, 0, 3, 7})},
        {"disconnection", [] { return vesk_set_device_disconnection_ipc(256); }, 4, words({256, 0})},
        {"bufrule",
         [] {
             return vesk_set_out_buffer_rule_ipc({6, 6, 24, 0});
         },
         5, words({6, 6, 24, 0})},
        {"samplerate", [] { return vesk_set_out_samplerate_rule_ipc(0, 48000); }, 6, words({0, 48000})},
        {"desc", [desc] { return vesk_set_device_desc_ext_ipc(desc); }, 7, words({2, 32, 0, 0, 0, 0, 3, 7})},
        {"le handle", [] { return vesk_set_bt_le_io_handle_ipc(1, 9); }, 8, words({1, 9})},
        {"parameter", [] { return vesk_ppc_set_parameter_ipc(1, 2, 3, 4); }, 9, words({1, 2, 3, 4})},
        {"mode", [] { return vesk_ppc_set_mode_ipc(5); }, 10, words({5})},
        {"enable", [] { return vesk_ppc_enable_ipc(1); }, 11, words({1})},
        {"cfgfile", [] { return vesk_ppc_set_cfgfile_path_ipc(6); }, 12, words({6})},
        {"mix format", [] { return vesk_set_out_mix_format_ipc(1, 2, 3); }, 13, words({1, 2, 3})},
        {"ppc type", [] { return vesk_set_ppc_type_ipc(7); }, 14, words({7})},
        {"spk conf", [] { return vesk_ppc_set_dec_spk_conf_ipc(63); }, 15, words({63})},
        {"bypass", [] { return vesk_set_bypass_mode_ipc(1); }, 16, words({1, 0})},
        {"surround", [] { return vesk_set_surround_mode_ipc(1); }, 17, words({1, 0})},
        {"eq mode", [] { return vesk_set_eq_mode_ipc(7, 1); }, 18, words({7, 1})},
        {"eq points", [] { return vesk_set_eq_point_ipc(points, sizeof(points)); }, 19,
         std::vector<uint8_t>(points, points + 40)},
        {"bass", [] { return vesk_set_bass_level_ipc(12); }, 20, words({12, 0})},
        {"treble", [] { return vesk_set_treble_level_ipc(3); }, 21, words({3, 0})},
        {"bassboost", [] { return vesk_set_bassboost_ipc(1); }, 22, words({1, 0})},
        {"latency", [] { return vesk_set_latency_ipc(40); }, 23, words({40, 0})},
        {"surround vol", [] { return vesk_set_surround_vol_ipc(9); }, 24, words({9, 0})},
        {"1/8 power", [] { return vesk_set_1d8_power_ipc(1); }, 25, words({1, 0})},
        {"virtual x", [] { return vesk_set_virtual_x_ipc(1); }, 26, words({1, 0})},
        {"acoustics", [] { return vesk_set_acoustics_param_ipc(&acoustics); }, 27,
         words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0})},
        {"standard test", [] { return vesk_set_standard_test_ipc(1); }, 28, words({1, 0})},
        {"format", [] { return vesk_set_fmt_chn_num_ipc(2); }, 29, words({2, 0})},
        {"eq test", [] { return vesk_set_eq_test_ipc(1); }, 30, words({1, 0})},
        {"source gain", [] { return vesk_set_source_gain_ipc(5); }, 31, words({5, 0})},
        {"center", [] { return vesk_set_center_ipc(4); }, 32, words({4, 0})},
        {"surround left", [] { return vesk_set_surround_left_ipc(5); }, 33, words({5, 0})},
        {"surround right", [] { return vesk_set_surround_right_ipc(6); }, 34, words({6, 0})},
        {"height", [] { return vesk_set_height_ipc(3); }, 35, words({3, 0})},
        {"dts gain", [] { return vesk_set_dts_comp_gain_ipc(0xFFFFFFFE); }, 36, words({0xFFFFFFFE, 0})},
        {"upmix", [] { return vesk_set_xupmix_ipc(1); }, 37, words({1, 0})},
        {"user eq", [userEq] { return vesk_set_user_eq_ipc(userEq); }, 38, words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0})},
    };
}

// The client's whole life in one test: refused, connected, closed and refused again.
TEST(VeskIpcTest, RefusesUntilConnectedThenSendsEveryRecordAtItsSize)
{
    sbtest::Sandbox sandbox;
    tarps_server* server = nullptr;
    ASSERT_EQ(tarps_create(&server, "/tmp/vesk_ipc_app_server"), 0);
    ASSERT_EQ(tarps_register_callback_ext(server, record, 0), 0);
    ASSERT_EQ(tarps_start(server), 0);

    const auto cases = clientCases();
    for (const auto& c : cases) {
        EXPECT_EQ(c.call(), VESK_IPC_ERR_NOT_CONNECTED) << c.name;
    }
    EXPECT_EQ(vesk_set_acoustics_param_ipc(nullptr), VESK_IPC_ERR_NULL_PARAM);

    EXPECT_EQ(vesk_ipc_create(), 0);
    EXPECT_EQ(vesk_set_acoustics_param_ipc(nullptr), VESK_IPC_ERR_NULL_PARAM);
    for (const auto& c : cases) {
        EXPECT_EQ(c.call(), 0) << c.name;
    }
    std::vector<Arrived> arrived;
    {
        std::lock_guard<std::mutex> guard(gLock);
        arrived = gArrived;
    }
    ASSERT_EQ(arrived.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(arrived[i].id, cases[i].id) << cases[i].name;
        EXPECT_EQ(arrived[i].bytes, cases[i].bytes) << cases[i].name;
    }
    EXPECT_EQ(arrived[26].bytes.size(), 56u);
    EXPECT_EQ(arrived[37].bytes.size(), 44u);
    // Closed, the client refuses again instead of sending on the closed handle.
    EXPECT_EQ(vesk_ipc_destory(), 0);
    EXPECT_EQ(vesk_set_master_vol_ipc(3), VESK_IPC_ERR_NOT_CONNECTED);
    tarps_destroy(server);
}

TEST(VeskIpcTest, ChannelMaskAddsOneBitPerChannel)
{
    struct Case {
        std::vector<uint32_t> channels;
        uint32_t mask;
    };
    const Case cases[] = {
        {{0, 1, 2}, 7}, {{3, 40}, 8}, {{3, 3}, 16}, {{0x105}, 32}, {{31}, 0x80000000}, {{31, 31}, 0}, {{}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vesk_chmap_parse(static_cast<int>(c.channels.size()), c.channels.data()), c.mask);
    }
    EXPECT_EQ(vesk_chmap_parse(3, nullptr), 0u);
    const uint32_t one[] = {4};
    EXPECT_EQ(vesk_chmap_parse(-1, one), 0u);
}

}  // namespace
