// The application execution environment: every application of corvand runs on a thread of its own
// and reads a queue of its own. This module creates that pair, keeps the list of running
// applications' execution records, posts the init, exit and ordinary messages, and runs the loop
// every application thread executes. Other subsystems only post, with u_app_send_msg and
// u_app_send_appmsg, after looking the receiver up by name through the application manager.
#pragma once

#include "main/mw/handle/handle.h"
#include "main/mw/os_pthread/os_msgq.h"
#include "main/mw/os_pthread/os_thread.h"

#include <cstdint>

// Results of the execution environment.
enum aee_result : int32_t {
    AEER_OK = 0,
    AEER_FAIL = -1,  // a queue, thread or post failed, or no application of that name
    AEER_INV_ARG = -2,
    AEER_NOT_FOUND = -3,  // not a live execution handle, or no record with that application id
    AEER_NO_NAME = -4,    // a null name
    AEER_NO_HANDLE = -5,  // no handle record free
    AEER_NO_MEM = -6,
    AEER_NO_RECORD = -8,  // no execution record at all
};

// Handle types of the execution environment (group 1 of the handle pool).
constexpr uint16_t AEE_HT_EXEC_REC = 64;  // an application's execution record
constexpr uint16_t AEE_HT_APP_REF = 65;   // a reference to a record, obtained by name

constexpr uint32_t AEE_APP_NAME_LEN = 16;
// The thread-private key under which an application thread keeps its execution record.
constexpr uint32_t AEE_PVT_KEY_EXEC_REC = 1;

// Kinds of application-queue messages.
enum aee_msg_kind : uint32_t {
    AEE_MSG_KIND_INIT = 0,
    AEE_MSG_KIND_EXIT = 1,
    AEE_MSG_KIND_MSG = 4,
};

// What the receiving thread reports to the sender's notify function around each step. A non-zero
// answer to a "before" code vetoes the step: before init it ends the thread, before an exit or a
// message it skips that message.
enum aee_nfy_code : uint32_t {
    AEE_NFY_BEFORE_INIT = 0,
    AEE_NFY_INIT_OK = 1,
    AEE_NFY_INIT_FAIL = 2,
    AEE_NFY_BEFORE_EXIT = 3,
    AEE_NFY_EXIT_OK = 4,
    AEE_NFY_EXIT_FAIL = 5,
    AEE_NFY_BEFORE_MSG = 6,
    AEE_NFY_MSG_OK = 7,
    AEE_NFY_MSG_FAIL = 8,
};

// A notify tag is a u32 on the board and usually points at the sender's waiting record, so it is
// as wide as a pointer.
typedef uintptr_t aee_nfy_tag_t;
typedef int32_t (*aee_nfy_fct)(handle_t app, aee_nfy_tag_t tag, uint32_t code);

// The header ahead of every application-queue message; the payload follows in the same message.
// It never leaves the process, so only the board build has the 20-byte layout.
struct aee_msg_hdr_t {
    uint32_t ui4Kind;
    aee_nfy_fct pfNfy;
    aee_nfy_tag_t ui4Tag;
    uint32_t ui4MsgId;  // message id, or the exit code of an exit message
    uint32_t ui4Size;   // payload bytes behind the header
};
static_assert(sizeof(void*) != 4 || sizeof(aee_msg_hdr_t) == 20, "the board's queue header is 20 bytes");

// An application's three functions, each run on the application's own thread.
typedef int32_t (*app_init_fct)(const char* name, handle_t app);
typedef int32_t (*app_exit_fct)(handle_t app, uint32_t exitCode);
typedef int32_t (*app_process_fct)(handle_t app, uint32_t msgId, const void* data, uint32_t size);

struct app_fct_t {
    app_init_fct pfInit;
    app_exit_fct pfExit;
    app_process_fct pfProcess;
};

// Start parameters of u_app_start, built by the application manager from a registration record.
struct app_start_param_t {
    uint64_t ui8Reserved;
    uint32_t ui4StackSize;
    uint8_t ui1Priority;
    uint16_t ui2SecCount;  // carried, unused
    uint32_t ui4Reserved;
    uint32_t ui4AppId;  // index in the manager's name table plus one
    uint16_t ui2QueueLen;
    uint16_t ui2MaxPayload;
};

typedef int32_t (*aee_send_data_fct)(handle_t app, uint32_t msgId, const void* data, uint32_t size);
typedef void (*aee_thread_main_fct)(handle_t app, void* arg);

struct aee_create_param_t {
    uint64_t ui8Reserved;
    uint32_t ui4AppId;
    uint32_t ui4StackSize;
    uint8_t ui1Priority;
    uint16_t ui2SecCount;
    uint32_t ui4ArgSize;
    aee_send_data_fct pfSendData;
    aee_thread_main_fct pfThreadMain;
    const void* pvArg;
    uint32_t ui4Reserved;
};

// A running application, owned by the execution environment and reached through a handle of type
// AEE_HT_EXEC_REC.
struct aee_exec_rec_t {
    aee_exec_rec_t* prNext;
    handle_t hSelf;
    handle_t hCreator;  // the application on whose thread it was started, else 0
    handle_t hAuxHead;
    msg_q_t* prQueue;  // null once the application's loop has ended
    os_thread_t tThread;
    uint64_t ui8Reserved;
    uint32_t ui4Reserved;
    uint32_t ui4AppId;
    aee_send_data_fct pfSendData;
    char acName[AEE_APP_NAME_LEN + 1];
};

// The application message of u_app_send_appmsg.
constexpr uint32_t APPMSG_DATA_SIZE = 512;
constexpr uint32_t APPMSG_MAX_USR_SIZE = 4000;
struct appmsg_t {
    uint32_t ui4_sender_id;
    uint32_t ui4_msg_type;
    uint8_t aui1_data[APPMSG_DATA_SIZE];
};
static_assert(sizeof(appmsg_t) == 520, "appmsg_t is 520 bytes on every build");

// Application message ids between subsystems; ids from 0x10000 up are broadcasts.
enum app_msg_type : uint32_t {
    E_APP_MSG_TYPE_TIMER = 0,
    E_APP_MSG_TYPE_USER_CMD = 1,
    E_APP_MSG_TYPE_STATE_MNGR = 14,
    E_APP_PRI_ALSA_PB_MSG = 28,
    E_APP_MSG_TYPE_UPG_INTERNAL = 29,
    E_APP_MSG_TYPE_CEC = 33,
    E_APP_MSG_TYPE_GUI = 35,
};

int32_t aee_init(void);

// Creates the application's queue and thread and queues its init message. 0, -2 (arguments), -6
// (memory) or -1.
int32_t u_app_start(const app_fct_t* fct, const app_start_param_t* param, const char* name, aee_nfy_fct nfy,
                    aee_nfy_tag_t tag, handle_t* app);
int32_t u_app_exit(handle_t app, uint32_t exitCode, aee_nfy_fct nfy, aee_nfy_tag_t tag);

// Posts one message without waiting; a full queue fails. Data or size 0 posts no payload.
int32_t u_app_send_msg(handle_t app, uint32_t msgId, const void* data, uint32_t size, aee_nfy_fct nfy,
                       aee_nfy_tag_t tag);
// Posts an appmsg_t followed by `size` zero bytes; the data are copied only when size <= 512.
int32_t u_app_send_appmsg(handle_t app, uint32_t msgId, uint32_t senderId, uint32_t msgType, const void* data,
                          uint32_t size);

// Header and payload as one queue message.
int32_t msg_q_send_2_parts(msg_q_t* queue, const void* header, uint32_t headerSize, const void* payload,
                           uint32_t payloadSize, uint32_t priority);

int32_t u_aee_create(const aee_create_param_t* param, const char* name, handle_t* out);
// A new AEE_HT_APP_REF handle to the running application of that name.
int32_t u_aee_get_handle(const char* name, handle_t* out);
int32_t u_aee_free_handle(handle_t* handle);
int32_t u_aee_send_data(handle_t handle, uint32_t msgId, const void* data, uint32_t size);

int32_t aee_get_msg_queue(handle_t handle, msg_q_t** queue);
int32_t aee_set_msg_queue(handle_t handle, msg_q_t* queue);
int32_t aee_get_thread(handle_t handle, os_thread_t* thread);
int32_t aee_get_app_handle(handle_t* out, uint32_t appId);
aee_exec_rec_t* aee_find_by_name(const char* name);
// The calling thread's application name, or null off an application thread.
const char* aee_get_name(void);

uint16_t aee_get_dbg_level(void);
void aee_set_dbg_level(uint16_t level);
