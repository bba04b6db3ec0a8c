// Effect-chain data of the sound-effect pages: gain tables, biquad coefficient tables, element ids
// and the templates every page's parameter blocks start from. Must match the effect configurations
// preloaded at start.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

constexpr uint32_t VESK_PPC_PAGE_NUM = 42;
constexpr uint32_t VESK_PPC_BLOCK_NUM = 6;

// Linear gains in Q26 (0x4000000 = unity).
constexpr int64_t VESK_PPC_UNITY_GAIN = 0x4000000;
constexpr uint8_t VESK_PPC_LEVEL_MAX = 12;
constexpr uint8_t VESK_PPC_HEIGHT_MAX = 6;

// Surround gain by level 0..12: 0 is silent, then 2^26 * 10^((level - 6) / 20).
extern const std::array<int64_t, VESK_PPC_LEVEL_MAX + 1> kVeskPpcSurroundGain;
// Height gain by level 0..6: 2^26 * 10^((level - 3) / 20).
extern const std::array<int64_t, VESK_PPC_HEIGHT_MAX + 1> kVeskPpcHeightGain;

// Tone blocks edited by the block-gain writer.
enum class VeskPpcTone { Treble, Bass, Centre };

constexpr size_t VESK_PPC_ENTRY_NUM = 10;
constexpr size_t VESK_PPC_COEF_NUM = 5;  // one biquad: b0, b1, b2, a1, a2
using VeskPpcBiquad = std::array<int64_t, VESK_PPC_COEF_NUM>;

// Coefficients of a tone block entry at a level 0..12 (6 is flat).
const VeskPpcBiquad& veskPpcToneCoef(VeskPpcTone tone, uint8_t level, size_t entry);

// Element ids by page 0..41.
uint32_t veskPpcChannelGainElement(uint32_t page);
uint32_t veskPpcToneElement(VeskPpcTone tone, uint32_t page);

// The user-EQ bands and the coefficient table matched against the user's points.
constexpr size_t VESK_PPC_EQ_BAND_NUM = 10;
constexpr size_t VESK_PPC_EQ_SET_NUM = 9;
constexpr std::array<uint16_t, VESK_PPC_EQ_BAND_NUM> kVeskPpcEqBands = {31,   62,   125,  250,  500,
                                                                        1000, 2000, 4000, 8000, 16000};
struct VeskPpcEqCoefRow {
    int16_t freq;  // Hz
    int16_t gain;  // dB, +6 down to -6
    uint32_t unused;
    std::array<VeskPpcBiquad, VESK_PPC_EQ_SET_NUM> sets;
};
constexpr size_t VESK_PPC_EQ_ROW_NUM = 130;
// The row of a band frequency and a whole-dB gain; null when there is none.
const VeskPpcEqCoefRow* veskPpcEqCoefRow(int32_t freq, int32_t gain);
