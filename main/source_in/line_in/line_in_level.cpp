#include "main/source_in/line_in/line_in_level.h"

#include "main/gui/wrapper/wrapper_music.h"

#include <cstdlib>
#include <cstring>

void lineInLevelReset(LineInLevel* level)
{
    *level = LineInLevel{};
}

int32_t lineInSampleAverage(const uint8_t* data, uint32_t bytes)
{
    const uint32_t samples = bytes / sizeof(int16_t);
    if (samples == 0) {
        return 0;
    }
    double sum = 0;
    for (uint32_t i = 0; i < samples; ++i) {
        int16_t s = 0;
        memcpy(&s, data + i * sizeof(int16_t), sizeof(s));
        sum += std::abs(static_cast<int32_t>(s));
    }
    return static_cast<int32_t>(sum / samples);
}

int32_t lineInLevelStep(LineInLevel* level, const uint8_t* data, uint32_t bytes)
{
    const int32_t value = lineInSampleAverage(data, bytes) / 100;
    if (value >= LINE_IN_LOUD_LEVEL) {
        level->quietCount = 0;
        if (level->reporting) {
            guiWrapperMusicEnergySet(static_cast<uint32_t>(value));
        } else if (level->loudCount >= LINE_IN_REPORT_AFTER_PERIODS) {
            level->loudCount = 0;
            level->reporting = true;
        } else {
            ++level->loudCount;
            if (level->loudCount == LINE_IN_NOISE_UNMUTE_PERIODS) {
                guiWrapperMusicNoiseUnMute();
            } else if (level->loudCount == LINE_IN_ERP_RESET_PERIODS) {
                guiWrapperMusicErpReset();
            }
        }
        return value;
    }
    if (level->quietCount < LINE_IN_QUIET_PERIODS) {
        ++level->quietCount;
        return value;
    }
    level->loudCount = 0;
    level->quietCount = 0;
    level->reporting = false;
    if (level->silenceCount < LINE_IN_POP_MUTE_RESETS) {
        ++level->silenceCount;
    } else {
        level->silenceCount = 0;
        guiWrapperMusicPopMuteSet(1);
    }
    return value;
}
