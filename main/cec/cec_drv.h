// Everything the CEC application asks of the HDMI transmitter driver "/dev/hdmitx": one request at
// a time (open, request, close; the device is never kept open), the control calls built on the
// requests (ARC, the own addresses, the CEC function, the ready signal), the permission step on the
// device node, and the text form of a physical address. The request numbers are the driver's own
// (platform/sbdev/hdmitx_ioctl.h); requests 3 and 7 take their byte as the argument itself.
#pragma once

#include "platform/sbdev/hdmitx_ioctl.h"

#include <cstddef>
#include <cstdint>

constexpr const char* CEC_DEV_PATH = "/dev/hdmitx";
constexpr const char* CEC_DEV_CHMOD_CMD = "chmod 777 /dev/hdmitx";

// KVX_HMDI_SETLA: byte 1 the own logical address, u16 at byte 4 the own physical address.
constexpr size_t CEC_SETLA_SIZE = 8;
constexpr size_t CEC_SETLA_OFF_LA = 1;
constexpr size_t CEC_SETLA_OFF_PA = 4;
static_assert(CEC_SETLA_SIZE == kvxHdmiRequestSize(KVX_HMDI_SETLA), "the address record is the request's size");

// Room for the longest physical address text ("f.f.f.f") and its terminator.
constexpr size_t CEC_PA_TEXT_SIZE = 10;

// Opens the device, issues `request` with `argument` (a record's address, or the value itself for
// KVX_HDMI_CEC_ENABLE and KVX_HDMI_ARC_ENABLE), closes the device.
// @return 0; -4 when the device cannot be opened, refuses the request or fails to close.
int32_t cecIoctl(uint32_t request, uintptr_t argument);

// Switches the TV link's audio return channel; on success records it as openARC of the active TX
// entry. Nothing happens while the active TX port is not 0.
void cecCtrlARC(uint8_t enable);
// Gives the driver the active TX entry's logical and physical address. @return 0; -3 for a TX port
// other than 0; -4 when the driver failed.
int32_t cecCtrlSetConfigToDrive(void);
// Switches the driver's CEC function. @return 0, whatever the driver answered.
int32_t cecCtrlSetFunction(uint8_t enable);
// Tells the driver whether the application is ready. @return 0, whatever the driver answered.
int32_t cecCtrlSignalDriverReady(uint8_t ready);
// Makes the device node usable through the shell-command daemon; its result is not looked at.
// @return 0.
int32_t cecCtrlOpenDriver(void);

// "a.b.c.d" in lower-case hexadecimal digits, a the high nibble, into `buffer` of at least
// CEC_PA_TEXT_SIZE bytes. @return buffer, or null for a null buffer.
char* pa_to_string(uint16_t address, char* buffer);
