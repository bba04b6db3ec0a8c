// General wrappers of the wrapper table: the messages the wrapper layer sends to the state manager
// and the GUI, the menu items, the kernel version, the reboot and the mute fan-out that hands a
// widget's mute to every wrapper that must hear of it, in a fixed order, without stopping at a
// failing one.
#pragma once

#include <cstdint>

// Sends the key message `cmd` to "state_mngr" (message 1, a 520-byte appmsg_t from MSG_FROM_UI).
// 0, or -1 when it could not be posted.
int32_t guiWrapperMsgSnd(uint32_t cmd);
// Posts GUI event `id` with `len` bytes of `data` (none without data). A payload longer than a GUI
// message holds (65 bytes) is refused: a cut progress or result record would be misread.
void guiWrapperMsgCbk(uint16_t id, const uint8_t* data, uint16_t len);

void guiWrapperMenuItemGet(void* item);
// Marks the store as written ('Z' in its written item) when it is not yet.
void guiWrapperMenuItemSet(uint32_t idx, const void* item);

// The four version characters after "V0." of the kernel-version node, each a digit or a blank;
// `out` is left alone when the node cannot be read or holds another text.
void guiWrapperKernelVersionGet(char out[4]);
// Slot DspVerRead: the version fields at fixed places of the caller's text of at least 50 bytes
// (other places are left alone): "PA" and the application version at 0, 'H' and the HDMI chip's
// at 5, "B0" and the Bluetooth module's at 15, "TX" and "RX" and the 5.8 GHz transmitter's and
// receiver's at 20 and 25, "EQ" and the EQ version at 45.
constexpr uint32_t GUI_WRAPPER_VER_TEXT_SIZE = 50;
void guiWrapperWidgetDspVerRead(char* out);
// "reboot" through the shell-command client, up to five tries 50 ms apart.
void guiWrapperWidgetSysReboot(const void* unused);

// Slot RoutingMuteSet: the Bluetooth module, the 5.8 GHz link, the HDMI transmitter, the music
// wrapper and the decoders, in this order.
void guiWrapperWidgetRoutingMuteSet(const uint8_t* mute);
// Slot MuteSet: the phone app first, then the routing mute's members.
void guiWrapperWidgetMuteSet(const uint8_t* mute);

// The volume slots: the record's volume of the current mode (the night volume in night mode)
// takes the value, then every wrapper that plays it hears of it. A volume above 100 is refused
// ("Param Error!"): the amplifier and stream tables end there.
// Slot VolSet (a volume key or set event): the 5.8 GHz link, the amplifiers, the Bluetooth module,
// the music wrapper, the phone app.
void guiWrapperWidgetVolSet(const uint8_t* vol);
// Slot VolSync (the volume the TV route reports): the link, the amplifiers, the music wrapper and
// the phone app.
void guiWrapperWidgetVolSync(const uint8_t* vol);
// Slot VolBtSet (the volume the Bluetooth module reports): the link, the amplifiers, the music
// wrapper, the Bluetooth module.
void guiWrapperWidgetVolBtSet(const uint8_t* vol);
// Slot VolWirelessSet (the volume the 5.8 GHz link reports): the link, the amplifiers, the music
// wrapper.
void guiWrapperWidgetVolWirelessSet(const uint8_t* vol);

struct GuiWrapperMusicCusEq;
// The sound fan-outs: each passes the widget's value to every wrapper that must hear of it.
// Slot SurEnSet: the music wrapper (deferred).
void guiWrapperWidgetSurEnSet(const uint8_t* on);
// Slot EqSet: the record's EQ mode, then the 5.8 GHz link, the amplifiers, the music wrapper
// (deferred) and the phone app.
void guiWrapperWidgetEqSet(const uint8_t* eqMode);
// Slot CusEqSet: a style-list (6) or custom (7) curve into the record, then the link and the
// amplifiers with the mode and the music wrapper with the whole record; modes up to 5 are refused
// ("param error!"). The record's EQ mode is left as it is.
void guiWrapperWidgetCusEqSet(const GuiWrapperMusicCusEq* eq);
// Slot SrcToggleEqSet: the link, then the music wrapper at once.
void guiWrapperWidgetSrcToggleEqSet(const uint8_t* eqMode);
// Slot ToneVolSet: the record's tone level of the current mode, the phone app, the prompt tones.
void guiWrapperWidgetToneVolSet(const uint8_t* level);
// Slots BassSet and TrebleSet: the music wrapper.
void guiWrapperWidgetBassSet(const uint8_t* level);
void guiWrapperWidgetTrebleSet(const uint8_t* level);
// Slot XupmixGet: the upmix switch (the phone app reads it too).
void guiWrapperWidgetXupmixGet(uint8_t* out);
// Slot AutoWakeSet: nothing (the record's auto wake is the settings' to write).
void guiWrapperWidgetAutoWakeSet(const uint8_t* on);

// The Bluetooth module's slots.
// Slot BtStsSetProcess: the module state (the argument's high byte) with the current volume.
void guiWrapperWidgetBtStsSetProcess(const uint16_t* sts);
// Slot BtMacSet: the 6-byte MAC the module reported.
void guiWrapperWidgetBtMacSet(const uint8_t* mac);
// Slots BtSrcInSet, BtPair, BtPlay and BtPause: their module command; the argument is not read.
void guiWrapperWidgetBtSrcInSet(const void* unused);
void guiWrapperWidgetBtPair(const void* unused);
void guiWrapperWidgetBtPlay(const void* unused);
void guiWrapperWidgetBtPause(const void* unused);
// Slot MusicBtCtrl: 0 pause, 1 play/pause, 2 previous, 3 next.
void guiWrapperWidgetMusicBtCtrl(const uint32_t* ctrl);
// Slots ShopSet, PcbaTestSet, MachineTestSet and UsbConnSet: the module's shop mode, production
// tests and USB connection state.
void guiWrapperWidgetShopSet(const uint8_t* on);
void guiWrapperWidgetPcbaTestSet(const uint8_t* enter);
void guiWrapperWidgetMachineTestSet(const uint8_t* enter);
void guiWrapperWidgetUsbConnSet(const uint32_t* conn);

// The source slots (argument: the source, 0 ARC .. 5 USB; null refused with "Param Error!").
// HdmiSrcInSet: the HDMI transmitter's source status only.
void guiWrapperWidgetHdmiSrcInSet(const uint32_t* audSrc);
// ForceSrcInClr: the music, HDMI and Bluetooth clears (USB's play-time reports stopped first),
// then 300 ms for the source to wind down.
void guiWrapperWidgetForceSrcInClr(const uint32_t* audSrc);
// ManualSrcInClr: the same clears, except while going to standby with auto wake on a source that
// can wake the soundbar again (neither USB nor Bluetooth): that one is kept.
void guiWrapperWidgetManualSrcInClr(const uint32_t* audSrc);
void guiWrapperWidgetManualSrcInSet(const uint32_t* audSrc);
void guiWrapperWidgetRoutingSrcInClr(const uint32_t* audSrc);
// RoutingSrcInSet: the TV's routing (0 ARC, 1 eARC, 2 HDMI in) to the music, HDMI and Bluetooth
// wrappers, then the phone app.
void guiWrapperWidgetRoutingSrcInSet(const uint32_t* routing);
// SignalInputGet: 1 when the source has an input signal.
uint8_t guiWrapperWidgetSignalInputGet(const uint32_t* audSrc);
