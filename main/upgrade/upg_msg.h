// What the upgrade application and its download thread share: the upgrade status of the system
// and the application's internal message, which the download thread posts to it as well.
#pragma once

#include "main/am/aee/aee.h"

#include <cstdint>

struct UpgDlControl;

constexpr const char* UPG_CTRL_APP_NAME = "upg_control";

enum upg_status : uint32_t {
    UPG_STATUS_IDLE = 0,
    UPG_STATUS_UPGRADING = 1,  // an attempt runs; further checks and ota_dl are refused
    UPG_STATUS_CANCELLED = 2,  // every fetch and download callback aborts
    UPG_STATUS_FAILED = 3,
    UPG_STATUS_DONE = 4,  // flashed and the ID file saved; the reboot follows
};

// ui4_msg_type of the internal message (id E_APP_MSG_TYPE_UPG_INTERNAL).
enum upg_ctrl_cmd : uint32_t {
    UPG_MSG_DOWNLOAD = 0,    // create the download thread
    UPG_MSG_FLASH_DATA = 1,  // run the flashing program on the data of the record carried along
    UPG_MSG_DONE = 2,
    UPG_MSG_FAILED = 3,
};

// The upgrade component's messages to itself; the other senders are the state manager's msg_from.
constexpr uint32_t MSG_FROM_UPG_CONTROL = 10;

// The internal message: an appmsg_t from MSG_FROM_UPG_CONTROL with zero data (520 bytes); the
// download thread's form carries the download control record's address behind it. It never leaves
// the process.
constexpr uint32_t UPG_CTRL_MSG_SIZE = sizeof(appmsg_t);
constexpr uint32_t UPG_DL_MSG_SIZE = sizeof(appmsg_t) + sizeof(UpgDlControl*);
static_assert(sizeof(void*) != 4 || UPG_DL_MSG_SIZE == 524, "the board's download message is 524 bytes");

struct upg_ctrl_msg {
    uint32_t ui4_sender_id;
    uint32_t ui4_msg_type;   // upg_ctrl_cmd
    UpgDlControl* prDlCtrl;  // download thread's form only
};

// Fills the 520 bytes of the application's own form, or the UPG_DL_MSG_SIZE bytes of the download
// thread's form.
void upgCtrlMsgEncode(const upg_ctrl_msg* msg, uint8_t* out, uint32_t size);
// Reads a received message; false when it is shorter than UPG_CTRL_MSG_SIZE. The record address is
// taken only from a message long enough to carry it, else null.
bool upgCtrlMsgDecode(const void* data, uint32_t size, upg_ctrl_msg* msg);

// The status, logged when set ("set status:<new>, last status:<old>").
void upgCtrlSetStatus(uint32_t status);
uint32_t upgCtrlGetStatus(void);
// Claims the status for a new attempt unless one runs (or, with refuseDone, one has finished):
// the console and the application thread may both try at once. `seen` is the status found.
bool upgCtrlClaimAttempt(bool refuseDone, uint32_t* seen);
// Back to idle without a log line (the application's start).
void upgCtrlResetStatus(void);
