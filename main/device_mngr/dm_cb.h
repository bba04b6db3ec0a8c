// The device manager's side of device notification: the callback it registers for each root and
// each device it accepts, the 76-byte message the callback posts to "dm_cb_msg_q", the device
// descriptors the callback thread keeps, and the type maps between the two sides.
#pragma once

#include "main/device_mngr/dmh_nfy.h"
#include "main/mw/handle/handle.h"
#include "main/mw/os_pthread/os_sema.h"

#include <cstdint>

// Events of a DmCbMsg (from the notify status by dmGetCbTypeFromDmh).
enum DmCbType : uint32_t {
    DM_CB_DEV_RECORD_0 = 0,  // record only
    DM_CB_DEV_RECORD_1 = 1,  // record only
    DM_CB_DEV_ATTACH = 2,
    DM_CB_DEV_DETACH = 3,
    DM_CB_PART_ATTACH = 4,
    DM_CB_PART_DETACH = 5,
};

// Device classes (the high byte of a DmDevType) and the types named here.
constexpr uint32_t DM_DEV_CHR_SOCKET = 0x100;  // sockets and hubs
constexpr uint32_t DM_DEV_CHR_MEDIUM = 0x200;  // mountable media and partitions
constexpr uint32_t DM_DEV_CHR_MASK = 0xFF00;
constexpr uint32_t DM_DEV_SKT_TYPE_OPTI_DRV = 266;
constexpr uint32_t DM_DEV_MED_TYPE_USB_DISK = 522;
constexpr uint32_t DM_DEV_MED_TYPE_PARTITION = 523;

// Root components and the hardware type of descriptors under them.
constexpr uint16_t DRVT_HW_IDE = 85;
constexpr uint16_t DRVT_HW_USB = 87;
constexpr uint32_t DM_HW_TYPE_IDE = 5;
constexpr uint32_t DM_HW_TYPE_USB = 4;

// The message of "dm_cb_msg_q" (76 bytes on every build: the tag travels as a u32 word on the
// board; on a 64-bit host the descriptor address is recovered through the handle table below).
struct DmCbMsg {
    uint32_t ui4_quit;  // 1 only from the teardown
    uint32_t t_cb_type;
    uint32_t t_dev_type;
    uint32_t ui4_match;  // a copy of uMinor
    uint32_t ui4_skt_no;
    uint32_t uMajor;
    uint32_t uMinor;
    char pDevName[32];  // at most 31 characters and a NUL
    uint32_t ui4_dev_flag;
    uint32_t ui4_reserved0;
    uint32_t ui4_reserved1;
    uint32_t ui4_tag;  // the parent descriptor's handle
};
static_assert(sizeof(DmCbMsg) == 76, "the callback message is 76 bytes");

struct DmDevDesc;

// A device the manager knows, from the six roots down (reached through a handle of type 3072).
struct DmDevDesc {
    handle_t h_self;
    int32_t i4_fd;  // -1 when not open
    uint32_t tHwType;
    uint32_t tDevType;
    uint32_t ui4_dev_flag;
    DmDevDesc* pt_root;
    DmDevDesc* pt_prnt_dev;
    uint32_t ui4_match;
    uint32_t ui4_skt_no;
    uint32_t uMajor;
    uint32_t uMinor;
    uint32_t ui4_reserved0;
    uint32_t ui4_reserved1;
    uint8_t b_avail;  // 1 usable
    handle_t h_dev_root_lbl;
    char pDevName[32];
    DmDevDesc* pt_next;
    DmDevDesc** ppt_prev;
    sema_t* pt_sema;  // media from an attach only: created free and deleted with the descriptor
    handle_t h_rwlock;
};

constexpr uint16_t DM_HT_DEV_DESC = 3072;

// The callback registered with the hotplug side. `tag` is the handle of the descriptor it was
// registered under. Drops the Apple special partitions, posts nothing for status 0, and otherwise
// posts one DmCbMsg.
void dmDevNfyFct(uintptr_t tag, uint32_t eNfySt, const DmhDevInfo* info);

// Notify status to event: 1, 3 -> 2; 2, 4 -> 3; 5 -> 4; 6 -> 5; 7 -> 1; 8 -> 0; anything else 0xFF00
// (an event the callback thread ignores).
uint32_t dmGetCbTypeFromDmh(uint32_t eNfySt);
// Hotplug device type to DmDevType (0 for a type outside the map).
uint32_t dmGetDevTypeFromDmh(uint32_t tDevType);
// Root component to hardware type: 85 -> 5, 87 -> 4, else 0.
uint32_t dmGetHwType(uint16_t comp);
// Root component to the descriptor's device type: 85 -> 261, 87 -> 260, 101 -> 522, 105 -> 264.
uint32_t dmGetCompDevType(uint16_t comp);

// The thread entry of "dm_cb_msg_thrd": keeps the descriptor tree t_dev_list (attach, detach,
// partitions, record events), opens block devices, registers for the children of sockets and media,
// and hands media to automatic mounting once the list's lock is released. Ends on the quit message
// or on a failure of its own resources.
void dmCbMsgThread(void* arg);

// The free function of a descriptor's handle: with reason 1 it closes the descriptor's "/dev" label
// and device node, deletes its semaphore and lock, and frees it. Always agrees (1).
int32_t dmHandleFreeFct(handle_t handle, handle_type type, void* obj, uint32_t tag, uint8_t reason);
