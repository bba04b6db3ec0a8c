#include "pellant/vesk_ppc_tables.h"

#include <cmath>
#include <vector>

const std::array<int64_t, VESK_PPC_LEVEL_MAX + 1> kVeskPpcSurroundGain = {
    0,        37738088, 42342831, 47509437,  53306465,  59810838,  67108864,
    75297384, 84485054, 94793790, 106360382, 119338311, 133899787,
};

const std::array<int64_t, VESK_PPC_HEIGHT_MAX + 1> kVeskPpcHeightGain = {
    47509437, 53306465, 59810838, 67108864, 75297384, 84485054, 94793790,
};

namespace {

constexpr double kSampleRate = 48000.0;
constexpr double kQ26 = 67108864.0;

enum class Shape { LowShelf, HighShelf, Peak };

// Audio-EQ-cookbook biquads, normalised to a0 = 1, in Q26.
VeskPpcBiquad biquad(Shape shape, double freq, double gainDb, double q)
{
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2.0 * M_PI * freq / kSampleRate;
    const double cw = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    double b0 = 0, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
    if (shape == Shape::Peak) {
        b0 = 1 + alpha * a;
        b1 = -2 * cw;
        b2 = 1 - alpha * a;
        a0 = 1 + alpha / a;
        a1 = -2 * cw;
        a2 = 1 - alpha / a;
    } else {
        const double sa = 2 * std::sqrt(a) * alpha;
        const double s = shape == Shape::LowShelf ? -1.0 : 1.0;  // sign of the cosine terms
        b0 = a * ((a + 1) + s * (a - 1) * cw + sa);
        b1 = -2 * s * a * ((a - 1) + s * (a + 1) * cw);
        b2 = a * ((a + 1) + s * (a - 1) * cw - sa);
        a0 = (a + 1) - s * (a - 1) * cw + sa;
        a1 = 2 * s * ((a - 1) - s * (a + 1) * cw);
        a2 = (a + 1) - s * (a - 1) * cw - sa;
    }
    auto q26 = [a0](double v) { return static_cast<int64_t>(std::llround(v / a0 * kQ26)); };
    return {q26(b0), q26(b1), q26(b2), q26(a1), q26(a2)};
}

using ToneTable = std::array<std::array<VeskPpcBiquad, VESK_PPC_ENTRY_NUM>, VESK_PPC_LEVEL_MAX + 1>;

// Entry j of a tone block filters one output channel; the corner moves a little per channel.
ToneTable buildTone(Shape shape, double freq, double step)
{
    ToneTable table{};
    for (size_t level = 0; level < table.size(); ++level) {
        for (size_t j = 0; j < VESK_PPC_ENTRY_NUM; ++j) {
            table[level][j] =
                biquad(shape, freq + step * static_cast<double>(j), static_cast<double>(level) - 6.0, 0.7071);
        }
    }
    return table;
}

struct Tables {
    ToneTable treble = buildTone(Shape::HighShelf, 6000.0, 500.0);
    ToneTable bass = buildTone(Shape::LowShelf, 80.0, 10.0);
    ToneTable centre = buildTone(Shape::Peak, 800.0, 100.0);
    std::vector<VeskPpcEqCoefRow> eq;

    Tables()
    {
        eq.reserve(VESK_PPC_EQ_ROW_NUM);
        for (uint16_t band : kVeskPpcEqBands) {
            for (int gain = 6; gain >= -6; --gain) {
                VeskPpcEqCoefRow row{};
                row.freq = static_cast<int16_t>(band);
                row.gain = static_cast<int16_t>(gain);
                // Set k is the same band at a wider bandwidth.
                for (size_t k = 0; k < VESK_PPC_EQ_SET_NUM; ++k) {
                    row.sets[k] = biquad(Shape::Peak, band, gain, 2.0 / (1.0 + 0.25 * static_cast<double>(k)));
                }
                eq.push_back(row);
            }
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

}  // namespace

const VeskPpcBiquad& veskPpcToneCoef(VeskPpcTone tone, uint8_t level, size_t entry)
{
    const Tables& t = tables();
    const ToneTable& table = tone == VeskPpcTone::Treble ? t.treble : tone == VeskPpcTone::Bass ? t.bass : t.centre;
    return table[level < table.size() ? level : 6][entry < VESK_PPC_ENTRY_NUM ? entry : 0];
}

uint32_t veskPpcChannelGainElement(uint32_t page)
{
    return 0x50001 + 2 * page;
}

// The tone elements lie in 0x60000..0x6005D: treble and bass side by side in steps of three,
// the centre elements from 0x60053 on; pages past the range share elements with earlier ones.
uint32_t veskPpcToneElement(VeskPpcTone tone, uint32_t page)
{
    switch (tone) {
    case VeskPpcTone::Treble:
        return 0x60000 + 3 * (page % 31);
    case VeskPpcTone::Bass:
        return 0x60001 + 3 * (page % 31);
    case VeskPpcTone::Centre:
        return 0x60053 + 3 * (page % 4);
    }
    return 0;
}

const VeskPpcEqCoefRow* veskPpcEqCoefRow(int32_t freq, int32_t gain)
{
    for (const auto& row : tables().eq) {
        if (row.freq == freq && row.gain == gain) {
            return &row;
        }
    }
    return nullptr;
}
