// Questions about a recorded block or socket device, by its major and minor numbers. They walk
// the device list without taking its lock: the caller holds it.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t DMH_MODEL_SIZE = 64;

// ui8_size in 512-byte sectors; 0, or -1 when no record matches.
int32_t dmhBlkdevGetSize(uint32_t major, uint32_t minor, uint64_t* out);
int32_t dmhBlkdevGetFreesize(uint32_t major, uint32_t minor, uint64_t* out);
int32_t dmhBlkdevGetSectorNs(uint32_t major, uint32_t minor, uint64_t* out);
// Disks and partitions: their hardware sector size when above 0 as a signed number, else 512;
// other records their stored value. Always 0 (nothing written when no record matches).
int32_t dmhBlkdevGetSectorSize(uint32_t major, uint32_t minor, uint32_t* out);
// "<model> <revision>" cut to DMH_MODEL_SIZE bytes; 0 (nothing written when the record has no
// model), or -1 when no record matches. For 11:0 a fake hub holding the first optical drive answers.
int32_t dmhBlkdevGetModel(uint32_t major, uint32_t minor, char out[DMH_MODEL_SIZE]);
int32_t dmhSktdevGetModel(uint32_t major, uint32_t minor, char out[DMH_MODEL_SIZE]);
// The socket number; 0, or -1.
int32_t dmhSktdevGetSktNs(uint32_t major, uint32_t minor, uint32_t* out);
// The record's sysfs path from the host-controller directory ("KvxUsbHcd...") up to the first ':'
// after it, terminated in `out` of `size` bytes (cut to fit); 0, or -1 when no record matches.
int32_t dmhBlkdevGetUsbDevicePath(uint32_t major, uint32_t minor, char* out, size_t size);
