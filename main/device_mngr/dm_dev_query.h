// Lookups of the device manager's descriptor tree for other programs: a descriptor's handle by its
// types, and what is known of a descriptor. Nothing in this system calls them yet.
#pragma once

#include "main/mw/handle/handle.h"

#include <cstdint>

// Type words of a descriptor.
struct DmDevIdent {
    uint32_t tHwType;
    uint32_t tDevType;
    uint32_t ui4_match;
    uint32_t ui4_skt_no;
};
static_assert(sizeof(DmDevIdent) == 16, "identity is 16 bytes");

// A root or parent descriptor.
struct DmDevRelInfo {
    DmDevIdent t_id;
    handle_t h_dev;
    uint8_t b_avail;
    uint8_t aui1_pad[3];
};
static_assert(sizeof(DmDevRelInfo) == 24, "relative is 24 bytes");

struct DmDevChildInfo {
    handle_t h_dev;
    uint32_t tDevType;
};

constexpr uint32_t DM_DEV_INFO_MAX_CHILDREN = 6;
constexpr uint32_t DM_DEV_FLAG_MEDIUM = 1u << 0;
constexpr uint32_t DM_DEV_FLAG_FILE = 1u << 1;
constexpr uint32_t DM_DEV_FLAG_SOCKET = 1u << 2;

// What uDmGetDeviceInfo reports (368 bytes).
struct DmDevInfo {
    DmDevIdent t_id;
    DmDevRelInfo t_root;
    DmDevRelInfo t_prnt;  // zero without a usable parent
    uint8_t b_avail;
    uint8_t b_has_prnt;
    uint8_t aui1_pad[2];
    char s_usb_path[64];
    char s_model[64];  // the medium's or the socket's model
    uint32_t ui4_sector_size;
    uint64_t ui8_size;  // 512-byte sectors
    uint64_t ui8_free_size;
    uint64_t ui8_sector_ns;
    uint64_t ui8_file_size;  // of the open device node
    handle_t h_dev_root_lbl;
    char s_dev_name[32];
    uint32_t ui4_skt_ns;
    uint32_t ui4_child_ns;
    DmDevChildInfo at_child[DM_DEV_INFO_MAX_CHILDREN];
    uint8_t aui1_reserved[44];
};
static_assert(sizeof(DmDevInfo) == 368, "device information is 368 bytes");

// The handle of the first descriptor whose hardware type, device type and match word equal key[0..2].
// 0; -2 key or out null, hardware type 0, or device type 0, 256 or 512; -12 lock failed; -1 none.
int32_t uDmGetDevice(const uint32_t key[3], handle_t* out);

// 0; -2 out null; -12 lock failed; -5 not a descriptor handle; -15 parent not usable or a hotplug
// query failed.
int32_t uDmGetDeviceInfo(handle_t device, DmDevInfo* out);
