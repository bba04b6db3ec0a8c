// The receive half of the CEC application: it checks the frames the driver received and dispatches
// them by opcode to their handlers (cec_handler.h), answers the opcodes it does not handle with
// Feature Abort, and drives the transmit events from their transmit status to the reply wait or
// their release. Everything here runs on the application's thread.
#pragma once

#include "main/cec/cec_frame.h"
#include "main/cec/cec_pool.h"
#include "main/mw/os_pthread/os_msgq.h"

#include <cstdint>

// Operand counts above this are refused without an answer; the frame stores only 16 operands,
// which is all the dump and the handlers ever read.
constexpr uint32_t CEC_PSR_OPERAND_COUNT_MAX = 30;
constexpr uint32_t CEC_PSR_NOTIFY_SLOTS = 64;

// status is always 0.
using CecPsrNotifyFn = void (*)(uint32_t opcode, uint32_t tag, uint32_t status);

// Keeps the queue "cecm_msgq" (nothing sends on it), makes RX0 the active input and creates the
// fake-plug-in guard's timer. @return 0; -2 when started already.
int32_t cecParserInit(msg_q_t* queue);
// Clears the started flag: the handlers then refuse every frame. @return 0; -4 when not started.
int32_t cecParserUninit(uint32_t reserved);
bool cecParserIsInited(void);

// @return 0; -4 when all 64 slots are taken. Nothing in the system registers one.
int32_t cecPsrRegisterNotify(CecPsrNotifyFn fn, uint32_t tag);
// Calls every registered callback in slot order with (opcode, its tag, status). @return 0.
int32_t cecPsrNotifyALLClients(uint32_t opcode, uint32_t status);
// 1 for the 24 requests that expect a reply, else 0.
uint32_t cecPsrIsHaveResponse(uint32_t opcode);

// Checks a received frame and hands it to the handler of its opcode. A frame sent to every device
// is never answered with Feature Abort.
void cecPsrProcessFrameMessage(const CecFrame* frame);
// The transmit status of a pending event: released, kept waiting for the reply, or (for an ack
// other than 0 and 1) left to its time-out.
void cecPsrProcessAckMessage(uint32_t ack, CecEvent* event);
