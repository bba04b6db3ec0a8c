// The module-link driver: three slots, one per radio module, each with its device operations, a
// pool of sixteen receive buffers circulating between a free ring and a full ring, a receive thread
// that collects bursts from the device and an unpack thread that hands each burst to the protocol
// hub. Sending is synchronous on the caller's thread.
#pragma once

#include <cstdint>

enum WIRELESS_DEV_E : uint32_t {
    WIRELESS_DEV_E_ATS2853 = 0,  // Bluetooth module on the UART (also the phone-app and OTA frames)
    WIRELESS_DEV_E_WAVREL = 1,   // 5.8 GHz wireless-audio module on I2C
    WIRELESS_DEV_E_ATS2835 = 2,  // second Bluetooth module; no device
    WIRELESS_DEV_E_MAX = 3,
};

constexpr uint32_t WIRELESS_DRV_BUF_SIZE = 1032;
constexpr uint32_t WIRELESS_DRV_BUF_NUM = 16;

// The device operations of one slot. read and write: the UART ignores `reg` and returns the byte
// count of one call; I2C returns 1 on success, 0 on failure.
struct GuiWirelessDevOps {
    int32_t (*open)(void);
    int32_t (*close)(void);
    int32_t (*read)(uint16_t reg, uint8_t* buf, uint32_t len);
    int32_t (*write)(uint16_t reg, const uint8_t* buf, uint32_t len);
};

// Registers the device layers and starts the three slots' threads; every slot starts asleep.
void guiWrapperWirelessDrvInit(void);
// Stops and joins every slot's threads, then releases the rings, buffers and locks.
void guiWrapperWirelessDrvExit(void);

void guiWrapperWirelessDrvOpen(uint32_t slot);
void guiWrapperWirelessDrvClose(uint32_t slot);
// -1 for a bad slot, null buffer or zero length; 0 for a slot without that operation.
int32_t guiWrapperWirelessDrvWrite(uint32_t slot, uint16_t reg, const uint8_t* buf, uint32_t len);
int32_t guiWrapperWirelessDrvRead(uint32_t slot, uint16_t reg, uint8_t* buf, uint32_t len);
void guiWrapperWirelessDrvRegister(uint32_t slot, const GuiWirelessDevOps* ops);
void guiWrapperWirelessDrvUnRegister(uint32_t slot);

// A sleeping slot's receive thread naps instead of polling its device.
void guiWrapperWirelessDrvSleepSet(uint32_t slot, uint8_t sleep);
uint8_t guiWrapperWirelessDrvSleepGet(uint32_t slot);
// Wakes slot 0 only.
void guiWrapperWirelessDrvPowerOn(void);
// Only logs: no slot is put to sleep.
void guiWrapperWirelessDrvPowerOff(void);

// 1 when the last byte of `buf` is the checksum of the bytes before it; `len` of 5 or less gives 0.
uint32_t guiWrapperWirelessDrvChkSumChk(uint32_t mode, const uint8_t* buf, uint32_t len);
// The 8-bit sum of `len` bytes (mode 1) or its complement (any other mode).
uint8_t guiWrapperWirelessDrvChkSumCalc(uint32_t mode, const uint8_t* buf, uint32_t len);
// The OTA download-continue reply on slot 0: 0 accepted, 1 checksum wrong, 2 receive ring full.
void guiWrapperWirelessDrvOtaPacketRsp(uint8_t sts);
// Puts the calling thread under SCHED_RR at `percent` of the priority range; a refusal is logged.
void guiWrapperWirelessThreadPrioritySet(uint32_t percent);

// One burst from the slot's device: bytes until more than 6 ms pass without one, or `len` bytes.
// On slot 0 an OTA download-continue burst is answered here; a bad one gives -2.
int32_t guiWrapperWirelessDevRead(uint32_t slot, uint16_t reg, uint8_t* buf, uint32_t len);
