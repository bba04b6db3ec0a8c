#include "main/cec/cec_drv_event.h"

#include "common/support/support.h"
#include "main/acfg/acfg_accessor.h"
#include "main/cec/cec_addr.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_drv.h"
#include "main/cec/cec_handler.h"
#include "main/cec/cec_msg.h"
#include "main/cec/cec_parser.h"
#include "main/cec/cec_peer.h"
#include "main/cec/cec_pool.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// KVX_HDMI_GET_RX_STS: byte 0 set while RX0 carries a device, byte 1 for RX1.
constexpr size_t kRxStsSize = kvxHdmiRequestSize(KVX_HDMI_GET_RX_STS);
// KVX_HDMI_GET_TX_INFO: byte 0 set when the TV link supports ARC.
constexpr size_t kTxInfoSize = kvxHdmiRequestSize(KVX_HDMI_GET_TX_INFO);
static_assert(kRxStsSize == 3 && kTxInfoSize == 3, "the input state and the TX information are 3 bytes");
// The driver and the TV need this long between the steps of the plug-in set-up.
constexpr auto kSetUpPause = std::chrono::milliseconds(20);
// An unplugged input's physical address.
constexpr uint16_t kPaUnplugged = 0x00FF;
// The driver's volume down ends at 0 once a step leaves this much or less.
constexpr uint8_t kDriverVolumeFloor = 5;

// The first RX1 source lock since the start re-reads RX1's address.
std::atomic<bool> gFirstRx1Lock{true};

void setUpPause()
{
    std::this_thread::sleep_for(kSetUpPause);
}

void logIfFailed(int32_t res, const char* format)
{
    if (res != CECR_OK) {
        CEC_ERR(format, res);
    }
}

// The TV link plugged in: its addresses, its announcement, the input it should show, system audio
// and ARC.
void tvPlugIn()
{
    os_timer_t* guard = gPlatformInfo.prGuardTimer.load();
    if (guard == nullptr || u_timer_stop(guard) != 0) {
        CEC_ERR("stop the fake plug-in timer fail");
    }
    if (gPlatformInfo.ui1FakePlugIn.load() == 1) {
        CEC_INFO("fake plug in ");
        gPlatformInfo.ui1FakePlugIn = 0;
        return;
    }
    logIfFailed(cecPsrUpadateLaAndPa(), "<CEC>Err:cecPsrUpadateLaAndPa return err: ret=%d.\r\n");
    logIfFailed(cecCtrlSetConfigToDrive(), "<CEC>Err:cecCtrlSetConfigToDrive return err: ret=%d.\r\n");
    logIfFailed(cecCtrlPollingDevice(CEC_LA_AUDIO_SYSTEM), "<CEC>Err:cecCtrlPollingDevice return err: ret=%d.\r\n");
    setUpPause();
    CEC_INFO("%s() broadcast pa \n", __func__);
    logIfFailed(cecCtrlBroadcastPA(), "<CEC>Err:cecCtrlBroadcastPA return err: ret=%d.\r\n");

    uint8_t inputs[kRxStsSize] = {};
    int32_t res = cecIoctl(KVX_HDMI_GET_RX_STS, reinterpret_cast<uintptr_t>(inputs));
    if (res != CECR_OK) {
        CEC_ERR("<CEC>Err:cecIoctl return err: ret=%d.\r\n", res);
        return;
    }
    for (uint32_t port = 0; port < CEC_RX_NUM; ++port) {
        if (inputs[port] == 1) {
            CEC_INFO(port == CEC_RX_PORT_0 ? "HDMI RX[0]: rounting change " : "HDMI RX[1]: rounting change ");
            cecCtrlRoutingChange(gTVInfo.ui2StreamPath.load(), gHDMIRxInfo[port].physicalAddr.load());
            break;
        }
    }

    setUpPause();
    uint8_t txInfo[kTxInfoSize] = {};
    res = cecIoctl(KVX_HDMI_GET_TX_INFO, reinterpret_cast<uintptr_t>(txInfo));
    if (res != CECR_OK) {
        CEC_ERR("<CEC>Err:cecIoctl return err: ret=%d.\r\n", res);
        return;
    }
    const uint32_t txPort = gPlatformInfo.ui4ActiveTx.load();
    if (txPort == CEC_TX_PORT_0) {
        gHDMITXInfo[txPort].isSupport = txInfo[0];
        CEC_INFO("TX[%u]: isSupportARC: %d\n", txPort, txInfo[0]);
    }

    setUpPause();
    CEC_INFO("%s() set system audio mode \n", __func__);
    res = cecCtrlSetSystemAudioMode(CEC_LA_TV, 1);
    if (res != CECR_OK) {
        CEC_ERR("<CEC>Err:cecCtrlSetSystemAudioMode return err: ret=%d.\r\n", res);
        return;
    }
    setUpPause();
    CEC_INFO("%s() initiate ARC \n", __func__);
    logIfFailed(cecCtrlInitiateARC(CEC_LA_TV), "<CEC>Err:cecCtrlInitiateARC return err: ret=%d.\r\n");
    CEC_INFO("HDMI_CEC_STATE_PLUG_IN complete ");
}

void rxPlugOut(uint32_t port)
{
    cecSetRxAddress(port, kPaUnplugged, CEC_LA_BROADCAST);
    if (gPlatformInfo.ui4ActiveRx.load() == port) {
        gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_NONE;
        gHDMIRxInfo[port].sourceLock = 0;
    }
}

// An input plugged in becomes the active one; when none was active, the TV is told of the route.
void rxPlugIn(uint32_t port)
{
    uint16_t addresses[CEC_RX_NUM] = {};
    if (!cecReadRxAddresses(addresses) || addresses[port] == CEC_PA_INVALID) {
        CEC_ERR("err invalid physical");
        return;
    }
    cecSetRxAddress(port, addresses[port], CEC_LA_BROADCAST);
    char address[CEC_PA_TEXT_SIZE] = {};
    char mask[CEC_PA_TEXT_SIZE] = {};
    pa_to_string(addresses[port], address);
    pa_to_string(gHDMIRxInfo[port].mask.load(), mask);
    CEC_INFO(port == CEC_RX_PORT_0 ? "RX0 physical:%s mask:%s  active rx:%u\n" : "RX1 physical:%s mask:%s, active rx:%u\n",
             address, mask, gPlatformInfo.ui4ActiveRx.load());
    port == CEC_RX_PORT_0 ? cecSwitchPortToRx0() : cecSwitchPortToRx1();
    if (gPlatformInfo.ui4ActiveRx.load() != port) {
        cecCtrlRoutingChange(gTVInfo.ui2StreamPath.load(), addresses[port]);
    }
    gPlatformInfo.ui4ActiveRx = port;
}

void rxSourceLock(uint32_t port)
{
    CEC_INFO(port == CEC_RX_PORT_0 ? "HDMI Rx0 source lock" : "HDMI Rx1 source lock");
    gHDMIRxInfo[CEC_RX_PORT_0].sourceLock = port == CEC_RX_PORT_0 ? 1 : 0;
    gHDMIRxInfo[CEC_RX_PORT_1].sourceLock = port == CEC_RX_PORT_1 ? 1 : 0;
    uint16_t addresses[CEC_RX_NUM] = {};
    if (port == CEC_RX_PORT_1 && gFirstRx1Lock.exchange(false) && cecReadRxAddresses(addresses) &&
        addresses[CEC_RX_PORT_1] != CEC_PA_INVALID) {
        cecSetRxAddress(CEC_RX_PORT_1, addresses[CEC_RX_PORT_1], CEC_LA_BROADCAST);
        cecSwitchPortToRx1();
    }
    gPlatformInfo.ui4ActiveRx = port;
}

static_assert(CEC_TX_STS_SIZE == kvxHdmiRequestSize(KVX_HDMI_GET_TX_STS), "the status record is the request's size");
static_assert(CEC_FRAME_SIZE == kvxHdmiRequestSize(KVX_HDMI_GET_CECCMD), "the frame is the request's size");

void readTransmitStatus()
{
    CEC_INFO("CMD = HDMI_CEC_STATE_TX_STS ");
    uint8_t record[CEC_TX_STS_SIZE] = {};
    if (cecIoctl(KVX_HDMI_GET_TX_STS, reinterpret_cast<uintptr_t>(record)) != CECR_OK) {
        return;
    }
    const uint32_t tag = sb::loadLe32(record);
    const uint32_t ack = sb::loadLe32(record + 4);
    if (tag == 0) {
        CEC_ERR("invalid argument %u\n", ack);
        return;
    }
    CecEvent* event = cecCtrlEventFromTag(tag);
    if (event == nullptr) {
        CEC_ERR("invalid tag %u, ack %u\n", tag, ack);
        return;
    }
    CEC_INFO("notify tag addr: (0x%x)  ack: (%u) \n", tag, ack);
    cecPsrProcessAckMessage(ack, event);
}

void readFrame()
{
    CEC_INFO("CMD = HDMI_CEC_STATE_GET_CMD ");
    uint8_t bytes[CEC_FRAME_SIZE] = {};
    if (cecIoctl(KVX_HDMI_GET_CECCMD, reinterpret_cast<uintptr_t>(bytes)) != CECR_OK) {
        return;
    }
    CecFrame frame{};
    cecFrameDecode(bytes, &frame);
    cecPsrProcessFrameMessage(&frame);
}

// The driver's volume down, whatever the source: unmute, then 6 down, where a result at or below
// the floor, or one that wrapped, becomes 0.
void driverVolumeDown()
{
    uint8_t volume = 0;
    if (!cecUnmuteAndReadVolume(&volume)) {
        return;
    }
    CEC_INFO("volume down (%d)\n\r", volume);
    volume = static_cast<uint8_t>(volume - CEC_KEY_VOLUME_STEP);
    if (volume <= kDriverVolumeFloor || volume > CEC_VOLUME_MAX) {
        volume = 0;
    }
    CEC_INFO("volume down (%d)\n\r", volume);
    cecStoreReportedVolume(volume);
}

}  // namespace

void cecPsrProcessMessage(const CecAppMsg* msg)
{
    if (msg == nullptr) {
        CEC_ERR(" error: invalid arg!");
        return;
    }
    const uint32_t state = msg->ui4_msg_type;
    CEC_INFO("pt_msg->ui4_msg_type: %u\n", state);
    HDMI_CEC_EVENT_Handle(state);
    switch (state) {
    case HDMI_CEC_STATE_PLUG_OUT:
        CEC_INFO("CMD = HDMI_CEC_STATE_PLUG_OUT ");
        break;
    case HDMI_CEC_STATE_PLUG_IN:
        tvPlugIn();
        break;
    case HDMI_CEC_STATE_TX_STS:
        readTransmitStatus();
        break;
    case HDMI_CEC_STATE_GET_CMD:
        readFrame();
        break;
    case HDMI_CEC_STATE_ARC_MODE:
        cecCtrlInitiateARC(CEC_LA_TV);
        break;
    case HDMIRX0_CEC_STATE_PLUG_OUT:
        rxPlugOut(CEC_RX_PORT_0);
        break;
    case HDMIRX0_CEC_STATE_PLUG_IN:
        rxPlugIn(CEC_RX_PORT_0);
        break;
    case HDMIRX0_CEC_STATE_SOURCE_LOCK:
        rxSourceLock(CEC_RX_PORT_0);
        break;
    case HDMIRX1_CEC_STATE_PLUG_OUT:
        rxPlugOut(CEC_RX_PORT_1);
        break;
    case HDMIRX1_CEC_STATE_PLUG_IN:
        rxPlugIn(CEC_RX_PORT_1);
        break;
    case HDMIRX1_CEC_STATE_SOURCE_LOCK:
        rxSourceLock(CEC_RX_PORT_1);
        break;
    default:
        CEC_ERR("invalid message type ");
        break;
    }
}

void HDMI_CEC_EVENT_Handle(uint32_t state)
{
    switch (state) {
    case HDMI_CEC_STATE_VOL_UP:
        CEC_INFO("HDMI_CEC_STATE_VOL_UP");
        cecVolumeUp();
        break;
    case HDMI_CEC_STATE_VOL_DOWN:
        CEC_INFO("HDMI_CEC_STATE_VOL_DOWN");
        driverVolumeDown();
        break;
    case HDMI_CEC_STATE_VOL_MUTE:
        CEC_INFO("HDMI_CEC_STATE_VOL_MUTE");
        if (uAcfgSetMute(1) != 0) {
            CEC_ERR("error in%s , L=%d\n", __func__, __LINE__);
        }
        break;
    case HDMI_CEC_STATE_VOL_UNMUTE:
        cecUnmuteAndStoreVolumeAgain();
        break;
    case HDMI_CEC_STATE_STANDBY:
        CEC_INFO("HDMI_CEC_STATE_STANDBY");
        // Once per suspend cycle; a hand-over that failed leaves the next standby to try again.
        if (gIsCecSendReq.load() == 0 && cecPsrSendToSmStandby() == CECR_OK) {
            gIsCecSendReq = 1;
        }
        break;
    default:
        break;
    }
}
