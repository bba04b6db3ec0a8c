// The upg_control application: the upgrade status of the system, the ten-minute check for a network
// upgrade in the early morning, the console table "upg_ctrl", the start of the download thread,
// every call of the flashing program, the end of an attempt (the new ID file saved, then a forced
// reboot) and the USB-stick system upgrade.
#pragma once

#include "main/am/aee/aee.h"
#include "main/am/amb/amb.h"
#include "main/state_mngr/state_mngr.h"
#include "main/upgrade/upg_msg.h"

#include <cstdint>

// ui4_msg_type of the USB-stick upgrade request (id E_APP_MSG_TYPE_STATE_MNGR, sender MSG_FROM_UI).
constexpr uint32_t UPG_MSG_USB_UPGRADE = 32;

void aUpgCtrlRegister(amb_register_info_t* info);
int32_t upgCtrlAppStart(const char* name, handle_t app_handle);
int32_t upgCtrlAppExit(handle_t app, uint32_t exitCode);
// @return 0; -1 when the application is not started.
int32_t upgCtrlAppProcessMsg(handle_t app, uint32_t msg_id, const void* payload, uint32_t size);

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
