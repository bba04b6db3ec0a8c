#include "main/gui/wrapper/wrapper_gain.h"

#include "main/gui/link/protocol_wavrel.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_dev_log.h"

#include <array>
#include <cstddef>

#define GAIN_LOG(fmt, ...) WRAPPER_LOG_ERR("<GAIN>", fmt, ##__VA_ARGS__)

namespace {

constexpr uint8_t kCmdSurGain = 0x09;
constexpr uint8_t kCmdSubGain = 0x0A;
constexpr float kGainFloor = -89.0f;

// The gains of the three tables in half decibels, volume 0 to 100.
constexpr std::array<int16_t, GUI_WRAPPER_VOL_GAIN_ROWS> kFrontSurHalfDb = {
    -104, -98, -86, -74, -62, -54, -46, -38, -30, -26, -22, -18, -14, -10, -6, -2, 0,  2,  4,  6,  8,
    9,    10,  11,  12,  13,  14,  15,  16,  17,  18,  18,  19,  19,  20,  20,  21, 21, 22, 22, 23, 23,
    24,   24,  25,  25,  26,  26,  27,  27,  28,  28,  30,  30,  31,  31,  32,  32, 33, 33, 34, 34, 35,
    35,   36,  36,  37,  37,  38,  38,  39,  39,  40,  40,  41,  41,  42,  42,  42, 43, 43, 43, 44, 44,
    44,   45,  45,  45,  46,  46,  46,  46,  47,  47,  47,  47,  48,  48,  48,  48, 48};
constexpr std::array<int16_t, GUI_WRAPPER_VOL_GAIN_ROWS> kSurHalfDb = {
    -104, -108, -96, -84, -72, -64, -56, -48, -40, -36, -32, -28, -24, -20, -16, -12, -10, -8, -6, -4, -2,
    -1,   0,    1,   2,   3,   4,   5,   6,   7,   8,   8,   9,   9,   10,  10,  11,  11,  12, 12, 13, 13,
    14,   14,   15,  15,  16,  16,  17,  17,  18,  18,  20,  20,  21,  21,  22,  22,  23,  23, 24, 24, 25,
    25,   26,   26,  27,  27,  28,  28,  29,  29,  30,  30,  31,  31,  32,  32,  32,  33,  33, 33, 34, 34,
    34,   35,   35,  35,  36,  36,  36,  36,  37,  37,  37,  37,  38,  38,  38,  38,  38};
constexpr std::array<int16_t, GUI_WRAPPER_VOL_GAIN_ROWS> kSubHalfDb = {
    -104, -102, -90, -78, -66, -58, -50, -42, -34, -30, -26, -22, -18, -14, -10, -6, -4, -2, 0,  2,  4,
    5,    6,    7,   8,   9,   10,  11,  12,  13,  14,  14,  15,  15,  16,  16,  17, 17, 18, 18, 19, 19,
    20,   20,   21,  21,  22,  22,  23,  23,  24,  24,  26,  26,  27,  27,  28,  28, 29, 29, 30, 30, 31,
    31,   32,   32,  33,  33,  34,  34,  35,  35,  36,  36,  37,  37,  38,  38,  38, 39, 39, 39, 40, 40,
    40,   41,   41,  41,  42,  42,  42,  42,  43,  43,  43,  43,  44,  44,  44,  44, 44};

using VolTable = std::array<GuiWrapperVolGainRow, GUI_WRAPPER_VOL_GAIN_ROWS>;

constexpr VolTable volTable(const std::array<int16_t, GUI_WRAPPER_VOL_GAIN_ROWS>& halfDb)
{
    VolTable t{};
    for (size_t i = 0; i < t.size(); ++i) {
        t[i] = {i, static_cast<float>(halfDb[i]) / 2.0f, 0};
    }
    return t;
}

// e^x for |x| up to about 11 in double precision: x is halved below 1/2, the series summed, and
// the result squared back (few squarings, so the rounding error stays far below a coefficient's unit).
constexpr double constExp(double x)
{
    int halvings = 0;
    while (x > 0.5 || x < -0.5) {
        x /= 2.0;
        ++halvings;
    }
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n < 30; ++n) {
        term *= x / n;
        sum += term;
    }
    for (int i = 0; i < halvings; ++i) {
        sum *= sum;
    }
    return sum;
}

constexpr double kLn10 = 2.302585092994045684;
constexpr double kUnity = 8388608.0;  // 2^23
constexpr size_t kGainRowsUsed = 241;  // +30 dB down to -90 dB in half decibels

using ParamTable = std::array<GuiWrapperGainParamRow, GUI_WRAPPER_GAIN_PARAM_ROWS>;

constexpr ParamTable paramTable()
{
    ParamTable t{};
    for (size_t i = 0; i < kGainRowsUsed; ++i) {
        const double db = 30.0 - 0.5 * static_cast<double>(i);
        const double coeff = constExp(db * kLn10 / 20.0) * kUnity;
        t[i] = {static_cast<float>(db), 0, static_cast<uint32_t>(coeff + 0.5), 0};
    }
    return t;
}

static_assert(paramTable()[60].coeff == 8388608, "0 dB is unity");
static_assert(paramTable()[0].coeff == 265271077 && paramTable()[240].coeff == 265, "the table's ends");

// The coefficient of the first row whose gain is exactly `gain`; false when there is none.
bool coeffOf(float gain, uint32_t* coeff)
{
    for (const GuiWrapperGainParamRow& row : gain_parament_table) {
        if (row.gain == gain) {
            *coeff = row.coeff;
            return true;
        }
    }
    return false;
}

// The channel's total gain, raised to the floor; false (and the miss logged) when no row has it.
bool channelBytes(uint8_t channel, const char* missLog, std::array<uint8_t, 5>* out)
{
    float gain = 0.0f;
    gui_wrapper_total_gain_get(channel, &gain);
    if (gain < kGainFloor) {
        gain = kGainFloor;
    }
    uint32_t coeff = 0;
    if (!coeffOf(gain, &coeff)) {
        GAIN_LOG("%s", missLog);
        return false;
    }
    *out = {static_cast<uint8_t>(coeff >> 24), static_cast<uint8_t>(coeff >> 16), static_cast<uint8_t>(coeff >> 8),
            static_cast<uint8_t>(coeff), 1};
    return true;
}

}  // namespace

// Computed by the compiler: the tables are constant data of the program.
const std::array<GuiWrapperVolGainRow, GUI_WRAPPER_VOL_GAIN_ROWS> front_sur_vol_gain_table = volTable(kFrontSurHalfDb);
const std::array<GuiWrapperVolGainRow, GUI_WRAPPER_VOL_GAIN_ROWS> sur_vol_gain_table = volTable(kSurHalfDb);
const std::array<GuiWrapperVolGainRow, GUI_WRAPPER_VOL_GAIN_ROWS> sub_vol_gain_table = volTable(kSubHalfDb);
const std::array<GuiWrapperGainParamRow, GUI_WRAPPER_GAIN_PARAM_ROWS> gain_parament_table = paramTable();

void gui_wrapper_total_gain_get(uint8_t channel, float* gain)
{
    if (gain == nullptr) {
        GAIN_LOG("Param Error!");
        return;
    }
    const std::array<GuiWrapperVolGainRow, GUI_WRAPPER_VOL_GAIN_ROWS>* table = nullptr;
    int64_t volume = 0;
    const char* missLog = "sub not find vol";
    switch (channel) {
    case GUI_WRAPPER_GAIN_CH_SUR:
        *gain += static_cast<float>(g_wavrel_vol_gain.sur_gain.load());
        volume = g_wavrel_vol_gain.volume.load();
        table = &sur_vol_gain_table;
        missLog = "sur not find vol";
        break;
    case GUI_WRAPPER_GAIN_CH_SUB:
        *gain += static_cast<float>(g_wavrel_vol_gain.sub_gain.load());
        volume = g_wavrel_vol_gain.sub_volume.load();
        table = &sub_vol_gain_table;
        break;
    case GUI_WRAPPER_GAIN_CH_FRONT_SUR:
        *gain += static_cast<float>(g_wavrel_vol_gain.sur_gain.load());
        volume = g_wavrel_vol_gain.volume.load();
        table = &front_sur_vol_gain_table;
        break;
    default:
        GAIN_LOG("not find channel %d", channel);
        return;
    }
    for (const GuiWrapperVolGainRow& row : *table) {
        if (static_cast<int64_t>(row.volume) == volume) {
            *gain += row.gain;
            return;
        }
    }
    GAIN_LOG("%s", missLog);
}

void gui_wrapper_front_sur_gain_parament_set(void)
{
    std::array<uint8_t, 5> bytes{};
    if (channelBytes(GUI_WRAPPER_GAIN_CH_FRONT_SUR, "front sur not find parament", &bytes)) {
        guiWrapperAmpLRsGainSet(bytes.data());
    }
}

void gui_wrapper_sur_gain_parament_set(void)
{
    std::array<uint8_t, 5> bytes{};
    if (channelBytes(GUI_WRAPPER_GAIN_CH_SUR, "sur not find parament", &bytes)) {
        guiWrapperProtocolWavrelCmdSet(kCmdSurGain, bytes.data());
    }
}

void gui_wrapper_sub_gain_parament_set(void)
{
    std::array<uint8_t, 5> bytes{};
    if (channelBytes(GUI_WRAPPER_GAIN_CH_SUB, "sub not find parament", &bytes)) {
        guiWrapperProtocolWavrelCmdSet(kCmdSubGain, bytes.data());
    }
}
