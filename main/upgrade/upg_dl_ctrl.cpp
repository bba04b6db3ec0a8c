#include "main/upgrade/upg_dl_ctrl.h"

#include "main/am/am.h"
#include "main/cli/dbg_level.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/upgrade/upg_id.h"
#include "main/upgrade/upg_log.h"
#include "platform/sbroot/sb_root.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <curl/curl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

UpgDlControl gDlControl;

namespace {

constexpr long kConnectTimeoutMs = 1000;
constexpr long kTransferTimeoutS = 600;
constexpr long kLowSpeedTimeS = 5;
constexpr long kLowSpeedLimit = 50;  // bytes per second
constexpr long kProbeTimeoutS = 5;
constexpr int kResumeAttempts = 60;
constexpr uint32_t kRefusedPauseMs = 1000;

void defaultDelay(uint32_t ms)
{
    uThreadDelay(ms);
}

struct DlCtrlState {
    std::atomic<upg_dl_delay_fct> delay{defaultDelay};
    // The error of the last transfer on the download thread, which decides the pause before the next.
    CURLcode lastCode = CURLE_OK;
};

DlCtrlState gDl;

void clearFields(UpgDlControl* ctrl)
{
    ctrl->mPkgSize = 0;
    ctrl->mRequestSize = 0;
    ctrl->mDownloadedSize = 0;
    ctrl->mSaveFp = nullptr;
    ctrl->mCurl = nullptr;
    ctrl->mPkgHeaderBuf = nullptr;
    ctrl->mCurImgIdx = 0;
    ctrl->mImgCount = 0;
    ctrl->mLowMemMode = 0;
    ctrl->mCurlInited = 0;
    ctrl->mRequestHeader = 0;
    ctrl->mIsRequestDone = 0;
    memset(ctrl->mUrl, 0, sizeof ctrl->mUrl);
    memset(ctrl->mSavePath, 0, sizeof ctrl->mSavePath);
    memset(ctrl->mImg, 0, sizeof ctrl->mImg);
}

double percentOf(uint32_t part, uint32_t whole)
{
    return whole == 0 ? 0.0 : static_cast<double>(part) * 100.0 / static_cast<double>(whole);
}

bool pathExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

CURLcode perform(UpgDlControl* ctrl, uint64_t from, char* errorBuf)
{
    errorBuf[0] = '\0';
    curl_easy_setopt(ctrl->mCurl, CURLOPT_ERRORBUFFER, errorBuf);
    // Always set: an offset of 0 must not keep the previous fetch's offset on this handle.
    curl_easy_setopt(ctrl->mCurl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(from));
    const CURLcode code = curl_easy_perform(ctrl->mCurl);
    gDl.lastCode = code;
    return code;
}

}  // namespace

int32_t upgDlCtrlInit(UpgDlControl* ctrl, const char* save_dir, int32_t size, uint8_t low_mem)
{
    clearFields(ctrl);
    const char* name = low_mem ? UPG_SEG_PKG_NAME : UPG_PKG_NAME;
    char idUrl[UPG_URL_LEN];
    char pkgUrl[UPG_URL_LEN];
    upgDlGetUrls(idUrl, pkgUrl);
    const std::string url = pkgUrl[0] != '\0' ? std::string(pkgUrl) : std::string(idUrl) + name;
    // A cut URL would name another file on the server.
    if (url.size() >= sizeof ctrl->mUrl) {
        upgLog(DBG_LEVEL_ERROR, "package URL longer than %u characters\n", UPG_PATH_LEN - 1);
        return -1;
    }
    memcpy(ctrl->mUrl, url.c_str(), url.size() + 1);
    ctrl->mLowMemMode = low_mem;
    ctrl->mPkgSize = size;
    std::string savePath = std::string(save_dir).substr(0, UPG_PATH_LEN - 1 - strlen(name)) + name;
    memcpy(ctrl->mSavePath, savePath.c_str(), savePath.size() + 1);
    const double probed = upgDlGetPkgSize(ctrl->mUrl);
    if (probed > 0 && probed <= static_cast<double>(INT32_MAX) && static_cast<int32_t>(probed) != size) {
        ctrl->mPkgSize = static_cast<int32_t>(probed);
        upgLog(DBG_LEVEL_INFO, "amend package size:%d.\n", ctrl->mPkgSize);
    }
    ctrl->mSaveFp = fopen(sb::path(ctrl->mSavePath).c_str(), "wb");
    if (ctrl->mSaveFp == nullptr) {
        upgLog(DBG_LEVEL_INFO, "open save file failed: %s reopen later\n", ctrl->mSavePath);
    }
    return 0;
}

int32_t upgDlCtrlReset(UpgDlControl* ctrl)
{
    ctrl->mRequestHeader = 0;
    ctrl->mRequestSize = 0;
    ctrl->mDownloadedSize = 0;
    ctrl->mPkgHeaderBuf = nullptr;
    upgDlSetFlag(ctrl, &ctrl->mIsRequestDone, 0);
    return 0;
}

void upgDlCurlClean(UpgDlControl* ctrl)
{
    if (ctrl->mCurl != nullptr) {
        curl_easy_cleanup(ctrl->mCurl);
        ctrl->mCurl = nullptr;
    }
}

int32_t upgDlRunSteps(const char* save_dir, int32_t size, uint8_t low_mem, uint32_t image_count,
                      std::initializer_list<UpgDlStep> steps)
{
    UpgDlControl* ctrl = &gDlControl;
    int32_t result = upgDlCtrlInit(ctrl, save_dir, size, low_mem);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCtrlInit failed");
    }
    for (const UpgDlStep& step : steps) {
        if (result != 0) {
            break;
        }
        result = step.run(ctrl, image_count);
        if (result != 0) {
            upgLog(DBG_LEVEL_ERROR, "%s failed", step.name);
        }
    }
    upgDlCtrlClean(ctrl);
    return result;
}

void upgDlCtrlClean(UpgDlControl* ctrl)
{
    upgDlCurlClean(ctrl);
    if (ctrl->mSaveFp != nullptr) {
        fclose(ctrl->mSaveFp);
        ctrl->mSaveFp = nullptr;
    }
    if (ctrl->mSavePath[0] != '\0') {
        const std::string path = sb::path(ctrl->mSavePath);
        if (pathExists(path)) {
            if (remove(path.c_str()) == 0) {
                upgLog(DBG_LEVEL_INFO, "remove %s \n", ctrl->mSavePath);
            } else {
                upgLog(DBG_LEVEL_ERROR, "remove %s failed\n", ctrl->mSavePath);
            }
        }
    }
}

int32_t upgDlCurlInit(UpgDlControl* ctrl, upg_dl_write_fct callback)
{
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "curl_easy_init error");
        return -1;
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, callback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, ctrl);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTransferTimeoutS);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedTimeS);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedLimit);
    curl_easy_setopt(curl, CURLOPT_URL, ctrl->mUrl);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    // An error page is never package data.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    upgLog(DBG_LEVEL_INFO, "curl initial URL: %s\n", ctrl->mUrl);
    ctrl->mCurl = curl;
    ctrl->mCurlInited = 1;
    return 0;
}

double upgDlGetPkgSize(const char* url)
{
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "curl_easy_init error");
        return -1;
    }
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "GET");
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // A server that never answers must not hold the attempt for good, and an error page has no
    // package size.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kProbeTimeoutS);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    double size = -1;
    if (curl_easy_perform(curl) != CURLE_OK) {
        upgLog(DBG_LEVEL_ERROR, "LowMemMode:get package size failed");
    } else {
        curl_off_t length = -1;
        if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK) {
            size = static_cast<double>(length);
        }
    }
    curl_easy_cleanup(curl);
    return size;
}

int32_t upgDlGetPkgFromOffset(UpgDlControl* ctrl, uint32_t offset, uint32_t length)
{
    if (!ctrl->mCurlInited || ctrl->mCurl == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "please init curl first");
        return -1;
    }
    if (length != 0) {
        ctrl->mRequestSize = length;
    }
    char errorBuf[CURL_ERROR_SIZE];
    upgLog(DBG_LEVEL_INFO, "[Download Start]from:%s, offset:%u, size:%u\n", ctrl->mUrl, offset, ctrl->mRequestSize);
    const CURLcode code = perform(ctrl, offset, errorBuf);
    if (code == CURLE_OK) {
        upgLog(DBG_LEVEL_INFO, "[Download Complete]downloaded size:%u\n", ctrl->mDownloadedSize);
        return 0;
    }
    if (upgDlCheckStatus() != 0) {
        upgLog(DBG_LEVEL_ERROR, "check upg status failed, download may be cancelled");
        return -1;
    }
    if (upgDlGetFlag(ctrl, &ctrl->mIsRequestDone)) {
        upgLog(DBG_LEVEL_INFO, "[Download Complete]downloaded size:%u\n", ctrl->mDownloadedSize);
        return 0;
    }
    upgLog(DBG_LEVEL_ERROR, "[Download Failed]error %s, %s\n", curl_easy_strerror(code), errorBuf);
    // A whole-package fetch counts its bytes from the package's start; a header or a unit counts
    // them from its own offset.
    const bool countsFromOffset = ctrl->mLowMemMode || ctrl->mRequestHeader;
    return upgDlResume(ctrl, countsFromOffset ? offset : 0);
}

int32_t upgDlResume(UpgDlControl* ctrl, uint32_t base)
{
    upgLog(DBG_LEVEL_API, "Trying to resume download from brocken");
    char errorBuf[CURL_ERROR_SIZE];
    for (int left = kResumeAttempts; left > 0; --left) {
        if (gDl.lastCode == CURLE_COULDNT_CONNECT) {
            gDl.delay.load()(kRefusedPauseMs);
        }
        const uint32_t received = ctrl->mDownloadedSize;
        upgLog(DBG_LEVEL_INFO, "resuming from offset:%u, size:%u progress: %0.2f%%\n", base + received,
               ctrl->mRequestSize, percentOf(received, ctrl->mRequestSize));
        // Everything asked for is here: whether it is right is for the digest to say.
        if (ctrl->mRequestSize != 0 && received >= ctrl->mRequestSize) {
            upgLog(DBG_LEVEL_INFO, "[Download Complete] size:%u\n", ctrl->mDownloadedSize);
            return 0;
        }
        const CURLcode code = perform(ctrl, static_cast<uint64_t>(base) + received, errorBuf);
        if (code == CURLE_OK) {
            upgLog(DBG_LEVEL_INFO, "[Download Complete] size:%u\n", ctrl->mDownloadedSize);
            return 0;
        }
        if (upgDlCheckStatus() != 0) {
            upgLog(DBG_LEVEL_ERROR, "check upg status failed, download may be cancelled");
            return -1;
        }
        if (upgDlGetFlag(ctrl, &ctrl->mIsRequestDone)) {
            upgLog(DBG_LEVEL_INFO, "[Download Complete] size:%u\n", ctrl->mDownloadedSize);
            return 0;
        }
        upgLog(DBG_LEVEL_ERROR, "download failed, err:%s. %s, times:%d\n", curl_easy_strerror(code), errorBuf,
               left - 1);
    }
    upgLog(DBG_LEVEL_ERROR, "resume download failed");
    return -1;
}

int32_t upgDlReopenPkgSaveFile(UpgDlControl* ctrl)
{
    const char* dir = ctrl->mLowMemMode ? UPG_SEG_PKG_DIR : UPG_PKG_DIR;
    if (ctrl->mSaveFp != nullptr) {
        upgLog(DBG_LEVEL_INFO, "close update file size: %ld\n", ftell(ctrl->mSaveFp));
        fclose(ctrl->mSaveFp);
        ctrl->mSaveFp = nullptr;
    }
    if (upgDlCreateDestDir(dir) != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCreateDestDir failed");
        return -1;
    }
    const std::string path = sb::path(ctrl->mSavePath);
    if (pathExists(path)) {
        upgLog(DBG_LEVEL_INFO, "remove %s\n", ctrl->mSavePath);
        if (remove(path.c_str()) != 0) {
            upgLog(DBG_LEVEL_ERROR, "remove %s failed\n", ctrl->mSavePath);
            return -1;
        }
    }
    ctrl->mSaveFp = fopen(path.c_str(), "wb");
    if (ctrl->mSaveFp == nullptr) {
        upgLog(DBG_LEVEL_ERROR, "fail to open save file:%s\n", ctrl->mSavePath);
        return -1;
    }
    return 0;
}

int32_t upgDlCheckStatus(void)
{
    const uint32_t status = upgCtrlGetStatus();
    if (status == UPG_STATUS_CANCELLED) {
        upgLog(DBG_LEVEL_ERROR, "upgDlCheckStatus failed:%u\n", status);
        return -1;
    }
    return 0;
}

int32_t upgDlSetStatus(uint32_t status)
{
    upgCtrlSetStatus(status);
    return 0;
}

void upgDlSetFlag(UpgDlControl* ctrl, uint8_t* flag, uint8_t value)
{
    std::lock_guard<std::mutex> guard(ctrl->mMutex);
    *flag = value;
}

uint8_t upgDlGetFlag(UpgDlControl* ctrl, const uint8_t* flag)
{
    std::lock_guard<std::mutex> guard(ctrl->mMutex);
    return *flag;
}

int32_t upgDownloadWait(UpgDlControl* ctrl, uint8_t* flag)
{
    std::unique_lock<std::mutex> lock(ctrl->mMutex);
    // A cancelled attempt gets no flash: the exit releases the flags only once, so a thread that
    // clears its flag after that would wait for good.
    while (*flag == 0 && upgCtrlGetStatus() != UPG_STATUS_CANCELLED) {
        upgLog(DBG_LEVEL_INFO, "upgDownloadWait");
        ctrl->mCond.wait(lock);
    }
    return 0;
}

int32_t upgDownloadWakeUp(UpgDlControl* ctrl, uint8_t* flag)
{
    std::lock_guard<std::mutex> guard(ctrl->mMutex);
    upgLog(DBG_LEVEL_INFO, "upgDownloadWakeUp");
    *flag = 1;
    ctrl->mCond.notify_all();
    return 0;
}

int32_t upgDlSendMsg(const upg_ctrl_msg* msg, const char* app_name)
{
    handle_t app = 0;
    int32_t result = u_am_get_app_handle_from_name(&app, app_name);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "get app handle by name failed:%d\n", result);
        return result;
    }
    uint8_t body[UPG_DL_MSG_SIZE];
    upgCtrlMsgEncode(msg, body, sizeof body);
    result = u_app_send_msg(app, E_APP_MSG_TYPE_UPG_INTERNAL, body, sizeof body, nullptr, 0);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "send msg failed:%d\n", result);
    }
    return result;
}

int32_t upgDlRequestFlashData(UpgDlControl* ctrl)
{
    const upg_ctrl_msg msg{MSG_FROM_UPG_CONTROL, UPG_MSG_FLASH_DATA, ctrl};
    const int32_t result = upgDlSendMsg(&msg, UPG_CTRL_APP_NAME);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlSendMsg failed:%d\n", result);
    }
    return result;
}

int32_t upgDlNotifyUpgradeDone(void)
{
    const upg_ctrl_msg msg{MSG_FROM_UPG_CONTROL, UPG_MSG_DONE, nullptr};
    const int32_t result = upgDlSendMsg(&msg, UPG_CTRL_APP_NAME);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlNotifyUpgradeDone failed:%d\n", result);
    }
    return result;
}

int32_t upgDlNotifyUpgradeFailed(void)
{
    const upg_ctrl_msg msg{MSG_FROM_UPG_CONTROL, UPG_MSG_FAILED, nullptr};
    const int32_t result = upgDlSendMsg(&msg, UPG_CTRL_APP_NAME);
    if (result != 0) {
        upgLog(DBG_LEVEL_ERROR, "upgDlNotifyUpgradeFailed failed:%d\n", result);
    }
    return result;
}

void upgDlSetDelayFunction(upg_dl_delay_fct delay)
{
    gDl.delay.store(delay != nullptr ? delay : defaultDelay);
}
