#include "main/cec/cec_app.h"

#include "main/am/am.h"
#include "main/cec/cec_cli.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_drv.h"
#include "main/cec/cec_drv_event.h"
#include "main/cec/cec_parser.h"
#include "main/cec/cec_peer.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"
#include "main/cli/cli.h"
#include "main/state_mngr/state_mngr.h"
#include "common/support/support.h"

#include <cstring>

namespace {

constexpr amb_app_sizes_t kSizes = {0x20000, 130, 64, 128, 4096};
constexpr const char* kQueueName = "cecm_msgq";
constexpr uint32_t kQueueMsgSize = 32;
constexpr uint32_t kQueueMsgCount = 128;
constexpr uint32_t kBroadcastSystemKey = AM_BRDCST_MSG_BASE;
constexpr uint32_t kBroadcastLast = 0x1003F;

// The state word of the fake-plug-in guard's timer record.
constexpr uint32_t kTimerGuard = 0;

// A message body as an application message; what the sender left out reads as zero.
bool decodeAppMsg(const void* msg, uint32_t size, appmsg_t* out)
{
    *out = appmsg_t{};
    if (msg == nullptr || size < 2 * sizeof(uint32_t)) {
        CEC_ERR("invalid message, size: %u", size);
        return false;
    }
    memcpy(out, msg, size < sizeof(appmsg_t) ? size : sizeof(appmsg_t));
    return true;
}

void handleCecMsg(const void* msg, uint32_t size)
{
    CecAppMsg body{};
    if (!decodeAppMsg(msg, size, &body)) {
        return;
    }
    CEC_API("message sender id: %u \n", body.ui4_sender_id);
    if (body.ui4_sender_id == MSG_FROM_DM) {
        cecPsrProcessMessage(&body);
    } else {
        cecCtrlProcessMsgFromOther(&body);
    }
}

}  // namespace

void a_cec_register(amb_register_info_t* info)
{
    if (gCecThisObj.ui1Inited.load() != 0) {
        CEC_ERR("a_cec_register done,just return");
        return;
    }
    amb_fill_register_info(info, CEC_APP_NAME, {cecAppInit, cecAppExit, cecAppProcessMsg}, kSizes);
}

int32_t cecAppInit(const char*, handle_t app)
{
    if (gCecThisObj.ui1Inited.load() != 0) {
        CEC_ERR("cec app already initiate\n\r");
        return CECR_OK;
    }
    cecStateReset(app);
    if (cecManagerInit() != CECR_OK) {
        CEC_ERR("cec module failed\n\r");
        return CECR_FAIL;
    }
    const int32_t attached = cecCliAttachCmdTbl();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        CEC_ERR("attach cli table failed, ret=%d\n", attached);
        return CECR_FAIL;
    }
    cecSetDbgLevel(CEC_DBG_LEVEL_DEFAULT);
    gCecThisObj.ui1Inited = 1;
    return CECR_OK;
}

int32_t cecAppExit(handle_t, uint32_t)
{
    gCecThisObj.ui1Inited = 0;
    return CECR_OK;
}

int32_t cecManagerInit(void)
{
    if (cecSemaMtxCreate() != 0 || cecCtrlInit() != CECR_OK) {
        CEC_ERR("cecManagerInit() failed\n\r");
        return CECR_DRV_FAIL;
    }
    msg_q_t* queue = nullptr;
    if (xMsgQCreate(&queue, kQueueName, kQueueMsgSize, kQueueMsgCount) != OSR_OK) {
        CEC_ERR("ERR: x_msg_q_create() failed\n\r");
        return CECR_DRV_FAIL;
    }
    if (cecParserInit(queue) != CECR_OK) {
        CEC_ERR("ERR: cecPsrInit() failed\n\r");
        return CECR_DRV_FAIL;
    }
    // The CEC function is always on: the store's CEC item is not consulted.
    CEC_INFO("get acfg config enable(enable: %d) \n", 0);
    int32_t res = cecCtrlSetFunction(1);
    if (res != CECR_OK) {
        CEC_ERR("enable cec func fail, code:%d\n", res);
        return CECR_DRV_FAIL;
    }
    res = cecCtrlSignalDriverReady(1);
    if (res != CECR_OK) {
        CEC_ERR("inform cecm signal ready fail, code:%d\n", res);
        return CECR_DRV_FAIL;
    }
    return CECR_OK;
}

void cecHandleTimerMsg(const void* msg, uint32_t size)
{
    if (msg == nullptr || size < CEC_TIMER_REC_SIZE) {
        CEC_ERR("invalid argument!");
        return;
    }
    const uint32_t what = sb::loadLe32(static_cast<const uint8_t*>(msg) + CEC_TIMER_REC_OFF_STATE);
    CecEvent expired{};
    switch (what) {
    case kTimerGuard:
        CEC_INFO("set tv info: false ");
        gPlatformInfo.ui1FakePlugIn = 0;
        break;
    case CEC_EVT_SENT:
        cecEventFromTimerRec(msg, size, &expired);
        cecHandleAckTimeout(&expired);
        break;
    case CEC_EVT_WAIT_REPLY:
        cecEventFromTimerRec(msg, size, &expired);
        cecHandleFrameTimeout(&expired);
        break;
    default:
        break;
    }
}

int32_t cecAppProcessMsg(handle_t, uint32_t msgId, const void* msg, uint32_t size)
{
    if (gCecThisObj.ui1Inited.load() == 0) {
        CEC_ERR("cec app not init, message %u refused", msgId);
        return CECR_FAIL;
    }
    appmsg_t body{};
    switch (msgId) {
    case E_APP_MSG_TYPE_TIMER:
        cecHandleTimerMsg(msg, size);
        break;
    case E_APP_MSG_TYPE_STATE_MNGR:
        if (decodeAppMsg(msg, size, &body)) {
            cecSmMsgProcess(&body);
        }
        break;
    case E_APP_PRI_ALSA_PB_MSG:
        if (decodeAppMsg(msg, size, &body)) {
            const int32_t res = cecPlaybackMsgProcess(&body);
            if (res != CECR_OK) {
                CEC_ERR("<CEC>Err:cecPlaybackMsgProcess return err: ret=%d.\r\n", res);
            }
        }
        break;
    case E_APP_MSG_TYPE_CEC:
        handleCecMsg(msg, size);
        break;
    default:
        if (msgId == kBroadcastSystemKey) {
            CEC_INFO("AM_BRDCST_MSG_SYSTEM_KEY");
        } else if (msgId > kBroadcastSystemKey && msgId <= kBroadcastLast) {
            CEC_INFO("other AM broadcast message");
        } else if (msgId > kBroadcastLast) {
            CEC_INFO("other message");
        } else {
            CEC_ERR("invalid process type: %u \n", msgId);
        }
        break;
    }
    return CECR_OK;
}
