#include "main/cec/cec_handler.h"

#include "main/acfg/acfg_accessor.h"
#include "main/acfg/acfg_item_accessor.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_drv.h"
#include "main/cec/cec_msg.h"
#include "main/cec/cec_parser.h"
#include "main/cec/cec_peer.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"
#include "main/state_mngr/state_mngr.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr uint32_t kSadRequestMax = 4;  // formats one request may name
constexpr size_t kMenuLanguageLen = 3;

// Every handler's first check.
bool parserStarted()
{
    if (!cecParserIsInited()) {
        CEC_ERR("cec parser don't init\n\r");
        return false;
    }
    return true;
}

// Releases the request `opcode` to the frame's initiator that waits for this reply.
void freePending(uint32_t opcode, const CecFrame& reply)
{
    CecEvent* event = cecCtrlSearchActionEvent(opcode, reply.ui1Initiator, CEC_EVT_WAIT_REPLY);
    if (event != nullptr) {
        cecCtrlFreeEvent(event);
    }
}

uint16_t addressOperand(const CecFrame& frame)
{
    return static_cast<uint16_t>(frame.aui1Operand[0] << 8 | frame.aui1Operand[1]);
}

// Routing Information with the active input's physical address; nothing while none is active.
void answerRouting(bool log)
{
    const uint32_t port = gPlatformInfo.ui4ActiveRx.load();
    if (log) {
        CEC_INFO("current active Rx%u\n", port);
    }
    if (port >= CEC_RX_NUM) {
        return;
    }
    const uint16_t address = gHDMIRxInfo[port].physicalAddr.load();
    if (log) {
        char text[CEC_PA_TEXT_SIZE] = {};
        pa_to_string(address, text);
        CEC_INFO(port == CEC_RX_PORT_0 ? "rx0 routing change %s\n" : "rx1 routing change %s\n", text);
    }
    cecCtrlRoutingInfo(address);
}

// The input whose branch holds `address`, switched to; `maskBoth` masks the input's own address
// too (Set Stream Path).
void choosePort(const CecFrame* frame, bool maskBoth)
{
    if (frame == nullptr) {
        CEC_ERR("invalid arg\n\r");
        return;
    }
    const uint16_t address = addressOperand(*frame);
    for (uint32_t port = CEC_RX_PORT_0; port < CEC_RX_NUM; ++port) {
        const uint16_t mask = gHDMIRxInfo[port].mask.load();
        const uint16_t own = gHDMIRxInfo[port].physicalAddr.load();
        if ((address & mask) == (maskBoth ? (own & mask) : own)) {
            port == CEC_RX_PORT_0 ? cecSwitchPortToRx0() : cecSwitchPortToRx1();
            return;
        }
    }
    CEC_INFO("no PA matched, don't need switch port");
}

int32_t switchPort(uint32_t port)
{
    const uint32_t previous = gPlatformInfo.ui4ActiveRx.load();
    if (previous == port) {
        CEC_INFO(port == CEC_RX_PORT_0 ? "current active port is Rx0, don't need switch"
                                       : "current active port is Rx1, don't need switch");
        return CECR_OK;
    }
    uint8_t select = static_cast<uint8_t>(port);
    if (cecIoctl(KVX_HDMI_SWITCH_RX, reinterpret_cast<uintptr_t>(&select)) != CECR_OK) {
        CEC_ERR(port == CEC_RX_PORT_0 ? "switch port to Rx0 fial" : "switch port to Rx1 fial");
        return CECR_DRV_FAIL;
    }
    // With no input active before, the plug-in handling that asked records the port itself.
    if (previous < CEC_RX_NUM) {
        gHDMIRxInfo[previous].sourceLock = 0;
        gPlatformInfo.ui4ActiveRx = port;
        if (port == CEC_RX_PORT_1) {
            CEC_INFO("switch to Rx1 complete");
        }
    }
    return CECR_OK;
}

void volumeDown()
{
    uint8_t volume = 0;
    if (!cecUnmuteAndReadVolume(&volume)) {
        return;
    }
    CEC_INFO("volume down (%d)\n\r", volume);
    // Below the floor the key only unmutes: it never raises the volume.
    if (volume < CEC_KEY_VOLUME_FLOOR) {
        return;
    }
    volume = static_cast<uint8_t>(volume - CEC_KEY_VOLUME_STEP);
    if (volume < CEC_KEY_VOLUME_FLOOR) {
        volume = CEC_KEY_VOLUME_FLOOR;
    }
    CEC_INFO("volume down (%d)\n\r", volume);
    cecStoreReportedVolume(volume);
}

void muteKey(const CecFrame& frame)
{
    uint8_t mute = 0;
    if (uAcfgGetMute(&mute) != 0) {
        CEC_ERR("error in%s , L=%d\n", __func__, __LINE__);
        mute = 0;
    }
    if (mute != 0) {
        if (!cecUnmuteAndStoreVolumeAgain()) {
            return;
        }
    } else if (uAcfgSetMute(1) != 0) {
        CEC_ERR("error in%s , L=%d\n", __func__, __LINE__);
    }
    cecCtrlReportAudioStatus(frame.ui1Initiator);
}

}  // namespace

void cecPsrFeatureAbort(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    const uint8_t refused = frame->aui1Operand[0];
    const uint8_t reason = frame->aui1Operand[1];
    if (refused == CEC_OP_INITIATE_ARC && reason == CEC_ABORT_UNRECOGNIZED_OPCODE) {
        gTVInfo.ui1Support = 0;
    }
    freePending(refused, *frame);
}

void cecPsrSetMenuLanguage(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    freePending(CEC_OP_GET_MENU_LANGUAGE, *frame);
    char language[kMenuLanguageLen + 1] = {};
    memcpy(language, frame->aui1Operand, kMenuLanguageLen);
    CEC_INFO("menu language: %s\n", language);
    if (uAcfgCecMenuLanguSet(language) != 0) {
        CEC_ERR("save menu language in acfg fail");
        return;
    }
    CEC_INFO(" cecPsrSetMenuLanguage complete \n\r");
}

void cecPsrStandby(const CecFrame*)
{
    if (!parserStarted() || gIsCecSendReq.load() != 0) {
        return;
    }
    const int32_t res = cecPsrSendToSmStandby();
    if (res != CECR_OK) {
        CEC_ERR("<CEC>Err:cecPsrSendToSmStandby return err: ret=%d.\r\n", res);
        return;
    }
    gIsCecSendReq = 1;
    CEC_INFO("cecPsrStandby complete \n\r");
}

void cecPsrUserControlPressed(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    if (frame->ui4OperandCount != 1) {
        CEC_ERR("invalid arguments\n\r");
        return;
    }
    const uint32_t source = uSmGetCurrentSource();
    if (source != SM_SOURCE_ARC_IN && source != SM_SOURCE_HDMI_IN) {
        CEC_INFO("current active source: %u, drop user control cmd. \n\r", source);
        return;
    }
    switch (frame->aui1Operand[0]) {
    case CEC_KEY_VOLUME_UP:
        cecVolumeUp();
        break;
    case CEC_KEY_VOLUME_DOWN:
        volumeDown();
        break;
    case CEC_KEY_MUTE:
        muteKey(*frame);
        break;
    default:
        break;
    }
}

void cecPsrUserControlReleased(const CecFrame*)
{
    if (parserStarted()) {
        CEC_INFO("cecPsrUserControlReleased complete \n\r");
    }
}

void cecPsrGiveOSDName(const CecFrame* frame)
{
    if (parserStarted()) {
        cecCtrlSetOSDName(frame->ui1Initiator);
    }
}

void cecPsrSetOSDName(const CecFrame* frame)
{
    if (parserStarted()) {
        freePending(CEC_OP_GIVE_OSD_NAME, *frame);
    }
}

void cecPsrSystemAudioModeRequest(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    CEC_INFO("%s() la: %d, operand size: %u\n", __func__, frame->ui1Initiator, frame->ui4OperandCount);
    if (frame->ui4OperandCount > 0) {
        cecCtrlSetSystemAudioMode(frame->ui1Initiator, 1);
        gPlatformInfo.ui1SysAudioOpen = 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(CEC_SYSTEM_AUDIO_ARC_DELAY_MS));
        const int32_t res = cecCtrlInitiateARC(CEC_LA_TV);
        if (res != CECR_OK) {
            CEC_ERR("<CEC>Err:cecCtrlInitiateARC return err: ret=%d.\r\n", res);
        }
        return;
    }
    cecCtrlSetSystemAudioMode(frame->ui1Initiator, 0);
    gPlatformInfo.ui1SysAudioOpen = 0;
    gPlatformInfo.ui1FakePlugIn = 1;
    uint8_t guard[CEC_TIMER_REC_SIZE] = {};  // state word 0: the guard
    const timer_param_t param{gPlatformInfo.prGuardTimer.load(), CEC_FAKE_PLUG_IN_GUARD_MS, TIMER_MODE_ONCE};
    const int32_t res = param.timer == nullptr ? TMR_INV_ARG
                                               : u_timer_start(gCecThisObj.hApp.load(), &param, guard, sizeof guard);
    if (res != 0) {
        CEC_ERR("<CEC>Err:u_timer_start return err: ret=%d.\r\n", res);
    }
}

void cecPsrGiveAudioStatus(const CecFrame* frame)
{
    if (parserStarted()) {
        cecCtrlReportAudioStatus(frame->ui1Initiator);
    }
}

void cecPsrGiveSystemAudioModeStatus(const CecFrame* frame)
{
    if (parserStarted()) {
        cecCtrlSystemAudioModeStatus(frame->ui1Initiator, 1);
    }
}

void cecPsrRoutingChange(const CecFrame*)
{
    if (parserStarted()) {
        answerRouting(true);
    }
}

void cecPsrRoutingInformation(const CecFrame*)
{
    if (parserStarted()) {
        answerRouting(false);
    }
}

void cecPsrActiveSource(const CecFrame* frame)
{
    if (parserStarted()) {
        choosePort(frame, false);
    }
}

void cecPsrGivePhysicalAddr(const CecFrame*)
{
    if (parserStarted()) {
        cecCtrlBroadcastPA();
    }
}

void cecPsrReportPA(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    if (frame == nullptr) {
        CEC_ERR("invalid arg\n\r");
        return;
    }
    const uint16_t address = addressOperand(*frame);
    const uint8_t type = frame->aui1Operand[2];
    CEC_INFO("physical address: %d, device type: %d\n\r", address, type);
    if (address == gHDMITXInfo[CEC_TX_PORT_0].physicalAddr.load()) {
        CEC_INFO("information from self, don't care");
    } else if (type == CEC_DEVICE_TYPE_AUDIO_SYSTEM) {
        CEC_INFO("logical address already exists \n\r");
    } else {
        CEC_INFO("cecPsrReportPA complete \n\r");
    }
}

void cecPsrSetStreamPath(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    choosePort(frame, true);
    if (frame == nullptr) {
        return;
    }
    const uint16_t address = addressOperand(*frame);
    gTVInfo.ui2StreamPath = address;
    char text[CEC_PA_TEXT_SIZE] = {};
    pa_to_string(address, text);
    CEC_INFO("set stream path: %s \n", text);
    // The TV routing to a sleeping soundbar wakes it: the standby toggle leaves suspend. This is no
    // standby of the TV's, so the once-per-cycle hand-over of a received Standby does not hold it.
    if (gPlatformInfo.ui1Suspended.load() != 0 && address == gHDMITXInfo[CEC_TX_PORT_0].physicalAddr.load()) {
        CEC_INFO("stream path to the soundbar in suspend: wake up \n");
        if (cecPsrSendToSmStandby() != CECR_OK) {
            CEC_ERR("<CEC>Err:cecPsrSendToSmStandby fail for the stream path \r\n");
        }
    }
}

void cecPsrDeviceVendorID(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    if (frame->ui4OperandCount == sizeof CEC_VENDOR_ID) {
        CEC_INFO("device LA: %d, device vendor: 0x%02x 0x%02x 0x%02x .\n\r", frame->ui1Initiator,
                 frame->aui1Operand[0], frame->aui1Operand[1], frame->aui1Operand[2]);
    } else {
        CEC_ERR("%s(), invalid data. \n\r", __func__);
    }
}

void cecPsrGiveDeviceVendorID(const CecFrame*)
{
    if (!parserStarted()) {
        return;
    }
    const int32_t res = cecCtrlDeviceVendorID(CEC_VENDOR_ID);
    if (res != CECR_OK) {
        CEC_ERR("<CEC>Err:cecCtrlDeviceVendorID return err: ret=%d.\r\n", res);
    }
}

void cecPsrGiveDevicePowerStatus(const CecFrame* frame)
{
    // On the board the standby co-processor answers while the main processor sleeps; here the
    // application stays up through suspend, so it answers as a sleeping soundbar must, to the
    // device that asked.
    if (parserStarted() && frame != nullptr) {
        const uint8_t status = gPlatformInfo.ui1Suspended.load() != 0 ? CEC_POWER_STATUS_STANDBY : CEC_POWER_STATUS_ON;
        cecCtrlReportPowerStatus(status, frame->ui1Initiator);
    }
}

void cecPsrReportPowerStatus(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    freePending(CEC_OP_GIVE_DEVICE_POWER_STATUS, *frame);
    CEC_INFO("report power status is %d \n\r", frame->aui1Operand[0]);
}

void cecPsrCECVersion(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    freePending(CEC_OP_GET_CEC_VERSION, *frame);
    CEC_INFO("cec version is %d \n\r", frame->aui1Operand[0]);
    cecPsrNotifyALLClients(CEC_OP_CEC_VERSION, 0);
}

void cecPsrRequestShortAudioDescriptor(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    if (frame->ui4OperandCount > kSadRequestMax) {
        CEC_ERR("invalid argument ! \n\r");
        return;
    }
    uint8_t report[kSadRequestMax * CEC_SAD_SIZE] = {};
    uint32_t length = 0;
    for (uint32_t i = 0; i < frame->ui4OperandCount; ++i) {
        const uint8_t operand = frame->aui1Operand[i];
        const uint8_t formatId = operand >> 6;
        CecSadRequest request{};
        request.ui4Code = operand & 0x3F;
        CEC_INFO("(0x%02x), formatID: %d   foramtCode: %u\n\r", operand, formatId, request.ui4Code);
        // Only format ID 0 names the codes of the table; the extended ones describe other formats.
        if (formatId != 0) {
            continue;
        }
        GetShortAudioDescriptor(&request);
        if (request.ui1Valid != 0) {
            memcpy(report + length, request.aui1Descriptor, CEC_SAD_SIZE);
            length += CEC_SAD_SIZE;
        }
    }
    // A report must carry at least one descriptor: a request naming no format held here is refused.
    if (length == 0) {
        cecCtrlFeatureAbort(frame->ui1Initiator, CEC_OP_REQUEST_SHORT_AUDIO_DESCRIPTOR, CEC_ABORT_INVALID_OPERAND);
        return;
    }
    cecCtrlReportShortAudioDescriptor(frame->ui1Initiator, report, length);
}

void cecPsrReportARCInitiated(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    freePending(CEC_OP_INITIATE_ARC, *frame);
    cecCtrlARC(1);
}

void cecPsrReportARCTerminated(const CecFrame* frame)
{
    if (!parserStarted()) {
        return;
    }
    cecPsrNotifyALLClients(CEC_OP_REPORT_ARC_TERMINATED, 0);
    freePending(CEC_OP_TERMINATE_ARC, *frame);
    cecCtrlARC(0);
}

void cecPsrRequestARCInitiation(const CecFrame*)
{
    if (!parserStarted()) {
        return;
    }
    cecPsrNotifyALLClients(CEC_OP_REQUEST_ARC_INITIATION, 0);
    cecCtrlInitiateARC(CEC_LA_TV);
}

void cecPsrRequestARCTerminatition(const CecFrame*)
{
    if (parserStarted()) {
        cecCtrlTerminateARC(CEC_LA_TV);
    }
}

void cecVolumeUp(void)
{
    uint8_t volume = 0;
    if (!cecUnmuteAndReadVolume(&volume)) {
        return;
    }
    CEC_INFO("volume up (%d)\n\r", volume);
    volume = static_cast<uint8_t>(volume + CEC_KEY_VOLUME_STEP > CEC_VOLUME_MAX ? CEC_VOLUME_MAX
                                                                               : volume + CEC_KEY_VOLUME_STEP);
    CEC_INFO("volume up (%d)\n\r", volume);
    cecStoreReportedVolume(volume);
}

bool cecUnmuteAndReadVolume(uint8_t* volume)
{
    int32_t res = uAcfgSetMute(0);
    if (res != 0) {
        CEC_ERR("uAcfgSetVolume fail ret:%d\n", res);
        return false;
    }
    res = uAcfgGetVolume(volume);
    if (res != 0) {
        CEC_ERR("uAcfgGetVolume fail ret:%d\n", res);
        return false;
    }
    return true;
}

void cecStoreReportedVolume(uint8_t volume)
{
    const int32_t res = uAcfgSetVolume(volume, 1);
    if (res != 0) {
        CEC_ERR("uAcfgSetVolume fail ret:%d\n", res);
    }
}

bool cecUnmuteAndStoreVolumeAgain(void)
{
    if (uAcfgSetMute(0) != 0) {
        CEC_ERR("error in%s , L=%d\n", __func__, __LINE__);
    }
    uint8_t volume = 0;
    int32_t res = uAcfgGetVolume(&volume);
    if (res == 0) {
        res = uAcfgSetVolume(volume, 0);
    }
    if (res != 0) {
        CEC_ERR("fail ret:%d\n", res);
        return false;
    }
    return true;
}

int32_t cecSwitchPortToRx0(void)
{
    return switchPort(CEC_RX_PORT_0);
}

int32_t cecSwitchPortToRx1(void)
{
    return switchPort(CEC_RX_PORT_1);
}
