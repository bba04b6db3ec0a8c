// The wrapper function table: the one hundred slots through which the widgets reach the device
// layer, filled once by the wrapper layer at start and copied by the widget core. A null slot is
// skipped by every caller; the slots of wrappers not built yet are null.
#pragma once

#include "main/gui/wrapper/gui_wrapper_setting.h"

#include <array>
#include <cstdint>

// Slot numbers. Every slot takes one pointer (the widget's own variable) except slot 1.
enum GuiWidgetCbkSlot : uint32_t {
    GUI_WIDGET_CBK_WIDGET_SETTING_GET = 0,
    GUI_WIDGET_CBK_WIDGET_SETTING_SET = 1,
    GUI_WIDGET_CBK_POWER_IDLE_PREPARE = 2,
    GUI_WIDGET_CBK_POWER_IDLE = 3,
    GUI_WIDGET_CBK_POWER_ON_FLASH_PARAM_GET = 4,
    GUI_WIDGET_CBK_POWER_ON_PREPARE = 5,
    GUI_WIDGET_CBK_POWER_ON = 6,
    GUI_WIDGET_CBK_POWER_OFF_PREPARE = 7,
    GUI_WIDGET_CBK_POWER_OFF = 8,
    GUI_WIDGET_CBK_MUSIC_POWER_OFF = 9,
    GUI_WIDGET_CBK_HDMI_USR_POWER_OFF = 10,
    GUI_WIDGET_CBK_FACTORY_RESET = 11,
    GUI_WIDGET_CBK_MUSIC_AUTO_SCREENSAVER_ENTER = 12,
    GUI_WIDGET_CBK_MUSIC_AUTO_SCREENSAVER_EXIT = 13,
    GUI_WIDGET_CBK_HDMI_SRC_IN_SET = 14,
    GUI_WIDGET_CBK_HDMI_TX_PLUG_STS_GET = 15,
    GUI_WIDGET_CBK_HDMI_RX_PLUG_STS_GET = 16,
    GUI_WIDGET_CBK_HDMI_PWR_SRC_GET = 17,
    GUI_WIDGET_CBK_HDMI_SRC_STS_GET = 18,
    GUI_WIDGET_CBK_HDMI_EARC_STS_GET = 19,
    GUI_WIDGET_CBK_AMP_STS_GET = 20,
    GUI_WIDGET_CBK_RESERVED21 = 21,
    GUI_WIDGET_CBK_FORCE_SRC_IN_CLR = 22,
    GUI_WIDGET_CBK_MANUAL_SRC_IN_CLR = 23,
    GUI_WIDGET_CBK_MANUAL_SRC_IN_SET = 24,
    GUI_WIDGET_CBK_BT_SRC_IN_SET = 25,
    GUI_WIDGET_CBK_ROUTING_SRC_IN_CLR = 26,
    GUI_WIDGET_CBK_ROUTING_SRC_IN_SET = 27,
    GUI_WIDGET_CBK_SIGNAL_INPUT_GET = 28,
    GUI_WIDGET_CBK_BT_STS_GET = 29,
    GUI_WIDGET_CBK_BT_STS_SET_PROCESS = 30,
    GUI_WIDGET_CBK_BT_MAC_SET = 31,
    GUI_WIDGET_CBK_BT_PAIR = 32,
    GUI_WIDGET_CBK_BT_PLAY = 33,
    GUI_WIDGET_CBK_BT_PAUSE = 34,
    GUI_WIDGET_CBK_WIRELESS_AUD_HOME_SET = 35,
    GUI_WIDGET_CBK_WIRELESS_AUD_STS_SET = 36,
    GUI_WIDGET_CBK_WIRELESS_AUD_START_PAIR = 37,
    GUI_WIDGET_CBK_WIRELESS_AUD_STOP_PAIR = 38,
    GUI_WIDGET_CBK_WIRELESS_AUD_FACTORY_PAIR = 39,
    GUI_WIDGET_CBK_VIRTUAL_XSET = 40,
    GUI_WIDGET_CBK_XUPMIX_GET = 41,
    GUI_WIDGET_CBK_XUPMIX_SET = 42,
    GUI_WIDGET_CBK_AUTO_WAKE_SET = 43,
    GUI_WIDGET_CBK_SUR_EN_SET = 44,
    GUI_WIDGET_CBK_SUR_VOL_SET = 45,
    GUI_WIDGET_CBK_EQ_SET = 46,
    GUI_WIDGET_CBK_CUS_EQ_SET = 47,
    GUI_WIDGET_CBK_SRC_TOGGLE_EQ_SET = 48,
    GUI_WIDGET_CBK_USB_UDISK_PLUG_STS_GET = 49,
    GUI_WIDGET_CBK_USB_UDISK_FILELIST_SEARCH = 50,
    GUI_WIDGET_CBK_USB_PLAY_MODE_SET = 51,
    GUI_WIDGET_CBK_PLAY_TIME_GET = 52,
    GUI_WIDGET_CBK_USB_MUSIC_PLAY = 53,
    GUI_WIDGET_CBK_USB_MUSIC_PAUSE = 54,
    GUI_WIDGET_CBK_MUSIC_USB_CTRL = 55,
    GUI_WIDGET_CBK_MUSIC_BT_CTRL = 56,
    GUI_WIDGET_CBK_MUSIC_NOISE_CLR = 57,
    GUI_WIDGET_CBK_MUSIC_TIMER_RESET = 58,
    GUI_WIDGET_CBK_POP_MUTE_RESET = 59,
    GUI_WIDGET_CBK_POP_MUTE_SET = 60,
    GUI_WIDGET_CBK_ROUTING_MUTE_SET = 61,
    GUI_WIDGET_CBK_MUTE_SET = 62,
    GUI_WIDGET_CBK_VOL_SET = 63,
    GUI_WIDGET_CBK_TONE_VOL_SET = 64,
    GUI_WIDGET_CBK_VOL_SYNC = 65,
    GUI_WIDGET_CBK_VOL_BT_SET = 66,
    GUI_WIDGET_CBK_VOL_WIRELESS_SET = 67,
    GUI_WIDGET_CBK_BASS_SET = 68,
    GUI_WIDGET_CBK_TREBLE_SET = 69,
    GUI_WIDGET_CBK_CENTER_SET = 70,
    GUI_WIDGET_CBK_SURRIGHT_SET = 71,
    GUI_WIDGET_CBK_SURLEFT_SET = 72,
    GUI_WIDGET_CBK_HEIGHT_SET = 73,
    GUI_WIDGET_CBK_SHOP_SET = 74,
    GUI_WIDGET_CBK_BYPASS_SET = 75,
    GUI_WIDGET_CBK_1D8_POWER_SET = 76,
    GUI_WIDGET_CBK_STANDARD_TEST_SET = 77,
    GUI_WIDGET_CBK_EQ_TEST_SET = 78,
    GUI_WIDGET_CBK_PDT_SET = 79,
    GUI_WIDGET_CBK_PDT_KEY = 80,
    GUI_WIDGET_CBK_PCBA_TEST_SET = 81,
    GUI_WIDGET_CBK_MACHINE_TEST_SET = 82,
    GUI_WIDGET_CBK_ERP_SET = 83,
    GUI_WIDGET_CBK_USB_CONN_SET = 84,
    GUI_WIDGET_CBK_USB_TUNING = 85,
    GUI_WIDGET_CBK_UPGRADE_BT_USB = 86,
    GUI_WIDGET_CBK_UPGRADE_WIRELESS_TX_UDISK = 87,
    GUI_WIDGET_CBK_UPGRADE_WIRELESS_RX_UDISK = 88,
    GUI_WIDGET_CBK_UPGRADE_HDMI_UDISK = 89,
    GUI_WIDGET_CBK_UPGRADE_DSP_UDISK = 90,
    GUI_WIDGET_CBK_UPGRADE_BT_UDISK = 91,
    GUI_WIDGET_CBK_DSP_VER_READ = 92,
    GUI_WIDGET_CBK_EZ_PLAY_SYMPHONY_FUNC_SET = 93,
    GUI_WIDGET_CBK_OTA_PERMIT_SET = 94,
    GUI_WIDGET_CBK_DOWNLOAD_SET = 95,
    GUI_WIDGET_CBK_UUID_GET = 96,
    GUI_WIDGET_CBK_5P8_CONNECT_STATE_GET = 97,
    GUI_WIDGET_CBK_UUID_SET = 98,
    GUI_WIDGET_CBK_SYS_REBOOT = 99,
};

constexpr uint32_t GUI_WIDGET_CBK_SLOTS = 100;

using GuiWrapperSlotFct = int32_t (*)(void* arg);
using GuiWrapperSettingSetFct = void (*)(GuiWrapperSettingId id, const GuiWidgetSetting* w);

struct GuiWidgetCbkTable {
    // Slot 1 takes a setting id beside its pointer and lives in its own field; slot[1] stays null.
    std::array<GuiWrapperSlotFct, GUI_WIDGET_CBK_SLOTS> slot;
    GuiWrapperSettingSetFct WidgetSettingSet;
};

// Who takes the table at start. The widget core sits above the wrapper layer, so it names its
// receiver here when the program loads; the receiver copies the table.
using GuiWrapperCbkReceiver = void (*)(const GuiWidgetCbkTable* table);
void guiWrapperCbkReceiverSet(GuiWrapperCbkReceiver receiver);

// Starts the wrapper layer once (a second call only logs): hands the table to its receiver, then
// starts the wrappers row by row in the wrapper table's order.
void guiWrapperInit(void);
// Stops the wrappers in the reverse order; the handed-over table stays.
void guiWrapperExit(void);

// One row of the wrapper table: a wrapper's start and stop, real or a stand-in.
struct GuiWrapperRow {
    const char* name;
    void (*init)(void);
    void (*exit)(void);
};
constexpr uint32_t GUI_WRAPPER_ROWS = 16;
// The sixteen wrappers in their start order.
extern const GuiWrapperRow gGuiWrapperTable[GUI_WRAPPER_ROWS];

// The table as the wrapper layer builds it.
GuiWidgetCbkTable guiWrapperCbkTableBuild(void);
