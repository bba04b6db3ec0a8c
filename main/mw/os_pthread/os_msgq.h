// Named in-process message queues with fixed-size slots: strictly first in, first out, senders
// never wait, receivers may wait without limit or until a deadline on the monotonic clock.
// Results are os_err codes.
#pragma once

#include "main/mw/os_pthread/os_err.h"

#include <cstdint>

constexpr uint32_t MSGQ_MAX_MSG_SIZE = 4608;
constexpr uint32_t MSGQ_MAX_MSG_COUNT = 4095;
constexpr uint32_t MSGQ_NAME_LEN = 16;

enum msgq_option : uint32_t {
    MSGQ_OPTION_WAIT = 1,
    MSGQ_OPTION_NOWAIT = 2,
};

struct msg_q_t;

// Valid as statically initialised; kept for the start-up sequence.
int32_t msgQInit(void);

// Names compare on their first 16 characters; a second queue of the same name gives OSR_EXIST.
int32_t xMsgQCreate(msg_q_t** out, const char* name, uint32_t maxMsgSize, uint32_t msgCount);
// Another user of a named queue; each user deletes it once, the last delete frees it.
int32_t xMsgQAttach(msg_q_t** out, const char* name);
int32_t xMsgQDelete(msg_q_t* queue);

// Copies the message into the queue; OSR_TOO_MANY when full. `priority` is ignored.
int32_t xMsgQSend(msg_q_t* queue, const void* data, uint32_t size, uint32_t priority);
// `queues` names exactly one queue (count 1). *size is the buffer's size on entry and the copied
// length on return; a longer message is cut and consumed. *index is set to 0.
int32_t xMsgQReceive(uint16_t* index, void* buffer, uint32_t* size, msg_q_t* const* queues, uint16_t count,
                     uint32_t option);
int32_t xMsgQReceiveTimeout(uint16_t* index, void* buffer, uint32_t* size, msg_q_t* const* queues, uint16_t count,
                            uint32_t ms);
int32_t xMsgQNumMsgs(msg_q_t* queue, uint16_t* num);
int32_t xMsgQGetMaxMsgSize(msg_q_t* queue, uint32_t* maxMsgSize);
int32_t xMsgQFlush(msg_q_t* queue);
