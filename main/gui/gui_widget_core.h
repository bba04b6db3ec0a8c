// The widget core: the widgets' one object (their setting record, their sixteen one-shot timers
// and their copy of the wrapper table), its start and stop, and the calls other modules make on it.
#pragma once

#include "main/gui/gui_manager.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/gui_wrapper.h"

#include <cstdint>
#include <mutex>

// The widget timers, numbered as the widgets name them.
enum GuiWidgetTimer : uint32_t {
    GUI_WIDGET_TIMER_VER_DISP = 1,
    GUI_WIDGET_TIMER_SRC_TOGGLE = 2,
    GUI_WIDGET_TIMER_SRC_BT = 3,
    GUI_WIDGET_TIMER_MUTE_TOGGLE = 4,
    GUI_WIDGET_TIMER_MUTE_DISP = 5,
    GUI_WIDGET_TIMER_UNMUTE = 6,
    GUI_WIDGET_TIMER_UNMUTE_HDMI = 7,
    GUI_WIDGET_TIMER_VOL = 8,
    GUI_WIDGET_TIMER_VOL_SYNC = 9,
    GUI_WIDGET_TIMER_VOL_BT = 10,
    GUI_WIDGET_TIMER_VOL_WIRELESS = 11,
    GUI_WIDGET_TIMER_SHOP_DISP = 12,
    GUI_WIDGET_TIMER_USB_CTRL = 13,
    GUI_WIDGET_TIMER_USB_PLAY = 14,
    GUI_WIDGET_TIMER_USB_OFFLINE = 15,
    GUI_WIDGET_TIMER_WIRELESS_PAIR = 16,
};
constexpr uint32_t GUI_WIDGET_TIMERS = 16;

void guiWidgetInit(void);
void guiWidgetExit(void);
// Copies the wrapper table; a null table is ignored.
void guiWidgetRegisterCbk(const GuiWidgetCbkTable* table);
// A copy of the whole setting record, from any thread.
void guiWidgetSettingGet(GuiWidgetSetting* out);
// Runs before every GUI event: a user event ends a running version display.
void guiWidgetEvtCusProcess(const GuiMsg* msg);
uint8_t guiWidgetMuteStsGet(void);
void guiWidgetShopDispTimerStop(void);
// Stops everything the widgets have running, before a power change.
void guiWidgetDispPlayerStop(void);
// For the widget handlers (GUI thread): the record and the table. The record's lock is held around
// every change, since other threads copy the record; it is never held across a slot call except
// slot 0's refresh.
GuiWidgetSetting& guiWidgetRecord(void);
std::mutex& guiWidgetRecordLock(void);
GuiWidgetCbkTable guiWidgetCbkGet(void);
// Slot 0 refreshes the record from the wrapper layer ("setting_get_cbk!").
void guiWidgetSettingRefresh(void);
// Calls a pointer slot when it is set; 0 when it is not.
int32_t guiWidgetSlotCall(GuiWidgetCbkSlot slot, void* arg);
void guiWidgetSlotSettingSet(GuiWrapperSettingId id);

// The handle of a widget timer (0 when it does not exist).
uint32_t guiWidgetTimerGet(GuiWidgetTimer timer);
