// The GUI manager's message interface: the GUI event ids, the GUI message, the GUI system state
// and the calls that post GUI events to "gui_namager" (the registered name is spelled so; every
// sender uses it). Every module that talks to the GUI uses it, the wrapper layer and the module
// links below the GUI as well as the applications above; the GUI manager's own thread handles what
// is posted.
#pragma once

#include <cstdint>

constexpr const char* GUI_MANAGER_APP_NAME = "gui_namager";
constexpr uint32_t GUI_MSG_DATA_SIZE = 65;

// GUI event ids: user events 0x1000..0x107D (filtered by the allow windows), system events
// 0x8000..0x8036, production-test events 0xF000..0xF007 and 0xFF00..0xFF0C. Each says who posts
// it and what its payload (GuiMsg.data, msg_size bytes) holds; "the phone app" and "TV partners"
// reach the GUI through the module-link dispatcher.
enum GuiEvtId : uint16_t {
    // Key input (power key), the phone app. No payload.
    E_GUI_USR_EVT_POWER_ON = 0x1000,
    // Key input, the phone app, the music wrapper's auto power off. No payload.
    E_GUI_USR_EVT_POWER_OFF = 0x1001,
    // corvand's start-up once the audio server is up, key input (power key). No payload.
    E_GUI_USR_EVT_POWER_IDLE = 0x1002,
    // Key input (power key held), the phone app. No payload.
    E_GUI_USR_EVT_FACTORY_RESET = 0x1003,
    // The phone app. data[0]: the auto-standby setting.
    E_GUI_USR_EVT_AUTO_STANDBY_SET = 0x1004,
    // Key input. No payload.
    E_GUI_USR_EVT_AUTO_STANDBY_DISP = 0x1005,
    // The phone app. data[0]: the screensaver setting.
    E_GUI_USR_EVT_AUTO_SCREENSAVER_SET = 0x1006,
    // The phone app, TV partners. data[0]: the source (aud_src).
    E_GUI_USR_EVT_SRC_SEL = 0x1007,
    // Key input (source key, 300 ms late through the delayed slot). No payload.
    E_GUI_USR_EVT_SRC_TOGGLE = 0x1008,
    // Key input (Bluetooth key, delayed like the source key). No payload.
    E_GUI_USR_EVT_SRC_BT = 0x1009,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_SRC_ARC = 0x100A,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_SRC_HDMI = 0x100B,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_SRC_OPT = 0x100C,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_SRC_AUX = 0x100D,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_SRC_USB = 0x100E,
    // Not posted; does nothing.
    E_GUI_USR_EVT_RESERVED_100F = 0x100F,
    // Key input (Bluetooth key held), the phone app. No payload.
    E_GUI_USR_EVT_BT_PAIR = 0x1010,
    // Key input (touch pairing key held), the phone app. No payload.
    E_GUI_USR_EVT_WIRELESS_AUD_START_PAIR = 0x1011,
    // Key input (factory pairing key). No payload.
    E_GUI_USR_EVT_WIRELESS_AUD_FACTORY_PAIR = 0x1012,
    // Key input. No payload.
    E_GUI_USR_EVT_XUPMIX_TOGGLE = 0x1013,
    // The phone app. data[0]: on or off.
    E_GUI_USR_EVT_XUPMIX_SET = 0x1014,
    // Key input. No payload.
    E_GUI_USR_EVT_VIRTUALX_TOGGLE = 0x1015,
    // The phone app. data[0]: the surround level.
    E_GUI_USR_EVT_SUR_SET = 0x1016,
    // Key input. No payload.
    E_GUI_USR_EVT_SUR_DISP = 0x1017,
    // Key input. No payload.
    E_GUI_USR_EVT_SUR_EN_TOGGLE = 0x1018,
    // Key input (one step up). No payload.
    E_GUI_USR_EVT_SUR_ADD = 0x1019,
    // Key input (one step down). No payload.
    E_GUI_USR_EVT_SUR_SUB = 0x101A,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_SUR_ADD_2 = 0x101B,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_SUR_SUB_2 = 0x101C,
    // The phone app. data[0]: the height level.
    E_GUI_USR_EVT_HEIGHT_SET = 0x101D,
    // Key input. No payload.
    E_GUI_USR_EVT_HEIGHT_DISP = 0x101E,
    // Key input (one step up). No payload.
    E_GUI_USR_EVT_HEIGHT_ADD = 0x101F,
    // Key input (one step down). No payload.
    E_GUI_USR_EVT_HEIGHT_SUB = 0x1020,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_HEIGHT_ADD_2 = 0x1021,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_HEIGHT_SUB_2 = 0x1022,
    // Key input. No payload.
    E_GUI_USR_EVT_EQ_DISP = 0x1023,
    // Key input. No payload.
    E_GUI_USR_EVT_EQ_TOGGLE = 0x1024,
    // Key input (music key), the phone app. No payload.
    E_GUI_USR_EVT_EQ_SEL_0 = 0x1025,
    // Key input (movie key), the phone app. No payload.
    E_GUI_USR_EVT_EQ_SEL_1 = 0x1026,
    // Key input (voice key), the phone app. No payload.
    E_GUI_USR_EVT_EQ_SEL_2 = 0x1027,
    // Key input (game key), the phone app. No payload.
    E_GUI_USR_EVT_EQ_SEL_3 = 0x1028,
    // Key input (sport key), the phone app. No payload.
    E_GUI_USR_EVT_EQ_SEL_4 = 0x1029,
    // Key input (night key), the phone app. No payload.
    E_GUI_USR_EVT_EQ_SEL_5 = 0x102A,
    // The phone app. Payload: a 44-byte EQ selection record (preset, then custom values).
    E_GUI_USR_EVT_EQ_SEL_6 = 0x102B,
    // The phone app. Payload: a 44-byte EQ selection record (preset, then custom values).
    E_GUI_USR_EVT_EQ_SEL_7 = 0x102C,
    // The phone app. No payload.
    E_GUI_USR_EVT_EQ_RESET = 0x102D,
    // The phone app. data[0]: the USB play mode.
    E_GUI_USR_EVT_MUSIC_PLAY_MODE_SEL = 0x102E,
    // Key input. No payload.
    E_GUI_USR_EVT_MUSIC_PLAY_MODE_TOGGLE = 0x102F,
    // Key input (play/pause key on USB), the phone app. No payload.
    E_GUI_USR_EVT_MUSIC_USB_PLAY = 0x1030,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_MUSIC_USB_PREV = 0x1031,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_MUSIC_USB_NEXT = 0x1032,
    // Key input (play/pause key on Bluetooth). No payload.
    E_GUI_USR_EVT_MUSIC_BT_PLAY = 0x1033,
    // Key input. No payload.
    E_GUI_USR_EVT_MUSIC_BT_PREV = 0x1034,
    // Key input. No payload.
    E_GUI_USR_EVT_MUSIC_BT_NEXT = 0x1035,
    // The phone app. data[0]: the prompt-tone volume.
    E_GUI_USR_EVT_TONE_VOL_SET = 0x1036,
    // Key input. No payload.
    E_GUI_USR_EVT_TONE_VOL_DISP = 0x1037,
    // Key input. No payload.
    E_GUI_USR_EVT_TONE_VOL_ADD = 0x1038,
    // Key input. No payload.
    E_GUI_USR_EVT_TONE_VOL_SUB = 0x1039,
    // The phone app, TV partners. data[0]: mute (1) or unmute (0).
    E_GUI_USR_EVT_MUTE_SET = 0x103A,
    // Key input (mute key). No payload.
    E_GUI_USR_EVT_MUTE_TOGGLE = 0x103B,
    // The phone app, TV partners. data[0]: the volume 0..100.
    E_GUI_USR_EVT_VOL_SET = 0x103C,
    // Key input (volume-up release). No payload.
    E_GUI_USR_EVT_VOL_UP = 0x103D,
    // Key input (volume-down release). No payload.
    E_GUI_USR_EVT_VOL_DOWN = 0x103E,
    // Key input (volume-up held, each repeat step). No payload.
    E_GUI_USR_EVT_VOL_UP_REPEAT = 0x103F,
    // Key input (volume-down held, each repeat step). No payload.
    E_GUI_USR_EVT_VOL_DOWN_REPEAT = 0x1040,
    // The phone app. data[0]: the bass level.
    E_GUI_USR_EVT_BASS_SET = 0x1041,
    // Key input. No payload.
    E_GUI_USR_EVT_BASS_DISP = 0x1042,
    // Key input (one step up). No payload.
    E_GUI_USR_EVT_BASS_ADD = 0x1043,
    // Key input (one step down). No payload.
    E_GUI_USR_EVT_BASS_SUB = 0x1044,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_BASS_ADD_2 = 0x1045,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_BASS_SUB_2 = 0x1046,
    // The phone app. data[0]: the centre level.
    E_GUI_USR_EVT_CENTER_SET = 0x1047,
    // Key input. No payload.
    E_GUI_USR_EVT_CENTER_DISP = 0x1048,
    // Key input (one step up). No payload.
    E_GUI_USR_EVT_CENTER_ADD = 0x1049,
    // Key input (one step down). No payload.
    E_GUI_USR_EVT_CENTER_SUB = 0x104A,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_CENTER_ADD_2 = 0x104B,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_CENTER_SUB_2 = 0x104C,
    // The phone app. data[0]: the treble level.
    E_GUI_USR_EVT_TREBLE_SET = 0x104D,
    // Key input. No payload.
    E_GUI_USR_EVT_TREBLE_DISP = 0x104E,
    // Key input (one step up). No payload.
    E_GUI_USR_EVT_TREBLE_ADD = 0x104F,
    // Key input (one step down). No payload.
    E_GUI_USR_EVT_TREBLE_SUB = 0x1050,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_TREBLE_ADD_2 = 0x1051,
    // Key input, second key of the pair. No payload.
    E_GUI_USR_EVT_TREBLE_SUB_2 = 0x1052,
    // The phone app. data[0]: the display dimmer level.
    E_GUI_USR_EVT_LCD_DIMMER_SET = 0x1053,
    // Key input. No payload.
    E_GUI_USR_EVT_LCD_DIMMER_DISP = 0x1054,
    // Key input (dimmer key). No payload.
    E_GUI_USR_EVT_LCD_DIMMER_TOGGLE_0 = 0x1055,
    // Key input (dimmer key, other direction). No payload.
    E_GUI_USR_EVT_LCD_DIMMER_TOGGLE_1 = 0x1056,
    // The phone app. data[0]: the LED dimmer level.
    E_GUI_USR_EVT_LED_DIMMER_SET = 0x1057,
    // Key input (hidden sequence), only inside the bypass allow window. No payload.
    E_GUI_USR_EVT_BYPASS_MODE = 0x1058,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_SHOP_MODE_ON = 0x1059,
    // Key input, the phone app. No payload.
    E_GUI_USR_EVT_SHOP_MODE_OFF = 0x105A,
    // Key input (touch key held), only inside the PDT allow window. No payload.
    E_GUI_USR_EVT_PDT_MODE_ON = 0x105B,
    // Key input (any key in product-test mode). No payload.
    E_GUI_USR_EVT_PDT_MODE_KEY_LED = 0x105C,
    // Key input (power key held in product-test mode). No payload.
    E_GUI_USR_EVT_PDT_MODE_OFF = 0x105D,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_PCBA_TEST_ON = 0x105E,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_PCBA_TEST_OFF = 0x105F,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_MACHINE_TEST_ON = 0x1060,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_MACHINE_TEST_OFF = 0x1061,
    // Key input (touch key held). No payload.
    E_GUI_USR_EVT_ERP_MODE_ON = 0x1062,
    // Key input. No payload.
    E_GUI_USR_EVT_ERP_MODE_OFF = 0x1063,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_USB_CONN_SET = 0x1064,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_USB_TUNING = 0x1065,
    // Key input. No payload.
    E_GUI_USR_EVT_MENU_ENTER = 0x1066,
    // Key input (previous item). No payload.
    E_GUI_USR_EVT_MENU_SEL_0 = 0x1067,
    // Key input (next item). No payload.
    E_GUI_USR_EVT_MENU_SEL_1 = 0x1068,
    // Key input (value up). No payload.
    E_GUI_USR_EVT_MENU_SET_0 = 0x1069,
    // Key input (value down). No payload.
    E_GUI_USR_EVT_MENU_SET_1 = 0x106A,
    // Key input. No payload.
    E_GUI_USR_EVT_MENU_EXIT = 0x106B,
    // Key input. No payload.
    E_GUI_USR_EVT_MENU_PARAM_RESET = 0x106C,
    // Key input, only inside the upgrade allow window (bit 0). No payload.
    E_GUI_USR_EVT_BT_USB_UPGRADE = 0x106D,
    // Key input (hidden sequence), upgrade allow window bit 1. No payload.
    E_GUI_USR_EVT_WIRELESS_TX_UDISK_UPGRADE = 0x106E,
    // Key input (hidden sequence), upgrade allow window bit 2. No payload.
    E_GUI_USR_EVT_WIRELESS_RX_UDISK_UPGRADE = 0x106F,
    // Key input (hidden sequence), upgrade allow window bit 3. No payload.
    E_GUI_USR_EVT_HDMI_UDISK_UPGRADE = 0x1070,
    // Key input (hidden sequence), upgrade allow window bit 4. No payload.
    E_GUI_USR_EVT_DSP_UDISK_UPGRADE = 0x1071,
    // Key input (hidden sequence), upgrade allow window bit 5. No payload.
    E_GUI_USR_EVT_BT_UDISK_UPGRADE = 0x1072,
    // Key input (source key held). No payload.
    E_GUI_USR_EVT_DSP_VER_READ = 0x1073,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_ROKU_PVID_READ = 0x1074,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_EZPLAY_SYMPHONY_FUNC = 0x1075,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_STANDARD_TEST = 0x1076,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_EQ_TEST = 0x1077,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_SALES_AREA_TOGGLE = 0x1078,
    // Key input (hidden sequence). No payload.
    E_GUI_USR_EVT_AMP_STS_READ = 0x1079,
    // Key input. No payload.
    E_GUI_USR_EVT_5P8_CONN_STS_READ = 0x107A,
    // The phone app. No payload.
    E_GUI_USR_EVT_TRACKING_RESET = 0x107B,
    // Key input. No payload.
    E_GUI_USR_EVT_UUID_READ = 0x107C,
    // The production test over the link. Payload: the 3-byte user id.
    E_GUI_USR_EVT_UUID_WRITE = 0x107D,
    // The power widgets, after power on. No payload.
    E_GUI_SYS_EVT_HOME_SHOW = 0x8000,
    // The power widgets, before standby. No payload.
    E_GUI_SYS_EVT_HOME_HIDE = 0x8001,
    // The source widgets, 10 ms after a source change. No payload.
    E_GUI_SYS_EVT_HOME_SRC_SET = 0x8002,
    // The shop-mode widget, 100 ms after shop mode on. No payload.
    E_GUI_SYS_EVT_HOME_SHOP_SET = 0x8003,
    // The state manager, when a source reports its play status. data[0]: the play status.
    E_GUI_SYS_EVT_SRC_TOGGLE_DONE = 0x8004,
    // Not posted; does nothing.
    E_GUI_SYS_EVT_RESERVED_8005 = 0x8005,
    // Not posted; does nothing.
    E_GUI_SYS_EVT_RESERVED_8006 = 0x8006,
    // The music wrapper's auto wake-up. data[0]: the source to wake to (aud_src).
    E_GUI_SYS_EVT_SYS_POWER_ON = 0x8007,
    // The source widgets, when a source must power the system off. No payload.
    E_GUI_SYS_EVT_SYS_POWER_OFF = 0x8008,
    // The music wrapper's inactivity timer. No payload.
    E_GUI_SYS_EVT_AUTO_STANDBY = 0x8009,
    // The music wrapper's inactivity timer. No payload.
    E_GUI_SYS_EVT_AUTO_SCREENSAVER_ON = 0x800A,
    // The music wrapper, on activity. No payload.
    E_GUI_SYS_EVT_AUTO_SCREENSAVER_OFF = 0x800B,
    // The music wrapper's menu timeout. No payload.
    E_GUI_SYS_EVT_EXIT_MENU_MODE = 0x800C,
    // The music wrapper's product-test timeout. No payload.
    E_GUI_SYS_EVT_PDT_MODE_EXIT = 0x800D,
    // The music wrapper, when the allow windows after power on close. No payload.
    E_GUI_SYS_EVT_ALLOW_TIMEOUT = 0x800E,
    // The USB music wrapper. data[0], data[1]: minutes and seconds played.
    E_GUI_SYS_EVT_PLAY_TIME = 0x800F,
    // The OTA link. Payload: the 45-byte OTA offer record.
    E_GUI_SYS_EVT_OTA_PERMIT_CHK = 0x8010,
    // The OTA link, when a download starts. No payload.
    E_GUI_SYS_EVT_OTA_DOWNLOAD_ON = 0x8011,
    // The OTA link, when a download stops. data[0]: the reason.
    E_GUI_SYS_EVT_OTA_DOWNLOAD_OFF = 0x8012,
    // The OTA link. data[0]: the result.
    E_GUI_SYS_EVT_OTA_UPGRADE_DONE = 0x8013,
    // The USB-stick upgrades. data[0]: the result.
    E_GUI_SYS_EVT_UDISK_UPGRADE_DONE = 0x8014,
    // The upgraders. Payload: an 8-byte GuiUpgradePercent.
    E_GUI_SYS_EVT_UPGRADE_PERCENT = 0x8015,
    // The USB music wrapper, when the stick goes. No payload.
    E_GUI_SYS_EVT_UDISK_HOTPLUG_OFF = 0x8016,
    // The USB music wrapper, when a stick is mounted. No payload.
    E_GUI_SYS_EVT_UDISK_HOTPLUG_ON = 0x8017,
    // The USB music wrapper: stopped. The payload is not read.
    E_GUI_SYS_EVT_UDISK_MUSIC_STS_0 = 0x8018,
    // The USB music wrapper and the source widgets: no playlist. Payload: u32 value.
    E_GUI_SYS_EVT_UDISK_MUSIC_STS_1 = 0x8019,
    // The USB music wrapper: playing. Payload: u32 track index.
    E_GUI_SYS_EVT_UDISK_MUSIC_STS_2 = 0x801A,
    // The USB music wrapper: paused. Payload: u32 track index.
    E_GUI_SYS_EVT_UDISK_MUSIC_STS_3 = 0x801B,
    // The Bluetooth-module link. No payload.
    E_GUI_SYS_EVT_BT_PAIRING = 0x801C,
    // The Bluetooth-module link. No payload.
    E_GUI_SYS_EVT_BT_DISCONNECTED = 0x801D,
    // The Bluetooth-module link. No payload.
    E_GUI_SYS_EVT_BT_CONNECTED = 0x801E,
    // The Bluetooth-module link (module state 5). No payload.
    E_GUI_SYS_EVT_BT_STS_5 = 0x801F,
    // The Bluetooth-module link (module state 6). No payload.
    E_GUI_SYS_EVT_BT_STS_6 = 0x8020,
    // The Bluetooth-module link; handled as a disconnect without the tone. No payload.
    E_GUI_SYS_EVT_BT_STS_8021 = 0x8021,
    // The Bluetooth-module link; handled as a disconnect without the tone. No payload.
    E_GUI_SYS_EVT_BT_STS_8022 = 0x8022,
    // The Bluetooth-module link. data[0]: the volume the module reports.
    E_GUI_SYS_EVT_BT_VOL = 0x8023,
    // The module-link dispatcher; does nothing.
    E_GUI_SYS_EVT_RESERVED_8024 = 0x8024,
    // The module-link dispatcher; does nothing.
    E_GUI_SYS_EVT_RESERVED_8025 = 0x8025,
    // The Bluetooth-module link. Payload: the 6-byte MAC address.
    E_GUI_SYS_EVT_BT_MAC = 0x8026,
    // The 5.8 GHz link (pairing state 1). No payload.
    E_GUI_SYS_EVT_WIRELESS_AUD_STS_1 = 0x8027,
    // The 5.8 GHz link (pairing state 2). No payload.
    E_GUI_SYS_EVT_WIRELESS_AUD_STS_2 = 0x8028,
    // The 5.8 GHz link (state 3). data[0]: the connection type.
    E_GUI_SYS_EVT_WIRELESS_AUD_STS_3 = 0x8029,
    // The 5.8 GHz link (connected). data[0]: the connection type.
    E_GUI_SYS_EVT_WIRELESS_AUD_STS_4 = 0x802A,
    // The 5.8 GHz link (state 5). No payload.
    E_GUI_SYS_EVT_WIRELESS_AUD_STS_5 = 0x802B,
    // The music wrapper, a while after the decoded format changed. data[0]: the format.
    E_GUI_SYS_EVT_DECODER_AUD_FMT_SHOW = 0x802C,
    // The HDMI wrapper (the TV's power over CEC). data[0]: TV on (1) or off.
    E_GUI_SYS_EVT_HDMI_OUT_ROUTING_POWER = 0x802D,
    // The HDMI wrapper (the TV's routing). data[0]: the route.
    E_GUI_SYS_EVT_HDMI_OUT_ROUTING_SRC = 0x802E,
    // The HDMI wrapper (volume from the TV). data[0]: the volume.
    E_GUI_SYS_EVT_HDMI_OUT_VOL_SET = 0x802F,
    // The HDMI wrapper (mute from the TV). data[0]: mute (1) or unmute (0).
    E_GUI_SYS_EVT_HDMI_OUT_MUTE_SET = 0x8030,
    // The HDMI wrapper (ARC/eARC change). data[0]: the ARC state.
    E_GUI_SYS_EVT_HDMI_OUT_ARC_SHOW = 0x8031,
    // The module-link dispatcher. Payload: 8 bytes, a big-endian 64-bit number whose low 32 bits
    // are the address of a 14-byte CEC name, valid until the GUI has handled the event.
    E_GUI_SYS_EVT_NAND_PARAM_SET = 0x8032,
    // The TV-partner protocols. Payload: u16 setting value.
    E_GUI_SYS_EVT_TV_SETTING_UPDATE_0 = 0x8033,
    // The TV-partner protocols. Payload: u16 setting value.
    E_GUI_SYS_EVT_TV_SETTING_UPDATE_1 = 0x8034,
    // The upgraders, when an upgrade needs a restart. No payload.
    E_GUI_SYS_EVT_SYS_REBOOT = 0x8035,
    // The phone app, asking for the version. No payload.
    E_GUI_SYS_EVT_DSP_VER_READ = 0x8036,
    // The module-link dispatcher (production test): Bluetooth source. No payload.
    E_GUI_PDT_EVT_SRC_BT = 0xF000,
    // The module-link dispatcher (production test): AUX source. No payload.
    E_GUI_PDT_EVT_SRC_AUX = 0xF001,
    // The module-link dispatcher (production test): optical source. No payload.
    E_GUI_PDT_EVT_SRC_OPT = 0xF002,
    // Not posted; does nothing.
    E_GUI_PDT_EVT_RESERVED_F003 = 0xF003,
    // The module-link dispatcher (production test): ARC source. No payload.
    E_GUI_PDT_EVT_SRC_ARC = 0xF004,
    // The module-link dispatcher (production test): USB source. No payload.
    E_GUI_PDT_EVT_SRC_USB = 0xF005,
    // The module-link dispatcher (production test): HDMI source. No payload.
    E_GUI_PDT_EVT_SRC_HDMI = 0xF006,
    // The module-link dispatcher (production test). data[0]: the sales country.
    E_GUI_PDT_EVT_SALES_COUNTRY_SET = 0xF007,
    // The module-link dispatcher (production test): energy-saving mode on. No payload.
    E_GUI_PDT_EVT_ERP_MODE_ON = 0xFF00,
    // The module-link dispatcher (production test): a request to the wireless link. No payload.
    E_GUI_PDT_EVT_WIRELESS_PACKET = 0xFF01,
    // The module-link dispatcher (production test): next display-test pattern. No payload.
    E_GUI_PDT_EVT_DISP_TEST = 0xFF02,
    // The module-link dispatcher (production test). data[0]: the volume.
    E_GUI_PDT_EVT_VOL_PERCENT_SET = 0xFF03,
    // The module-link dispatcher (production test): factory reset. No payload.
    E_GUI_PDT_EVT_FACTORY_RESET = 0xFF04,
    // The module-link dispatcher (production test); does nothing.
    E_GUI_PDT_EVT_NOP = 0xFF05,
    // The module-link dispatcher (production test): a test packet to the Bluetooth module. No payload.
    E_GUI_PDT_EVT_BT_PACKET = 0xFF06,
    // The module-link dispatcher (production test): report the HDMI version. No payload.
    E_GUI_PDT_EVT_HDMI_VERSION_REPORT = 0xFF07,
    // The module-link dispatcher (production test): bypass mode on. No payload.
    E_GUI_PDT_EVT_BYPASS_MODE_ON = 0xFF08,
    // The module-link dispatcher (production test). data[0]: the EQ mode.
    E_GUI_PDT_EVT_EQ_SET = 0xFF09,
    // The module-link dispatcher (production test). data[0]: the display dimmer.
    E_GUI_PDT_EVT_DIMMER_SET = 0xFF0A,
    // The module-link dispatcher (production test). data[0]: the product-test display.
    E_GUI_PDT_EVT_DISP_PDT = 0xFF0B,
    // The module-link dispatcher (production test). data[0]: the byte for the 5.8 GHz module.
    E_GUI_PDT_EVT_WIRELESS_AUD_PACKET = 0xFF0C,
};

constexpr uint16_t GUI_USR_EVT_FIRST = 0x1000;
constexpr uint16_t GUI_USR_EVT_LAST = 0x107D;
constexpr uint16_t GUI_SYS_EVT_FIRST = 0x8000;
constexpr uint16_t GUI_SYS_EVT_LAST = 0x8036;
constexpr uint16_t GUI_PDT_EVT_FIRST = 0xF000;
constexpr uint16_t GUI_PDT_EVT_LAST = 0xFF0C;

// One GUI event, copied whole into the GUI manager's queue; bytes the sender does not fill are 0.
// It never leaves the process.
struct GuiMsg {
    uint16_t msg_id;   // GuiEvtId
    uint8_t msg_size;  // payload bytes filled (0..65; key events use 1)
    uint8_t data[GUI_MSG_DATA_SIZE];
};
static_assert(sizeof(GuiMsg) == 68);

// The GUI system state: exactly one of these at a time; other modules test it with masks.
enum GuiSysState : uint32_t {
    GUI_SYS_STATE_OFF = 0x1,
    GUI_SYS_STATE_TRANSIT = 0x2,
    GUI_SYS_STATE_IDLE = 0x4,
    GUI_SYS_STATE_ON = 0x8,
    GUI_SYS_STATE_SRC_ARC = 0x10,
    GUI_SYS_STATE_SRC_HDMI = 0x20,
    GUI_SYS_STATE_SRC_OPT = 0x40,
    GUI_SYS_STATE_SRC_AUX = 0x80,
    GUI_SYS_STATE_SRC_USB = 0x100,
    GUI_SYS_STATE_SRC_BT = 0x200,
    GUI_SYS_STATE_MENU = 0x400,
    GUI_SYS_STATE_SHOP = 0x800,
    GUI_SYS_STATE_PDT = 0x1000,
    GUI_SYS_STATE_UPGRADE = 0x2000,
    GUI_SYS_STATE_BYPASS = 0x4000,
    GUI_SYS_STATE_1D8_POWER = 0x8000,
    GUI_SYS_STATE_STANDARD_TEST = 0x10000,
    GUI_SYS_STATE_PCBA_TEST = 0x20000,
};

// Masks used throughout the GUI.
constexpr uint32_t GUI_SYS_STATE_ANY_SRC = 0x3F0;
constexpr uint32_t GUI_SYS_STATE_ANY_SRC_SHOP = 0xBF0;

// Posts `msg` to the GUI manager as application message 35. Callable from any thread; a failed
// post is only logged. Always 0 (also for a null `msg`).
int32_t guiManagerAppMsgSnd(const GuiMsg* msg);
// Keeps a copy of `msg` in the one delayed slot (replacing a message still waiting there) and posts
// it `delayMs` later; 0 disarms the delay, so the copy is never sent. Always 0.
int32_t guiManagerAppMsgSndDly(const GuiMsg* msg, uint16_t delayMs);
// Drops the waiting delayed message, if any; `msg` is only logged. Always 0.
int32_t guiManagerAppMsgSndCancel(const GuiMsg* msg);
int32_t guiManagerAppMsgSndStop(void);

// The GUI system state (GuiSysState), from any thread. The setter does not check the value.
uint32_t guiManagerAppStateGet(void);
void guiManagerAppStateSet(uint32_t state);

// The GUI manager's start and stop of this interface: the delayed slot emptied and its timer
// created, the state set to GUI_SYS_STATE_OFF; the stop deletes the timer.
void guiManagerMsgInit(void);
void guiManagerMsgExit(void);
// Posts the message waiting in the delayed slot now.
void guiManagerMsgSlotPost(void);
