#include "main/cec/cec_msg.h"

#include "main/cec/cec_dbg.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"

#include <cstring>

namespace {

// CEC opcodes of the requests sent here.
constexpr uint16_t kOpStandby = 0x36;
constexpr uint16_t kOpGiveOsdName = 0x46;
constexpr uint16_t kOpSetOsdString = 0x64;
constexpr uint16_t kOpGivePhysicalAddress = 0x83;
constexpr uint16_t kOpGiveDevicePowerStatus = 0x8F;
constexpr uint16_t kOpGetMenuLanguage = 0x91;
constexpr uint16_t kOpGetCecVersion = 0x9F;
constexpr uint16_t kOpInitiateArc = 0xC0;
constexpr uint16_t kOpTerminateArc = 0xC5;

// The OSD string's text comes in a record of 28 bytes.
constexpr size_t kOsdTextRecord = 28;

// Checks the port and the destination, fills the frame from the own logical address and sends it.
int32_t send(uint32_t kind, uint32_t destination, uint16_t opcode, const uint8_t* operands, uint32_t count, int line)
{
    const CecHdmiTxInfo* tx = cecActiveTxInfo(line);
    if (tx == nullptr) {
        return CECR_INV_ARG;
    }
    if (destination > CEC_LA_BROADCAST) {
        cecLog(DBG_LEVEL_ERROR, __func__, line, "<CEC>Err:invalid logic addr: %u, line: %d\r\n", destination, line);
        return CECR_INV_ARG;
    }
    CecFrame frame{};
    frame.ui1Initiator = static_cast<uint8_t>(tx->logicalAddr.load());
    frame.ui1Destination = static_cast<uint8_t>(destination);
    frame.ui2Opcode = opcode;
    if (count > 0) {
        memcpy(frame.aui1Operand, operands, count);
    }
    frame.ui4OperandCount = count;
    const int32_t res = cecCtrlSendMessage(kind, &frame);
    if (res != CECR_OK) {
        cecLog(DBG_LEVEL_ERROR, __func__, line, "<CEC>Err:cecCtrlSendMessage return err: ret=%d.\r\n", res);
        return CECR_DRV_FAIL;
    }
    return CECR_OK;
}

}  // namespace

int32_t cecCtrlInitiateARC(uint32_t destination)
{
    return send(CEC_KIND_ARC, destination, kOpInitiateArc, nullptr, 0, __LINE__);
}

int32_t cecCtrlTerminateARC(uint32_t destination)
{
    return send(CEC_KIND_ARC, destination, kOpTerminateArc, nullptr, 0, __LINE__);
}

int32_t cecCtrlGetMenuLanguage(uint32_t destination)
{
    return send(CEC_KIND_DEVICE_INFO, destination, kOpGetMenuLanguage, nullptr, 0, __LINE__);
}

int32_t cecCtrlGivePhysicalAddress(uint32_t destination)
{
    return send(CEC_KIND_DEVICE_INFO, destination, kOpGivePhysicalAddress, nullptr, 0, __LINE__);
}

int32_t cecCtrlGetCecVersion(uint32_t destination)
{
    return send(CEC_KIND_DEVICE_INFO, destination, kOpGetCecVersion, nullptr, 0, __LINE__);
}

int32_t cecCtrlGiveDevicePowerStatus(uint32_t destination)
{
    return send(CEC_KIND_POWER_STATUS, destination, kOpGiveDevicePowerStatus, nullptr, 0, __LINE__);
}

int32_t cecCtrlSetOSDString(uint32_t destination, uint8_t displayControl, const char* text)
{
    uint8_t operands[1 + CEC_OSD_STRING_MAX] = {displayControl};
    const size_t length = text == nullptr ? 0 : strnlen(text, kOsdTextRecord);
    const size_t kept = length < CEC_OSD_STRING_MAX ? length : CEC_OSD_STRING_MAX;
    if (kept > 0) {
        memcpy(operands + 1, text, kept);
    }
    return send(CEC_KIND_OSD_STRING, destination, kOpSetOsdString, operands, static_cast<uint32_t>(1 + kept), __LINE__);
}

int32_t cecCtrlGiveOSDName(uint32_t destination)
{
    return send(CEC_KIND_OSD_NAME, destination, kOpGiveOsdName, nullptr, 0, __LINE__);
}

int32_t cecCtrlStandby(uint32_t destination)
{
    return send(CEC_KIND_STANDBY, destination, kOpStandby, nullptr, 0, __LINE__);
}
