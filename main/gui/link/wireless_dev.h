// The device layers of the module-link driver: slot 0 is the Bluetooth module on the UART
// "/dev/ttyS2" at 230400 baud, slot 1 the 5.8 GHz module on "/dev/i2c-3" at 0x63 with 16-bit
// registers. Each init registers its slot's operations; each exit unregisters them.
#pragma once

#include <cstdint>

void guiWrapperWirelessATS2853Init(void);
void guiWrapperWirelessATS2853Exit(void);
int32_t guiWrapperWirelessATS2853Open(void);
int32_t guiWrapperWirelessATS2853Close(void);
int32_t guiWrapperWirelessATS2853Read(uint16_t reg, uint8_t* buf, uint32_t len);
int32_t guiWrapperWirelessATS2853Write(uint16_t reg, const uint8_t* buf, uint32_t len);

void guiWrapperWirelessWavrelInit(void);
void guiWrapperWirelessWavrelExit(void);
int32_t guiWrapperWirelessWavrelOpen(void);
int32_t guiWrapperWirelessWavrelClose(void);
int32_t guiWrapperWirelessWavrelRead(uint16_t reg, uint8_t* buf, uint32_t len);
int32_t guiWrapperWirelessWavrelWrite(uint16_t reg, const uint8_t* buf, uint32_t len);
