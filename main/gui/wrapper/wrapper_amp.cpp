#include "main/gui/wrapper/wrapper_amp.h"

#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/wrapper_amp_tables.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_gpio.h"
#include "main/gui/wrapper/wrapper_i2c.h"
#include "main/timerd/gui_timer.h"
#include "platform/quorid/quorid.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <thread>

#define AMP_ERR(fmt, ...) WRAPPER_LOG_ERR("<AMP>", fmt, ##__VA_ARGS__)
#define AMP_API(fmt, ...) WRAPPER_LOG_API("<AMP>", fmt, ##__VA_ARGS__)

const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sLRInitialization[GUI_WRAPPER_AMP_INIT_ROWS] = {
    {0x00, 0x00}, {0x04, 0x00}, {0xFC, 0x86}, {0xFD, 0x25}, {0xFE, 0x15}, {0x00, 0x01},
    {0x02, 0x20}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00},
};
const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sLRsInitialization[GUI_WRAPPER_AMP_INIT_ROWS] = {
    {0x00, 0x00}, {0x04, 0x00}, {0xFC, 0x86}, {0xFD, 0x25}, {0xFE, 0x15}, {0x00, 0x01},
    {0x02, 0x20}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00},
};
const GuiWrapperAmpReg gGuiWrapperAmpAcm8625sCenterInitialization[GUI_WRAPPER_AMP_INIT_ROWS] = {
    {0x00, 0x00}, {0x04, 0x00}, {0xFC, 0x86}, {0xFD, 0x25}, {0xFE, 0x15}, {0x00, 0x01},
    {0x02, 0x20}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00},
};

namespace {

constexpr uint32_t kPrdPrjSel = 4;
constexpr uint32_t kGpioPower = 428;
constexpr uint32_t kGpioPdn = 438;
constexpr const char* kBus = "/dev/i2c-3";
constexpr uint16_t kRegSpace = 256;
constexpr const char* kPinctrl = "/sys/devices/platform/1000b000.pinctrl/kv_gpio";
constexpr const char* kParaCommand = "/sys/devices/platform/1100b000.i2c/i2c-3/3-002d/fd_amp_para_command";

constexpr uint8_t kRegPage = 0x00;
constexpr uint8_t kRegMode = 0x04;
constexpr uint8_t kRegId = 0x15;
constexpr uint8_t kChipId = 0x26;
constexpr uint8_t kPlay = 0x03;
constexpr uint8_t kMute = 0x0E;
constexpr uint8_t kPageVolume = 0x04;
constexpr uint8_t kRegVolA = 0x7C;
constexpr uint8_t kRegVolB = 0x80;

constexpr uint8_t kAddr[GUI_WRAPPER_AMP_TYPE_MAX][GUI_WRAPPER_AMP_IDX_MAX] = {
    {0x2D, 0x2C, 0x2E},
    {0x31, 0x30, 0x34},
    {0x21, 0x20, 0x24},
    {0x2D, 0x2C, 0x2E},
};

// Byte of the status record holding the last register 0x6A of each amplifier (LR, LRs, centre);
// the record keeps them in the order LR, centre, LRs.
constexpr size_t kStsR6a[GUI_WRAPPER_AMP_IDX_MAX] = {5, 11, 8};

struct AmpObj {
    std::atomic<uint32_t> type{GUI_WRAPPER_AMP_TYPE_TAS5805M};
    std::array<uint8_t, GUI_WRAPPER_AMP_STS_SIZE> sts{};
    std::mutex stsLock;
    GuiWrapperGpioHandle gpioPwr = nullptr;
    GuiWrapperGpioHandle gpioPdn = nullptr;
    GuiWrapperGpioHandle gpioFault = nullptr;
    std::array<GuiWrapperI2cHandle*, GUI_WRAPPER_AMP_TYPE_MAX * GUI_WRAPPER_AMP_IDX_MAX> i2c{};
    uint32_t timer = 0;
    // Every transfer takes it; a page select and the data behind it, and a whole table load,
    // hold it across their transfers so that no other caller's data lands on the wrong page.
    std::recursive_mutex bus;
    bool init = false;
};

AmpObj gGuiWrapperAmpThisObj;

void sleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

GuiWrapperI2cHandle* handleOf(uint32_t type, uint32_t amp)
{
    if (type >= GUI_WRAPPER_AMP_TYPE_MAX || amp >= GUI_WRAPPER_AMP_IDX_MAX) {
        return nullptr;
    }
    return gGuiWrapperAmpThisObj.i2c[type * GUI_WRAPPER_AMP_IDX_MAX + amp];
}

bool isAcm()
{
    return gGuiWrapperAmpThisObj.type.load() == GUI_WRAPPER_AMP_TYPE_ACM8625S;
}

int32_t writeByte(uint32_t type, uint32_t amp, uint8_t reg, uint8_t val)
{
    return amp_i2c_write(type, amp, reg, 1, &val);
}

int32_t readByte(uint32_t type, uint32_t amp, uint8_t reg, uint8_t& val)
{
    return amp_i2c_read(type, amp, reg, 1, &val);
}

void shell(const char* cmd)
{
    quorid_exec(cmd, 0);
}

void pinctrl(const char* word, int pin, int value)
{
    char cmd[128];
    std::snprintf(cmd, sizeof(cmd), "echo %s %d %d > %s", word, pin, value, kPinctrl);
    shell(cmd);
}

void timerStop()
{
    AmpObj& o = gGuiWrapperAmpThisObj;
    if (o.timer != 0 && guiTimerActiveStsGet(o.timer) != 0) {
        guiTimerSet(o.timer, 0, 0);
    }
}

const GuiWrapperAmpReg* initTable(uint32_t amp)
{
    static const GuiWrapperAmpReg* const kTables[] = {gGuiWrapperAmpAcm8625sLRInitialization,
                                                      gGuiWrapperAmpAcm8625sLRsInitialization,
                                                      gGuiWrapperAmpAcm8625sCenterInitialization};
    return kTables[amp];
}

// Identity check, then the initialisation rows, 15 ms, and the amplifier's register set. False
// when the chip did not answer its identity.
bool loadAmp(uint32_t amp, const GuiWrapperAmpReg* table, uint16_t rows)
{
    gGuiWrapperAmpThisObj.type = GUI_WRAPPER_AMP_TYPE_ACM8625S;
    AMP_API("amp_idx = %u, amp_type = %u", amp, gGuiWrapperAmpThisObj.type.load());
    if (guiWrapperAmpChipIdChk(amp) != 0) {
        AMP_ERR("[%u] fetch addr failed!", amp);
        return false;
    }
    guiWrapperAmpRegCfg(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, initTable(amp), GUI_WRAPPER_AMP_INIT_ROWS);
    sleepMs(15);
    guiWrapperAmpRegCfg(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, table, rows);
    return true;
}

void guiWrapperAmpFaultChkTimeOut(uint32_t)
{
    // A power change is under way and drives the amplifiers itself; the check stays stopped.
    if (guiManagerAppStateGet() == GUI_SYS_STATE_TRANSIT) {
        return;
    }
    for (uint32_t amp = 0; amp < GUI_WRAPPER_AMP_IDX_MAX; ++amp) {
        if (guiWrapperAmpFaultChk(amp) != 0) {
            __guiWrapperAmpMuteSet(amp, 1);
            sleepMs(30);
            __guiWrapperAmpMuteSet(amp, 0);
            AMP_API("AMP RESET OK");
            if (isAcm()) {
                std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
                writeByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegPage, 0x00);
                writeByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, 0x01, 0x80);
            } else {
                guiWrapperAmpRegDump(amp);
                writeByte(GUI_WRAPPER_AMP_TYPE_AD82178, amp, 0x6B, 0xFF);
                writeByte(GUI_WRAPPER_AMP_TYPE_AD82178, amp, 0x6B, 0x00);
            }
        }
        guiWrapperAmpRegReset(amp);
    }
    guiTimerSet(gGuiWrapperAmpThisObj.timer, 1000, 0);
}

}  // namespace

int32_t amp_i2c_read(uint32_t type, uint32_t amp, uint8_t reg, uint8_t len, uint8_t* buf)
{
    GuiWrapperI2cHandle* handle = handleOf(type, amp);
    if (handle == nullptr) {
        AMP_ERR("Hand Error!");
        return -1;
    }
    std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
    if (guiWrapperI2cRead(handle, reg, buf, len) != 1) {
        AMP_ERR("I2C_read reg:0x%x failed!", reg);
        return -2;
    }
    return 1;
}

int32_t amp_i2c_write(uint32_t type, uint32_t amp, uint8_t reg, uint8_t len, const uint8_t* data)
{
    GuiWrapperI2cHandle* handle = handleOf(type, amp);
    if (handle == nullptr) {
        AMP_ERR("Hand Error!");
        return -1;
    }
    std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
    if (guiWrapperI2cWrite(handle, reg, data, len) != 1) {
        AMP_ERR("I2C_write amp_idx=%u,reg=0x%x failed!", amp, reg);
        return -2;
    }
    return 1;
}

void guiWrapperAmpRegCfg(uint32_t type, uint32_t amp, const GuiWrapperAmpReg* table, uint16_t rows)
{
    if (type >= GUI_WRAPPER_AMP_TYPE_MAX || amp >= GUI_WRAPPER_AMP_IDX_MAX || table == nullptr) {
        AMP_ERR("Param Error!");
        return;
    }
    AMP_API("amp_idx = %u!", amp);
    std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
    const bool acm = isAcm();
    for (uint16_t i = 0; i < rows; ++i) {
        const GuiWrapperAmpReg& row = table[i];
        if (row.reg == 0xFE && !acm) {
            sleepMs(row.val);
        } else if (row.reg == 0x02 && !acm) {
            continue;
        } else {
            writeByte(type, amp, row.reg, row.val);
        }
    }
}

uint8_t guiWrapperAmpChipIdChk(uint32_t amp)
{
    std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
    if (writeByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegPage, 0x00) != 1) {
        AMP_ERR("i2c write fail");
        return 255;
    }
    uint8_t id = 0;
    if (readByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegId, id) != 1) {
        AMP_ERR("i2c read fail");
        return 255;
    }
    if (id != kChipId) {
        AMP_ERR("chn[%u] chk id fail", amp);
        return 255;
    }
    AMP_API("chn[%u] chk id %d success", amp, id);
    return 0;
}

void guiWrapperAmpRegReset(uint32_t amp)
{
    static const GuiWrapperAmpReg* const kTables[] = {
        gGuiWrapperAmpAcm8625sLRRegister, gGuiWrapperAmpAcm8625sLRsRegister, gGuiWrapperAmpAcm8625sCenterRegister};
    static const uint16_t kRows[] = {GUI_WRAPPER_AMP_LR_ROWS, GUI_WRAPPER_AMP_LRS_ROWS, GUI_WRAPPER_AMP_CENTER_ROWS};
    if (amp >= GUI_WRAPPER_AMP_IDX_MAX) {
        AMP_ERR("Param Error!");
        return;
    }
    loadAmp(amp, kTables[amp], kRows[amp]);
}

int32_t guiWrapperAmpFaultChk(uint32_t amp)
{
    if (amp >= GUI_WRAPPER_AMP_IDX_MAX) {
        AMP_ERR("Param Error!");
        return -1;
    }
    bool fault = false;
    if (isAcm()) {
        std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
        writeByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegPage, 0x00);
        for (uint8_t reg : {0x17, 0x18, 0x19}) {
            uint8_t v = 0;
            readByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, reg, v);
            if (reg == 0x19 ? (v & 0x01) != 0 : v != 0) {
                AMP_ERR("AMP[%u] err, REG[0x%02x]=0x%02x!", amp, reg, v);
                fault = true;
            }
        }
    } else {
        uint8_t v = 0;
        readByte(GUI_WRAPPER_AMP_TYPE_AD82178, amp, 0x6A, v);
        if ((v & 0xA2) != 0xA2) {
            AMP_ERR("AMP[%u] err, REG[0x6a]=0x%02x!", amp, v);
            fault = true;
        }
    }
    return fault ? -2 : 0;
}

void guiWrapperAmpRegDump(uint32_t amp)
{
    AmpObj& o = gGuiWrapperAmpThisObj;
    if (amp >= GUI_WRAPPER_AMP_IDX_MAX) {
        AMP_ERR("Param Error!");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(o.stsLock);
        uint32_t count = 0;
        std::memcpy(&count, o.sts.data(), sizeof(count));
        ++count;
        std::memcpy(o.sts.data(), &count, sizeof(count));
    }
    const uint32_t type = o.type.load();
    if (type == GUI_WRAPPER_AMP_TYPE_AD82178) {
        uint8_t v = 0;
        readByte(GUI_WRAPPER_AMP_TYPE_AD82178, amp, 0x6A, v);
        std::lock_guard<std::mutex> lock(o.stsLock);
        o.sts[kStsR6a[amp]] = v;
    } else if (type == GUI_WRAPPER_AMP_TYPE_TAS5805M) {
        static const GuiWrapperAmpReg kBook0[] = {{0x00, 0x00}, {0x7F, 0x00}, {0x00, 0x00}};
        static const std::pair<const char*, uint8_t> kRegs[] = {
            {"POWER_STATE", 0x68}, {"CHAN_FAULT", 0x70}, {"GLOBAL_FAULT1", 0x71}, {"GLOBAL_FAULT2", 0x72}};
        std::lock_guard<std::recursive_mutex> lock(o.bus);
        guiWrapperAmpRegCfg(GUI_WRAPPER_AMP_TYPE_TAS5805M, amp, kBook0, 3);
        for (const auto& [name, reg] : kRegs) {
            uint8_t v = 0;
            readByte(GUI_WRAPPER_AMP_TYPE_TAS5805M, amp, reg, v);
            AMP_ERR("[%u]:%s Reg[0x%x]=0x%x!", amp, name, reg, v);
        }
    }
}

void guiWrapperAmpInit(void)
{
    AmpObj& o = gGuiWrapperAmpThisObj;
    if (o.init) {
        return;
    }
    o.type = GUI_WRAPPER_AMP_TYPE_TAS5805M;
    o.sts.fill(0);
    o.gpioPwr = guiWrapperGpioOpen(kGpioPower);
    if (o.gpioPwr == nullptr) {
        AMP_ERR("open gpio%u failed!", kGpioPower);
    }
    o.gpioPdn = guiWrapperGpioOpen(kGpioPdn);
    if (o.gpioPdn == nullptr) {
        AMP_ERR("open gpio%u failed!", kGpioPdn);
    }
    o.gpioFault = nullptr;
    for (uint32_t type = 0; type < GUI_WRAPPER_AMP_TYPE_MAX; ++type) {
        for (uint32_t amp = 0; amp < GUI_WRAPPER_AMP_IDX_MAX; ++amp) {
            GuiWrapperI2cHandle* h = guiWrapperI2cOpen(kBus, kAddr[type][amp], kRegSpace);
            if (h == nullptr) {
                AMP_ERR("i2c open failed!");
            }
            o.i2c[type * GUI_WRAPPER_AMP_IDX_MAX + amp] = h;
        }
    }
    o.timer = guiTimerCreate(guiWrapperAmpFaultChkTimeOut, 0);
    if (o.timer != 0) {
        AMP_API("Timer Create Success!");
    }
    o.init = true;
}

void guiWrapperAmpExit(void)
{
    AmpObj& o = gGuiWrapperAmpThisObj;
    if (!o.init) {
        return;
    }
    guiTimerDelete(o.timer);
    o.timer = 0;
    std::lock_guard<std::recursive_mutex> lock(o.bus);
    for (GuiWrapperI2cHandle*& h : o.i2c) {
        if (h != nullptr) {
            guiWrapperI2cClose(h);
            h = nullptr;
        }
    }
    for (GuiWrapperGpioHandle* g : {&o.gpioPwr, &o.gpioPdn}) {
        if (*g != nullptr) {
            guiWrapperGpioClose(*g);
            *g = nullptr;
        }
    }
    o.init = false;
}

void guiWrapperAmpPowerOn(const void*)
{
    guiWrapperAmpI2sClkSet(0);
    sleepMs(50);
    guiWrapperAmpPowerSet(1);
    sleepMs(50);
    guiWrapperAmpI2sClkSet(1);
    sleepMs(10);
    guiWrapperAmpPdnSet(0);
    sleepMs(5);
    guiWrapperAmpPdnSet(1);
    sleepMs(30);
    AMP_API("GUI_WRAPPER_AMP_IDX_MAX = %u  PRD_PRJ_SEL = %u", GUI_WRAPPER_AMP_IDX_MAX, kPrdPrjSel);
    for (uint32_t amp = 0; amp < GUI_WRAPPER_AMP_IDX_MAX; ++amp) {
        guiWrapperAmpRegReset(amp);
    }
    std::lock_guard<std::mutex> lock(gGuiWrapperAmpThisObj.stsLock);
    gGuiWrapperAmpThisObj.sts.fill(0);
}

void guiWrapperAmpPowerOff(const void*)
{
    timerStop();
    guiWrapperAmpMuteSet(1);
    sleepMs(20);
    guiWrapperAmpPdnSet(0);
    sleepMs(50);
    guiWrapperAmpI2sClkSet(0);
    sleepMs(300);
    guiWrapperAmpPowerSet(0);
    sleepMs(10);
}

void guiWrapperAmpFactoryReset(const void*)
{
    timerStop();
}

void __guiWrapperAmpMuteSet(uint32_t amp, uint8_t mute)
{
    if (isAcm()) {
        std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
        writeByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegPage, 0x00);
        writeByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegMode, mute != 0 ? kMute : kPlay);
    } else {
        writeByte(GUI_WRAPPER_AMP_TYPE_AD82178, amp, 0x02, mute != 0 ? 0x7F : 0x00);
    }
}

void guiWrapperAmpMuteSet(uint8_t mute)
{
    for (uint32_t amp = 0; amp < GUI_WRAPPER_AMP_IDX_MAX; ++amp) {
        __guiWrapperAmpMuteSet(amp, mute);
    }
    AMP_API("mute_sts = %d", mute);
}

void guiWrapperAmpVolSet(const uint8_t* vol)
{
    // The table has one entry per step; anything past it would read beyond the table.
    if (vol == nullptr || *vol > GUI_VOL_MAX) {
        AMP_ERR("Param Error!");
        return;
    }
    AMP_API("vol = %d!", *vol);
    if (!isAcm()) {
        return;
    }
    for (uint32_t amp : {GUI_WRAPPER_AMP_IDX_LR, GUI_WRAPPER_AMP_IDX_CENTER}) {
        const uint8_t* coeff = amp == GUI_WRAPPER_AMP_IDX_LR ? gGuiWrapperAmpAcm8625SLrVolTab[*vol]
                                                             : gGuiWrapperAmpAcm8625SCenterVolTab[*vol];
        std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
        writeByte(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegPage, kPageVolume);
        amp_i2c_write(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegVolA, 4, coeff);
        amp_i2c_write(GUI_WRAPPER_AMP_TYPE_ACM8625S, amp, kRegVolB, 4, coeff);
    }
}

void guiWrapperAmpLRsGainSet(const uint8_t* coeff)
{
    if (coeff == nullptr) {
        AMP_ERR("Param Error!");
        return;
    }
    const uint32_t type = gGuiWrapperAmpThisObj.type.load();
    std::lock_guard<std::recursive_mutex> lock(gGuiWrapperAmpThisObj.bus);
    writeByte(type, GUI_WRAPPER_AMP_IDX_LRS, kRegPage, kPageVolume);
    amp_i2c_write(type, GUI_WRAPPER_AMP_IDX_LRS, kRegVolA, 4, coeff);
    amp_i2c_write(type, GUI_WRAPPER_AMP_IDX_LRS, kRegVolB, 4, coeff);
}

void guiWrapperAmpEqSet(const uint8_t*)
{
}

void guiWrapperAmpBypassSet(const uint8_t* enter)
{
    static const GuiWrapperAmpReg* const kTables[] = {gGuiWrapperAmpAcm8625sLRBypassRegister,
                                                      gGuiWrapperAmpAcm8625sLRsBypassRegister,
                                                      gGuiWrapperAmpAcm8625sCenterBypassRegister};
    if (enter == nullptr) {
        AMP_ERR("Param Error!");
        return;
    }
    AMP_API("enter_en=%d", *enter);
    if (*enter == 0) {
        return;
    }
    guiWrapperAmpPdnSet(0);
    sleepMs(30);
    guiWrapperAmpPdnSet(1);
    sleepMs(5);
    AMP_API("GUI_WRAPPER_AMP_IDX_MAX = %u  PRD_PRJ_SEL = %u", GUI_WRAPPER_AMP_IDX_MAX, kPrdPrjSel);
    for (uint32_t amp = 0; amp < GUI_WRAPPER_AMP_IDX_MAX; ++amp) {
        if (!loadAmp(amp, kTables[amp], GUI_WRAPPER_AMP_BYPASS_ROWS)) {
            break;
        }
    }
}

void guiWrapperAmpStsGet(void* out)
{
    if (out == nullptr) {
        AMP_ERR("Param Error!");
        return;
    }
    std::lock_guard<std::mutex> lock(gGuiWrapperAmpThisObj.stsLock);
    std::memcpy(out, gGuiWrapperAmpThisObj.sts.data(), GUI_WRAPPER_AMP_STS_SIZE);
}

void guiWrapperAmpI2sClkSet(uint8_t en)
{
    AMP_API("en = %d", en);
    char cmd[96];
    std::snprintf(cmd, sizeof(cmd), "chmod 777 %s", kPinctrl);
    shell(cmd);
    const int level = en != 0 ? 1 : 0;
    for (int pin : {65, 64}) {
        pinctrl("mode", pin, 0);
        pinctrl("dir", pin, 1);
        pinctrl("out", pin, level);
    }
    if (en != 0) {
        pinctrl("mode", 65, 1);
        pinctrl("mode", 64, 1);
    }
}

void guiWrapperAmpPowerSet(uint8_t en)
{
    AmpObj& o = gGuiWrapperAmpThisObj;
    AMP_API("en = %d, gpio_pwr = %u", en, kGpioPower);
    if (o.gpioPwr != nullptr) {
        const GuiWrapperGpioSetting s{0, en != 0 ? 1u : 0u};
        guiWrapperGpioSet(o.gpioPwr, &s);
    }
}

void guiWrapperAmpPdnSet(uint8_t en)
{
    AmpObj& o = gGuiWrapperAmpThisObj;
    AMP_API("en = %d, gpio_pdn = %u", en, kGpioPdn);
    if (o.gpioPdn != nullptr) {
        const GuiWrapperGpioSetting s{0, en != 0 ? 1u : 0u};
        guiWrapperGpioSet(o.gpioPdn, &s);
    }
}

void guiWrapperAmpModeSet(int32_t bypass)
{
    timerStop();
    char cmd[128];
    std::snprintf(cmd, sizeof(cmd), "chown system:system %s", kParaCommand);
    shell(cmd);
    std::snprintf(cmd, sizeof(cmd), "chmod 666 %s", kParaCommand);
    shell(cmd);
    std::snprintf(cmd, sizeof(cmd), "echo %s > %s", bypass != 0 ? "bypass" : "normal", kParaCommand);
    shell(cmd);
}

void guiWrapperAmpSetGain(uint8_t gain)
{
    char cmd[64];
    for (unsigned addr : {0x2d, 0x2e, 0x2c}) {
        std::snprintf(cmd, sizeof(cmd), "i2cset -f -y 3 0x%02x 0x00 0x00", addr);
        shell(cmd);
        std::snprintf(cmd, sizeof(cmd), "i2cset -f -y 3 0x%02x 0x7f 0x00", addr);
        shell(cmd);
        std::snprintf(cmd, sizeof(cmd), "i2cset -f -y 3 0x%02x 0x00 0x00", addr);
        shell(cmd);
        std::snprintf(cmd, sizeof(cmd), "i2cset -f -y 3 0x%02x 0x4c 0x%02x", addr, gain);
        shell(cmd);
    }
}
