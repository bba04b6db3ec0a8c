#include "sileth/sileth_queue.h"

#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_log.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/ipc.h>
#include <sys/msg.h>

namespace {

// The kernel's record: the host's own `long`, then the body's bytes.
struct QueueMsg {
    long type;
    uint8_t body[SILETH_MSG_BODY_SIZE];
};

struct QueueState {
    std::atomic<int> id{-1};
};

QueueState gQueue;

}  // namespace

int i4ProcessMsgInit()
{
    const key_t key = sb::ftokKey(SILETH_QUEUE_KEY_PATH, SILETH_QUEUE_KEY_ID);
    const int id = key == -1 ? -1 : msgget(key, IPC_CREAT | SILETH_QUEUE_MODE);
    gQueue.id.store(id);
    if (id < 0) {
        APP_ERR("msgget failed ");
        return -1;
    }
    return 0;
}

int i4MsgSend(sileth_msg_t msg)
{
    const int id = gQueue.id.load();
    if (id == -1) {
        return 0;
    }
    QueueMsg raw{};
    raw.type = msg.type;
    const SilethMsgBody body = silethMsgEncode(msg);
    std::memcpy(raw.body, body.data(), body.size());
    int ret = 0;
    do {
        ret = msgsnd(id, &raw, SILETH_MSG_BODY_SIZE, IPC_NOWAIT);
    } while (ret != 0 && errno == EINTR);
    if (ret != 0) {
        APP_ERR("<gst_play><error> msgsend cmd: %d failed \n", msg.cmd);
        return -1;
    }
    APP_INFO("<gst_play><msg> msgsend cmd: %d pass \n", msg.cmd);
    return 0;
}

std::optional<sileth_msg_t> i4MsgRecv(SilethRecv* status)
{
    const int id = gQueue.id.load();
    if (id == -1) {
        *status = SilethRecv::Gone;
        return std::nullopt;
    }
    QueueMsg raw{};
    const ssize_t n = msgrcv(id, &raw, SILETH_MSG_BODY_SIZE, MSG_TO_SILETH, 0);
    if (n < 0) {
        if (errno == EINTR) {
            *status = SilethRecv::Interrupted;
        } else if (errno == E2BIG) {
            // Left in place it would block every later command: take it off and drop it.
            msgrcv(id, &raw, SILETH_MSG_BODY_SIZE, MSG_TO_SILETH, MSG_NOERROR | IPC_NOWAIT);
            APP_ERR("<msgrcv> oversized message dropped ");
            *status = SilethRecv::Dropped;
        } else if (errno == EIDRM || errno == EINVAL) {
            *status = SilethRecv::Gone;
        } else {
            *status = SilethRecv::Failed;
        }
        return std::nullopt;
    }
    auto msg = silethMsgDecode(raw.type, raw.body, static_cast<size_t>(n));
    if (!msg) {
        APP_ERR("<msgrcv> message of %d bytes dropped ", static_cast<int>(n));
        *status = SilethRecv::Dropped;
        return std::nullopt;
    }
    *status = SilethRecv::Ok;
    return msg;
}

int i4ProcessMsgDeInit()
{
    const int id = gQueue.id.exchange(-1);
    if (id == -1 || msgctl(id, IPC_RMID, nullptr) != 0) {
        APP_ERR("msgctl(IPC_RMID) failed ");
        return -1;
    }
    return 0;
}

int i4MsgQueueId()
{
    return gQueue.id.load();
}

int i4MsgQueueCount()
{
    const int id = gQueue.id.load();
    msqid_ds ds{};
    if (id == -1 || msgctl(id, IPC_STAT, &ds) != 0) {
        return -1;
    }
    return static_cast<int>(ds.msg_qnum);
}
