#include "main/source_in/line_in/line_in_level.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "tests/main/source_in/source_harness.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kPeriodBytes = 3840;

// One period whose every sample has magnitude `magnitude`, alternating in sign.
std::vector<uint8_t> period(int16_t magnitude)
{
    std::vector<uint8_t> p(kPeriodBytes);
    for (uint32_t i = 0; i < kPeriodBytes / 2; ++i) {
        const int16_t s = (i % 2 == 0) ? magnitude : static_cast<int16_t>(-magnitude);
        memcpy(&p[i * 2], &s, sizeof(s));
    }
    return p;
}

// A run of `count` periods at one magnitude.
struct Stretch {
    int16_t magnitude;
    uint32_t count;
};

class LineInLevelTest : public sbtest::SandboxTest {
protected:
    // Steps through the runs and returns each wrapper call as "<period number>: <call>".
    std::vector<std::string> callsFor(const std::vector<Stretch>& runs)
    {
        LineInLevel level;
        lineInLevelReset(&level);
        std::vector<std::string> calls;
        size_t seen = 0;
        uint32_t n = 0;
        for (const Stretch& run : runs) {
            const std::vector<uint8_t> p = period(run.magnitude);
            for (uint32_t i = 0; i < run.count; ++i) {
                lineInLevelStep(&level, p.data(), kPeriodBytes);
                ++n;
                const auto log = srctest::lines(sandbox.read(WRAPPER_SOURCE_CALL_LOG));
                for (; seen < log.size(); ++seen) {
                    calls.push_back(std::to_string(n) + ": " + log[seen]);
                }
            }
        }
        return calls;
    }
};

TEST_F(LineInLevelTest, LevelIsTheMeanMagnitudeOverAHundred)
{
    const int16_t samples[] = {100, -300, 32767, -32768};
    EXPECT_EQ((100 + 300 + 32767 + 32768) / 4, lineInSampleAverage(reinterpret_cast<const uint8_t*>(samples), 8 * 1));
    LineInLevel level;
    lineInLevelReset(&level);
    EXPECT_EQ(14, lineInLevelStep(&level, period(1499).data(), kPeriodBytes));
    EXPECT_EQ(1u, level.quietCount);
    EXPECT_EQ(15, lineInLevelStep(&level, period(1500).data(), kPeriodBytes));
    EXPECT_EQ(0u, level.quietCount);
    EXPECT_EQ(1u, level.loudCount);
}

TEST_F(LineInLevelTest, PeriodsDriveTheWrapperCalls)
{
    struct Case {
        const char* what;
        std::vector<Stretch> runs;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"sound that stays",
         {{4000, 154}},
         {"6: guiWrapperMusicNoiseUnMute", "30: guiWrapperMusicErpReset", "152: guiWrapperMusicEnergySet 40",
          "153: guiWrapperMusicEnergySet 40", "154: guiWrapperMusicEnergySet 40"}},
        {"just loud enough", {{1500, 7}}, {"6: guiWrapperMusicNoiseUnMute"}},
        {"just too quiet", {{1499, 40}}, {}},
        {"silence", {{0, 11 * 501 + 10}}, {"5511: guiWrapperMusicPopMuteSet 1"}},
        // Ten quiet periods keep the loud count: the sixth loud period comes after them.
        {"short pause in the sound", {{4000, 5}, {0, 10}, {4000, 1}}, {"16: guiWrapperMusicNoiseUnMute"}},
        // The eleventh quiet period resets it: six more loud periods are needed.
        {"long pause in the sound", {{4000, 5}, {0, 11}, {4000, 6}}, {"22: guiWrapperMusicNoiseUnMute"}},
        // Reporting ends with a quiet reset and needs 150 loud periods again.
        {"reports end with a reset",
         {{4000, 152}, {0, 11}, {4000, 152}},
         {"6: guiWrapperMusicNoiseUnMute", "30: guiWrapperMusicErpReset", "152: guiWrapperMusicEnergySet 40",
          "169: guiWrapperMusicNoiseUnMute", "193: guiWrapperMusicErpReset", "315: guiWrapperMusicEnergySet 40"}},
        // Sound never resets the silence count: quiet resets add up across it.
        {"silence count survives sound",
         {{0, 11 * 300}, {4000, 1}, {0, 11 * 201}},
         {"5512: guiWrapperMusicPopMuteSet 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sandbox.write(WRAPPER_SOURCE_CALL_LOG, "");
        EXPECT_EQ(c.calls, callsFor(c.runs));
    }
}

}  // namespace
