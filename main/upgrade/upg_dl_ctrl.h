// Download control: the one record `gDlControl` that the download thread and the application thread
// share during an attempt, the libcurl handle, the size probe, the fetch of a byte range ended by
// the write callback once its length has arrived, its resumption after errors, the save file, and
// the hand-off of data to the application thread and the wait for it.
#pragma once

#include "main/upgrade/upg_msg.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <mutex>

typedef void CURL;

constexpr uint32_t UPG_MAX_IMAGES = 4;
constexpr uint32_t UPG_IMG_NAME_LEN = 66;  // 65 characters and the terminator
constexpr uint32_t UPG_PATH_LEN = 256;

// Package file names on the server and as save files, and the save directories.
constexpr const char* UPG_PKG_NAME = "update.zip";
constexpr const char* UPG_SEG_PKG_NAME = "update.bin";
#define UPG_PKG_DIR "/data/misc/"
#define UPG_SEG_PKG_DIR "/tmp/update/"

// The fields of a zip local file header, as the package walk reads them.
struct UpgZipLocalHeader {
    uint32_t signature;
    uint32_t crc32;
    uint32_t comp_size;
    uint32_t uncomp_size;
    uint16_t version;
    uint16_t gp_bit_flag;
    uint16_t comp_method;
    uint16_t mod_time;
    uint16_t mod_date;
    uint16_t name_len;
    uint16_t ext_field_length;
};

struct UpgDlImageRec {
    uint32_t mDataOffset;  // of the image's data in the package
    int32_t mFlashUnit;    // bytes per flash unit (segment mode)
    int32_t mDownloaded;   // bytes of the image received so far
    int32_t mFlashed;      // bytes of the image flashed so far
    uint32_t mEraseSize;
    uint32_t mPartSize;
    uint8_t mUnitFlashed;  // wake flag of segment mode; under mMutex
    uint8_t mDone;         // every byte of the image received
    UpgZipLocalHeader mHeader;
    char mName[UPG_IMG_NAME_LEN];  // the image's file name in the package, terminated
};

struct UpgDlControl {
    std::condition_variable mCond;  // signalled by upgDownloadWakeUp
    std::mutex mMutex;              // guards the wake flags
    int32_t mPkgSize;
    uint32_t mRequestSize;
    uint32_t mDownloadedSize;
    FILE* mSaveFp;
    CURL* mCurl;
    uint8_t* mPkgHeaderBuf;
    uint8_t mCurImgIdx;
    uint8_t mImgCount;
    uint8_t mLowMemMode;
    uint8_t mCurlInited;
    uint8_t mRequestHeader;
    uint8_t mIsRequestDone;  // the request has arrived whole; also the wake flag of normal mode
    char mUrl[UPG_PATH_LEN];
    char mSavePath[UPG_PATH_LEN];  // a system path
    UpgDlImageRec mImg[UPG_MAX_IMAGES];
};

extern UpgDlControl gDlControl;

// libcurl's write callback shape, with the control record as its data.
typedef size_t (*upg_dl_write_fct)(char* data, size_t size, size_t nmemb, void* ctrl);

// Clears the record for a new package, derives its URL and save path, probes its size and opens the
// save file (a failure to open is only logged: upgDlReopenPkgSaveFile opens it again).
// @return 0; -1 when the package URL does not fit the record.
int32_t upgDlCtrlInit(UpgDlControl* ctrl, const char* save_dir, int32_t size, uint8_t low_mem);

// One step of fetching a package; its name goes into the line logged when it fails.
struct UpgDlStep {
    const char* name;
    int32_t (*run)(UpgDlControl* ctrl, uint32_t image_count);
};

// The step of a function that needs only the control record.
template <auto Fn>
int32_t upgDlStepOf(UpgDlControl* ctrl, uint32_t)
{
    return Fn(ctrl);
}

// Fetches a package into gDlControl: upgDlCtrlInit, then the steps in order until one fails, each
// failure logged as "<name> failed"; upgDlCtrlClean in every case.
// @return 0, or the result of upgDlCtrlInit or of the step that failed.
int32_t upgDlRunSteps(const char* save_dir, int32_t size, uint8_t low_mem, uint32_t image_count,
                      std::initializer_list<UpgDlStep> steps);
// Clears the request fields. @return 0.
int32_t upgDlCtrlReset(UpgDlControl* ctrl);
// Ends the libcurl handle, closes and removes the save file.
void upgDlCtrlClean(UpgDlControl* ctrl);
// @return 0 or -1.
int32_t upgDlCurlInit(UpgDlControl* ctrl, upg_dl_write_fct callback);
// Ends the current libcurl handle, if any.
void upgDlCurlClean(UpgDlControl* ctrl);
// The size the server reports for url, or -1.
double upgDlGetPkgSize(const char* url);
// Fetches from `offset`; `length` non-zero sets the request size. Errors are resumed.
// @return 0 when the request arrived or the transfer ended cleanly; -1.
int32_t upgDlGetPkgFromOffset(UpgDlControl* ctrl, uint32_t offset, uint32_t length);
// Up to 60 further attempts from base plus what arrived. @return 0 or -1.
int32_t upgDlResume(UpgDlControl* ctrl, uint32_t base);
// An empty save file. @return 0 or -1.
int32_t upgDlReopenPkgSaveFile(UpgDlControl* ctrl);

// @return 0; -1 when the attempt is cancelled.
int32_t upgDlCheckStatus(void);
int32_t upgDlSetStatus(uint32_t status);

// Blocks until *flag is set or the attempt is cancelled (the flag is cleared by the caller before it
// asks). @return 0.
int32_t upgDownloadWait(UpgDlControl* ctrl, uint8_t* flag);
// Sets *flag and wakes the waiter. @return 0.
int32_t upgDownloadWakeUp(UpgDlControl* ctrl, uint8_t* flag);
// Sets or reads a wake flag under mMutex.
void upgDlSetFlag(UpgDlControl* ctrl, uint8_t* flag, uint8_t value);
uint8_t upgDlGetFlag(UpgDlControl* ctrl, const uint8_t* flag);

// The download thread's messages to the application. @return 0 or the send error.
int32_t upgDlSendMsg(const upg_ctrl_msg* msg, const char* app_name);
int32_t upgDlRequestFlashData(UpgDlControl* ctrl);
int32_t upgDlNotifyUpgradeDone(void);
int32_t upgDlNotifyUpgradeFailed(void);

// The pause before a new attempt after a refused connection; tests replace it (null restores it).
typedef void (*upg_dl_delay_fct)(uint32_t ms);
void upgDlSetDelayFunction(upg_dl_delay_fct delay);
