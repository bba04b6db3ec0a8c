// Writes the amplifiers' register and volume tables as a C++ source (argument: its path).
//
// The register sets carry the chip's framing (reset rows, the page-4 head, coefficient blocks on
// pages 1, 6 and 7 between coefficient-load rows, register-0xFE rows, the closing play rows) with
// neutral coefficients: unity where a word is a gain, zero elsewhere. The product's tuning data
// replaces these values, not the framing. It runs on the build machine, also when cross-building.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Row = std::pair<uint8_t, uint8_t>;

enum class Amp { LR, LRs, Center };

constexpr uint8_t kPageReg = 0x00;
constexpr uint8_t kLoadReg = 0x02;  // coefficient load: 0x0C opens a block, 0x00 closes it
constexpr uint8_t kSpecialReg = 0xFE;
constexpr uint8_t kBlockFirstReg = 0x08;
constexpr uint8_t kBlockLastReg = 0xFD;
constexpr int kFeRows = 5;

// Neutral coefficient byte at `offset` of a run of five-word biquads: b0 = 1.0, the rest 0.
uint8_t biquadByte(size_t offset)
{
    const size_t word = (offset / 4) % 5;
    const size_t byte = offset % 4;
    return (word == 0 && byte == 1) ? 0x80 : 0x00;
}

std::vector<Row> registerSet(Amp amp, bool bypass, size_t total)
{
    std::vector<Row> rows = {{0x00, 0x00}, {0x04, 0x00}};
    for (int i = 0; i < 5; ++i) {
        rows.push_back({0x00, 0x00});
    }
    rows.push_back({kPageReg, 0x04});
    const bool pair = amp != Amp::Center;
    const uint8_t head[] = {0x00,
                            0x00,
                            0x00,
                            0x00,
                            0xFF,
                            0x80,
                            0x00,
                            0x00,
                            static_cast<uint8_t>(pair ? 0xFF : 0x00),
                            static_cast<uint8_t>(pair ? 0x80 : 0x00)};
    uint8_t reg = 0x20;
    for (uint8_t v : head) {
        rows.push_back({reg++, v});
    }
    // The rest of page 4 up to the volume words: zero, the two volume words unity.
    for (; reg <= 0x83; ++reg) {
        const bool volumeHigh = reg == 0x7D || reg == 0x81;
        rows.push_back({reg, static_cast<uint8_t>(volumeHigh ? 0x80 : 0x00)});
    }

    // Six blocks (two per page) share what is left after the closing rows.
    const std::vector<uint8_t> pages = {0x01, 0x01, 0x06, 0x06, 0x07, 0x07};
    const size_t closing = 5;
    const size_t pageSelects = 3;
    const size_t framing = pages.size() * 2 + kFeRows + pageSelects + closing;
    const size_t coefficients = total - rows.size() - framing;
    uint8_t page = 0x04;
    for (size_t b = 0; b < pages.size(); ++b) {
        if (pages[b] != page) {
            page = pages[b];
            rows.push_back({kPageReg, page});
        }
        rows.push_back({kLoadReg, 0x0C});
        const size_t count = coefficients / pages.size() + (b < coefficients % pages.size() ? 1 : 0);
        for (size_t i = 0; i < count; ++i) {
            uint8_t v = biquadByte(i);
            // The bypass sets differ in the first biquad of the last block (bypassed there).
            if (bypass && b == pages.size() - 1 && i < 20) {
                v = 0x00;
            }
            rows.push_back({static_cast<uint8_t>(kBlockFirstReg + i), v});
        }
        rows.push_back({kLoadReg, 0x00});
        if (b < static_cast<size_t>(kFeRows)) {
            rows.push_back({kSpecialReg, static_cast<uint8_t>(bypass ? 0x02 : 0x01)});
        }
    }
    const Row tail[] = {{0x00, 0x03}, {0x14, 0x41}, {0x15, 0x01}, {0x00, 0x00}, {0x04, 0x03}};
    rows.insert(rows.end(), std::begin(tail), std::end(tail));
    return rows;
}

// Level in dB of the front pair by volume step.
double lrDb(int step)
{
    static const double low[] = {-100, -49, -43, -37, -31, -27, -23, -19, -15, -13, -11,
                                 -9,   -7,  -5,  -3,  -1,  0,   1,   2,   3,   4};
    if (step <= 20) {
        return low[step];
    }
    if (step <= 29) {
        return 4.5 + 0.5 * (step - 21);
    }
    if (step <= 51) {
        return 9.0 + 0.5 * ((step - 30) / 2);
    }
    if (step <= 53) {
        return 15.0;
    }
    if (step <= 75) {
        return 15.5 + 0.5 * ((step - 54) / 2);
    }
    static const std::pair<int, double> top[] = {{78, 21}, {81, 21.5}, {84, 22}, {87, 22.5},
                                                 {91, 23}, {95, 23.5}, {100, 24}};
    for (const auto& [last, db] : top) {
        if (step <= last) {
            return db;
        }
    }
    return 24;
}

uint32_t coefficient(double db)
{
    return static_cast<uint32_t>(std::llround(8388608.0 * std::pow(10.0, db / 20.0)));
}

void writeRows(FILE* f, const char* name, const std::vector<Row>& rows)
{
    std::fprintf(f, "const GuiWrapperAmpReg %s[%zu] = {\n", name, rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        std::fprintf(f, "%s{0x%02X, 0x%02X},%s", i % 8 == 0 ? "    " : "", rows[i].first, rows[i].second,
                     i % 8 == 7 || i + 1 == rows.size() ? "\n" : " ");
    }
    std::fprintf(f, "};\n\n");
}

void writeVolumes(FILE* f, const char* name, double offsetDb)
{
    std::fprintf(f, "const uint8_t %s[%d][4] = {\n", name, 101);
    for (int step = 0; step <= 100; ++step) {
        const uint32_t c = coefficient(lrDb(step) + (step == 0 ? 0.0 : offsetDb));
        std::fprintf(f, "    {0x%02X, 0x%02X, 0x%02X, 0x%02X},\n", (c >> 24) & 0xFF, (c >> 16) & 0xFF, (c >> 8) & 0xFF,
                     c & 0xFF);
    }
    std::fprintf(f, "};\n\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: amp_tablegen OUTPUT.cpp\n");
        return 2;
    }
    FILE* f = std::fopen(argv[1], "w");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(f,
                 "// Generated by amp_tablegen; do not edit.\n#include \"main/gui/wrapper/wrapper_amp_tables.h\"\n\n");
    writeRows(f, "gGuiWrapperAmpAcm8625sLRRegister", registerSet(Amp::LR, false, 1135));
    writeRows(f, "gGuiWrapperAmpAcm8625sLRsRegister", registerSet(Amp::LRs, false, 1135));
    writeRows(f, "gGuiWrapperAmpAcm8625sCenterRegister", registerSet(Amp::Center, false, 1134));
    writeRows(f, "gGuiWrapperAmpAcm8625sLRBypassRegister", registerSet(Amp::LR, true, 1134));
    writeRows(f, "gGuiWrapperAmpAcm8625sLRsBypassRegister", registerSet(Amp::LRs, true, 1134));
    writeRows(f, "gGuiWrapperAmpAcm8625sCenterBypassRegister", registerSet(Amp::Center, true, 1134));
    writeVolumes(f, "gGuiWrapperAmpAcm8625SLrVolTab", 0.0);
    writeVolumes(f, "gGuiWrapperAmpAcm8625SLrsVolTab", 0.0);
    writeVolumes(f, "gGuiWrapperAmpAcm8625SCenterVolTab", 1.0);
    return std::fclose(f) == 0 ? 0 : 1;
}
