#include "main/cec/cec_state.h"

#include "main/cec/cec_dbg.h"

CecThisObj gCecThisObj;
CecTvInfo gTVInfo;
CecPlatformInfo gPlatformInfo;
CecHdmiTxInfo gHDMITXInfo[CEC_TX_NUM];
CecHdmiRxInfo gHDMIRxInfo[CEC_RX_NUM];
std::atomic<uint8_t> gIsCecSendReq{0};

void cecStateReset(handle_t app)
{
    gTVInfo.ui1Support = 0;
    gTVInfo.ui2StreamPath = 0;
    gTVInfo.ui2PhysicalAddr = 0;
    gTVInfo.ui4LogicalAddr = CEC_LA_TV;
    gPlatformInfo.ui1FakePlugIn = 0;
    gPlatformInfo.ui1SysAudioOpen = 0;
    gPlatformInfo.ui1Suspended = 0;
    gPlatformInfo.prGuardTimer = nullptr;
    gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_NONE;
    gPlatformInfo.ui4ActiveTx = CEC_TX_PORT_0;
    for (CecHdmiTxInfo& tx : gHDMITXInfo) {
        tx.openARC = 0;
        tx.physicalAddr = 0;
        tx.isSupport = 1;
        tx.logicalAddr = CEC_LA_AUDIO_SYSTEM;
    }
    for (CecHdmiRxInfo& rx : gHDMIRxInfo) {
        rx.physicalAddr = 0;
        rx.logicalAddr = 0;
        rx.mask = 0;
        rx.sourceLock = 0;
    }
    gCecThisObj.ui1Inited = 0;
    gCecThisObj.hApp = app;
}

CecHdmiTxInfo* cecActiveTxInfo(int line)
{
    const uint32_t port = gPlatformInfo.ui4ActiveTx.load();
    if (port != CEC_TX_PORT_0) {
        cecLog(DBG_LEVEL_ERROR, __func__, line, "<CEC>Err:invalid acitve port: %u, line: %d\r\n", port, line);
        return nullptr;
    }
    return &gHDMITXInfo[port];
}
