#include "main/gui/gui_widget_disp.h"
#include "main/gui/gui_widget_disp_priv.h"

#include "main/gui/gui_ops.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/timerd/gui_log.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint16_t kBlinkMs = 500;
constexpr uint16_t kScrollMs = 350;
constexpr uint16_t kHoldMs = 1000;
constexpr uint16_t kLongMs = 5000;

constexpr const char* kAutoStandby[] = {"S15M", "S30M", "S60M", "S4H ", "S8H ", "S12H", "S24H", "S48H", "S000"};
constexpr const char* kScreensaver[] = {"005S", "030S", "060S", "000S"};

template <size_t N>
const char* nameOf(const char* const (&table)[N], uint32_t index)
{
    return index < N ? table[index] : nullptr;
}

uint32_t currentDimmer()
{
    std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
    return guiWidgetRecord().lcd_dimmer_lvl;
}

}  // namespace

void guiWidgetDispPowerIdle(void)
{
    guiOpsDispDimmerSet(currentDimmer(), 0);
    guiOpsDispBlinkOnceStr("----", 3, kBlinkMs, kBlinkMs, guiWidgetDispIdleMark);
}

void guiWidgetDispIdleMark(void)
{
    guiOpsDispAdaptiveStr("-   ", nullptr);
}

void guiWidgetDispPowerOnBlink(void)
{
    guiOpsDispBlinkStr("----", kBlinkMs, kBlinkMs);
}

void guiWidgetDispFactoryReset(uint8_t withHome)
{
    guiWidgetLcdDimmerDispProcess(3, 0);
    if (withHome != 0) {
        guiOpsDispScrollOnceStr("RSET", 1, kScrollMs, kHoldMs, guiWidgetDispHome);
    } else {
        guiOpsDispStaticOnceStr("RSET", 5, kLongMs, guiWidgetDispIdleMark);
    }
}

void guiWidgetDispAutoStandby(uint32_t choice, uint16_t timeMs)
{
    const char* text = nameOf(kAutoStandby, choice);
    if (text != nullptr) {
        guiOpsDispStaticOnceStr(text, 1, timeMs, guiWidgetDispHome);
    }
}

void guiWidgetDispAutoScreensaver(uint32_t choice, uint16_t timeMs)
{
    const char* text = nameOf(kScreensaver, choice);
    if (text != nullptr) {
        guiOpsDispStaticOnceStr(text, 1, timeMs, guiWidgetDispHome);
    }
}

namespace {

constexpr uint16_t kXupmixScrollMs = 150;
constexpr const char* kEqNames[] = {"MUSC", "MOVI", "GAME", "VOIC", "SPRT", "NIGT", "EQST", "EQST"};
constexpr const char* kLedNames[] = {"LED OFF", "LED 20", "LED 40", "LED 60", "LED 80", "LED 100"};
constexpr uint32_t kMaxDimmer = 5;
constexpr uint32_t kMusicPlaying = 2;

// History while the subwoofer link is pairing, home otherwise.
GuiOpsDispCbk homeOrHistory()
{
    std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
    return guiWidgetRecord().wireless_aud_sts == 1 ? guiWidgetDispHistory : guiWidgetDispHome;
}

void signedLevel(const char* prefix, uint8_t level, uint8_t max, uint8_t neutral, uint16_t timeMs, GuiOpsDispCbk done)
{
    if (level > max) {
        return;
    }
    char text[8] = {};
    if (level > neutral) {
        snprintf(text, sizeof(text), "%s+%d", prefix, level - neutral);
    } else if (level == neutral) {
        snprintf(text, sizeof(text), "%s 0", prefix);
    } else {
        snprintf(text, sizeof(text), "%s-%d", prefix, neutral - level);
    }
    guiOpsDispStaticOnceStr(text, 1, timeMs, done);
}

void volumeText(uint8_t vol, uint16_t timeMs, GuiOpsDispCbk done)
{
    char text[8] = {};
    if (vol == 100) {
        snprintf(text, sizeof(text), " 100");
    } else if (vol >= 1 && vol <= 99) {
        snprintf(text, sizeof(text), "  %02d", vol);
    } else if (vol == 0) {
        snprintf(text, sizeof(text), "   0");
    } else {
        return;
    }
    guiOpsDispStaticOnceStr(text, 1, timeMs, done);
}

void scrollOnce(const char* text, uint16_t speedMs, uint16_t holdMs)
{
    guiOpsDispScrollOnceStr(text, 1, speedMs, holdMs, guiWidgetDispHome);
}

}  // namespace

void guiWidgetDispBass(uint8_t level, uint16_t timeMs)
{
    signedLevel("BS", level, 12, 6, timeMs, homeOrHistory());
}

void guiWidgetDispTreble(uint8_t level, uint16_t timeMs)
{
    signedLevel("TB", level, 12, 6, timeMs, homeOrHistory());
}

void guiWidgetDispCenter(uint8_t level, uint16_t timeMs)
{
    signedLevel("MR", level, 12, 6, timeMs, homeOrHistory());
}

void guiWidgetDispSurround(uint8_t level, uint16_t timeMs)
{
    signedLevel("SR", level, 12, 6, timeMs, homeOrHistory());
}

void guiWidgetDispSurVol(uint8_t level, uint16_t timeMs)
{
    signedLevel("SR", level, 12, 6, timeMs, guiWidgetDispHome);
}

void guiWidgetDispSurroundRight(uint8_t level, uint16_t timeMs)
{
    signedLevel("SRR", level, 10, 5, timeMs, guiWidgetDispHome);
}

void guiWidgetDispSurroundLeft(uint8_t level, uint16_t timeMs)
{
    signedLevel("SRL", level, 10, 5, timeMs, guiWidgetDispHome);
}

void guiWidgetDispHeight(uint8_t level)
{
    signedLevel("UP", level, 6, 3, kLongMs, homeOrHistory());
}

void guiWidgetDispEq(uint32_t eqMode, uint16_t timeMs)
{
    const char* text = nameOf(kEqNames, eqMode);
    if (text != nullptr) {
        guiOpsDispStaticOnceStr(text, 1, timeMs, homeOrHistory());
    }
}

void guiWidgetDispEqReset(uint16_t timeMs)
{
    guiOpsDispStaticOnceStr("EQRS", 1, timeMs, guiWidgetDispHome);
}

void guiWidgetVolDispHistorySet(uint8_t vol, uint16_t timeMs)
{
    volumeText(vol, timeMs, homeOrHistory());
}

void guiWidgetDispVolume(uint8_t vol, uint16_t timeMs)
{
    volumeText(vol, timeMs, guiWidgetDispHome);
}

void guiWidgetDispToneVolume(uint8_t toneVol, uint16_t timeMs)
{
    if (toneVol > 3) {
        return;
    }
    char text[8] = {};
    snprintf(text, sizeof(text), "PT %d", toneVol);
    guiOpsDispStaticOnceStr(text, 1, timeMs, homeOrHistory());
}

void guiWidgetDispLcdDimmer(uint32_t level)
{
    if (level > kMaxDimmer) {
        return;
    }
    char text[8] = {};
    snprintf(text, sizeof(text), "DIM %u", static_cast<unsigned>(level));
    guiOpsDispStaticOnceStr(text, 1, kLongMs, guiWidgetDispHome);
}

void guiWidgetDispLedDimmer(uint32_t level)
{
    const char* text = nameOf(kLedNames, level);
    if (text != nullptr) {
        scrollOnce(text, kScrollMs, kHoldMs);
    }
}

void guiWidgetDispUdiskPlayMode(uint32_t mode)
{
    if (mode <= 1) {
        guiOpsDispStaticOnceStr(mode == 0 ? "ALL" : "ONE", 1, kLongMs, guiWidgetDispHome);
    }
}

void guiWidgetDispSurEn(uint8_t on, uint16_t holdMs)
{
    scrollOnce(on != 0 ? "SUR ON" : "SUR OFF", kScrollMs, holdMs);
}

void guiWidgetDispVirtualX(uint8_t on, uint16_t holdMs)
{
    scrollOnce(on != 0 ? "VRT X ON" : "VRT X OFF", kScrollMs, holdMs);
}

void guiWidgetDispXupmix(uint8_t on, uint16_t holdMs)
{
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().xupmix_shown = 1;
    }
    scrollOnce(on != 0 ? "XUPMIX ON    XUPMIX ON" : "XUPMIX OFF    XUPMIX OFF", kXupmixScrollMs, holdMs);
}

void guiWidgetDispSalesArea(uint32_t salesArea)
{
    scrollOnce(salesArea == 0 ? "USA" : "OTHER", kScrollMs, kHoldMs);
}

void guiWidgetDispShopMode(uint8_t on)
{
    if (on != 0) {
        guiOpsDispAdaptiveStr("DEMO ON", nullptr);
    } else {
        scrollOnce("DEMO OFF", kScrollMs, kHoldMs);
    }
}

void guiWidgetDispBypass(uint8_t on)
{
    if (on != 0) {
        guiOpsDispStaticOnceStr("FLAT", 1, kLongMs, guiWidgetDispHome);
    } else {
        scrollOnce("EXIT", kScrollMs, kHoldMs);
    }
}

void guiWidgetDispStandardTest(uint8_t on)
{
    if (on != 0) {
        scrollOnce("STANDARD", kScrollMs, kHoldMs);
    }
}

void guiWidgetDispEqTest(uint8_t on)
{
    if (on != 0) {
        scrollOnce("EQ Test", kScrollMs, kHoldMs);
    }
}

void guiWidgetDispPcbaTest(uint8_t on)
{
    if (on != 0) {
        guiOpsDispAdaptiveStr("PCBA", nullptr);
    } else {
        guiWidgetDispHome();
    }
}

void guiWidgetDispMachineTest(uint8_t on)
{
    if (on != 0) {
        guiOpsDispAdaptiveStr("PDT", nullptr);
    } else {
        guiWidgetDispHome();
    }
}

void guiWidgetDispErp(uint8_t on)
{
    if (on != 0) {
        guiOpsDispAdaptiveStr("ERP", nullptr);
    }
}

void guiWidgetDispPdtMode(void)
{
    guiOpsDispAdaptiveStr("TEST", nullptr);
}

void guiWidgetDispBlank(void)
{
    guiOpsDispAdaptiveStr("    ", nullptr);
}

void guiWidgetDispTv(void)
{
    guiOpsDispAdaptiveStr("- TV -", nullptr);
}

void guiWidgetDispTvBlink(uint8_t keep)
{
    guiOpsDispBlinkOnceStr("- TV -", 1, kBlinkMs, kBlinkMs, keep == 1 ? guiWidgetDispTv : guiWidgetDispHome);
}

void guiWidgetDispScan(void)
{
    guiOpsDispBreathStr("SCAN");
}

void guiWidgetDispDownLoad(void)
{
    guiOpsDispAdaptiveStr("UP--", nullptr);
}

void guiWidgetDispPercent(const GuiUpgradePercent* percent)
{
    if (percent == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    constexpr const char* kFormats[] = {"D%3d", "H%3d", "B%3d", "T%3d", "R%3d", "SL%3d", "SR%3d", "%3d"};
    const char* format = nameOf(kFormats, percent->module);
    if (format == nullptr) {
        return;
    }
    char text[16] = {};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    snprintf(text, sizeof(text), format, percent->percent);
#pragma GCC diagnostic pop
    guiOpsDispAdaptiveStr(text, nullptr);
}

void guiWidgetDispPlayTime(uint32_t minutes, uint32_t seconds)
{
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        if (guiWidgetRecord().music_sts != kMusicPlaying) {
            return;
        }
    }
    char text[16] = {};
    snprintf(text, sizeof(text), "%02u:%02u", static_cast<unsigned>(minutes), static_cast<unsigned>(seconds));
    guiOpsDispAdaptiveStr(text, guiWidgetDispHistory);
}

void guiWidgetDispUDiskFileIdx(uint32_t fileIdx)
{
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().last_usb_file_idx = fileIdx;
    }
    char text[16] = {};
    snprintf(text, sizeof(text), "%04u", static_cast<unsigned>(fileIdx));
    guiOpsDispStaticOnceStr(text, 1, kLongMs, guiWidgetDispHome);
}

namespace {

constexpr uint16_t kVerMs = 2000;
constexpr uint32_t kMenuParamPauseMs = 1000;
constexpr uint32_t kAmpPauseMs = 3500;
constexpr int kMenuOffset = 5;

void verLevel(const char* prefix, uint8_t level, uint8_t max, uint8_t neutral)
{
    signedLevel(prefix, level, max, neutral, kVerMs, guiWidgetDispHome);
}

}  // namespace

void guiWidgetDispDspVer(uint8_t step, const char* block)
{
    constexpr size_t kFieldAt[] = {0, 5, 15, 20, 25};
    constexpr size_t kFieldSize = 5;
    static_assert(25 + kFieldSize <= GUI_WIDGET_DSP_VER_SIZE, "version fields lie inside the block");
    if (step == 0 || step > 10) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    if (step <= 5) {
        if (block == nullptr) {
            GUI_LOG_ERR("Param Error!");
            return;
        }
        char text[8] = {};
        memcpy(text, block + kFieldAt[step - 1], kFieldSize);
        guiOpsDispStaticOnceStr(text, 1, kVerMs, guiWidgetDispHome);
        return;
    }
    GuiWidgetSetting w{};
    guiWidgetSettingGet(&w);
    switch (step) {
    case 6: {
        const char* text = nameOf(kEqNames, w.eq_mode);
        if (text != nullptr) {
            guiOpsDispStaticOnceStr(text, 1, kVerMs, guiWidgetDispHome);
        }
        break;
    }
    case 7:
        verLevel("BS", w.bass, 12, 6);
        break;
    case 8:
        verLevel("MR", w.center, 12, 6);
        break;
    case 9:
        verLevel("TB", w.treble, 12, 6);
        break;
    default:
        verLevel("SR", w.sur_vol, 12, 6);
        break;
    }
}

void guiWidgetDispMenuParam(void)
{
    guiWidgetSettingRefresh();
    GuiWidgetSetting w{};
    guiWidgetSettingGet(&w);
    const struct {
        const char* format;
        uint8_t value;
    } rows[] = {{"CEN %d", w.center}, {"SRR %d", w.sur_right}, {"SRL %d", w.sur_left}, {"HGT %d", w.height}};
    for (const auto& row : rows) {
        char text[16] = {};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        snprintf(text, sizeof(text), row.format, static_cast<int>(row.value) - kMenuOffset);
#pragma GCC diagnostic pop
        guiOpsDispStaticOnceStr(text, 1, kLongMs, guiWidgetDispHome);
        guiWidgetDispSleep(kMenuParamPauseMs);
    }
}

void guiWidgetDispAmpSts(const uint8_t* block)
{
    if (block == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    const uint32_t faults = static_cast<uint32_t>(block[0]) | static_cast<uint32_t>(block[1]) << 8 |
                            static_cast<uint32_t>(block[2]) << 16 | static_cast<uint32_t>(block[3]) << 24;
    char text[24] = {};
    snprintf(text, sizeof(text), "ERR:%u", static_cast<unsigned>(faults));
    guiOpsDispScrollOnceStr(text, 1, kScrollMs, 0, guiWidgetDispHome);
    guiWidgetDispSleep(kAmpPauseMs);
    constexpr const char* kAmps[] = {"LR", "C", "SKY"};
    for (size_t i = 0; i < 3; ++i) {
        snprintf(text, sizeof(text), "%s:R6A:%x", kAmps[i], static_cast<unsigned>(block[4 + 3 * i + 1]));
        guiOpsDispScrollOnceStr(text, 1, kScrollMs, 0, guiWidgetDispHome);
        guiWidgetDispSleep(kAmpPauseMs);
    }
}
