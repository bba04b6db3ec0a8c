// The soundbar's three class-D amplifiers on I2C bus 3: power, reset and clock lines, register
// tables, volume, mute, the bypass register set and the fault check. It owns no thread: it runs on
// its callers' threads and on its fault-check timer's.
#pragma once

#include <cstdint>

// Amplifier index.
constexpr uint32_t GUI_WRAPPER_AMP_IDX_LR = 0;
constexpr uint32_t GUI_WRAPPER_AMP_IDX_LRS = 1;
constexpr uint32_t GUI_WRAPPER_AMP_IDX_CENTER = 2;
constexpr uint32_t GUI_WRAPPER_AMP_IDX_MAX = 3;

enum GuiWrapperAmpType : uint32_t {
    GUI_WRAPPER_AMP_TYPE_TAS5805M = 0,
    GUI_WRAPPER_AMP_TYPE_AD82128 = 1,
    GUI_WRAPPER_AMP_TYPE_AD82178 = 2,
    GUI_WRAPPER_AMP_TYPE_ACM8625S = 3,
    GUI_WRAPPER_AMP_TYPE_MAX = 4,
};

// One register-table row, written in table order.
struct GuiWrapperAmpReg {
    uint8_t reg;
    uint8_t val;
};
static_assert(sizeof(GuiWrapperAmpReg) == 2, "table rows are two bytes");

// Size of the status record that `guiWrapperAmpStsGet` copies out.
constexpr uint32_t GUI_WRAPPER_AMP_STS_SIZE = 16;

// Bus access under the wrapper's bus lock: 1 ok, -2 bus failure, -1 bad type, amp or handle.
int32_t amp_i2c_read(uint32_t type, uint32_t amp, uint8_t reg, uint8_t len, uint8_t* buf);
int32_t amp_i2c_write(uint32_t type, uint32_t amp, uint8_t reg, uint8_t len, const uint8_t* data);

// Loads `rows` rows of `table` into the amplifier, holding the bus for the whole load.
void guiWrapperAmpRegCfg(uint32_t type, uint32_t amp, const GuiWrapperAmpReg* table, uint16_t rows);
// 0 when the amplifier answers its identity, 255 when not.
uint8_t guiWrapperAmpChipIdChk(uint32_t amp);
void guiWrapperAmpRegReset(uint32_t amp);
// 0 no fault, -2 fault, -1 bad amp.
int32_t guiWrapperAmpFaultChk(uint32_t amp);
void guiWrapperAmpRegDump(uint32_t amp);

void guiWrapperAmpInit(void);
void guiWrapperAmpExit(void);
// The argument is ignored.
void guiWrapperAmpPowerOn(const void* arg);
void guiWrapperAmpPowerOff(const void* arg);
void guiWrapperAmpFactoryReset(const void* arg);

void guiWrapperAmpMuteSet(uint8_t mute);
void __guiWrapperAmpMuteSet(uint32_t amp, uint8_t mute);
// Volume 0..100 of the LR and centre amplifiers.
void guiWrapperAmpVolSet(const uint8_t* vol);
// Gain coefficient of the LRs amplifier, 4 bytes big-endian.
void guiWrapperAmpLRsGainSet(const uint8_t* coeff);
void guiWrapperAmpEqSet(const uint8_t* eq);
void guiWrapperAmpBypassSet(const uint8_t* enter);
// Copies the 16-byte status record.
void guiWrapperAmpStsGet(void* out);
void guiWrapperAmpI2sClkSet(uint8_t en);
void guiWrapperAmpPowerSet(uint8_t en);
void guiWrapperAmpPdnSet(uint8_t en);
void guiWrapperAmpModeSet(int32_t bypass);
void guiWrapperAmpSetGain(uint8_t gain);
