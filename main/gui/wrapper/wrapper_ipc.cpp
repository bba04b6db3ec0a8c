#include "main/gui/wrapper/wrapper_ipc.h"

#include "main/gui/wrapper/wrapper_dev_log.h"

#include <cstring>
#include <memory>
#include <new>
#include <sys/msg.h>

#define IPC_ERR(fmt, ...) WRAPPER_LOG_ERR("<IPC>", fmt, ##__VA_ARGS__)
#define IPC_API(fmt, ...) WRAPPER_LOG_API("<IPC>", fmt, ##__VA_ARGS__)

namespace {

uint32_t commandOf(const GuiWrapperIpcMsg* m)
{
    uint32_t cmd = 0;
    std::memcpy(&cmd, m->body, sizeof(cmd));
    return cmd;
}

bool usable(const GuiWrapperIpcHandle handle, const GuiWrapperIpcMsg* m)
{
    if (handle == nullptr || m == nullptr || handle->id == -1) {
        IPC_ERR("Param Error!");
        return false;
    }
    return true;
}

}  // namespace

GuiWrapperIpcHandle guiWrapperIpcCreate(key_t key)
{
    std::unique_ptr<GuiWrapperIpc> handle(new (std::nothrow) GuiWrapperIpc{-1});
    if (handle == nullptr) {
        IPC_ERR("malloc failed!");
        return nullptr;
    }
    handle->id = msgget(key, IPC_CREAT | 0666);
    if (handle->id == -1) {
        IPC_ERR("msgget failed!");
    }
    return handle.release();
}

int32_t guiWrapperIpcRcv(const GuiWrapperIpcHandle handle, GuiWrapperIpcMsg* m)
{
    if (!usable(handle, m)) {
        return -1;
    }
    if (msgrcv(handle->id, m, GUI_WRAPPER_IPC_BODY_SIZE, m->mtype, 0) < 0) {
        IPC_ERR("msgrcv cmd=%u failed!", commandOf(m));
        return -1;
    }
    IPC_API("msgrcv cmd=%u pass!", commandOf(m));
    return 0;
}

int32_t guiWrapperIpcSnd(const GuiWrapperIpcHandle handle, const GuiWrapperIpcMsg* m)
{
    if (!usable(handle, m)) {
        return -1;
    }
    if (msgsnd(handle->id, m, GUI_WRAPPER_IPC_BODY_SIZE, IPC_NOWAIT) < 0) {
        IPC_ERR("msgsend cmd=%u failed!", commandOf(m));
        return -1;
    }
    IPC_API("msgsend cmd=%u pass!", commandOf(m));
    return 0;
}

void guiWrapperIpcDelete(GuiWrapperIpcHandle handle)
{
    std::unique_ptr<GuiWrapperIpc> owned(handle);
    if (owned == nullptr) {
        return;
    }
    if (msgctl(owned->id, IPC_RMID, nullptr) < 0) {
        IPC_ERR("msgctl IPC_RMID failed!");
    }
}
