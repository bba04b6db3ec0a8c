// The tone-control widgets (bass, centre, treble, surround level, height) and the two effect
// switches (virtual surround and upmix): each shows the new value, counts it, stores it in the
// widgets' record and the persistent setting, and hands it to the wrapper table.
#include "main/gui/gui_widget.h"

#include "main/gui/gui_ops.h"
#include "main/gui/gui_tracking.h"
#include "main/gui/gui_widget_disp.h"
#include "main/timerd/gui_log.h"

#include <mutex>

namespace {

constexpr uint16_t kLevelShowMs = 5000;
constexpr uint16_t kSwitchShowMs = 1000;
constexpr uint8_t kNeutral = 6;
constexpr uint32_t kEqStyle = 6;
constexpr uint32_t kEqCustom = 7;

// One member of the family: its range, field, display, setting id, slot and tracking event.
struct ToneCtrl {
    const char* name;
    uint8_t max;
    uint8_t GuiWidgetSetting::*field;
    void (*show)(uint8_t level);
    GuiWrapperSettingId setting;
    GuiWidgetCbkSlot slot;
    uint32_t tracking;
    // Held at neutral while an EQ curve owns it (bass, centre, treble); 2: the slot still gets 6.
    int eqHeld;
};

const ToneCtrl kBass{"bass", 12, &GuiWidgetSetting::bass, [](uint8_t l) { guiWidgetDispBass(l, kLevelShowMs); },
                     GUI_WRAPPER_SETTING_BASS, GUI_WIDGET_CBK_BASS_SET, 8, 1};
const ToneCtrl kCenter{"center", 12, &GuiWidgetSetting::center,
                       [](uint8_t l) { guiWidgetDispCenter(l, kLevelShowMs); }, GUI_WRAPPER_SETTING_CENTER,
                       GUI_WIDGET_CBK_CENTER_SET, 9, 2};
const ToneCtrl kTreble{"treble", 12, &GuiWidgetSetting::treble,
                       [](uint8_t l) { guiWidgetDispTreble(l, kLevelShowMs); }, GUI_WRAPPER_SETTING_TREBLE,
                       GUI_WIDGET_CBK_TREBLE_SET, 10, 2};
const ToneCtrl kSurround{"surround", 12, &GuiWidgetSetting::sur_vol,
                         [](uint8_t l) { guiWidgetDispSurVol(l, kLevelShowMs); }, GUI_WRAPPER_SETTING_SUR_VOL,
                         GUI_WIDGET_CBK_SUR_VOL_SET, 11, 0};
const ToneCtrl kHeight{"height", 6, &GuiWidgetSetting::height, [](uint8_t l) { guiWidgetDispHeight(l); },
                       GUI_WRAPPER_SETTING_HEIGHT, GUI_WIDGET_CBK_HEIGHT_SET, 12, 0};

template <typename F>
auto withRecord(F&& f)
{
    std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
    return f(guiWidgetRecord());
}

bool curveOwnsTone()
{
    const uint32_t eq = withRecord([](const GuiWidgetSetting& s) { return s.eq_mode; });
    return eq == kEqStyle || eq == kEqCustom;
}

void set(const ToneCtrl& c, uint8_t level)
{
    if (level > c.max) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    c.show(level);
    guiTrackingPrint(c.tracking, level);
    const bool changed = withRecord([&](GuiWidgetSetting& s) {
        if (s.*c.field == level) {
            return false;
        }
        s.*c.field = level;
        return true;
    });
    if (!changed) {
        return;
    }
    guiWidgetSlotSettingSet(c.setting);
    guiWidgetSlotCall(c.slot, &level);
}

void once(const ToneCtrl& c, uint8_t dir)
{
    if (dir > 1) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    if (c.eqHeld != 0 && curveOwnsTone()) {
        GUI_LOG_INFO("eq is cus or style,no set %s", c.name);
        c.show(kNeutral);
        if (c.eqHeld == 2) {
            uint8_t neutral = kNeutral;
            guiWidgetSlotCall(c.slot, &neutral);
        }
        return;
    }
    uint8_t level = withRecord([&](const GuiWidgetSetting& s) { return s.*c.field; });
    if (dir == 0 && level < c.max) {
        ++level;
    } else if (dir == 1 && level > 0) {
        --level;
    }
    set(c, level);
}

void disp(const ToneCtrl& c)
{
    if (c.eqHeld != 0 && curveOwnsTone()) {
        GUI_LOG_INFO("eq is cus or style,display default value,%s=%d", c.name, kNeutral);
        c.show(kNeutral);
        return;
    }
    c.show(withRecord([&](const GuiWidgetSetting& s) { return s.*c.field; }));
}

void xupmixSet(uint8_t on)
{
    guiWidgetDispXupmix(on, kSwitchShowMs);
    guiTrackingPrint(on != 0 ? 16 : 17, on);
    guiWidgetSlotCall(GUI_WIDGET_CBK_XUPMIX_SET, &on);
    withRecord([&](GuiWidgetSetting& s) { s.xupmix = on; });
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_XUPMIX);
}

}  // namespace

void guiWidgetXupmixToggleProcess(void)
{
    xupmixSet(withRecord([](const GuiWidgetSetting& s) { return static_cast<uint8_t>(s.xupmix == 0 ? 1 : 0); }));
}

void guiWidgetXupmixSetProcess(uint8_t on)
{
    xupmixSet(on);
}

void guiWidgetVirtualXToggleProcess(void)
{
    uint8_t on = withRecord([](const GuiWidgetSetting& s) { return static_cast<uint8_t>(s.virtual_x == 0 ? 1 : 0); });
    guiOpsDispScrollOnceStr(on != 0 ? "VRT X ON" : "VRT X OFF", 1, 350, kSwitchShowMs, guiWidgetDispHome);
    guiWidgetSlotCall(GUI_WIDGET_CBK_VIRTUAL_XSET, &on);
    withRecord([&](GuiWidgetSetting& s) { s.virtual_x = on; });
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_VIRTUAL_X);
}

void guiWidgetSurSetProcess(uint8_t level)
{
    set(kSurround, level);
}

void guiWidgetSurOnceProcess(uint8_t dir)
{
    once(kSurround, dir);
}

void guiWidgetHeightSetProcess(uint8_t level)
{
    set(kHeight, level);
}

void guiWidgetHeightDispProcess(void)
{
    disp(kHeight);
}

void guiWidgetHeightOnceProcess(uint8_t dir)
{
    once(kHeight, dir);
}

void guiWidgetBassSetProcess(uint8_t level)
{
    set(kBass, level);
}

void guiWidgetBassDispProcess(void)
{
    disp(kBass);
}

void guiWidgetBassOnceProcess(uint8_t dir)
{
    once(kBass, dir);
}

void guiWidgetCenterSetProcess(uint8_t level)
{
    set(kCenter, level);
}

void guiWidgetCenterDispProcess(void)
{
    disp(kCenter);
}

void guiWidgetCenterOnceProcess(uint8_t dir)
{
    once(kCenter, dir);
}

void guiWidgetTrebleSetProcess(uint8_t level)
{
    set(kTreble, level);
}

void guiWidgetTrebleDispProcess(void)
{
    disp(kTreble);
}

void guiWidgetTrebleOnceProcess(uint8_t dir)
{
    once(kTreble, dir);
}
