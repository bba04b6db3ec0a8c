#include "main/cec/cec_parser.h"

#include "main/cec/cec_dbg.h"
#include "main/cec/cec_handler.h"
#include "main/cec/cec_msg.h"
#include "main/cec/cec_state.h"

#include <array>
#include <atomic>
#include <mutex>

namespace {

struct NotifySlot {
    CecPsrNotifyFn fn = nullptr;
    uint32_t tag = 0;
};

struct CecParser {
    std::atomic<bool> inited{false};
    msg_q_t* queue = nullptr;
    std::mutex notifyLock;
    std::array<NotifySlot, CEC_PSR_NOTIFY_SLOTS> notify{};
};

CecParser gParser;

using CecPsrHandler = void (*)(const CecFrame* frame);

struct Dispatch {
    uint16_t opcode;
    CecPsrHandler handler;
};

constexpr Dispatch kDispatch[] = {
    {CEC_OP_FEATURE_ABORT, cecPsrFeatureAbort},
    {CEC_OP_SET_MENU_LANGUAGE, cecPsrSetMenuLanguage},
    {CEC_OP_STANDBY, cecPsrStandby},
    {CEC_OP_USER_CONTROL_PRESSED, cecPsrUserControlPressed},
    {CEC_OP_USER_CONTROL_RELEASED, cecPsrUserControlReleased},
    {CEC_OP_GIVE_OSD_NAME, cecPsrGiveOSDName},
    {CEC_OP_SET_OSD_NAME, cecPsrSetOSDName},
    {CEC_OP_SYSTEM_AUDIO_MODE_REQUEST, cecPsrSystemAudioModeRequest},
    {CEC_OP_GIVE_AUDIO_STATUS, cecPsrGiveAudioStatus},
    {CEC_OP_GIVE_SYSTEM_AUDIO_MODE_STATUS, cecPsrGiveSystemAudioModeStatus},
    {CEC_OP_ROUTING_CHANGE, cecPsrRoutingChange},
    {CEC_OP_ROUTING_INFORMATION, cecPsrRoutingInformation},
    {CEC_OP_ACTIVE_SOURCE, cecPsrActiveSource},
    {CEC_OP_GIVE_PHYSICAL_ADDRESS, cecPsrGivePhysicalAddr},
    {CEC_OP_REPORT_PHYSICAL_ADDRESS, cecPsrReportPA},
    {CEC_OP_SET_STREAM_PATH, cecPsrSetStreamPath},
    {CEC_OP_DEVICE_VENDOR_ID, cecPsrDeviceVendorID},
    {CEC_OP_GIVE_DEVICE_VENDOR_ID, cecPsrGiveDeviceVendorID},
    {CEC_OP_GIVE_DEVICE_POWER_STATUS, cecPsrGiveDevicePowerStatus},
    {CEC_OP_REPORT_POWER_STATUS, cecPsrReportPowerStatus},
    {CEC_OP_CEC_VERSION, cecPsrCECVersion},
    {CEC_OP_REQUEST_SHORT_AUDIO_DESCRIPTOR, cecPsrRequestShortAudioDescriptor},
    {CEC_OP_REPORT_ARC_INITIATED, cecPsrReportARCInitiated},
    {CEC_OP_REPORT_ARC_TERMINATED, cecPsrReportARCTerminated},
    {CEC_OP_REQUEST_ARC_INITIATION, cecPsrRequestARCInitiation},
    {CEC_OP_REQUEST_ARC_TERMINATION, cecPsrRequestARCTerminatition},
};

// The requests whose answer the soundbar waits for after their acknowledgement.
constexpr uint16_t kReplyExpected[] = {
    0x08, 0x09, 0x1A, 0x33, 0x34, 0x46, 0x70, 0x71, 0x7D, 0x80, 0x83, 0x85,
    0x86, 0x8C, 0x8D, 0x8F, 0x91, 0x97, 0x99, 0x9F, 0xA1, 0xA2, 0xC0, 0xC5,
};

CecPsrHandler handlerOf(uint16_t opcode)
{
    for (const Dispatch& d : kDispatch) {
        if (d.opcode == opcode) {
            return d.handler;
        }
    }
    return nullptr;
}

bool isPoll(const CecEvent& event)
{
    return event.ui4Opcode == CEC_OPCODE_POLLING && event.ui4Kind == CEC_KIND_POLLING;
}

// Keeps the acknowledged request pending for its reply: its timer now counts the reply time-out.
void waitForReply(CecEvent* event)
{
    CEC_INFO("need respone message ");
    u_timer_stop(event->prTimer);
    cecSemaMtxLock();
    event->ui4State = CEC_EVT_WAIT_REPLY;
    cecSemaMtxNulock();
    const int32_t res = cecCtrlStartEventTimer(event, CEC_REPLY_TIMEOUT_MS);
    if (res != 0) {
        CEC_ERR("<CEC>Err:u_timer_start return err: ret=%d.\r\n", res);
        cecCtrlFreeEvent(event);
    }
}

}  // namespace

int32_t cecParserInit(msg_q_t* queue)
{
    if (gParser.inited.load()) {
        CEC_ERR("cec module already init\n\r");
        return CECR_ALREADY;
    }
    cecSemaMtxLock();
    gParser.queue = queue;
    gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_0;
    os_timer_t* guard = nullptr;
    const int32_t res = u_timer_create(&guard);
    if (res != 0) {
        CEC_ERR("<CEC>Err:u_timer_create return err: ret=%d.\r\n", res);
    } else {
        gPlatformInfo.prGuardTimer = guard;
    }
    cecSemaMtxNulock();
    gParser.inited = true;
    return CECR_OK;
}

int32_t cecParserUninit(uint32_t)
{
    if (!gParser.inited.exchange(false)) {
        CEC_ERR(" cec module already uninit\n\r");
        return CECR_DRV_FAIL;
    }
    return CECR_OK;
}

bool cecParserIsInited(void)
{
    return gParser.inited.load();
}

int32_t cecPsrRegisterNotify(CecPsrNotifyFn fn, uint32_t tag)
{
    std::lock_guard<std::mutex> guard(gParser.notifyLock);
    for (NotifySlot& slot : gParser.notify) {
        if (slot.fn == nullptr) {
            slot = {fn, tag};
            CEC_INFO("register notify function success! ");
            return CECR_OK;
        }
    }
    CEC_ERR("register notify function fail! ");
    return CECR_DRV_FAIL;
}

int32_t cecPsrNotifyALLClients(uint32_t opcode, uint32_t status)
{
    std::array<NotifySlot, CEC_PSR_NOTIFY_SLOTS> slots;
    {
        std::lock_guard<std::mutex> guard(gParser.notifyLock);
        slots = gParser.notify;
    }
    for (const NotifySlot& slot : slots) {
        if (slot.fn != nullptr) {
            slot.fn(opcode, slot.tag, status);
        }
    }
    return CECR_OK;
}

uint32_t cecPsrIsHaveResponse(uint32_t opcode)
{
    for (uint16_t op : kReplyExpected) {
        if (op == opcode) {
            return 1;
        }
    }
    return 0;
}

void cecPsrProcessFrameMessage(const CecFrame* frame)
{
    if (frame == nullptr) {
        CEC_ERR(" invalid arguments \n\r");
        return;
    }
    if (frame->ui4OperandCount > CEC_PSR_OPERAND_COUNT_MAX) {
        CEC_ERR(" error data return \n\r");
        return;
    }
    CEC_API("Frame (cec_received): 0x%x la=%d size=%u \n\r", frame->ui2Opcode, frame->ui1Initiator,
            frame->ui4OperandCount);
    const uint32_t stored = frame->ui4OperandCount < CEC_FRAME_OPERAND_MAX ? frame->ui4OperandCount
                                                                          : CEC_FRAME_OPERAND_MAX;
    for (uint32_t i = 0; i < stored; ++i) {
        CEC_ERR("Frame oprand[%u]: %d\n\r", i, frame->aui1Operand[i]);
    }
    if (stored < frame->ui4OperandCount) {
        CEC_ERR("Frame oprand[%u..%u]: not stored\n\r", stored, frame->ui4OperandCount - 1);
    }
    const CecPsrHandler handler = handlerOf(frame->ui2Opcode);
    if (handler != nullptr) {
        handler(frame);
        return;
    }
    // A device must not answer a message to every device with Feature Abort.
    if (frame->ui1Destination == CEC_LA_BROADCAST) {
        CEC_INFO("broadcast opcode 0x%x not handled", frame->ui2Opcode);
        return;
    }
    cecCtrlFeatureAbort(frame->ui1Initiator, static_cast<uint8_t>(frame->ui2Opcode), CEC_ABORT_UNRECOGNIZED_OPCODE);
}

void cecPsrProcessAckMessage(uint32_t ack, CecEvent* event)
{
    if (event == nullptr) {
        return;
    }
    CecEvent pending{};
    cecSemaMtxLock();
    pending = *event;
    cecSemaMtxNulock();
    CEC_INFO("tag: %u, opcode: (0x%x) \n", pending.ui4Tag, pending.ui4Opcode);
    if (pending.ui1Pending == 0 || pending.ui4State != CEC_EVT_SENT) {
        // Released already (by a time-out or a reply), or waiting for its reply: not this status's.
        CEC_INFO("status for an event not waiting for one, tag: %u", pending.ui4Tag);
        return;
    }
    const bool broadcast = pending.ui4Destination == CEC_LA_BROADCAST;
    // A broadcast counts as accepted when no device refused it, which the driver reports as 1.
    if (broadcast) {
        ack = ack == 0 ? 1 : 0;
    }
    if (ack == 0) {
        if (isPoll(pending)) {
            CEC_INFO("logical address have be occupy LA: %u \n", pending.ui4Destination);
            gHDMITXInfo[CEC_TX_PORT_0].logicalAddr = CEC_LA_AUDIO_SYSTEM;
            cecCtrlFreeEvent(event);
        } else if (broadcast) {
            cecCtrlFreeEvent(event);
        } else if (cecPsrIsHaveResponse(pending.ui4Opcode) != 0) {
            waitForReply(event);
        } else {
            CEC_INFO(" Response is not required ");
            cecPsrNotifyALLClients(pending.ui4Opcode, 0);
            cecCtrlFreeEvent(event);
        }
    } else if (ack == 1) {
        if (isPoll(pending)) {
            CEC_INFO("valid logical address  LA = %u \n", pending.ui4Destination);
            if (pending.ui4Destination == CEC_LA_AUDIO_SYSTEM) {
                gHDMITXInfo[CEC_TX_PORT_0].logicalAddr = CEC_LA_AUDIO_SYSTEM;
            }
        } else if (!broadcast) {
            CEC_INFO("opcode = (0x%x) ,don't have ack \n", pending.ui4Opcode);
        }
        cecCtrlFreeEvent(event);
    } else {
        CEC_ERR(" invalid message ");
    }
}
