// One kernel uevent datagram parsed into its keys: "<action>@<devpath>", NUL, then NUL-separated
// KEY=VALUE strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The largest datagram the hotplug thread takes (and a text of this length or more is refused).
constexpr size_t DMH_UEVENT_BUF_SIZE = 4096;

struct DmhUeventMsg {
    uint32_t uMajor = 0;           // "MAJOR="
    uint32_t uMinor = 0;           // "MINOR="
    uint32_t uSeqNum = 0;          // "SEQNUM="
    uint32_t uDevNum = 0;          // "DEVNUM=": 1 marks a root hub
    uint32_t uMediaDisappear = 0;  // "DISK_EVENT_MEDIA_DISAPPEAR=", logged only
    uint8_t uBusNum = 0;           // "BUSNUM=", cut to 8 bits
    uint8_t uSwitchState = 0;      // "SWITCH_STATE=", cut to 8 bits
    std::optional<std::string> p_dev_type;
    std::optional<std::string> p_dev_path;  // the kernel path without "/sys"
    std::optional<std::string> p_driver;
    std::optional<std::string> p_action;
    std::optional<std::string> p_subsystem;  // the first occurrence is kept
    std::optional<std::string> p_product;
    std::optional<std::string> p_type;
    std::optional<std::string> p_interface;
    std::optional<std::string> p_modalias;
};

// Parses the `len` bytes received in `buf`, which the caller has terminated at buf[len]. Refuses
// (nullptr) a header text whose length with its NUL is below 5 or DMH_UEVENT_BUF_SIZE and more
// ("[DMH]invalid message length "), and a header without "@/" ("[DMH]unrecognized message
// header "). Strings are read up to an empty one or the end of the bytes received; every string key
// but SUBSYSTEM takes its last occurrence, and a number that does not convert, or is out of the
// u32 range, reads 0.
std::unique_ptr<DmhUeventMsg> dmhGetNetlinkDev(const char* buf, size_t len);

// Frees the record and clears the caller's pointer; 0, or -2 for no record.
int32_t dmhFreeNetlinkDev(std::unique_ptr<DmhUeventMsg>* msg);

// A decimal text as the kernel's keys are read: 0 when it does not convert or leaves the u32 range.
uint32_t dmhDecimal(const char* text);
