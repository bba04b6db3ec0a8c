#include "tests/main/source_in/spdif/sileth_peer.h"

#include "platform/sbroot/sb_root.h"
#include "tests/main/am/app_harness.h"

#include <chrono>
#include <cstring>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <thread>

namespace spdiftest {

namespace {

struct QueueMsg {
    long type;
    uint8_t body[SILETH_MSG_BODY_SIZE];
};

}  // namespace

SilethPeer::SilethPeer()
{
    const key_t key = sb::ftokKey(SILETH_QUEUE_KEY_PATH, SILETH_QUEUE_KEY_ID);
    if (key != static_cast<key_t>(-1)) {
        id_ = msgget(key, IPC_CREAT | SILETH_QUEUE_MODE);
    }
}

std::optional<sileth_msg_t> SilethPeer::commandNow()
{
    QueueMsg raw{};
    const ssize_t got = msgrcv(id_, &raw, SILETH_MSG_BODY_SIZE, MSG_TO_SILETH, IPC_NOWAIT);
    if (got < 0) {
        return std::nullopt;
    }
    return silethMsgDecode(raw.type, raw.body, static_cast<size_t>(got));
}

std::optional<sileth_msg_t> SilethPeer::command()
{
    const auto deadline = std::chrono::steady_clock::now() + apptest::kDeadline;
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::optional<sileth_msg_t> msg = commandNow()) {
            return msg;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::nullopt;
}

std::optional<sileth_msg_t> SilethPeer::commandWith(int32_t cmd)
{
    while (std::optional<sileth_msg_t> msg = command()) {
        if (msg->cmd == cmd) {
            return msg;
        }
    }
    return std::nullopt;
}

bool SilethPeer::reply(sileth_msg_t msg)
{
    msg.type = MSG_TO_MAIN;
    QueueMsg raw{};
    raw.type = MSG_TO_MAIN;
    const SilethMsgBody body = silethMsgEncode(msg);
    std::memcpy(raw.body, body.data(), body.size());
    return msgsnd(id_, &raw, SILETH_MSG_BODY_SIZE, IPC_NOWAIT) == 0;
}

bool SilethPeer::fillWithCommand()
{
    QueueMsg raw{};
    raw.type = MSG_TO_SILETH;
    return msgsnd(id_, &raw, SILETH_MSG_BODY_SIZE, IPC_NOWAIT) == 0;
}

bool SilethPeer::reply(int32_t code)
{
    sileth_msg_t msg;
    msg.cmd = code;
    return reply(msg);
}

}  // namespace spdiftest
