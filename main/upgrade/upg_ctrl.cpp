#include "main/upgrade/upg_ctrl.h"

#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/cli/dbg_level.h"
#include "main/device_mngr/dm_mount.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/timerd/os_timer.h"
#include "main/upgrade/upg_dl_ctrl.h"
#include "main/upgrade/upg_download.h"
#include "main/upgrade/upg_id.h"
#include "main/upgrade/upg_log.h"
#include "main/upgrade/upg_seg.h"
#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"
#include "platform/wallclock/wallclock.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <curl/curl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

constexpr amb_app_sizes_t kSizes = {65536, 180, 32, 32, 4096};
constexpr uint32_t kCliMask = 2;
constexpr uint32_t kCheckPeriodMs = 600000;
constexpr uint32_t kTimerKindCheck = 0;
constexpr int kWindowFirstHour = 4;
constexpr int kWindowLastHour = 6;
constexpr uint32_t kDlThreadStack = 40960;
constexpr uint8_t kDlThreadPriority = 180;
constexpr size_t kCmdLen = 256;  // 255 characters and the terminator
constexpr size_t kMntPathMax = 95;

struct UpgCtrlContext {
    handle_t hAppHandle = 0;
    os_timer_t* prTimer = nullptr;
    std::atomic<bool> fgInited{false};
    // The download thread, which nothing else joins: the exit waits for it to end.
    std::mutex dlLock;
    std::condition_variable dlEnded;
    bool dlRunning = false;
};

UpgCtrlContext gCtrl;

using UpgCtrlLevelCmds = CliDbgLevelCmds<upgCtrlGetDbgLevel, upgCtrlSetDbgLevel>;

int upgCtrlCliOtaDl(int argc, char** argv)
{
    return upgCtrlUpgradeTest(argc, argv);
}

const cli_cmd_t kUpgCtrlCmds[] = {
    {"gdl", nullptr, UpgCtrlLevelCmds::get, nullptr, "Get debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"sdl", nullptr, UpgCtrlLevelCmds::set, nullptr, "Set debug level (e=error, a=api, i=info, n=none)",
     CLI_ACCESS_NORMAL},
    {"ota_dl", nullptr, upgCtrlCliOtaDl, nullptr, "ota_dl", CLI_ACCESS_NORMAL},
    {"set_url", nullptr, upgCtrlCliSetUrl, nullptr, "set_url", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kUpgCtrlTable[] = {
    {"upg_ctrl", "upg_ctrl", nullptr, kUpgCtrlCmds, "upg_control commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

// A mount path goes into shell lines: only plain path characters pass.
bool isPlainPath(const char* path)
{
    if (path[0] != '/' || strstr(path, "..") != nullptr) {
        return false;
    }
    for (const char* p = path; *p != '\0'; ++p) {
        const char c = *p;
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                        c == '_' || c == '-' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

// The stick's mount path, checked for use in a command line. @return 0 or -1.
int32_t mountPath(char* out, size_t size)
{
    DmMntInfo info{};
    const int32_t result = uDmGetMntInfo(&info);
    if (result != DMR_OK) {
        upgLog(DBG_LEVEL_ERROR, "get mnt info failed, ret:%d\n", result);
        return -1;
    }
    info.acMntPath[sizeof info.acMntPath - 1] = '\0';
    if (!isPlainPath(info.acMntPath)) {
        upgLog(DBG_LEVEL_ERROR, "mount path refused: %s\n", info.acMntPath);
        return -1;
    }
    snprintf(out, size, "%s", info.acMntPath);
    return 0;
}

// Builds a command line of at most 255 characters. @return false when it would be longer.
bool buildCmd(char* cmd, const char* format, const char* a, const char* b = nullptr)
{
    const int n = snprintf(cmd, kCmdLen, format, a, b);
    if (n < 0 || static_cast<size_t>(n) >= kCmdLen) {
        upgLog(DBG_LEVEL_ERROR, "command line too long");
        return false;
    }
    return true;
}

// Steps shared by the periodic check and ota_dl once the attempt is claimed.
int32_t startAttempt(const char* checkFailed, const char* downloadFailed)
{
    int32_t result = upgCtrlCheckIdInfo();
    if (result != 0) {
        upgCtrlSetStatus(UPG_STATUS_FAILED);
        upgLog(DBG_LEVEL_ERROR, "%s", checkFailed);
        return result;
    }
    result = upgCtrlDownloadFirmware();
    if (result != 0) {
        upgCtrlSetStatus(UPG_STATUS_FAILED);
        upgLog(DBG_LEVEL_ERROR, "%s", downloadFailed);
    }
    return result;
}

void downloadThreadMain(void* arg)
{
    upgDownloadThread(arg);
    std::lock_guard<std::mutex> guard(gCtrl.dlLock);
    gCtrl.dlRunning = false;
    gCtrl.dlEnded.notify_all();
}

// Cancels a running download and waits until its thread has ended.
void stopDownloadThread()
{
    std::unique_lock<std::mutex> lock(gCtrl.dlLock);
    if (!gCtrl.dlRunning) {
        return;
    }
    upgCtrlSetStatus(UPG_STATUS_CANCELLED);
    {
        // A thread waiting for a flash that will not come is released.
        std::lock_guard<std::mutex> flags(gDlControl.mMutex);
        gDlControl.mIsRequestDone = 1;
        for (UpgDlImageRec& img : gDlControl.mImg) {
            img.mUnitFlashed = 1;
        }
        gDlControl.mCond.notify_all();
    }
    gCtrl.dlEnded.wait(lock, [] { return !gCtrl.dlRunning; });
}

int32_t upgCtrlTimerMsgHandle(const void* payload, uint32_t size)
{
    uint32_t kind = UINT32_MAX;
    if (payload != nullptr && size >= sizeof kind) {
        memcpy(&kind, payload, sizeof kind);
    }
    upgLog(DBG_LEVEL_API, "recieve timer msg, type:%d\n", static_cast<int>(kind));
    if (kind == kTimerKindCheck) {
        upgCtrlCheckUpgrade();
    }
    return 0;
}

int32_t upgCtrlSmMsgHandle(const void* payload, uint32_t size)
{
    upg_ctrl_msg msg{};
    if (!upgCtrlMsgDecode(payload, size, &msg)) {
        upgLog(DBG_LEVEL_ERROR, "wrong msg size:%u, should be:%u\n", size, UPG_CTRL_MSG_SIZE);
        return 0;
    }
    upgLog(DBG_LEVEL_API, "recieve state manager msg, type:%d\n", static_cast<int>(msg.ui4_msg_type));
    if (msg.ui4_msg_type == UPG_MSG_USB_UPGRADE) {
        if (upgCtrlUsbUpgradeEvent() == 0) {
            upgLog(DBG_LEVEL_ERROR, "upgrade succeed !!!!!!!!!!!!!!!!!!!!!!!");
        } else {
            upgLog(DBG_LEVEL_ERROR, "upgrade failed !!!!!!!!!!!!!!!!!!!!!!!");
        }
    }
    return 0;
}

int32_t upgCtrlInternalMsgHandle(const void* payload, uint32_t size)
{
    upg_ctrl_msg msg{};
    if (!upgCtrlMsgDecode(payload, size, &msg)) {
        upgLog(DBG_LEVEL_ERROR, "wrong msg size:%u, should be:%u\n", size, UPG_CTRL_MSG_SIZE);
        return 0;
    }
    upgLog(DBG_LEVEL_API, "recieve internal msg, type:%d\n", static_cast<int>(msg.ui4_msg_type));
    switch (msg.ui4_msg_type) {
    case UPG_MSG_DOWNLOAD:
        upgCtrlCreateDownloadThread();
        break;
    case UPG_MSG_FLASH_DATA:
        // Only the one download control record is ever flashed from.
        if (msg.prDlCtrl != &gDlControl) {
            upgLog(DBG_LEVEL_ERROR, "flash request without the download record");
            break;
        }
        upgCtrlFlashData(msg.prDlCtrl);
        break;
    case UPG_MSG_DONE:
        upgCtrlUpgradeDone();
        break;
    case UPG_MSG_FAILED:
        upgCtrlUpgradeFailed();
        break;
    default:
        break;
    }
    return 0;
}

int32_t upgCtrlUsbMntBrdcstHandle(const void* payload, uint32_t size)
{
    if (payload == nullptr || size != sizeof(uint32_t)) {
        upgLog(DBG_LEVEL_ERROR, "wrong msg size:%d, should be:%d\n", static_cast<int>(size),
               static_cast<int>(sizeof(uint32_t)));
        return 0;
    }
    uint32_t event = 0;
    memcpy(&event, payload, sizeof event);
    if (event == DM_USB_MOUNTED) {
        upgLog(DBG_LEVEL_INFO, "recieve USB mount event");
    } else if (event == DM_USB_UNMOUNTED) {
        upgLog(DBG_LEVEL_INFO, "recieve USB unmount event");
    }
    return 0;
}

}  // namespace

void aUpgCtrlRegister(amb_register_info_t* info)
{
    upgLog(DBG_LEVEL_API, "call %s\n", __func__);
    if (gCtrl.fgInited.load()) {
        upgLog(DBG_LEVEL_ERROR, "Upg control already inited");
        return;
    }
    amb_fill_register_info(info, UPG_CTRL_APP_NAME, {upgCtrlAppStart, upgCtrlAppExit, upgCtrlAppProcessMsg}, kSizes);
}

int32_t upgCtrlAppStart(const char*, handle_t app_handle)
{
    if (gCtrl.fgInited.load()) {
        upgLog(DBG_LEVEL_ERROR, "<UPG_CTRL>upg control already inited");
        return 0;
    }
    upgCtrlResetStatus();
    gCtrl.hAppHandle = app_handle;
    gCtrl.prTimer = nullptr;
    if (upgCtrlInitLoggingMutex() != 0) {
        upgLog(DBG_LEVEL_ERROR, "<UPG_CTRL>Init logging Mutex lock failed");
        return -1;
    }
    upgLog(DBG_LEVEL_API, "WARNING: Doing curl_global_init, it is not thread safe, ensure there is not any other curl "
                          "thread runing in the program!!");
    curl_global_init(CURL_GLOBAL_ALL);
    const int32_t attached = upgCtrlAttachCliCmdTable();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        upgLog(DBG_LEVEL_ERROR, "attach CLI cmd failed");
        return -1;
    }
    if (u_timer_create(&gCtrl.prTimer) != 0) {
        upgLog(DBG_LEVEL_ERROR, "create timer failed");
        return -1;
    }
    gCtrl.fgInited.store(true);
    upgCtrlSetStatus(UPG_STATUS_IDLE);
    if (upgCtrlStartTimer() != 0) {
        upgLog(DBG_LEVEL_ERROR, "check timer failed");
        return -1;
    }
    return 0;
}

int32_t upgCtrlAppExit(handle_t, uint32_t)
{
    if (gCtrl.prTimer != nullptr) {
        u_timer_stop(gCtrl.prTimer);
        u_timer_delete(gCtrl.prTimer);
        gCtrl.prTimer = nullptr;
    }
    stopDownloadThread();
    upgCtrlLoggingDeinit();
    upgLog(DBG_LEVEL_API, "WARNING: Doing curl_global_cleanup, it is not thread safe, ensure there is not any other "
                          "curl thread runing in the program!");
    curl_global_cleanup();
    u_cli_detach_cmd_tbl(kUpgCtrlTable, CLI_GRP_APP, kCliMask, 0);
    gCtrl.fgInited.store(false);
    return 0;
}

int32_t upgCtrlAppProcessMsg(handle_t, uint32_t msg_id, const void* payload, uint32_t size)
{
    if (!gCtrl.fgInited.load()) {
        upgLog(DBG_LEVEL_ERROR, "upg contorl not init");
        return -1;
    }
    switch (msg_id) {
    case E_APP_MSG_TYPE_TIMER:
        upgCtrlTimerMsgHandle(payload, size);
        break;
    case E_APP_MSG_TYPE_STATE_MNGR:
        upgCtrlSmMsgHandle(payload, size);
        break;
    case E_APP_MSG_TYPE_UPG_INTERNAL:
        upgCtrlInternalMsgHandle(payload, size);
        break;
    case DM_BRDCST_MSG_USB_MNT:
        upgCtrlUsbMntBrdcstHandle(payload, size);
        break;
    default:
        break;
    }
    return 0;
}

int32_t upgCtrlSendMsg(const upg_ctrl_msg* msg, const char* app_name)
{
    handle_t app = 0;
    if (u_am_get_app_handle_from_name(&app, app_name) != 0) {
        upgLog(DBG_LEVEL_ERROR, "get app handle by name failed");
        return -1;
    }
    uint8_t body[UPG_CTRL_MSG_SIZE];
    upgCtrlMsgEncode(msg, body, sizeof body);
    if (u_app_send_msg(app, E_APP_MSG_TYPE_UPG_INTERNAL, body, sizeof body, nullptr, 0) != 0) {
        upgLog(DBG_LEVEL_ERROR, "send msg failed");
        return -1;
    }
    return 0;
}

int32_t upgCtrlDownloadFirmware(void)
{
    const upg_ctrl_msg msg{MSG_FROM_UPG_CONTROL, UPG_MSG_DOWNLOAD, nullptr};
    const int32_t result = upgCtrlSendMsg(&msg, UPG_CTRL_APP_NAME);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, " [UPG_FAILED_ERR] send msg failed:%d\n", result);
    }
    return result;
}

int32_t upgCtrlCreateDownloadThread(void)
{
    upgLog(DBG_LEVEL_API, "request to download firmware");
    std::lock_guard<std::mutex> guard(gCtrl.dlLock);
    os_thread_t thread = nullptr;
    const int32_t result = gCtrl.dlRunning ? -1
                                           : uThreadCreate(&thread, UPG_DL_THREAD_NAME, kDlThreadStack,
                                                           kDlThreadPriority, downloadThreadMain, 0, nullptr);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, " [UPG_FAILED_ERR] upgCtrlCreateDownloadThread failed");
        // No thread will ever report: the attempt ends here.
        upgCtrlSetStatus(UPG_STATUS_FAILED);
        return result;
    }
    gCtrl.dlRunning = true;
    return 0;
}

int32_t upgCtrlFlashData(UpgDlControl* ctrl)
{
    upgLog(DBG_LEVEL_API, "request to flash package data");
    return ctrl->mLowMemMode ? upgCtrlSegFlashPkgData(ctrl) : upgCtrlFlashPkgData(ctrl);
}

int32_t upgCtrlFlashPkgData(UpgDlControl* ctrl)
{
    char cmd[kCmdLen];
    int status = -1;
    if (buildCmd(cmd, "quellip %s", ctrl->mSavePath)) {
        upgLog(DBG_LEVEL_INFO, "call quellip program: %s\n", cmd);
        status = quorid_exec(cmd, 0);
    }
    if (status != 0) {
        upgLog(DBG_LEVEL_ERROR, "quellip return err: %d\n", status);
        upgCtrlSetStatus(UPG_STATUS_CANCELLED);
    }
    upgDownloadWakeUp(ctrl, &ctrl->mIsRequestDone);
    return status;
}

int32_t upgCtrlUpgradeDone(void)
{
    const uint32_t status = upgCtrlGetStatus();
    if (status == UPG_STATUS_CANCELLED || status == UPG_STATUS_FAILED) {
        upgLog(DBG_LEVEL_ERROR, "upgrade failed, status:%u\n", status);
        upgLog(DBG_LEVEL_ERROR, "[UPG_FAILED_ERR] upgrade failed!");
        return -1;
    }
    const int32_t saved = upgCtrlSaveNewId();
    if (saved != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgCtrlSaveNewId failed");
        // The next check must be able to start a new attempt.
        upgCtrlSetStatus(UPG_STATUS_FAILED);
        upgCtrlLoggingDeinit();
        return saved;
    }
    upgCtrlSetStatus(UPG_STATUS_DONE);
    upgLog(DBG_LEVEL_INFO, " [UPG_SUCCESS] upgrade done! reboot system!");
    upgCtrlFlashLogFile();
    quorid_exec(UPG_REBOOT_CMD, 0);
    return 0;
}

int32_t upgCtrlUpgradeFailed(void)
{
    upgCtrlSetStatus(UPG_STATUS_FAILED);
    upgLog(DBG_LEVEL_ERROR, "[UPG_FAILED_ERR] upgrade failed!");
    upgCtrlLoggingDeinit();
    return 0;
}

int32_t upgCtrlCheckUpgrade(void)
{
    struct tm now {};
    if (sbWallClockLocal(&now) != 0) {
        upgLog(DBG_LEVEL_ERROR, "get localtime failed");
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "current time:%2d:%2d\n", now.tm_hour, now.tm_min);
    if (now.tm_hour < kWindowFirstHour || now.tm_hour > kWindowLastHour) {
        return 0;
    }
    uint32_t seen = 0;
    if (!upgCtrlClaimAttempt(true, &seen)) {
        upgLog(DBG_LEVEL_INFO,
               seen == UPG_STATUS_DONE ? "already upgrade done, need to reboot system" : "system is under upgrading");
        return 0;
    }
    return startAttempt("check ID info failed", "download firmware failed");
}

int32_t upgCtrlUpgradeTest(int, char**)
{
    uint32_t seen = 0;
    if (!upgCtrlClaimAttempt(false, &seen)) {
        upgLog(DBG_LEVEL_INFO, "system is now upgrading");
        return 0;
    }
    return startAttempt(" [UPG_FAILED_ERR] upgCtrlCheckIdInfo failed", "upgCtrlDownloadFirmware failed");
}

int32_t upgCtrlUsbUpgradeEvent(void)
{
    char path[DM_MNT_PATH_LEN];
    if (mountPath(path, sizeof path) != 0) {
        return -1;
    }
    char cmd[kCmdLen];
    if (!buildCmd(cmd, "quellip %s", path)) {
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "update Upgrade partitions");
    if (quorid_exec(cmd, 0) != 0) {
        upgLog(DBG_LEVEL_ERROR, "update Upgrade partitions failed");
        return -1;
    }
    return 0;
}

int32_t upgCtrlUsbMountEventHandle(void)
{
    char path[DM_MNT_PATH_LEN];
    if (mountPath(path, sizeof path) != 0) {
        return -1;
    }
    char package[kCmdLen];
    snprintf(package, sizeof package, "%.*s/update/update.zip", static_cast<int>(kMntPathMax), path);
    upgLog(DBG_LEVEL_INFO, "USB upgrade file:%s\n", package);
    if (access(sb::path(package).c_str(), F_OK) != 0) {
        upgLog(DBG_LEVEL_ERROR, "access package from USB failed");
        return -1;
    }
    char cmd[kCmdLen];
    upgLog(DBG_LEVEL_INFO, "update recovery partitions");
    if (!buildCmd(cmd, "quellip %s/update/update.zip %s/", path, path) || quorid_exec(cmd, 0) != 0) {
        upgLog(DBG_LEVEL_ERROR, "update recovery partitions failed");
        return -1;
    }
    upgLog(DBG_LEVEL_INFO, "upgrade recovery done, change name and reboot to recovery");
    if (buildCmd(cmd, "mv %s/update/update.zip %s/update/update_normal.zip", path, path)) {
        (void)quorid_exec(cmd, 0);
    }
    if (quorid_exec("quellip reboot-recovery", 0) != 0) {
        upgLog(DBG_LEVEL_ERROR, "quellip reboot-recovery failed");
    }
    if (quorid_exec(UPG_REBOOT_CMD, 0) != 0) {
        upgLog(DBG_LEVEL_ERROR, "system reboot failed");
        return -1;
    }
    return 0;
}

int32_t upgCtrlStartTimer(void)
{
    upgLog(DBG_LEVEL_INFO, "upgrade checking timer start");
    u_timer_stop(gCtrl.prTimer);
    const timer_param_t param{gCtrl.prTimer, kCheckPeriodMs, TIMER_MODE_REPEAT};
    const uint32_t kind = kTimerKindCheck;
    if (u_timer_start(gCtrl.hAppHandle, &param, &kind, sizeof kind) != 0) {
        upgLog(DBG_LEVEL_ERROR, "start timer fail");
        return -1;
    }
    return 0;
}

int32_t upgCtrlAttachCliCmdTable(void)
{
    return u_cli_attach_cmd_tbl(kUpgCtrlTable, CLI_GRP_APP, kCliMask, 0);
}
