// Gain parameters of the wireless surround receivers, the wireless subwoofer and the front surround
// amplifier: each output's total gain (its volume table at the current volume plus the user's gain
// from the 5.8 GHz link's gain record) becomes a fixed-point coefficient sent to its device.
#pragma once

#include <array>
#include <cstdint>

constexpr uint8_t GUI_WRAPPER_GAIN_CH_SUR = 0;
constexpr uint8_t GUI_WRAPPER_GAIN_CH_SUB = 1;
constexpr uint8_t GUI_WRAPPER_GAIN_CH_FRONT_SUR = 2;

// One row of a volume table: the volume and the gain it gives.
struct GuiWrapperVolGainRow {
    uint64_t volume;
    float gain;
    uint32_t zero;
};

// One row of the coefficient table: a gain in dB and its coefficient (1.0 is 2^23).
struct GuiWrapperGainParamRow {
    float gain;
    uint32_t zero0;
    uint32_t coeff;
    uint32_t zero1;
};

constexpr uint32_t GUI_WRAPPER_VOL_GAIN_ROWS = 101;
constexpr uint32_t GUI_WRAPPER_GAIN_PARAM_ROWS = 300;

extern const std::array<GuiWrapperVolGainRow, GUI_WRAPPER_VOL_GAIN_ROWS> front_sur_vol_gain_table;
extern const std::array<GuiWrapperVolGainRow, GUI_WRAPPER_VOL_GAIN_ROWS> sur_vol_gain_table;
extern const std::array<GuiWrapperVolGainRow, GUI_WRAPPER_VOL_GAIN_ROWS> sub_vol_gain_table;
// Rows 0 to 240: +30 dB down to -90 dB in half decibels; the rest zero.
extern const std::array<GuiWrapperGainParamRow, GUI_WRAPPER_GAIN_PARAM_ROWS> gain_parament_table;

// Adds the channel's total gain in dB to *gain; an unknown channel adds nothing.
void gui_wrapper_total_gain_get(uint8_t channel, float* gain);
// Each sends its output's coefficient, or nothing when the total has no row.
void gui_wrapper_front_sur_gain_parament_set(void);
void gui_wrapper_sur_gain_parament_set(void);
void gui_wrapper_sub_gain_parament_set(void);
