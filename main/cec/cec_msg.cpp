#include "main/cec/cec_msg.h"

#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_item_accessor.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace {

// The OSD string's text comes in a record of 28 bytes.
constexpr size_t kOsdTextRecord = 28;
// The stored OSD name is read into a zeroed buffer of this size.
constexpr size_t kOsdNameBuffer = 16;
constexpr size_t kOsdNameMax = 14;
constexpr uint32_t kPollMaxAddress = 14;

struct SadRow {
    uint32_t code;
    std::array<uint8_t, CEC_SAD_SIZE> descriptor;
};

// Byte 1: the format code times 8 plus the channel count minus one; byte 2: the sample rates;
// byte 3: the format's own byte.
constexpr SadRow kSadTable[] = {
    {1, {0x0F, 0x7F, 0x07}},  {2, {0x15, 0x07, 0x50}},  {3, {0x1F, 0x7F, 0xFF}},  {4, {0x27, 0x7F, 0xFF}},
    {5, {0x2F, 0x7F, 0xFF}},  {6, {0x37, 0x7F, 0xFF}},  {7, {0x3F, 0x7F, 0xFF}},  {8, {0x47, 0x7F, 0xFF}},
    {9, {0x4F, 0x7F, 0x00}},  {10, {0x57, 0x06, 0x03}}, {11, {0x5F, 0x7F, 0x00}}, {12, {0x67, 0x7F, 0x00}},
    {13, {0x6F, 0x7F, 0x00}}, {14, {0x77, 0x7F, 0x00}},
};

bool destinationOk(uint32_t destination, int line)
{
    if (destination > CEC_LA_BROADCAST) {
        cecLog(DBG_LEVEL_ERROR, __func__, line, "<CEC>Err:invalid logic addr: %u, line: %d\r\n", destination, line);
        return false;
    }
    return true;
}

// Fills the frame from the own logical address (or `initiator`) and sends it; the checks are the
// caller's.
int32_t sendFrame(const CecHdmiTxInfo& tx, uint32_t kind, uint32_t destination, uint16_t opcode,
                  const uint8_t* operands, uint32_t count, int line, const uint32_t* initiator = nullptr)
{
    CecFrame frame{};
    frame.ui1Initiator = static_cast<uint8_t>(initiator != nullptr ? *initiator : tx.logicalAddr.load());
    frame.ui1Destination = static_cast<uint8_t>(destination);
    frame.ui2Opcode = opcode;
    count = count < CEC_FRAME_OPERAND_MAX ? count : CEC_FRAME_OPERAND_MAX;
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

// Checks the port and the destination, then sends.
int32_t sendTo(uint32_t kind, uint32_t destination, uint16_t opcode, int line, const uint8_t* operands = nullptr,
               uint32_t count = 0)
{
    const CecHdmiTxInfo* tx = cecActiveTxInfo(line);
    if (tx == nullptr || !destinationOk(destination, line)) {
        return CECR_INV_ARG;
    }
    return sendFrame(*tx, kind, destination, opcode, operands, count, line);
}

// Messages that always go to every device and take no destination: only the port is checked.
int32_t sendToAll(uint32_t kind, uint16_t opcode, const uint8_t* operands, uint32_t count, int line)
{
    const CecHdmiTxInfo* tx = cecActiveTxInfo(line);
    if (tx == nullptr) {
        return CECR_INV_ARG;
    }
    return sendFrame(*tx, kind, CEC_LA_BROADCAST, opcode, operands, count, line);
}

void putAddress(uint8_t* out, uint16_t address)
{
    out[0] = static_cast<uint8_t>(address >> 8);
    out[1] = static_cast<uint8_t>(address);
}

}  // namespace

void GetShortAudioDescriptor(CecSadRequest* request)
{
    if (request == nullptr) {
        return;
    }
    CEC_INFO("audio code: %u", request->ui4Code);
    for (const SadRow& row : kSadTable) {
        if (row.code == request->ui4Code) {
            request->ui1Valid = 1;
            memcpy(request->aui1Descriptor, row.descriptor.data(), CEC_SAD_SIZE);
            return;
        }
    }
    request->ui1Valid = 0;
    CEC_ERR("invalid audio code /n");
}

int32_t cecCtrlFeatureAbort(uint32_t destination, uint8_t opcode, uint8_t reason)
{
    const uint8_t operands[] = {opcode, reason};
    return sendTo(CEC_KIND_FEATURE_ABORT, destination, CEC_OP_FEATURE_ABORT, __LINE__, operands, sizeof operands);
}

int32_t cecCtrlRoutingChange(uint16_t oldAddress, uint16_t newAddress)
{
    uint8_t operands[4];
    putAddress(operands, oldAddress);
    putAddress(operands + 2, newAddress);
    return sendToAll(CEC_KIND_ROUTING, CEC_OP_ROUTING_CHANGE, operands, sizeof operands, __LINE__);
}

int32_t cecCtrlRoutingInfo(uint16_t address)
{
    uint8_t operands[2];
    putAddress(operands, address);
    return sendToAll(CEC_KIND_ROUTING, CEC_OP_ROUTING_INFORMATION, operands, sizeof operands, __LINE__);
}

int32_t cecCtrlSystemAudioModeStatus(uint32_t destination, uint8_t status)
{
    return sendTo(CEC_KIND_SYSTEM_AUDIO, destination, CEC_OP_SYSTEM_AUDIO_MODE_STATUS, __LINE__, &status, 1);
}

int32_t cecCtrlSetSystemAudioMode(uint32_t destination, uint8_t mode)
{
    const CecHdmiTxInfo* tx = cecActiveTxInfo(__LINE__);
    if (tx == nullptr || !destinationOk(destination, __LINE__)) {
        return CECR_INV_ARG;
    }
    // Recorded before the send, and kept when the send fails.
    gPlatformInfo.ui1SysAudioOpen = mode;
    return sendFrame(*tx, CEC_KIND_SYSTEM_AUDIO, CEC_LA_BROADCAST, CEC_OP_SET_SYSTEM_AUDIO_MODE, &mode, 1, __LINE__);
}

int32_t cecCtrlReportShortAudioDescriptor(uint32_t destination, const uint8_t* bytes, uint32_t count)
{
    return sendTo(CEC_KIND_SYSTEM_AUDIO, destination, CEC_OP_REPORT_SHORT_AUDIO_DESCRIPTOR, __LINE__, bytes,
                  bytes == nullptr ? 0 : count);
}

int32_t cecCtrlReportAudioStatus(uint32_t destination)
{
    uint8_t mute = 0;
    uint8_t volume = 0;
    if (uAcfgGetMute(&mute) != 0) {
        mute = 0;
    }
    if (uAcfgGetVolume(&volume) != 0) {
        volume = 0;
    }
    CEC_INFO("Mute: (%d)  volume: (%d)\n", mute, volume);
    const auto status = static_cast<uint8_t>((mute != 0 ? 0x80 : 0x00) | (volume & 0x7F));
    return sendTo(CEC_KIND_SYSTEM_AUDIO, destination, CEC_OP_REPORT_AUDIO_STATUS, __LINE__, &status, 1);
}

int32_t cecCtrlDeviceVendorID(const uint8_t* vendor)
{
    CEC_INFO("fun:%s(), line:%d .", __func__, __LINE__);
    if (vendor == nullptr) {
        return CECR_INV_ARG;
    }
    return sendToAll(CEC_KIND_VENDOR_ID, CEC_OP_DEVICE_VENDOR_ID, vendor, sizeof CEC_VENDOR_ID, __LINE__);
}

int32_t cecCtrlGiveDeviceVendorID(uint32_t destination)
{
    return sendTo(CEC_KIND_VENDOR_ID, destination, CEC_OP_GIVE_DEVICE_VENDOR_ID, __LINE__);
}

int32_t cecCtrlInitiateARC(uint32_t destination)
{
    return sendTo(CEC_KIND_ARC, destination, CEC_OP_INITIATE_ARC, __LINE__);
}

int32_t cecCtrlTerminateARC(uint32_t destination)
{
    return sendTo(CEC_KIND_ARC, destination, CEC_OP_TERMINATE_ARC, __LINE__);
}

int32_t cecCtrlSetAudioRate(uint32_t destination, uint8_t rate)
{
    return sendTo(CEC_KIND_AUDIO_RATE, destination, CEC_OP_SET_AUDIO_RATE, __LINE__, &rate, 1);
}

int32_t cecCtrlGetMenuLanguage(uint32_t destination)
{
    return sendTo(CEC_KIND_DEVICE_INFO, destination, CEC_OP_GET_MENU_LANGUAGE, __LINE__);
}

int32_t cecCtrlGivePhysicalAddress(uint32_t destination)
{
    return sendTo(CEC_KIND_DEVICE_INFO, destination, CEC_OP_GIVE_PHYSICAL_ADDRESS, __LINE__);
}

int32_t cecCtrlGetCecVersion(uint32_t destination)
{
    return sendTo(CEC_KIND_DEVICE_INFO, destination, CEC_OP_GET_CEC_VERSION, __LINE__);
}

int32_t cecCtrlReportPowerStatus(uint8_t status, uint32_t destination)
{
    return sendTo(CEC_KIND_POWER_STATUS, destination, CEC_OP_REPORT_POWER_STATUS, __LINE__, &status, 1);
}

int32_t cecCtrlGiveDevicePowerStatus(uint32_t destination)
{
    return sendTo(CEC_KIND_POWER_STATUS, destination, CEC_OP_GIVE_DEVICE_POWER_STATUS, __LINE__);
}

int32_t cecCtrlSetOSDString(uint32_t destination, uint8_t displayControl, const char* text)
{
    uint8_t operands[1 + CEC_OSD_STRING_MAX] = {displayControl};
    const size_t length = text == nullptr ? 0 : strnlen(text, kOsdTextRecord);
    const size_t kept = length < CEC_OSD_STRING_MAX ? length : CEC_OSD_STRING_MAX;
    if (kept > 0) {
        memcpy(operands + 1, text, kept);
    }
    return sendTo(CEC_KIND_OSD_STRING, destination, CEC_OP_SET_OSD_STRING, __LINE__, operands,
                  static_cast<uint32_t>(1 + kept));
}

int32_t cecCtrlSetOSDName(uint32_t destination)
{
    char name[kOsdNameBuffer] = {};
    size_t length = 0;
    if (uAcfgCecOsdNameGet(name) == 0) {
        name[kOsdNameMax] = '\0';
        length = strnlen(name, kOsdNameBuffer);
    } else {
        snprintf(name, sizeof name, "%s", CEC_OSD_NAME_FALLBACK);
        length = strlen(name);
    }
    CEC_INFO("OSD name: %s\n", name);
    return sendTo(CEC_KIND_OSD_NAME, destination, CEC_OP_SET_OSD_NAME, __LINE__, reinterpret_cast<uint8_t*>(name),
                  static_cast<uint32_t>(length));
}

int32_t cecCtrlGiveOSDName(uint32_t destination)
{
    return sendTo(CEC_KIND_OSD_NAME, destination, CEC_OP_GIVE_OSD_NAME, __LINE__);
}

int32_t cecCtrlStandby(uint32_t destination)
{
    return sendTo(CEC_KIND_STANDBY, destination, CEC_OP_STANDBY, __LINE__);
}

int32_t cecCtrlActiveSource(uint32_t destination)
{
    const CecHdmiTxInfo* tx = cecActiveTxInfo(__LINE__);
    if (tx == nullptr || !destinationOk(destination, __LINE__)) {
        return CECR_INV_ARG;
    }
    uint8_t operands[2];
    putAddress(operands, tx->physicalAddr.load());
    return sendFrame(*tx, CEC_KIND_ACTIVE_SOURCE, destination, CEC_OP_ACTIVE_SOURCE, operands, sizeof operands,
                     __LINE__);
}

int32_t cecCtrlTextViewOn(uint32_t destination)
{
    return sendTo(CEC_KIND_ACTIVE_SOURCE, destination, CEC_OP_TEXT_VIEW_ON, __LINE__);
}

int32_t cecCtrlBroadcastPA(void)
{
    const CecHdmiTxInfo* tx = cecActiveTxInfo(__LINE__);
    if (tx == nullptr) {
        return CECR_INV_ARG;
    }
    uint8_t operands[3];
    putAddress(operands, tx->physicalAddr.load());
    operands[2] = CEC_DEVICE_TYPE_AUDIO_SYSTEM;
    return sendFrame(*tx, CEC_KIND_DEVICE_INFO, CEC_LA_BROADCAST, CEC_OP_REPORT_PHYSICAL_ADDRESS, operands,
                     sizeof operands, __LINE__);
}

int32_t cecCtrlPollingDevice(uint32_t address)
{
    CEC_INFO("cecManagerPollingDevice: la=%u\n\r", address);
    if (!cecCtrlIsInited()) {
        return CECR_FAIL;
    }
    if (address > kPollMaxAddress) {
        CEC_ERR("cecManagerPollingDevice logical address is invalid error\n\r");
        return CECR_INV_ARG;
    }
    const CecHdmiTxInfo* tx = cecActiveTxInfo(__LINE__);
    if (tx == nullptr) {
        return CECR_INV_ARG;
    }
    return sendFrame(*tx, CEC_KIND_POLLING, address, CEC_OPCODE_POLLING, nullptr, 0, __LINE__, &address);
}

void cecCtrlSystemAudioModeRequest(void)
{
}
