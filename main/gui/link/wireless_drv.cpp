#include "main/gui/link/wireless_drv.h"

#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/link/wireless_dev.h"
#include "main/gui/link/wireless_protocol.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <pthread.h>
#include <sched.h>
#include <thread>

#define WIRELESS_LOG(fmt, ...) WRAPPER_LOG_ERR("<WIRELESS>", fmt, ##__VA_ARGS__)

namespace {

using std::chrono::milliseconds;

constexpr uint8_t kOtaHead = 0xA8;
constexpr uint8_t kOtaCmdDownloadContinue = 2;
constexpr uint8_t kOtaRspHead = 0x8A;
constexpr uint8_t kOtaRspStsMax = 3;
constexpr milliseconds kSleepNap{10};
constexpr milliseconds kByteNap{1};
constexpr int64_t kBurstGapMs = 6;
constexpr milliseconds kRingFullWait{200};
constexpr uint32_t kRingFullTries = 5;
constexpr uint16_t kAts2835Reg = 0xA1;
constexpr uint16_t kWavrelPollReg = 0x1460;
constexpr uint16_t kWavrelStatusReg = 0xB000;
constexpr uint32_t kWavrelStatusLen = 10;
constexpr milliseconds kWavrelPollPeriod{1000};
constexpr std::array<uint8_t, 6> kWavrelPollCmd = {0x99, 0x00, 0x00, 0x00, 0x00, 0x01};
constexpr uint32_t kUnpackPriorityAts2853 = 28;
constexpr uint32_t kUnpackPriorityWavrel = 30;

// A fixed ring of {buffer, length} entries; the slot's ring mutex guards it.
struct SlotRing {
    std::array<uint8_t*, WIRELESS_DRV_BUF_NUM> ptrs{};
    std::array<uint32_t, WIRELESS_DRV_BUF_NUM> lens{};
    uint16_t read = 0;
    uint16_t write = 0;
    uint16_t count = 0;

    bool full() const { return count == WIRELESS_DRV_BUF_NUM; }
    bool empty() const { return count == 0; }
    void push(uint8_t* buf, uint32_t len)
    {
        ptrs[write] = buf;
        lens[write] = len;
        write = static_cast<uint16_t>((write + 1) % WIRELESS_DRV_BUF_NUM);
        ++count;
    }
    uint32_t pop(uint8_t** buf)
    {
        *buf = ptrs[read];
        const uint32_t len = lens[read];
        read = static_cast<uint16_t>((read + 1) % WIRELESS_DRV_BUF_NUM);
        --count;
        return len;
    }
};

struct GuiWirelessDev {
    uint32_t id = 0;
    std::atomic<uint8_t> running{0};
    std::atomic<uint8_t> sleep{1};
    uint8_t* rxBuf = nullptr;      // the receive thread's own
    uint8_t* unpackBuf = nullptr;  // the unpack thread's own
    int32_t rxLen = 0;
    uint32_t unpackLen = 0;
    uint16_t bufSize = WIRELESS_DRV_BUF_SIZE;
    std::array<std::unique_ptr<uint8_t[]>, WIRELESS_DRV_BUF_NUM> bufs;
    std::unique_ptr<SlotRing> freeRing;
    std::unique_ptr<SlotRing> fullRing;
    std::thread rcvThread;
    std::thread unpackThread;
    // Guards both rings; one condition serves both rings and the stop.
    std::mutex ringLock;
    std::condition_variable ringCond;
    // Registration may change while a sender writes.
    std::mutex opsLock;
    GuiWirelessDevOps ops{};
};

std::array<GuiWirelessDev, WIRELESS_DEV_E_MAX> gGuiWirelessDevThisObj;
std::mutex gDrvLifeLock;
bool gDrvInited = false;

GuiWirelessDevOps opsOf(uint32_t slot)
{
    GuiWirelessDev& dev = gGuiWirelessDevThisObj[slot];
    std::lock_guard<std::mutex> guard(dev.opsLock);
    return dev.ops;
}

// Waits up to `span`, returning early when the slot stops.
void napWhileRunning(GuiWirelessDev& dev, milliseconds span)
{
    std::unique_lock<std::mutex> lk(dev.ringLock);
    dev.ringCond.wait_for(lk, span, [&dev] { return dev.running.load() == 0; });
}

bool isOtaDownloadContinue(const uint8_t* buf, uint32_t len)
{
    return len > 3 && buf[0] == kOtaHead && buf[3] == kOtaCmdDownloadContinue;
}

// A ring of 16 never overflows with 16 buffers in circulation; a full one is waited on for a
// second before the entry is given up.
void guiWrapperWirelessPacketEnqueue(GuiWirelessDev* dev, SlotRing* ring, uint8_t* buf, uint32_t len)
{
    if (dev == nullptr || ring == nullptr || buf == nullptr) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    std::unique_lock<std::mutex> lk(dev->ringLock);
    for (uint32_t tries = 0; ring->full(); ++tries) {
        lk.unlock();
        WIRELESS_LOG("ring is waiting for full!");
        if (isOtaDownloadContinue(buf, len)) {
            guiWrapperWirelessDrvOtaPacketRsp(2);
        }
        if (tries == kRingFullTries) {
            return;
        }
        std::this_thread::sleep_for(kRingFullWait);
        lk.lock();
    }
    ring->push(buf, len);
    dev->ringCond.notify_all();
}

// Takes an entry, waiting while the ring is empty; 0 (and `buf` untouched) only when the slot stops.
uint32_t guiWrapperWirelessPacketDequeue(GuiWirelessDev* dev, SlotRing* ring, uint8_t** buf)
{
    if (dev == nullptr || ring == nullptr || buf == nullptr) {
        WIRELESS_LOG("Param Error!");
        return 0;
    }
    std::unique_lock<std::mutex> lk(dev->ringLock);
    dev->ringCond.wait(lk, [dev, ring] { return !ring->empty() || dev->running.load() == 0; });
    if (ring->empty()) {
        return 0;
    }
    return ring->pop(buf);
}

void rcvRound(GuiWirelessDev& dev)
{
    dev.rxBuf = nullptr;
    if (guiWrapperWirelessPacketDequeue(&dev, dev.freeRing.get(), &dev.rxBuf) == 0 || dev.rxBuf == nullptr) {
        return;
    }
    if (dev.id == WIRELESS_DEV_E_WAVREL) {
        guiWrapperWirelessDrvWrite(dev.id, kWavrelPollReg, kWavrelPollCmd.data(), kWavrelPollCmd.size());
        napWhileRunning(dev, kWavrelPollPeriod);
        std::memset(dev.rxBuf, 0, kWavrelStatusLen);
        const int32_t ret = guiWrapperWirelessDrvRead(dev.id, kWavrelStatusReg, dev.rxBuf, kWavrelStatusLen);
        dev.rxLen = ret == 1 ? static_cast<int32_t>(kWavrelStatusLen) : 0;
    } else {
        std::memset(dev.rxBuf, 0, dev.bufSize);
        const uint16_t reg = dev.id == WIRELESS_DEV_E_ATS2835 ? kAts2835Reg : 0;
        dev.rxLen = guiWrapperWirelessDevRead(dev.id, reg, dev.rxBuf, dev.bufSize);
    }
    if (dev.rxLen > 0) {
        guiWrapperWirelessPacketEnqueue(&dev, dev.fullRing.get(), dev.rxBuf, static_cast<uint32_t>(dev.rxLen));
    } else {
        guiWrapperWirelessPacketEnqueue(&dev, dev.freeRing.get(), dev.rxBuf, dev.bufSize);
    }
}

// Named so that a look at the process shows which slot a thread serves.
void nameThread(const char* role, uint32_t slot)
{
    char name[16];
    snprintf(name, sizeof(name), "wl_%s%u", role, static_cast<unsigned>(slot));
    pthread_setname_np(pthread_self(), name);
}

void guiWrapperWirelessRcvThread(GuiWirelessDev* dev)
{
    nameThread("rcv", dev->id);
    while (dev->running.load() != 0) {
        if (dev->sleep.load() != 0) {
            napWhileRunning(*dev, kSleepNap);
            continue;
        }
        rcvRound(*dev);
    }
    WIRELESS_LOG("***Wireless Rcv End");
}

void guiWrapperWirelessUnpackThread(GuiWirelessDev* dev)
{
    nameThread("upk", dev->id);
    if (dev->id == WIRELESS_DEV_E_ATS2853) {
        guiWrapperWirelessThreadPrioritySet(kUnpackPriorityAts2853);
    } else if (dev->id == WIRELESS_DEV_E_WAVREL) {
        guiWrapperWirelessThreadPrioritySet(kUnpackPriorityWavrel);
    }
    while (dev->running.load() != 0) {
        dev->unpackBuf = nullptr;
        dev->unpackLen = guiWrapperWirelessPacketDequeue(dev, dev->fullRing.get(), &dev->unpackBuf);
        if (dev->unpackBuf != nullptr && dev->unpackLen != 0) {
            guiWrapperWirelessProtocolPacketRcv(dev->id, dev->unpackBuf, dev->unpackLen);
            guiWrapperWirelessPacketEnqueue(dev, dev->freeRing.get(), dev->unpackBuf, dev->bufSize);
        }
    }
    WIRELESS_LOG("***Wireless Unpack End");
}

void slotInit(GuiWirelessDev& dev, uint32_t slot)
{
    dev.id = slot;
    dev.sleep = 1;
    dev.freeRing.reset(new (std::nothrow) SlotRing);
    dev.fullRing.reset(new (std::nothrow) SlotRing);
    if (!dev.freeRing || !dev.fullRing) {
        WIRELESS_LOG("create rcv ring %d fail!", static_cast<int>(slot));
    }
    dev.bufSize = WIRELESS_DRV_BUF_SIZE;
    for (uint32_t i = 0; i < WIRELESS_DRV_BUF_NUM; ++i) {
        dev.bufs[i].reset(new (std::nothrow) uint8_t[WIRELESS_DRV_BUF_SIZE]);
        if (!dev.bufs[i]) {
            WIRELESS_LOG("create read buf %d fail!", static_cast<int>(i));
        } else if (dev.freeRing) {
            dev.freeRing->push(dev.bufs[i].get(), WIRELESS_DRV_BUF_SIZE);
        }
    }
    if (!dev.freeRing || !dev.fullRing) {
        return;  // no thread may run without both rings
    }
    dev.running = 1;
    try {
        dev.unpackThread = std::thread(guiWrapperWirelessUnpackThread, &dev);
        dev.rcvThread = std::thread(guiWrapperWirelessRcvThread, &dev);
    } catch (const std::system_error&) {
        WIRELESS_LOG("create wireless rcv thread fail!");
        {
            std::lock_guard<std::mutex> guard(dev.ringLock);
            dev.running = 0;
        }
        dev.ringCond.notify_all();
        if (dev.unpackThread.joinable()) {
            dev.unpackThread.join();
        }
    }
}

}  // namespace

void guiWrapperWirelessDrvInit(void)
{
    std::lock_guard<std::mutex> life(gDrvLifeLock);
    if (gDrvInited) {
        WIRELESS_LOG("already started");
        return;
    }
    guiWrapperWirelessATS2853Init();
    guiWrapperWirelessWavrelInit();
    for (uint32_t slot = 0; slot < WIRELESS_DEV_E_MAX; ++slot) {
        slotInit(gGuiWirelessDevThisObj[slot], slot);
    }
    gDrvInited = true;
    WIRELESS_LOG("*************begin ");
}

void guiWrapperWirelessDrvExit(void)
{
    std::lock_guard<std::mutex> life(gDrvLifeLock);
    if (!gDrvInited) {
        return;
    }
    // Every thread is stopped and joined before anything it touches is released.
    for (GuiWirelessDev& dev : gGuiWirelessDevThisObj) {
        {
            std::lock_guard<std::mutex> guard(dev.ringLock);
            dev.running = 0;
        }
        dev.ringCond.notify_all();
    }
    for (GuiWirelessDev& dev : gGuiWirelessDevThisObj) {
        if (dev.rcvThread.joinable()) {
            dev.rcvThread.join();
        }
        if (dev.unpackThread.joinable()) {
            dev.unpackThread.join();
        }
    }
    for (GuiWirelessDev& dev : gGuiWirelessDevThisObj) {
        dev.freeRing.reset();
        dev.fullRing.reset();
        for (auto& buf : dev.bufs) {
            buf.reset();
        }
        dev.rxBuf = nullptr;
        dev.unpackBuf = nullptr;
    }
    guiWrapperWirelessATS2853Exit();
    guiWrapperWirelessWavrelExit();
    gDrvInited = false;
    WIRELESS_LOG("*************end ");
}

void guiWrapperWirelessDrvOpen(uint32_t slot)
{
    if (slot >= WIRELESS_DEV_E_MAX) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    const GuiWirelessDevOps ops = opsOf(slot);
    if (ops.open != nullptr) {
        ops.open();
    }
}

void guiWrapperWirelessDrvClose(uint32_t slot)
{
    if (slot >= WIRELESS_DEV_E_MAX) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    const GuiWirelessDevOps ops = opsOf(slot);
    if (ops.close != nullptr) {
        ops.close();
    }
}

int32_t guiWrapperWirelessDrvWrite(uint32_t slot, uint16_t reg, const uint8_t* buf, uint32_t len)
{
    if (slot >= WIRELESS_DEV_E_MAX || buf == nullptr || len == 0) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    const GuiWirelessDevOps ops = opsOf(slot);
    return ops.write != nullptr ? ops.write(reg, buf, len) : 0;
}

int32_t guiWrapperWirelessDrvRead(uint32_t slot, uint16_t reg, uint8_t* buf, uint32_t len)
{
    if (slot >= WIRELESS_DEV_E_MAX || buf == nullptr || len == 0) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    const GuiWirelessDevOps ops = opsOf(slot);
    return ops.read != nullptr ? ops.read(reg, buf, len) : 0;
}

void guiWrapperWirelessDrvRegister(uint32_t slot, const GuiWirelessDevOps* ops)
{
    if (slot >= WIRELESS_DEV_E_MAX || ops == nullptr) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    GuiWirelessDev& dev = gGuiWirelessDevThisObj[slot];
    std::lock_guard<std::mutex> guard(dev.opsLock);
    dev.ops = *ops;
}

void guiWrapperWirelessDrvUnRegister(uint32_t slot)
{
    if (slot >= WIRELESS_DEV_E_MAX) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    GuiWirelessDev& dev = gGuiWirelessDevThisObj[slot];
    std::lock_guard<std::mutex> guard(dev.opsLock);
    dev.ops = GuiWirelessDevOps{};
}

void guiWrapperWirelessDrvSleepSet(uint32_t slot, uint8_t sleep)
{
    if (slot >= WIRELESS_DEV_E_MAX) {
        WIRELESS_LOG("Param Error!");
        return;
    }
    gGuiWirelessDevThisObj[slot].sleep = sleep;
}

uint8_t guiWrapperWirelessDrvSleepGet(uint32_t slot)
{
    if (slot >= WIRELESS_DEV_E_MAX) {
        WIRELESS_LOG("Param Error!");
        return 1;
    }
    return gGuiWirelessDevThisObj[slot].sleep.load();
}

void guiWrapperWirelessDrvPowerOn(void)
{
    gGuiWirelessDevThisObj[WIRELESS_DEV_E_ATS2853].sleep = 0;
    WIRELESS_LOG("#####################");
}

void guiWrapperWirelessDrvPowerOff(void)
{
    WIRELESS_LOG("@@@@@@@@@@@@@@@@@@@@@");
}

uint8_t guiWrapperWirelessDrvChkSumCalc(uint32_t mode, const uint8_t* buf, uint32_t len)
{
    uint8_t sum = 0;
    if (buf != nullptr) {
        for (uint32_t i = 0; i < len; ++i) {
            sum = static_cast<uint8_t>(sum + buf[i]);
        }
    }
    return mode == 1 ? sum : static_cast<uint8_t>(~sum);
}

uint32_t guiWrapperWirelessDrvChkSumChk(uint32_t mode, const uint8_t* buf, uint32_t len)
{
    if (buf == nullptr || len <= 5) {
        WIRELESS_LOG("param err, size = %d", static_cast<int>(len));
        return 0;
    }
    if (buf[len - 1] != guiWrapperWirelessDrvChkSumCalc(mode, buf, len - 1)) {
        WIRELESS_LOG("CheckSum err!");
        return 0;
    }
    return 1;
}

void guiWrapperWirelessDrvOtaPacketRsp(uint8_t sts)
{
    if (sts >= kOtaRspStsMax) {
        WIRELESS_LOG("param err, sts = %d", sts);
        return;
    }
    std::array<uint8_t, 6> rsp = {kOtaRspHead, 0x00, 0x06, kOtaCmdDownloadContinue, sts, 0};
    rsp[5] = guiWrapperWirelessDrvChkSumCalc(0, rsp.data(), rsp.size() - 1);
    guiWrapperWirelessDrvWrite(WIRELESS_DEV_E_ATS2853, 0, rsp.data(), rsp.size());
}

void guiWrapperWirelessThreadPrioritySet(uint32_t percent)
{
    const int min = sched_get_priority_min(SCHED_RR);
    const int max = sched_get_priority_max(SCHED_RR);
    sched_param param{};
    param.sched_priority = min + static_cast<int>(percent) * (max - min) / 100;
    const int ret = pthread_setschedparam(pthread_self(), SCHED_RR, &param);
    if (ret != 0) {
        // A host without the right to real-time scheduling: the thread runs on at its default.
        WIRELESS_LOG("set priority %d failed, ret = %d", param.sched_priority, ret);
    }
}

int32_t guiWrapperWirelessDevRead(uint32_t slot, uint16_t reg, uint8_t* buf, uint32_t len)
{
    if (slot >= WIRELESS_DEV_E_MAX || buf == nullptr || len == 0) {
        WIRELESS_LOG("Param Error!");
        return -1;
    }
    const GuiWirelessDev& dev = gGuiWirelessDevThisObj[slot];
    uint32_t count = 0;
    auto last = std::chrono::steady_clock::now();
    while (count < len) {
        // Only a byte counts; a failed read is silence like an empty one.
        if (guiWrapperWirelessDrvRead(slot, reg, buf + count, 1) > 0) {
            ++count;
            last = std::chrono::steady_clock::now();
            continue;
        }
        const auto gap = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - last);
        if (gap.count() > kBurstGapMs || dev.running.load() == 0) {
            break;
        }
        std::this_thread::sleep_for(kByteNap);
    }
    if (slot == WIRELESS_DEV_E_ATS2853 && isOtaDownloadContinue(buf, count)) {
        if (guiWrapperWirelessDrvChkSumChk(2, buf, count) == 0) {
            guiWrapperWirelessDrvOtaPacketRsp(1);
            return -2;
        }
        guiWrapperWirelessDrvOtaPacketRsp(0);
    }
    return static_cast<int32_t>(count);
}
