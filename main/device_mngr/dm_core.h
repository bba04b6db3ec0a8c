// The device manager core: the module record dmCore, its two worker threads and their queues
// ("dm_cb_msg_thrd" on "dm_cb_msg_q", "dm_nfy_req_thrd" on "dm_nfy_req_q"), the start of the
// hotplug side, the six root descriptors with their registrations, and the broadcasts of mount and
// network state to every application.
#pragma once

#include <cstdint>

constexpr uint32_t DM_BRDCST_MSG_NETWORK = 0x10003;  // payload: one u32, 1 link up, 0 down

// One row of the automatic-mount approval table.
struct DmAutoMntRow {
    uint32_t tHwType;
    uint32_t tDevType;
};

// The message of "dm_nfy_req_q".
enum DmNfyReqType : uint32_t {
    DM_NFY_REQ_MNT = 0,  // value: 1 mounted, 0 not
    DM_NFY_REQ_QUIT = 1,
};
struct DmNfyReqMsg {
    uint32_t type;
    uint32_t value;
};
static_assert(sizeof(DmNfyReqMsg) == 8, "the notify request is 8 bytes");

// Results of the core.
enum DmCoreResult : int32_t {
    DMR_CORE_OK = 0,
    DMR_ALREADY_INIT = -9,
    DMR_RESOURCE = -12,
    DMR_RM_SET = -15,
};

// uFmInit, dmInit with the approval table, dmInitAutomnt and the network monitor, stopping at the
// first failure (logged); 0 or that failure.
int32_t dmMultiThreadInit(void);
// 0; DMR_ALREADY_INIT; DMR_RESOURCE; or the error of dmhInit or dmInitHw (torn down again).
int32_t dmInit(const DmAutoMntRow* table, uint32_t count);
// The six roots: IDE units 0 to 2 (ids 1 to 3), USB units 0 to 2 (ids 4 to 6); the first error.
int32_t dmInitHw(void);
// One root descriptor for (component, unit), registered with the hotplug side; 0, DMR_RESOURCE or
// DMR_RM_SET.
int32_t dmInitHwComp(uint16_t comp, uint32_t unit);
// dmInitHw again (a storage interface came); its failure tears the core down.
int32_t dmInitHwAgain(void);

// Broadcasts 0x10002 / 0x10003 with the value, the sender waiting until the manager took it.
int32_t dmBroadcastMntMsg(uint32_t value);
int32_t dmBroadcastNetworkMsg(uint32_t value);

// Posts to "dm_nfy_req_q"; 0, or -1 when the core is not up or the queue refused.
int32_t dmPostNfyReq(const DmNfyReqMsg& msg);
// True while the notify thread's queue is up.
bool dmNfyThreadUp(void);
// Posts one message to "dm_cb_msg_q"; 0, or -1.
int32_t dmPostCbMsg(const void* msg, uint32_t size);

// The notify thread's entry: broadcasts mount notices in the order they come, ends on quit.
void dmNfyReqThread(void* arg);
