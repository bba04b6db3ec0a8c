#include "main/gui/gui_widget_disp.h"

#include "main/gui/gui_log_priv.h"
#include "main/gui/gui_ops.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"

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
