// The CEC addresses the application keeps: its own (learnt from the driver at every TV plug-in,
// logical address always 5), those of the devices on its two HDMI inputs with the mask of each
// input's branch, and the read-back of what the standby co-processor kept while the system slept.
#pragma once

#include "main/cec/cec_state.h"

// KVX_HDMI_GET_RX_PA: the u16 physical address of RX0 at byte 0 and of RX1 at byte 4.
constexpr size_t CEC_RX_PA_SIZE = 8;
constexpr size_t CEC_RX_PA_OFF[CEC_RX_NUM] = {0, 4};
// KVX_HDMI_GET_CM4_INFO: {u32 selector, u32 value}, with the selectors the read-back uses.
constexpr size_t CEC_CM4_INFO_SIZE = 8;
constexpr uint32_t CEC_CM4_TX_PA = 1;
constexpr uint32_t CEC_CM4_TX_LA = 2;
constexpr uint32_t CEC_CM4_RX_PA = 3;  // RX0 in the low half, RX1 in the high half
// An input's physical address that no device may have.
constexpr uint16_t CEC_PA_INVALID = 0xFFFF;

// The branch below the input at `address`: every nibble down to its lowest non-zero one (at least
// the first), e.g. 0xFF00 for 1.1.0.0 and 0xF000 for 1.0.0.0 and 0.0.0.0.
uint16_t cecRxMask(uint16_t address);
// Stores an input's physical address, the logical address of its device and the derived mask.
void cecSetRxAddress(uint32_t port, uint16_t address, uint32_t logical);
// Reads both inputs' physical addresses from the driver. @return false when the read failed.
bool cecReadRxAddresses(uint16_t addresses[CEC_RX_NUM]);

// Reads the own physical address and the inputs' from the driver and sets the own logical address
// 5. @return 0; -4 when a read failed (the TX entry is updated once its read succeeded).
int32_t cecPsrUpadateLaAndPa(void);
// Takes the own and the inputs' addresses that the standby co-processor kept; failed reads are not
// looked at. @return 0, or -3 when the active TX port is not 0.
int32_t cecUpdateCm4RxInfo(void);
