// USB music wrapper: the GUI's side of music from a USB stick. It keeps the stick's plug and mount
// state, counts the playable files, sends the player keys to the USB playback application, turns
// that application's status and progress reports into GUI system events, runs the play-time tick
// and switches the USB port's role on its power GPIO.
//
// The callbacks run on the USB playback application's thread and the device manager's threads,
// the play-time tick on its timer's thread, the rest on the GUI thread; shared fields are atomic.
#pragma once

#include <cstddef>
#include <cstdint>

struct GuiWrapperSetting;

constexpr uint32_t GUI_WRAPPER_USB_PWR_GPIO = 509;
constexpr uint32_t GUI_WRAPPER_USB_MUSIC_PLAYING = 2;
constexpr uint32_t GUI_WRAPPER_USB_NO_INDEX = 0xFFFFFFFF;

// Music controls of guiWrapperUsbMusicCtrl.
enum GuiWrapperUsbCtrl : uint32_t {
    GUI_WRAPPER_USB_CTRL_STOP = 0,
    GUI_WRAPPER_USB_CTRL_PLAY_PAUSE = 1,
    GUI_WRAPPER_USB_CTRL_PREV = 2,
    GUI_WRAPPER_USB_CTRL_NEXT = 3,
};

// What the USB playback application and the device manager, which stand above the wrappers, lend
// this wrapper; handed in when that application registers. Without it the play mode is not passed
// on and the file search finds no stick.
struct GuiWrapperUsbPlayer {
    // 0 ordered loop, 1 single loop.
    void (*playModeSet)(uint32_t mode);
    // The mounted stick's path into `path` (terminated); 0, else the device manager's error.
    int32_t (*mountPathGet)(char* path, size_t size);
    // The number of playable files below `root`; the list built for it is freed at once.
    uint32_t (*fileCount)(const char* root);
};
void guiWrapperUsbPlayerRegister(const GuiWrapperUsbPlayer* player);

// Once only; a second call does nothing. Exit undoes it.
void guiWrapperUsbInit(void);
void guiWrapperUsbExit(void);

// Role 1 and the play mode of the record.
void guiWrapperUsbPowerOn(const GuiWrapperSetting* s);
// Role 0.
void guiWrapperUsbPowerOff(uint32_t unused);
// Removes the USB music resume file.
void guiWrapperUsbFactoryReset(uint32_t unused);

// The 520-byte key message to the USB playback application. 0, or -1 when it cannot be sent.
int32_t guiWrapperUsbMsgSnd(const void* body520);
// Both send the playback key with the file index; the player acts by its own state. Slots
// UsbMusicPlay and UsbMusicPause.
void guiWrapperUsbMusicPlay(const uint32_t* fileIdx);
void guiWrapperUsbMusicPause(const uint32_t* fileIdx);
// {file index, control}: stop, play/pause, previous, next; a track change is pop-muted briefly.
void guiWrapperUsbMusicCtrl(const uint32_t arg[2]);
void guiWrapperUsbMusicPlayModeSet(int32_t mode);
// Non-zero starts the play-time tick (first after 500 ms), zero stops it.
void guiWrapperUsbMusicPlayTimeGet(const uint8_t* en);
// The count of playable files on the mounted stick. 0; the device manager's error (count
// untouched) when no stick is mounted.
int32_t guiWrapperUsbUDiskFilelistSearch(uint32_t* count);
// Slot UsbUdiskPlugStsGet.
void guiWrapperUsbUdiskPlugStsGet(uint8_t* out);
// Role 0 or 1 on the USB power GPIO (level 1 for role 0); a repeated role leaves the line alone.
void guiWrapperUsbRoleSet(uint32_t role);
// The USB device-mode lines for USB tuning.
void guiWrapperUsbAdbStart(void);

// Status 0 stopped, 1 no playlist, 2 playing, 3 paused, 4 end of the reset test's track; index
// 0xFFFFFFFF is "no track" and reads as status 1. Returns 0.
int32_t guiWrapperUsbUDiskMusicStsCbk(uint32_t status, uint32_t index);
void guiWrapperUsbUdiskHotplugCbk(uint8_t mounted);
// The device manager's report of a stick it could not mount: 1 online.
void guiWrapperUsbUdiskPlugStsSet(uint8_t online);
void guiWrapperUsbUDiskMusicPlayTimeCbk(uint64_t seconds);
// The music status of the USB player (see the status callback); null is refused.
void guiWrapperUsbMusicStsGet(uint32_t* out);
// Non-zero starts the play-time reports, zero stops them; null is refused.
void guiWrapperUsbMusicPlayTimeGet(const uint8_t* en);
