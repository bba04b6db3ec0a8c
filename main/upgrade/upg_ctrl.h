// The upg_control application: the upgrade status of the system, the ten-minute check for a network
// upgrade in the early morning, the console table "upg_ctrl", the start of the download thread,
// every call of the flashing program, the end of an attempt (the new ID file saved, then a forced
// reboot) and the USB-stick system upgrade.
#pragma once

#include "main/am/aee/aee.h"
#include "main/am/amb/amb.h"
#include "main/state_mngr/state_mngr.h"

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

// ui4_msg_type of the USB-stick upgrade request (id E_APP_MSG_TYPE_STATE_MNGR, sender MSG_FROM_UI).
constexpr uint32_t UPG_MSG_USB_UPGRADE = 32;

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

void aUpgCtrlRegister(amb_register_info_t* info);
int32_t upgCtrlAppStart(const char* name, handle_t app_handle);
int32_t upgCtrlAppExit(handle_t app, uint32_t exitCode);
// @return 0; -1 when the application is not started.
int32_t upgCtrlAppProcessMsg(handle_t app, uint32_t msg_id, const void* payload, uint32_t size);

void upgCtrlSetStatus(uint32_t status);
uint32_t upgCtrlGetStatus(void);

// Sends the 520-byte internal message to the application of that name. @return 0 or -1.
int32_t upgCtrlSendMsg(const upg_ctrl_msg* msg, const char* app_name);
// Asks the application to create the download thread. @return 0 or the send error.
int32_t upgCtrlDownloadFirmware(void);
// @return 0 or the thread layer's error.
int32_t upgCtrlCreateDownloadThread(void);
// Runs the flashing program on what the download thread handed over, then wakes it.
int32_t upgCtrlFlashData(UpgDlControl* ctrl);
int32_t upgCtrlFlashPkgData(UpgDlControl* ctrl);
int32_t upgCtrlUpgradeDone(void);
int32_t upgCtrlUpgradeFailed(void);
// The periodic check: starts an attempt between 04:00 and 06:59 local time. @return 0 or -1.
int32_t upgCtrlCheckUpgrade(void);
// Console `ota_dl`: starts an attempt at once. @return 0 or the failing step's result.
int32_t upgCtrlUpgradeTest(int argc, char** argv);
// Flashes the mounted USB stick. @return 0 or -1.
int32_t upgCtrlUsbUpgradeEvent(void);
// Recovery upgrade from the stick's "update/update.zip", then a reboot. @return 0 or -1.
int32_t upgCtrlUsbMountEventHandle(void);
int32_t upgCtrlStartTimer(void);
int32_t upgCtrlAttachCliCmdTable(void);

// Ends with "reboot -f" after a successful upgrade, through the shell-command client.
constexpr const char* UPG_REBOOT_CMD = "reboot -f";
