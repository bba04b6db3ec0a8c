#include "main/am/aee/aee.h"

#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "main/mw/os_pthread/os_sema.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// What app_thread_loop receives: a private copy made by the thread layer.
struct app_thread_arg_t {
    app_fct_t tFct;
    msg_q_t* prQueue;
    uint8_t* pui1Buf;  // one receive buffer for the application's largest message
    uint32_t ui4BufSize;
    char acName[AEE_APP_NAME_LEN + 1];
};

// What the thread layer hands to aee_main.
struct aee_start_rec_t {
    aee_exec_rec_t* prRec;
    handle_t hApp;
    aee_thread_main_fct pfMain;
    void* pvArg;
};

struct AeeState {
    // Newest first. Guarded by pListLock; a sender takes a reference to the queue under it and posts
    // after releasing it.
    aee_exec_rec_t* prHead = nullptr;
    sema_t* pListLock = nullptr;
    DbgModule dbg{"<AEE>", "aee", DBG_LAYER_MW, DBG_LEVEL_ERROR};
    bool fgCliAttached = false;
};

AeeState gAee;

// An application that has just ended may hold its name (queue, thread) for a moment longer while
// its thread winds down, so a restart under that name waits for it briefly.
constexpr uint32_t kNameBusyTries = 11;
constexpr uint32_t kNameBusyDelayMs = 10;

template <typename Create>
int32_t retryWhileNameBusy(Create create)
{
    int32_t res = create();
    for (uint32_t i = 1; i < kNameBusyTries && res == OSR_EXIST; ++i) {
        uThreadDelay(kNameBusyDelayMs);
        res = create();
    }
    return res;
}

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
template <typename T>
using MallocPtr = std::unique_ptr<T, FreeDeleter>;

uint16_t level()
{
    return gAee.dbg.level();
}

// Holds the record-list lock for a scope; recursive for its owner.
class ListLock {
public:
    ListLock() : locked_(gAee.pListLock != nullptr && uSemaLock(gAee.pListLock, SEMA_OPTION_WAIT) == 0) {}
    ~ListLock()
    {
        if (locked_) {
            uSemaUnlock(gAee.pListLock);
        }
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
    bool held() const { return locked_; }

private:
    bool locked_;
};

// The live record behind a handle of type 64 or 65; call with the list lock held. A reference may
// outlive its application, so it names the record by the record's own handle (its tag), which
// never comes back once the record is gone.
aee_exec_rec_t* recordOf(handle_t handle)
{
    handle_type type = 0;
    void* obj = nullptr;
    if (uHandleGetTypeObj(handle, &type, &obj) != 0 || obj == nullptr) {
        return nullptr;
    }
    if (type == AEE_HT_EXEC_REC) {
        return static_cast<aee_exec_rec_t*>(obj);
    }
    handle_info_t info{};
    if (type != AEE_HT_APP_REF || handleGetInfo(handle, &info) != 0) {
        return nullptr;
    }
    for (aee_exec_rec_t* p = gAee.prHead; p != nullptr; p = p->prNext) {
        if (p->hSelf == info.ui4Tag) {
            return p;
        }
    }
    return nullptr;
}

void unlink(aee_exec_rec_t* rec)
{
    for (aee_exec_rec_t** pp = &gAee.prHead; *pp != nullptr; pp = &(*pp)->prNext) {
        if (*pp == rec) {
            *pp = rec->prNext;
            rec->prNext = nullptr;
            return;
        }
    }
}

void copyName(char (&dst)[AEE_APP_NAME_LEN + 1], const char* src)
{
    strncpy(dst, src, AEE_APP_NAME_LEN);
    dst[AEE_APP_NAME_LEN] = '\0';
}

// A reference to the application's queue, taken under the list lock: the queue outlives the
// application's loop until every sender that holds one has posted.
msg_q_t* queueRef(handle_t app)
{
    ListLock lock;
    if (!lock.held()) {
        return nullptr;
    }
    const aee_exec_rec_t* rec = recordOf(app);
    if (rec == nullptr || rec->prQueue == nullptr) {
        return nullptr;
    }
    msg_q_t* ref = nullptr;
    if (xMsgQAttach(&ref, rec->acName) != OSR_OK) {
        return nullptr;
    }
    // The queue is named after its application and deleted only after the record lets go of it, so
    // the name finds this very queue; anything else is not ours to post to.
    if (ref != rec->prQueue) {
        xMsgQDelete(ref);
        return nullptr;
    }
    return ref;
}

// Posted after the list lock is released: a receiver that answers at once finds the lock free
// instead of sleeping on it.
int32_t postToApp(handle_t app, const aee_msg_hdr_t& hdr, const void* payload, uint32_t size)
{
    msg_q_t* queue = queueRef(app);
    if (queue == nullptr) {
        return AEER_FAIL;
    }
    const int32_t res = msg_q_send_2_parts(queue, &hdr, sizeof(hdr), payload, size, 0);
    xMsgQDelete(queue);
    return res;
}

int32_t sendWithoutNotify(handle_t app, uint32_t msgId, const void* data, uint32_t size)
{
    return u_app_send_msg(app, msgId, data, size, nullptr, 0);
}

void auxMemberNothing(void*)
{
}

// Agrees only to the owner's release (flag 0): the record then takes its auxiliary members and
// the creator links of the applications it started with it.
int32_t execRecFree(handle_t, handle_type, void* obj, uint32_t, uint8_t flag)
{
    if (flag != 0) {
        return 0;
    }
    MallocPtr<aee_exec_rec_t> rec(static_cast<aee_exec_rec_t*>(obj));
    handle_t member = 0;
    while (uHandleNextAuxLinked(rec->hAuxHead, &member) == 0 && member != 0) {
        if (uHandleDelinkFromAux(member) != 0) {
            break;
        }
    }
    uHandleFree(rec->hAuxHead, 0);
    ListLock lock;
    for (aee_exec_rec_t* p = gAee.prHead; p != nullptr; p = p->prNext) {
        if (p->hCreator == rec->hSelf) {
            p->hCreator = 0;
        }
    }
    return 1;
}

int32_t appRefFree(handle_t, handle_type, void*, uint32_t, uint8_t)
{
    return 1;
}

int32_t autoFreeNothing(handle_t, handle_type)
{
    return 0;
}

int32_t autoFreeRef(handle_t handle, handle_type)
{
    return uHandleFree(handle, 0);
}

void aee_main(void* arg)
{
    aee_start_rec_t start{};
    memcpy(&start, arg, sizeof(start));
    aee_exec_rec_t* rec = start.prRec;
    {
        ListLock lock;
        rec->prNext = gAee.prHead;
        gAee.prHead = rec;
    }
    dbgPrint(level(), DBG_LEVEL_INFO, "\"%s\" starts (%p). aee_main()\n", rec->acName, static_cast<void*>(rec));
    if (uThreadSetPvt(AEE_PVT_KEY_EXEC_REC, nullptr, rec) == 0) {
        start.pfMain(start.hApp, start.pvArg);
        uThreadDelPvt(AEE_PVT_KEY_EXEC_REC);
    }
    free(start.pvArg);
    ListLock lock;
    unlink(rec);
    dbgPrint(level(), DBG_LEVEL_INFO, "\"%s\" exits\n", rec->acName);
    uHandleFree(start.hApp, 0);
}

void notify(const aee_msg_hdr_t& hdr, handle_t app, uint32_t code)
{
    if (hdr.pfNfy != nullptr) {
        hdr.pfNfy(app, hdr.ui4Tag, code);
    }
}

// A non-zero answer of the notify function to a "before" code vetoes the step.
bool vetoed(const aee_msg_hdr_t& hdr, handle_t app, uint32_t code)
{
    return hdr.pfNfy != nullptr && hdr.pfNfy(app, hdr.ui4Tag, code) != 0;
}

void app_thread_loop(handle_t app, void* argp)
{
    auto* arg = static_cast<app_thread_arg_t*>(argp);
    MallocPtr<uint8_t> buf(arg->pui1Buf);
    msg_q_t* const queues[1] = {arg->prQueue};
    bool running = true;
    while (running) {
        uint16_t index = 0;
        uint32_t size = arg->ui4BufSize;
        if (xMsgQReceive(&index, buf.get(), &size, queues, 1, MSGQ_OPTION_WAIT) != 0) {
            break;
        }
        aee_msg_hdr_t hdr{};
        if (size < sizeof(hdr)) {
            continue;
        }
        memcpy(&hdr, buf.get(), sizeof(hdr));
        if (hdr.ui4Size > size - sizeof(hdr)) {
            continue;
        }
        switch (hdr.ui4Kind) {
        case AEE_MSG_KIND_INIT:
            if (vetoed(hdr, app, AEE_NFY_BEFORE_INIT)) {
                running = false;
                break;
            }
            if (arg->tFct.pfInit(arg->acName, app) == 0) {
                notify(hdr, app, AEE_NFY_INIT_OK);
            } else {
                notify(hdr, app, AEE_NFY_INIT_FAIL);
                running = false;
            }
            break;
        case AEE_MSG_KIND_EXIT:
            if (vetoed(hdr, app, AEE_NFY_BEFORE_EXIT)) {
                break;
            }
            if (arg->tFct.pfExit(app, hdr.ui4MsgId) == 0) {
                notify(hdr, app, AEE_NFY_EXIT_OK);
                running = false;
            } else {
                notify(hdr, app, AEE_NFY_EXIT_FAIL);
            }
            break;
        case AEE_MSG_KIND_MSG: {
            if (vetoed(hdr, app, AEE_NFY_BEFORE_MSG)) {
                break;
            }
            const void* payload = hdr.ui4Size != 0 ? buf.get() + sizeof(hdr) : nullptr;
            const int32_t res = arg->tFct.pfProcess(app, hdr.ui4MsgId, payload, hdr.ui4Size);
            notify(hdr, app, res == 0 ? AEE_NFY_MSG_OK : AEE_NFY_MSG_FAIL);
            break;
        }
        default:
            OS_LOG_EXIT_CODE("appman", 2);
            running = false;
            break;
        }
    }
    // Senders see the queue gone before it is deleted.
    aee_set_msg_queue(app, nullptr);
    xMsgQDelete(arg->prQueue);
}

int32_t aee_create_op(const aee_create_param_t* param, const char* name, handle_t* out)
{
    MallocPtr<aee_exec_rec_t> rec(static_cast<aee_exec_rec_t*>(calloc(1, sizeof(aee_exec_rec_t))));
    if (!rec) {
        return AEER_NO_MEM;
    }
    rec->ui8Reserved = param->ui8Reserved;
    rec->ui4AppId = param->ui4AppId;
    rec->ui4Reserved = param->ui4Reserved;
    rec->pfSendData = param->pfSendData;
    copyName(rec->acName, name);

    handle_t handle = 0;
    if (uHandleAlloc(AEE_HT_EXEC_REC, rec.get(), 0, execRecFree, &handle) != 0) {
        return AEER_NO_HANDLE;
    }
    // From here the handle owns the record: freeing it frees the record.
    aee_exec_rec_t* owned = rec.release();
    owned->hSelf = handle;
    if (uHandleAllocAuxLinkHead(owned, auxMemberNothing, &owned->hAuxHead) != 0) {
        owned->hAuxHead = 0;
        uHandleFree(handle, 0);
        return AEER_NO_HANDLE;
    }
    MallocPtr<void> argCopy(param->ui4ArgSize != 0 ? malloc(param->ui4ArgSize) : nullptr);
    if (param->ui4ArgSize != 0 && !argCopy) {
        uHandleFree(handle, 0);
        return AEER_FAIL;
    }
    if (argCopy) {
        memcpy(argCopy.get(), param->pvArg, param->ui4ArgSize);
    }
    void* creator = nullptr;
    if (uThreadGetPvt(AEE_PVT_KEY_EXEC_REC, &creator) == 0 && creator != nullptr) {
        owned->hCreator = static_cast<aee_exec_rec_t*>(creator)->hSelf;
    }
    const aee_start_rec_t start{owned, handle, param->pfThreadMain, argCopy.get()};
    const int32_t res = retryWhileNameBusy([&] {
        return uThreadCreate(&owned->tThread, name, param->ui4StackSize, param->ui1Priority, aee_main, sizeof(start),
                             &start);
    });
    if (res != 0) {
        uHandleFree(handle, 0);
        return AEER_FAIL;
    }
    argCopy.release();  // aee_main frees it
    *out = handle;
    return 0;
}

int32_t aee_get_handle_op(const char* name, handle_t* out)
{
    ListLock lock;
    aee_exec_rec_t* rec = aee_find_by_name(name);
    if (rec == nullptr) {
        return AEER_FAIL;
    }
    handle_t ref = 0;
    if (uHandleAlloc(AEE_HT_APP_REF, rec, rec->hSelf, appRefFree, &ref) != 0) {
        return AEER_NO_HANDLE;
    }
    *out = ref;
    return 0;
}

// Console table "aee".
using AeeLevelCmds = CliDbgLevelCmds<aee_get_dbg_level, aee_set_dbg_level>;

void printRecord(const aee_exec_rec_t* rec)
{
    printf(" %s [app:%d][thread:%d]\n", rec->acName, static_cast<int>(rec->hSelf),
           static_cast<int>(reinterpret_cast<uintptr_t>(rec->tThread)));
}

int cliList(int argc, char** argv)
{
    ListLock lock;
    if (argc < 2) {
        printf("AEEs:\n");
        for (const aee_exec_rec_t* p = gAee.prHead; p != nullptr; p = p->prNext) {
            printRecord(p);
        }
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        const aee_exec_rec_t* rec = aee_find_by_name(argv[i]);
        if (rec != nullptr) {
            printRecord(rec);
        } else {
            printf("\"%s\" does not exist\n", argv[i]);
        }
    }
    return 0;
}

const cli_cmd_t gAeeCmds[] = {
    {"gdl", nullptr, AeeLevelCmds::get, nullptr, "Get debug level", CLI_ACCESS_NORMAL},
    {"sdl", nullptr, AeeLevelCmds::set, nullptr, "Set debug level", CLI_ACCESS_NORMAL},
    {"list", "l", cliList, nullptr, "List all AEEs", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t gAeeRootCmd[] = {
    {"aee", nullptr, nullptr, gAeeCmds, "AEE commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const handle_autofree_fct gAeeAutoFree[HT_GROUP_SIZE] = {autoFreeNothing, autoFreeRef};

}  // namespace

int32_t aee_init(void)
{
    if (gAee.pListLock == nullptr && uSemaCreate(&gAee.pListLock, SEMA_TYPE_MUTEX, 1) != 0) {
        gAee.pListLock = nullptr;
        dbgPrint(level(), DBG_LEVEL_ERROR, "semaCreate failed\n");
        return AEER_FAIL;
    }
    if (uHandleSetAutoFreeTbl(AEE_HT_EXEC_REC, gAeeAutoFree) != 0) {
        dbgPrint(level(), DBG_LEVEL_ERROR, "uHandleSetAutoFreeTbl failed\n");
        return AEER_FAIL;
    }
    if (!gAee.fgCliAttached) {
        gAee.fgCliAttached = u_cli_attach_cmd_tbl(gAeeRootCmd, CLI_GRP_MW, 0, 0) == 0;
    }
    return 0;
}

int32_t u_app_start(const app_fct_t* fct, const app_start_param_t* param, const char* name, aee_nfy_fct nfy,
                    aee_nfy_tag_t tag, handle_t* app)
{
    if (fct == nullptr || param == nullptr || name == nullptr || app == nullptr || fct->pfInit == nullptr ||
        fct->pfExit == nullptr || fct->pfProcess == nullptr || param->ui2QueueLen == 0) {
        return AEER_INV_ARG;
    }
    const uint32_t bufSize = param->ui2MaxPayload + static_cast<uint32_t>(sizeof(aee_msg_hdr_t));
    MallocPtr<uint8_t> buf(static_cast<uint8_t*>(malloc(bufSize)));
    if (!buf) {
        return AEER_NO_MEM;
    }
    msg_q_t* queue = nullptr;
    if (retryWhileNameBusy([&] { return xMsgQCreate(&queue, name, bufSize, param->ui2QueueLen); }) != 0) {
        return AEER_FAIL;
    }
    app_thread_arg_t arg{*fct, queue, buf.get(), bufSize, {}};
    copyName(arg.acName, name);
    const aee_create_param_t create{param->ui8Reserved,
                                    param->ui4AppId,
                                    param->ui4StackSize,
                                    param->ui1Priority,
                                    param->ui2SecCount,
                                    sizeof(arg),
                                    sendWithoutNotify,
                                    app_thread_loop,
                                    &arg,
                                    0};
    handle_t handle = 0;
    if (u_aee_create(&create, name, &handle) != 0) {
        xMsgQDelete(queue);
        return AEER_FAIL;
    }
    buf.release();  // the application's loop frees it
    aee_set_msg_queue(handle, queue);
    *app = handle;
    const aee_msg_hdr_t hdr{AEE_MSG_KIND_INIT, nfy, tag, 0, 0};
    return postToApp(handle, hdr, nullptr, 0) == 0 ? AEER_OK : AEER_FAIL;
}

int32_t u_app_exit(handle_t app, uint32_t exitCode, aee_nfy_fct nfy, aee_nfy_tag_t tag)
{
    const aee_msg_hdr_t hdr{AEE_MSG_KIND_EXIT, nfy, tag, exitCode, 0};
    return postToApp(app, hdr, nullptr, 0) == 0 ? AEER_OK : AEER_FAIL;
}

int32_t u_app_send_msg(handle_t app, uint32_t msgId, const void* data, uint32_t size, aee_nfy_fct nfy,
                       aee_nfy_tag_t tag)
{
    if (data == nullptr || size == 0) {
        data = nullptr;
        size = 0;
    }
    const aee_msg_hdr_t hdr{AEE_MSG_KIND_MSG, nfy, tag, msgId, size};
    const int32_t res = postToApp(app, hdr, data, size);
    if (res != 0) {
        dbgPrint(level(), DBG_LEVEL_ERROR, "FUN: u_app_send_msg return i4_res(%d),msgSize(%d) \n", res,
                 static_cast<int>(size));
        return AEER_FAIL;
    }
    return 0;
}

int32_t u_app_send_appmsg(handle_t app, uint32_t msgId, uint32_t senderId, uint32_t msgType, const void* data,
                          uint32_t size)
{
    if (size > APPMSG_MAX_USR_SIZE) {
        dbgPrint(level(), DBG_LEVEL_ERROR, "[%s:%d]usr msg[%u] is too long, max size[%u]!\n", __func__, __LINE__, size,
                 APPMSG_MAX_USR_SIZE);
        return AEER_FAIL;
    }
    const uint32_t total = size + static_cast<uint32_t>(sizeof(appmsg_t));
    MallocPtr<uint8_t> msg(static_cast<uint8_t*>(calloc(1, total)));
    if (!msg) {
        dbgPrint(level(), DBG_LEVEL_ERROR, "[%s:%d]malloc appmsg_t failed!\n", __func__, __LINE__);
        return AEER_FAIL;
    }
    memcpy(msg.get() + offsetof(appmsg_t, ui4_sender_id), &senderId, sizeof(senderId));
    memcpy(msg.get() + offsetof(appmsg_t, ui4_msg_type), &msgType, sizeof(msgType));
    if (data != nullptr && size <= APPMSG_DATA_SIZE) {
        memcpy(msg.get() + offsetof(appmsg_t, aui1_data), data, size);
    }
    return u_app_send_msg(app, msgId, msg.get(), total, nullptr, 0);
}

int32_t msg_q_send_2_parts(msg_q_t* queue, const void* header, uint32_t headerSize, const void* payload,
                           uint32_t payloadSize, uint32_t priority)
{
    if (payload == nullptr || payloadSize == 0) {
        return xMsgQSend(queue, header, headerSize, priority);
    }
    // Sending threads are made known to the thread layer, as every thread that posts is.
    os_thread_t self = nullptr;
    uThreadSelf(&self);
    if (header == nullptr || headerSize > MSGQ_MAX_MSG_SIZE || payloadSize > MSGQ_MAX_MSG_SIZE - headerSize) {
        return header == nullptr ? OSR_INV_ARG : OSR_TOO_BIG;
    }
    // No queue takes more than MSGQ_MAX_MSG_SIZE, so the joined message always fits here.
    std::array<uint8_t, MSGQ_MAX_MSG_SIZE> joined;
    memcpy(joined.data(), header, headerSize);
    memcpy(joined.data() + headerSize, payload, payloadSize);
    return xMsgQSend(queue, joined.data(), headerSize + payloadSize, priority);
}

int32_t u_aee_create(const aee_create_param_t* param, const char* name, handle_t* out)
{
    if (param == nullptr || name == nullptr || out == nullptr || param->pfThreadMain == nullptr) {
        return AEER_INV_ARG;
    }
    return aee_create_op(param, name, out);
}

int32_t u_aee_get_handle(const char* name, handle_t* out)
{
    if (name == nullptr) {
        return AEER_NO_NAME;
    }
    if (out == nullptr) {
        return AEER_INV_ARG;
    }
    return aee_get_handle_op(name, out);
}

int32_t u_aee_free_handle(handle_t* handle)
{
    if (handle == nullptr) {
        return AEER_INV_ARG;
    }
    return uHandleFree(*handle, 1);
}

int32_t u_aee_send_data(handle_t handle, uint32_t msgId, const void* data, uint32_t size)
{
    aee_send_data_fct send = nullptr;
    {
        ListLock lock;
        const aee_exec_rec_t* rec = recordOf(handle);
        if (rec == nullptr) {
            return AEER_NOT_FOUND;
        }
        send = rec->pfSendData;
    }
    if (send != nullptr) {
        send(handle, msgId, data, size);
    }
    return 0;
}

int32_t aee_get_msg_queue(handle_t handle, msg_q_t** queue)
{
    ListLock lock;
    const aee_exec_rec_t* rec = recordOf(handle);
    if (rec == nullptr || queue == nullptr) {
        return AEER_NOT_FOUND;
    }
    *queue = rec->prQueue;
    return 0;
}

int32_t aee_set_msg_queue(handle_t handle, msg_q_t* queue)
{
    ListLock lock;
    aee_exec_rec_t* rec = recordOf(handle);
    if (rec == nullptr) {
        return AEER_NOT_FOUND;
    }
    rec->prQueue = queue;
    return 0;
}

int32_t aee_get_thread(handle_t handle, os_thread_t* thread)
{
    ListLock lock;
    const aee_exec_rec_t* rec = recordOf(handle);
    if (rec == nullptr || thread == nullptr) {
        return AEER_NOT_FOUND;
    }
    *thread = rec->tThread;
    return 0;
}

int32_t aee_get_app_handle(handle_t* out, uint32_t appId)
{
    ListLock lock;
    if (gAee.prHead == nullptr) {
        return AEER_NO_RECORD;
    }
    for (const aee_exec_rec_t* p = gAee.prHead; p != nullptr; p = p->prNext) {
        if (p->ui4AppId == appId) {
            if (out != nullptr) {
                *out = p->hSelf;
            }
            return 0;
        }
    }
    return AEER_NOT_FOUND;
}

aee_exec_rec_t* aee_find_by_name(const char* name)
{
    if (name == nullptr) {
        return nullptr;
    }
    ListLock lock;
    for (aee_exec_rec_t* p = gAee.prHead; p != nullptr; p = p->prNext) {
        if (strcmp(p->acName, name) == 0) {
            return p;
        }
    }
    return nullptr;
}

const char* aee_get_name(void)
{
    void* rec = nullptr;
    if (uThreadGetPvt(AEE_PVT_KEY_EXEC_REC, &rec) != 0 || rec == nullptr) {
        return nullptr;
    }
    return static_cast<const aee_exec_rec_t*>(rec)->acName;
}

uint16_t aee_get_dbg_level(void)
{
    return level();
}

void aee_set_dbg_level(uint16_t newLevel)
{
    gAee.dbg.setLevel(newLevel & DBG_LEVEL_ALL);
}
