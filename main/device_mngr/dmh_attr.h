// Sysfs attribute readers: a device's "uevent" file, its USB identity files, SCSI names, size and
// sector size. Every file is read through the sysfs seam.
//
// Path rule: the file is the directory, a '/' and the name, without the '/' when the directory
// ends in one; the directory counts at most 255 characters and a longer path is logged and cut.
// Only lines that end in a newline are read, and the last of them wins: a file whose only line
// has no newline gives no text and the number 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The parsed uevent file of one sysfs directory ("tBlkUeventAttr").
struct DmhBlkUeventAttr {
    uint32_t uMajor = 0;
    uint32_t uMinor = 0;
    std::optional<std::string> ps_dev_type;         // "DEVTYPE="
    std::optional<std::string> ps_phys_dev_path;    // "PHYSDEVPATH="
    std::optional<std::string> ps_phys_dev_driver;  // "PHYSDEVDRIVER="
    std::optional<std::string> ps_driver;           // "DRIVER="
    std::optional<std::string> ps_product;          // "PRODUCT="
};

// What the readers give for a file that cannot be opened.
constexpr uint32_t DMH_ATTR_NUM_FAIL = 0xFFFFFFFFu;
constexpr uint64_t DMH_ATTR_SIZE_FAIL = ~0ull;

// dir/name as the path rule builds it.
std::string dmhAttrPath(const std::string& dir, const char* name);

std::optional<std::string> dmhGetAttrTxt(const std::string& dir, const char* name);
// Decimal; a text that does not convert reads 0.
uint32_t dmhGetAttrNum(const std::string& dir, const char* name);
// dir/idVendor and dir/idProduct, hexadecimal.
uint32_t dmhGetAttrVendorId(const std::string& dir);
uint32_t dmhGetAttrProductId(const std::string& dir);
std::optional<std::string> dmhGetModelName(const std::string& dir);
std::optional<std::string> dmhGetVendorName(const std::string& dir);
std::optional<std::string> dmhGetStateName(const std::string& dir);
std::optional<std::string> dmhGetRevName(const std::string& dir);
// dir + "/size" in 512-byte sectors (the '/' always added).
uint64_t dmhGetDevSize(const std::string& dir);
// dir + "/queue/hw_sector_size"; a failed open is tried again every 10 ms, at most 11 more times.
uint32_t dmhGetDevHwSectorSize(const std::string& dir);
// The last line of dir/serial copied into the caller's buffer (cut to `size`, not terminated);
// 0, or -2 for a missing argument or an unreadable file.
int32_t dmhParseSerialFile(const std::string& dir, char* out, size_t size);
// 1 when the system path exists, else 0.
int32_t dmhCheckFile(const std::string& path);

// Reads dir/uevent into `out` in lines of up to 256 bytes; 0, or -2 for a missing argument or a file
// that cannot be opened. A "DEVNAME=" line naming a four-character partition (not "mmc...") first
// tries the FUSE exFAT mount of it under "/data/mnt", up to five rounds.
int32_t dmhParseUeventFile(const std::string& dir, DmhBlkUeventAttr* out);
// Clears the strings; 0, or -2 for no record.
int32_t dmhFreeUeventFile(DmhBlkUeventAttr* attr);
