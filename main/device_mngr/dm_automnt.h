// Automatic mounting: which media are mounted, one short thread per mount and unmount, and the
// two lookups of the device list that other programs may call.
#pragma once

#include "main/device_mngr/dm_cb.h"
#include "main/device_mngr/dm_core.h"

#include <cstdint>

// Switches automatic mounting on and hands it the media the callback thread already accepted;
// 0, or -12 when the device list cannot be read.
int32_t dmInitAutomnt(void);

// Starts the mount (bMnt 1) or unmount (any other value) thread of an approved descriptor, named
// "mnt_<handle>_m" or "mnt_<handle>_u"; nothing before dmInitAutomnt.
void dmCheckAutomnt(const DmDevDesc* desc, uint8_t bMnt);

// True when the row approves a descriptor of these types: the row's hardware type is 0 or the
// same, and its device type is 0, the same, or the class (256 or 512) of the descriptor's.
bool dmDecApprove(const DmAutoMntRow& row, uint32_t tHwType, uint32_t tDevType);

// The threads' entries; `arg` is the partition's 32-byte name.
void dmMntThread(void* arg);
void dmUmntThread(void* arg);
