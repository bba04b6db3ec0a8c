// System V message queues for the wrappers: a long type, then a 64-byte body whose first u32 is
// the command.
#pragma once

#include <cstdint>
#include <sys/types.h>

constexpr size_t GUI_WRAPPER_IPC_BODY_SIZE = 64;

struct GuiWrapperIpcMsg {
    long mtype;
    uint8_t body[GUI_WRAPPER_IPC_BODY_SIZE];
};

// The queue id (-1 when msgget failed).
struct GuiWrapperIpc {
    int32_t id;
};
using GuiWrapperIpcHandle = GuiWrapperIpc*;

// The queue of `key`, created when missing; null only when the handle cannot be allocated.
GuiWrapperIpcHandle guiWrapperIpcCreate(key_t key);
// Waits for a message of the type already in `m`; 0, or -1.
int32_t guiWrapperIpcRcv(const GuiWrapperIpcHandle handle, GuiWrapperIpcMsg* m);
// Sends without waiting; 0, or -1.
int32_t guiWrapperIpcSnd(const GuiWrapperIpcHandle handle, const GuiWrapperIpcMsg* m);
// Removes the queue and frees the handle; null is ignored.
void guiWrapperIpcDelete(GuiWrapperIpcHandle handle);
