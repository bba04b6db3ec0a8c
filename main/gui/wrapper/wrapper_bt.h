// Bluetooth-module wrapper: the commands the GUI sends to the Bluetooth module over its link (the
// module is also the panel's touch-key and phone-app front end, so it hears of every change the
// user can see), the queries a 100 ms timer sends one at a time, and the reads of the module's
// status record. Every command is one frame handed to the protocol hub for slot 0.
#pragma once

#include <cstdint>

struct GuiWrapperSetting;

// Module command groups and the commands of group 0x81 (commands) and 0x82 (queries).
enum GuiWrapperBtCmd : uint8_t {
    GUI_WRAPPER_BT_GROUP_CMD = 0x81,
    GUI_WRAPPER_BT_GROUP_QUERY = 0x82,
    GUI_WRAPPER_BT_GROUP_TEST = 0x8F,

    GUI_WRAPPER_BT_CMD_PLAY = 0x01,
    GUI_WRAPPER_BT_CMD_PAUSE = 0x02,
    GUI_WRAPPER_BT_CMD_NEXT = 0x03,
    GUI_WRAPPER_BT_CMD_PREV = 0x04,
    GUI_WRAPPER_BT_CMD_VOL = 0x07,
    GUI_WRAPPER_BT_CMD_MUTE = 0x08,
    GUI_WRAPPER_BT_CMD_SRC = 0x0A,
    GUI_WRAPPER_BT_CMD_FACTORY_RESET = 0x14,
    GUI_WRAPPER_BT_CMD_PAIR = 0x15,
    GUI_WRAPPER_BT_CMD_SRC_IN = 0x16,
    GUI_WRAPPER_BT_CMD_POWER_ON = 0x17,
    GUI_WRAPPER_BT_CMD_PLAY_PAUSE = 0x18,
    GUI_WRAPPER_BT_CMD_USB_UPGRADE = 0x19,
    GUI_WRAPPER_BT_CMD_HDMI_UPGRADE = 0x1A,
    GUI_WRAPPER_BT_CMD_POWER_OFF = 0x25,
    GUI_WRAPPER_BT_CMD_SHOP = 0x26,
    GUI_WRAPPER_BT_CMD_LE_AUD_PWR = 0x27,
    GUI_WRAPPER_BT_CMD_USB_CONN = 0x28,
    GUI_WRAPPER_BT_CMD_DSP_REBOOT = 0x29,
    GUI_WRAPPER_BT_CMD_UDISK_UPGRADE = 0x2A,
    GUI_WRAPPER_BT_CMD_WIRELESS_LINK = 0x2D,
    GUI_WRAPPER_BT_CMD_PCBA_TEST_ON = 0xF0,
    GUI_WRAPPER_BT_CMD_PCBA_TEST_OFF = 0xF1,
    GUI_WRAPPER_BT_CMD_MACHINE_TEST_ON = 0xF2,
    GUI_WRAPPER_BT_CMD_MACHINE_TEST_OFF = 0xF3,
    GUI_WRAPPER_BT_CMD_POWER_IDLE = 0xF4,

    GUI_WRAPPER_BT_QUERY_PLAY_STS = 0x01,
    GUI_WRAPPER_BT_QUERY_VERSION = 0x03,
    GUI_WRAPPER_BT_QUERY_MAC = 0x04,
    GUI_WRAPPER_BT_QUERY_TOUCH_VERSION = 0x05,
    GUI_WRAPPER_BT_QUERY_CEC_NAME = 0x06,
};

// The pending queries; the timer serves one a tick, in the order version, MAC, touch version, play
// status, volume, CEC name.
enum GuiWrapperBtPending : uint32_t {
    GUI_WRAPPER_BT_PENDING_VERSION = 0x01,
    GUI_WRAPPER_BT_PENDING_TOUCH_VERSION = 0x02,
    GUI_WRAPPER_BT_PENDING_PLAY_STS = 0x04,
    GUI_WRAPPER_BT_PENDING_VOL = 0x08,
    GUI_WRAPPER_BT_PENDING_MAC = 0x10,
    GUI_WRAPPER_BT_PENDING_CEC_NAME = 0x20,
};

// The wrapper setting's sources (ARC, HDMI, optical, Bluetooth, AUX, USB) and how many there are.
constexpr uint32_t GUI_WRAPPER_BT_AUD_SRC_BT = 3;
constexpr uint32_t GUI_WRAPPER_BT_AUD_SRCS = 6;
// The query timer's period, and its first tick when the Bluetooth source is selected.
constexpr uint32_t GUI_WRAPPER_BT_QUERY_MS = 100;
constexpr uint32_t GUI_WRAPPER_BT_QUERY_ENTER_MS = 10;
// The 3-byte user id the machine test gives the 5.8 GHz module: the factory's test receiver pairs
// only with it.
constexpr uint8_t GUI_WRAPPER_BT_MACHINE_TEST_UID[3] = {0x5A, 0xA5, 0x01};

// Once only; a second call does nothing. Sets the start-up queries (version, MAC, touch version,
// CEC name) and arms the query timer. Exit undoes it.
void guiWrapperBtInit(void);
void guiWrapperBtExit(void);

// Power on: command 0x17, the source, and the volume on the next query tick.
void guiWrapperBtPowerOn(const GuiWrapperSetting* s);
// Power off and idle: command 0x25 with the fake-standby flag and the display dimmer.
void guiWrapperBtPowerOff(const GuiWrapperSetting* s);
void guiWrapperBtPowerIdle(void);
void guiWrapperBtFactoryReset(uint32_t unused);
void guiWrapperBtShopSet(uint8_t on);

// Source selection: the module's code of `audSrc` (0..5); the Bluetooth source (re)starts the
// query timer, any other stops it. 6 and above are refused.
void guiWrapperBtManualSrcInSet(uint32_t audSrc);
// The TV route: 0 ARC and 1 eARC select ARC, 2 the HDMI input.
void guiWrapperBtRoutingSrcInSet(uint32_t route);
void guiWrapperBtSrcInSet(void);
void guiWrapperBtReConnect(void);
void guiWrapperBtSrcInClr(void);

// Music control 0 pause, 1 play/pause, 2 previous, 3 next; 4 and above send nothing.
void guiWrapperBtMusicCtrl(uint32_t ctrl);
void guiWrapperBtMuteSet(uint8_t mute);
void guiWrapperBtVolSet(uint8_t vol);
void guiWrapperBtPair(void);
void guiWrapperBtPlay(void);
void guiWrapperBtPause(void);
// USB connection state 0..2 (then 100 ms for the module to switch); 3 and above do nothing.
void guiWrapperBtUsbConnSet(uint32_t state);
void guiWrapperBtUsbUpgrade(void);
void guiWrapperBtHdmiUpgrade(void);
void guiWrapperBtDspReboot(uint8_t value);

// Waits, up to 10 tries 5 ms apart, for the module's LE-audio power to equal `on`, asking for it
// every second try.
void guiWrapperBtCtrlWirelessAudPwr(uint8_t on);
// The production tests: PCBA (tells the module the 5.8 GHz link state) and machine (gives the
// 5.8 GHz module the machine-test user id until it reads back).
void guiWrapperBtPcbaTestSet(uint32_t on);
void guiWrapperBtMachineTestSet(uint32_t on);
// The machine test reads and writes the 5.8 GHz module's user id through the GUI's user-id
// handlers, which sit above this layer: the GUI hands them over before the wrappers start.
using GuiWrapperBtUuidRead = void (*)(void);
using GuiWrapperBtUuidWrite = void (*)(const uint8_t* uuid);
void guiWrapperBtUuidCbkSet(GuiWrapperBtUuidRead read, GuiWrapperBtUuidWrite write);

// Reads of the module status record; each leaves its output alone when the record is missing.
void guiWrapperBtVersionGet(uint8_t* out);
void guiWrapperBtTouchVersionGet(uint8_t* out);
// 1 while the module plays.
void guiWrapperBtPlayStsGet(uint8_t* out);
void guiWrapperBtMacAddrGet(uint8_t out[6]);
// Module status 2 (pairing) gives 1, 4 (connected) 16; any other value leaves `out` alone.
void guiWrapperBtStsGet(uint32_t* out);

// {status, volume} from the widgets: 3 (disconnected) clears the play status, 4 (connected) asks
// for the play status and then sends the volume; the volume is kept either way.
void guiWrapperBtStsSetProcess(const uint8_t sts[2]);
// The MAC the module reported; a new one is saved at the next power on.
void guiWrapperBtMacAddrSet(const uint8_t* mac);
// Only when the MAC changed since the last save: into the record and the store's MAC item.
void guiWrapperBtMacAddrSync(GuiWrapperSetting* s);

// Sends command (group, cmd) with `len` payload bytes to the Bluetooth module; 0, or -1 for a
// payload of 33 bytes or more.
int32_t guiWrapperBtSndPacket(uint8_t group, uint8_t cmd, uint8_t len, const uint8_t* payload);
// Tells the module whether the 5.8 GHz link is up.
void guiWrapperWirelesStateReport(uint32_t on);
void guiWrapperWirelesConnStateReport(void);
void guiWrapperWirelesDisconnStateReport(void);
