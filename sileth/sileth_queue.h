// sileth's end of the audio-input queue: creating or opening it, sending replies (and, from the
// debug fifo, commands to itself), receiving commands, and removing it on EXIT. The queue id is
// kept here; the pipeline child inherits it across fork.
#pragma once

#include "common/sileth_ipc/sileth_msg.h"

#include <optional>

// Creates or opens the queue (mode 0666). 0, or -1 with "msgget failed " and the id left at -1.
int i4ProcessMsgInit();

// Sends the message without waiting. 0 when sent, and 0 without sending when there is no queue;
// -1 when the send fails (a full queue drops the message). Callers may ignore the result.
int i4MsgSend(sileth_msg_t msg);

enum class SilethRecv {
    Ok,
    Interrupted,  // by a signal: receive again at once
    Dropped,      // a message of another size than the body was taken off and dropped
    Failed,
    Gone,  // the queue no longer exists (or never did)
};

// Blocks for the next command (type MSG_TO_SILETH); the message, or nothing with the reason.
std::optional<sileth_msg_t> i4MsgRecv(SilethRecv* status);

// Removes the queue; 0, or -1 with "msgctl(IPC_RMID) failed ".
int i4ProcessMsgDeInit();

// The queue id, -1 when there is none.
int i4MsgQueueId();

// The number of messages waiting in the queue, or -1.
int i4MsgQueueCount();
