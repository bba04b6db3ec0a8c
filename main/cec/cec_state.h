// The CEC application's shared records: what is known of the TV, the soundbar's own CEC state, its
// TX link towards the TV and its two HDMI inputs. The application thread writes them; the console
// thread reads them (get_cec_info) and the senders read the own addresses on either thread, so
// every field is atomic.
#pragma once

#include "main/am/aee/aee.h"
#include "main/mw/handle/handle.h"
#include "main/timerd/os_timer.h"

#include <atomic>
#include <cstdint>

constexpr const char* CEC_APP_NAME = "cec";

// Results of the subsystem's calls.
enum cec_result : int32_t {
    CECR_OK = 0,
    CECR_FAIL = -1,
    CECR_ALREADY = -2,   // started already
    CECR_INV_ARG = -3,   // refused: a port other than 0, an address out of range
    CECR_DRV_FAIL = -4,  // the driver, the pool or a message failed
    CECR_NO_MEM = -7,
};

// The body of application message E_APP_MSG_TYPE_CEC, with no payload: ui4_sender_id MSG_FROM_DM
// (a driver event, its HdmiCecState in ui4_msg_type), or any other sender (a CecCtrlCmd): the
// console (MSG_FROM_CLI) and the application itself (MSG_FROM_CEC).
using CecAppMsg = appmsg_t;

// Logical addresses.
constexpr uint32_t CEC_LA_TV = 0;
constexpr uint32_t CEC_LA_AUDIO_SYSTEM = 5;  // the soundbar's own, always
constexpr uint32_t CEC_LA_BROADCAST = 15;
constexpr uint32_t CEC_LA_NONE = 16;  // beyond every address: a free event, an input whose device is unknown

// Ports: the HDMI inputs RX0 and RX1, or none; the single TX link towards the TV.
constexpr uint32_t CEC_RX_PORT_0 = 0;
constexpr uint32_t CEC_RX_PORT_1 = 1;
constexpr uint32_t CEC_RX_PORT_NONE = 2;
constexpr uint32_t CEC_RX_NUM = 2;
constexpr uint32_t CEC_TX_PORT_0 = 0;
constexpr uint32_t CEC_TX_NUM = 1;

struct CecThisObj {
    std::atomic<handle_t> hApp{0};  // the application's own handle: it sends to itself and arms timers with it
    std::atomic<uint8_t> ui1Inited{0};
};

struct CecTvInfo {
    std::atomic<uint8_t> ui1Support{0};  // "TV is support"; only a refused Initiate ARC clears it
    std::atomic<uint16_t> ui2StreamPath{0};
    std::atomic<uint16_t> ui2PhysicalAddr{0};
    std::atomic<uint32_t> ui4LogicalAddr{0};
};

struct CecPlatformInfo {
    std::atomic<uint8_t> ui1FakePlugIn{0};  // the next TV plug-in event is to be ignored
    std::atomic<uint8_t> ui1SysAudioOpen{0};
    // From the state manager's enter-suspend notice to its exit-suspend notice: the soundbar sleeps
    // and answers CEC as a sleeping one (its power status is standby).
    std::atomic<uint8_t> ui1Suspended{0};
    std::atomic<os_timer_t*> prGuardTimer{nullptr};
    std::atomic<uint32_t> ui4ActiveRx{CEC_RX_PORT_NONE};
    std::atomic<uint32_t> ui4ActiveTx{CEC_TX_PORT_0};  // every sender refuses any other value
};

struct CecHdmiTxInfo {
    std::atomic<uint8_t> isSupport{0};  // the TV link supports ARC
    std::atomic<uint8_t> openARC{0};
    std::atomic<uint16_t> physicalAddr{0};
    std::atomic<uint32_t> logicalAddr{0};
};

struct CecHdmiRxInfo {
    std::atomic<uint16_t> physicalAddr{0};  // 0x00FF after a plug-out; 0xFFFF counts as invalid
    std::atomic<uint32_t> logicalAddr{0};
    std::atomic<uint16_t> mask{0};  // the physical-address prefix of the input's branch
    std::atomic<uint32_t> sourceLock{0};
};

extern CecThisObj gCecThisObj;
extern CecTvInfo gTVInfo;
extern CecPlatformInfo gPlatformInfo;
extern CecHdmiTxInfo gHDMITXInfo[CEC_TX_NUM];
extern CecHdmiRxInfo gHDMIRxInfo[CEC_RX_NUM];
// 1 once a CEC standby went to the state manager in this suspend cycle.
extern std::atomic<uint8_t> gIsCecSendReq;

// Step 2 of the start: every record zeroed, then the application's handle, TV logical address 0,
// no fake plug-in, no active input, the TX link at logical address 5 supporting ARC.
void cecStateReset(handle_t app);

// The TX entry of the active TX port, or null (logged) when that port is not 0.
CecHdmiTxInfo* cecActiveTxInfo(int line);
