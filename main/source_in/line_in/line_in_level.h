// Level detector of the line input: one step per captured period drives the music wrapper's noise
// unmute, energy-saving countdown reset, energy reports and anti-pop mute, so that the output is
// muted after long silence and opened again when sound returns.
#pragma once

#include <cstdint>

struct LineInLevel {
    uint32_t loudCount;     // loud periods while not reporting
    uint32_t quietCount;    // quiet periods in a row, up to 10
    uint32_t silenceCount;  // quiet resets, up to 500
    bool reporting;         // energy reports on
};

constexpr int32_t LINE_IN_LOUD_LEVEL = 15;
constexpr uint32_t LINE_IN_NOISE_UNMUTE_PERIODS = 6;
constexpr uint32_t LINE_IN_ERP_RESET_PERIODS = 30;
constexpr uint32_t LINE_IN_REPORT_AFTER_PERIODS = 150;
constexpr uint32_t LINE_IN_QUIET_PERIODS = 10;
constexpr uint32_t LINE_IN_POP_MUTE_RESETS = 500;

void lineInLevelReset(LineInLevel* level);

// Mean magnitude of the period's 16-bit samples, read in the processor's byte order.
int32_t lineInSampleAverage(const uint8_t* data, uint32_t bytes);

// One period of `bytes` bytes: its level (the mean magnitude / 100) after the wrapper calls it led to.
int32_t lineInLevelStep(LineInLevel* level, const uint8_t* data, uint32_t bytes);
