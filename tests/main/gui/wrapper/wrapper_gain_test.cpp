// The speakers' gain parameters on the simulated board: each output's total gain becomes a
// coefficient, sent as 5.8 GHz module command 9 or 10 or written to the front surround amplifier.
#include "main/gui/link/protocol_wavrel.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_gain.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(GainTables, CoefficientsAreTheRoundedLinearGains)
{
    for (size_t i = 0; i < 241; ++i) {
        const double db = 30.0 - 0.5 * static_cast<double>(i);
        const auto want = static_cast<uint32_t>(std::llround(std::pow(10.0, db / 20.0) * 8388608.0));
        ASSERT_EQ(static_cast<float>(db), gain_parament_table[i].gain) << "row " << i;
        ASSERT_EQ(want, gain_parament_table[i].coeff) << "row " << i << " (" << db << " dB)";
    }
    for (size_t i = 241; i < GUI_WRAPPER_GAIN_PARAM_ROWS; ++i) {
        ASSERT_EQ(0.0f, gain_parament_table[i].gain);
        ASSERT_EQ(0u, gain_parament_table[i].coeff);
    }
    for (size_t v = 0; v < GUI_WRAPPER_VOL_GAIN_ROWS; ++v) {
        ASSERT_EQ(v, sur_vol_gain_table[v].volume);
        ASSERT_EQ(v, sub_vol_gain_table[v].volume);
        ASSERT_EQ(v, front_sur_vol_gain_table[v].volume);
    }
    EXPECT_EQ(-54.0f, sur_vol_gain_table[1].gain);
    EXPECT_EQ(4.5f, front_sur_vol_gain_table[21].gain);
    EXPECT_EQ(22.0f, sub_vol_gain_table[100].gain);
}

TEST(GainTables, TotalsAddToTheCallersValue)
{
    g_wavrel_vol_gain.volume = 50;
    g_wavrel_vol_gain.sur_gain = -3;
    g_wavrel_vol_gain.sub_volume = 101;  // outside the table: only the gain counts
    g_wavrel_vol_gain.sub_gain = 2;
    float sur = 1.0f;
    float sub = 0.0f;
    float front = 0.0f;
    float unknown = 5.0f;
    gui_wrapper_total_gain_get(GUI_WRAPPER_GAIN_CH_SUR, &sur);
    gui_wrapper_total_gain_get(GUI_WRAPPER_GAIN_CH_SUB, &sub);
    gui_wrapper_total_gain_get(GUI_WRAPPER_GAIN_CH_FRONT_SUR, &front);
    gui_wrapper_total_gain_get(3, &unknown);
    EXPECT_EQ(1.0f - 3.0f + 9.0f, sur);
    EXPECT_EQ(2.0f, sub);
    EXPECT_EQ(-3.0f + 14.0f, front);
    EXPECT_EQ(5.0f, unknown);
}

class GainSendTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        guiWrapperAmpInit();
        guiWrapperWirelessDrvInit();
        guiWrapperWirelessDrvOpen(WIRELESS_DEV_E_WAVREL);
    }
    void TearDown() override
    {
        guiWrapperWirelessDrvClose(WIRELESS_DEV_E_WAVREL);
        guiWrapperWirelessDrvExit();
        guiWrapperAmpExit();
    }

    // The bus writes to `addr` since the log held `from` lines, without their times.
    std::vector<std::string> writesTo(const std::string& addr, size_t from) const
    {
        std::vector<std::string> out;
        std::istringstream in(sim.ctl("log i2c"));
        std::string line;
        for (size_t n = 0; std::getline(in, line); ++n) {
            const std::string key = "bus 3 addr " + addr + " W ";
            const size_t at = line.find(key);
            if (n >= from && at != std::string::npos) {
                out.push_back(line.substr(at + key.size()));
            }
        }
        return out;
    }
    size_t logLines() const
    {
        const std::string log = sim.ctl("log i2c");
        return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
    }
};

TEST_F(GainSendTest, EachOutputSendsItsCoefficient)
{
    struct Case {
        const char* name;
        int64_t volume, surGain, subVolume, subGain;
        std::vector<std::string> module;  // commands to the 5.8 GHz module
        std::vector<std::string> front;   // writes to the front surround amplifier
    };
    const std::vector<Case> cases = {
        {"volume 50, 0 dB", 50, 0, 50, 0,
         {"14 60 09 01 68 c0 c6 01", "14 60 0a 01 fd 93 c2 01"},
         {"00 04", "7c 02 81 85 08", "80 02 81 85 08"}},
        {"31 dB on the front surround has no row", 100, 7, 100, 0,
         {"14 60 09 09 f9 ef 8e 01", "14 60 0a 06 4b 6c ae 01"}, {}},
        {"below -89 dB is sent as -89 dB", 0, -89, 0, -43,
         {"14 60 09 00 00 01 2a 01", "14 60 0a 00 00 01 2a 01"},
         {"00 04", "7c 00 00 01 2a", "80 00 00 01 2a"}},
        {"subwoofer volume 0 at -3 dB", 50, 0, 0, -3,
         {"14 60 09 01 68 c0 c6 01", "14 60 0a 00 00 3a 45 01"},
         {"00 04", "7c 02 81 85 08", "80 02 81 85 08"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_wavrel_vol_gain.volume = c.volume;
        g_wavrel_vol_gain.sur_gain = c.surGain;
        g_wavrel_vol_gain.sub_volume = c.subVolume;
        g_wavrel_vol_gain.sub_gain = c.subGain;
        const size_t mark = logLines();
        gui_wrapper_sur_gain_parament_set();
        gui_wrapper_sub_gain_parament_set();
        gui_wrapper_front_sur_gain_parament_set();
        EXPECT_EQ(c.module, writesTo("0x63", mark));
        EXPECT_EQ(c.front, writesTo("0x2c", mark));
    }
}

}  // namespace
