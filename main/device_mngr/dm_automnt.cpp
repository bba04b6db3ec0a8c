#include "main/device_mngr/dm_automnt.h"

#include "main/device_mngr/dm_core_priv.h"
#include "main/device_mngr/dm_log.h"
#include "main/device_mngr/dm_mount.h"
#include "main/device_mngr/u_fm_linux.h"
#include "main/mw/os_pthread/os_thread.h"
#include "main/mw/rwlock/rwlock.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kThreadStack = 4096;
constexpr uint8_t kThreadPriority = 120;
constexpr uint32_t kMountTries = 5;
constexpr uint32_t kMntDirMode = 0666;
constexpr uint32_t kUmountDelayMs = 1000;
constexpr uint32_t kNameSize = 32;

// The thread's copy of the descriptor's name, terminated.
void threadName(void* arg, char (&name)[kNameSize])
{
    std::memcpy(name, arg, kNameSize);
    name[kNameSize - 1] = '\0';
}

}  // namespace

bool dmDecApprove(const DmAutoMntRow& row, uint32_t tHwType, uint32_t tDevType)
{
    const bool hw = row.tHwType == 0 || row.tHwType == tHwType;
    const bool dev = row.tDevType == 0 || row.tDevType == tDevType ||
                     ((row.tDevType == DM_DEV_CHR_SOCKET || row.tDevType == DM_DEV_CHR_MEDIUM) &&
                      (tDevType & DM_DEV_CHR_MASK) == row.tDevType);
    return hw && dev;
}

int32_t dmInitAutomnt(void)
{
    DM_INFO("%s,%d\n", __func__, __LINE__);
    DmCore& core = dmCoreGet();
    if (uRwlReadLock(core.h_dev_lock, RWL_OPTION_WAIT) != RWLR_OK) {
        return DMR_RESOURCE;
    }
    core.b_automnt_init.store(1);
    int n = 0;
    for (const DmDevDesc* d = core.t_dev_list; d != nullptr; d = d->pt_next) {
        if ((d->tDevType & DM_DEV_CHR_MASK) == DM_DEV_CHR_MEDIUM && d->b_avail == 1) {
            DM_INFO("-----------------dmCheckAutomnt------------------%d!\n", n++);
            dmCheckAutomnt(d, 1);
        }
    }
    uRwlReleaseLock(core.h_dev_lock);
    return 0;
}

void dmCheckAutomnt(const DmDevDesc* desc, uint8_t bMnt)
{
    DmCore& core = dmCoreGet();
    if (core.b_automnt_init.load() == 0) {
        DM_INFO("[DM]%s(%d):b_automnt_init exit\n", __func__, __LINE__);
        return;
    }
    bool approved = false;
    for (const DmAutoMntRow& row : core.approval) {
        if (dmDecApprove(row, desc->tHwType, desc->tDevType)) {
            DM_INFO("[%s:%d]dmDecApprove\n", __func__, __LINE__);
            approved = true;
            break;
        }
    }
    if (!approved) {
        return;
    }
    char name[THREAD_NAME_LEN + 1];
    std::snprintf(name, sizeof(name), "mnt_%lu_%s", static_cast<unsigned long>(desc->h_self), bMnt == 1 ? "m" : "u");
    if (bMnt == 1) {
        DM_INFO("[%s:%d] bMnt = TRUE\n", __func__, __LINE__);
    } else {
        DM_INFO("[%s:%d] bMnt = FLASE\n", __func__, __LINE__);
    }
    char devName[kNameSize] = {};
    std::memcpy(devName, desc->pDevName, sizeof(devName) - 1);
    os_thread_t thread = nullptr;
    if (uThreadCreate(&thread, name, kThreadStack, kThreadPriority, bMnt == 1 ? dmMntThread : dmUmntThread,
                      sizeof(devName), devName) != OSR_OK) {
        DM_ERR("uThreadCreate: %s error.\n", name);
    }
}

namespace {

// The mount procedure of one partition; the labels it opened are left for the caller to close.
void mountPartition(const char* name, handle_t* mntLbl, handle_t* devLbl)
{
    uint32_t count = 0;
    if (uFmGetPartNs(0, name, &count) != FMR_OK) {
        DM_ERR("uFmGetPartNs:%s error.\n", name);
        return;
    }
    DM_INFO("uFmGetPartNs: uCount=%d.\n", static_cast<int>(count));
    if (count >= 2) {
        return;  // a whole disk with partitions: they are mounted one by one
    }
    if (uFmSetDirPath(0, "/data/mnt", mntLbl) != FMR_OK) {
        DM_ERR("uFmSetDirPath /data error.\n");
        return;
    }
    if (uFmSetDirPath(0, "/dev", devLbl) != FMR_OK) {
        DM_ERR("uFmSetDirPath /dev/block error.\n");
        return;
    }
    FM_PART_INFO_T part{};
    if (uFmGetPartInfo(*devLbl, name, 0, &part) != FMR_OK) {
        DM_ERR("uFmGetPartInfo:%s error.\n", name);
        return;
    }
    if (part.bMounted != 0) {
        return;
    }
    const int32_t made = uFmCreateDirFdr(*mntLbl, name, kMntDirMode);
    if (made != FMR_OK && made != -5) {
        DM_ERR("uFmCreateDirFdr:%s error.\n", name);
        return;
    }
    DmMntInfo rec{};
    for (uint32_t i = 0; i < kMountTries; ++i) {
        if (uFmMount(*devLbl, name, *mntLbl, name, &rec) == FMR_OK) {
            if (rec.bMnt == 1) {
                dmModifyMntInfo(1, &rec);
            }
            return;
        }
        DM_ERR("mount %s error. retry...\n", name);
    }
    DM_ERR("Has try 5 times\n");
    uFmDeleteDirFdr(*mntLbl, name);
    DM_ERR("auto mount %s error.\n", name);
}

}  // namespace

void dmMntThread(void* arg)
{
    char name[kNameSize];
    threadName(arg, name);
    dmSetUmntDone(0);
    handle_t mntLbl = 0;
    handle_t devLbl = 0;
    mountPartition(name, &mntLbl, &devLbl);
    if (mntLbl != 0) {
        uFmClose(mntLbl);
    }
    if (devLbl != 0) {
        uFmClose(devLbl);
    }
}

void dmUmntThread(void* arg)
{
    char name[kNameSize];
    threadName(arg, name);
    dmSetUmntDone(0);
    handle_t devLbl = 0;
    FM_PART_INFO_T part{};
    if (uFmSetDirPath(0, "/dev", &devLbl) != FMR_OK) {
        DM_ERR("uFmSetDirPath /dev/block error.\n");
    } else if (uFmGetPartInfo(devLbl, name, 0, &part) != FMR_OK) {
        DM_ERR("uFmGetPartInfo:%s error.\n", name);
    } else {
        DM_INFO("if usb is playing, should stop first,or cannot umount and delete dir!\n");
        uThreadDelay(kUmountDelayMs);
        if (uFmUmount(0, part.pMntPath) != FMR_OK) {
            DM_ERR("auto unmount %s error.\n", name);
        }
        if (uFmDeleteDirFdr(0, part.pMntPath) != FMR_OK) {
            DM_ERR("uFmDeleteDirFdr:%s error.\n", name);
        }
    }
    dmModifyMntInfo(0, nullptr);
    DM_INFO("hDevRootLbl:%lu\n", static_cast<unsigned long>(devLbl));
    if (devLbl != 0) {
        uFmClose(devLbl);
    }
    DmMntInfo newest{};
    if (uFmGetNewMntPath(&newest) == FMR_OK) {
        dmSetUmntDone(1);
    } else {
        DM_INFO("uFmGetNewMntPath NULL!\n");
    }
}
