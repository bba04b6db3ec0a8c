// Device notification: users register a callback for a root controller (by id) or for one device
// (by major and minor). A registration at once replays the matching devices already known; after
// that every attach and detach the hotplug thread finds goes to exactly one registration, chosen
// by the device's parent. Also the module start of the hotplug side.
#pragma once

#include "main/device_mngr/dmh_dev.h"

#include <cstdint>

// Status of a notify (`eNfySt`).
enum DmhNfyStatus : uint32_t {
    DMH_NFY_NONE = 0,
    DMH_NFY_HUB_ATTACH = 1,  // a hub or USB device
    DMH_NFY_USB_DETACH = 2,
    DMH_NFY_DISK_ATTACH = 3,  // also a medium change
    DMH_NFY_DISK_DETACH = 4,
    DMH_NFY_PART_ATTACH = 5,
    DMH_NFY_PART_DETACH = 6,
    DMH_NFY_UNSUPPORTED = 8,
};

// The record a callback gets; it lives only for the call.
constexpr uint32_t DMH_DEV_NAME_SIZE = 36;
struct DmhDevInfo {
    uint32_t tDevType;
    uint32_t eStatus;
    uint32_t ui4_skt_no;
    uint32_t uMajor;
    uint32_t uMinor;
    uint32_t ui4_dev_flag;
    char pDevName[DMH_DEV_NAME_SIZE];  // the node less "/dev/", at most 31 characters
    uint32_t ps_product;
    uint32_t ps_vendor;
};
static_assert(sizeof(DmhDevInfo) == 68, "the notify record is 68 bytes");

// Runs on the notifying thread with the hotplug side's locks held: it must neither register nor
// touch the device list.
typedef void (*DmhNfyFct)(uintptr_t tag, uint32_t eStatus, const DmhDevInfo* info);

struct DmhNfy {
    uintptr_t tag;  // handed back as the callback's first argument
    DmhNfyFct pfNfy;
};

// Root device ids: 4 to 6 the USB host controllers, 8 the memory card; 1 to 3 and 7 are taken but
// no record carries them; 9 is "none".
constexpr uint32_t DMH_ROOT_ID_NONE = 9;

// Creates gDmhDev and its two locks and starts the hotplug side (dmhInitNetlinkServices). 0; -6
// without memory; -12 when a lock cannot be made or the thread not started; -1 when the hotplug
// socket cannot be opened or the scan fails.
int32_t dmhInit(void);

// 0; -6 without memory; -12 lock failure; -1 id 9 and -2 an id outside 1 to 9 (the registration
// stays in both cases).
int32_t dmhRegRootNfyFct(uint32_t uRootDevId, const DmhNfy* nfy);
// 0; -6; -12.
int32_t dmhRegNfyFct(uint32_t uMajor, uint32_t uMinor, const DmhNfy* nfy);

// Tells the one registration that owns `current` (its own level passed as uLevel); the caller
// holds the device-list lock. 0, -6 or -12; a device nobody owns is 0 too.
int32_t dmhNfyFunc(DmhDevNode* current, uint8_t uLevel, uint32_t eStatus);
