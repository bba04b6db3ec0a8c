#include "main/cec/cec_addr.h"

#include "common/support/support.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_drv.h"

namespace {

static_assert(CEC_RX_PA_SIZE == kvxHdmiRequestSize(KVX_HDMI_GET_RX_PA), "the input addresses are the request's size");
static_assert(CEC_CM4_INFO_SIZE == kvxHdmiRequestSize(KVX_HDMI_GET_CM4_INFO), "the record is the request's size");
constexpr size_t kTxPaSize = kvxHdmiRequestSize(KVX_HDMI_GET_TX_PA);
static_assert(kTxPaSize == 4, "the own physical address comes as a 32-bit word");

constexpr const char* kRxLine[CEC_RX_NUM] = {"RX0 physical address: %s  mask: %s\n",
                                             "RX1 physical address: %s  mask: %s\n"};

void logRx(uint32_t port)
{
    char address[CEC_PA_TEXT_SIZE] = {};
    char mask[CEC_PA_TEXT_SIZE] = {};
    pa_to_string(gHDMIRxInfo[port].physicalAddr.load(), address);
    pa_to_string(gHDMIRxInfo[port].mask.load(), mask);
    CEC_INFO(kRxLine[port], address, mask);
}

void logTx(const char* format, const CecHdmiTxInfo& tx, bool withPort)
{
    char text[CEC_PA_TEXT_SIZE] = {};
    if (pa_to_string(tx.physicalAddr.load(), text) == nullptr) {
        CEC_ERR("error: pa_to_string fail!");
    }
    if (withPort) {
        CEC_INFO(format, text, tx.logicalAddr.load(), gPlatformInfo.ui4ActiveTx.load());
    } else {
        CEC_INFO(format, text, tx.logicalAddr.load());
    }
}

// One read of the co-processor's record: the selector goes in, the value comes back; a failed read
// leaves the value as it was.
uint32_t readCm4(uint8_t (&record)[CEC_CM4_INFO_SIZE], uint32_t selector)
{
    sb::storeLe32(record, selector);
    cecIoctl(KVX_HDMI_GET_CM4_INFO, reinterpret_cast<uintptr_t>(record));
    return sb::loadLe32(record + 4);
}

}  // namespace

uint16_t cecRxMask(uint16_t address)
{
    if ((address & 0x000F) != 0) {
        return 0xFFFF;
    }
    if ((address & 0x00F0) != 0) {
        return 0xFFF0;
    }
    if ((address & 0x0F00) != 0) {
        return 0xFF00;
    }
    return 0xF000;
}

void cecSetRxAddress(uint32_t port, uint16_t address, uint32_t logical)
{
    CecHdmiRxInfo& rx = gHDMIRxInfo[port];
    rx.physicalAddr = address;
    rx.logicalAddr = logical;
    rx.mask = cecRxMask(address);
}

bool cecReadRxAddresses(uint16_t addresses[CEC_RX_NUM])
{
    uint8_t record[CEC_RX_PA_SIZE] = {};
    if (cecIoctl(KVX_HDMI_GET_RX_PA, reinterpret_cast<uintptr_t>(record)) != CECR_OK) {
        return false;
    }
    for (uint32_t port = 0; port < CEC_RX_NUM; ++port) {
        addresses[port] = sb::loadLe16(record + CEC_RX_PA_OFF[port]);
    }
    return true;
}

int32_t cecPsrUpadateLaAndPa(void)
{
    uint8_t own[kTxPaSize] = {};
    if (cecIoctl(KVX_HDMI_GET_TX_PA, reinterpret_cast<uintptr_t>(own)) != CECR_OK) {
        CEC_ERR("get TX physical address fail or invalid address");
        return CECR_DRV_FAIL;
    }
    gPlatformInfo.ui4ActiveTx = CEC_TX_PORT_0;
    CecHdmiTxInfo& tx = gHDMITXInfo[CEC_TX_PORT_0];
    tx.logicalAddr = CEC_LA_AUDIO_SYSTEM;
    tx.physicalAddr = sb::loadLe16(own);
    logTx("TX physical addr: %s, logical addr: %d, active TX port: %d\n", tx, true);

    uint16_t inputs[CEC_RX_NUM] = {};
    if (!cecReadRxAddresses(inputs)) {
        CEC_ERR("get RX physical address fail");
        return CECR_DRV_FAIL;
    }
    for (uint32_t port = 0; port < CEC_RX_NUM; ++port) {
        cecSetRxAddress(port, inputs[port], CEC_LA_NONE);
        logRx(port);
    }
    return CECR_OK;
}

int32_t cecUpdateCm4RxInfo(void)
{
    CecHdmiTxInfo* tx = cecActiveTxInfo(__LINE__);
    if (tx == nullptr) {
        return CECR_INV_ARG;
    }
    uint8_t record[CEC_CM4_INFO_SIZE] = {};
    tx->physicalAddr = static_cast<uint16_t>(readCm4(record, CEC_CM4_TX_PA));
    tx->logicalAddr = readCm4(record, CEC_CM4_TX_LA);
    logTx("TX physical addr: %s logica addr:%d \n", *tx, false);
    const uint32_t inputs = readCm4(record, CEC_CM4_RX_PA);
    cecSetRxAddress(CEC_RX_PORT_0, static_cast<uint16_t>(inputs), CEC_LA_NONE);
    cecSetRxAddress(CEC_RX_PORT_1, static_cast<uint16_t>(inputs >> 16), CEC_LA_NONE);
    logRx(CEC_RX_PORT_0);
    logRx(CEC_RX_PORT_1);
    return CECR_OK;
}
