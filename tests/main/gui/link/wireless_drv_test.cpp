// The module-link driver on the simulated board's serial port: bursts cut at silence or at a full
// buffer, no byte lost while the hub is held up, the OTA flow-control replies, and a clean stop
// while bytes arrive. This program stands in for the protocol hub: it records what slot 0 hands on.
#include "main/gui/link/wireless_drv.h"
#include "main/gui/link/wrapper_uart.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

struct HubRecord {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Bytes> bursts;
    bool hold = false;
} gHub;

size_t receivedBytes()
{
    size_t n = 0;
    for (const Bytes& b : gHub.bursts) {
        n += b.size();
    }
    return n;
}

// The driver's slot threads still in the process.
size_t threadCount()
{
    size_t n = 0;
    DIR* dir = opendir("/proc/self/task");
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') {
            continue;
        }
        std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
        std::string name;
        std::getline(comm, name);
        n += name.rfind("wl_", 0) == 0 ? 1 : 0;
    }
    closedir(dir);
    return n;
}

// Under an emulator a joined thread can stay listed for a moment after the join returns.
bool slotThreadsGone()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (threadCount() != 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return threadCount() == 0;
}

class WirelessDrvTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        {
            std::lock_guard<std::mutex> guard(gHub.lock);
            gHub.bursts.clear();
            gHub.hold = false;
        }
        ASSERT_TRUE(slotThreadsGone());
        master_ = sim.takePty("/dev/ttyS2");
        ASSERT_GE(master_, 0);
        guiWrapperWirelessDrvInit();
        guiWrapperWirelessDrvOpen(WIRELESS_DEV_E_ATS2853);
        guiWrapperWirelessDrvPowerOn();
    }

    void TearDown() override
    {
        release();
        guiWrapperWirelessDrvClose(WIRELESS_DEV_E_ATS2853);
        guiWrapperWirelessDrvExit();
        EXPECT_TRUE(slotThreadsGone()) << "every slot thread is joined";
        ::close(master_);
    }

    void send(const Bytes& bytes) const { ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::write(master_, bytes.data(), bytes.size())); }

    // What the soundbar wrote on the line within `span`.
    Bytes line(size_t want, std::chrono::milliseconds span = 5s) const
    {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + span;
        while (got.size() < want && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 50) == 1) {
                uint8_t buf[256];
                const ssize_t n = ::read(master_, buf, sizeof(buf));
                if (n > 0) {
                    got.insert(got.end(), buf, buf + n);
                }
            }
        }
        return got;
    }

    static bool waitBytes(size_t total)
    {
        std::unique_lock<std::mutex> lk(gHub.lock);
        return gHub.changed.wait_for(lk, 10s, [total] { return receivedBytes() >= total; });
    }

    static void hold()
    {
        std::lock_guard<std::mutex> guard(gHub.lock);
        gHub.hold = true;
    }

    static void release()
    {
        {
            std::lock_guard<std::mutex> guard(gHub.lock);
            gHub.hold = false;
        }
        gHub.changed.notify_all();
    }

    static std::vector<Bytes> bursts()
    {
        std::lock_guard<std::mutex> guard(gHub.lock);
        return gHub.bursts;
    }

    int master_ = -1;
};

TEST_F(WirelessDrvTest, BurstsQueueWhileTheHubIsHeldAndNoByteIsLost)
{
    hold();
    Bytes all;
    for (uint8_t i = 0; i < 24; ++i) {
        const Bytes burst = {0x28, i, static_cast<uint8_t>(i ^ 0x5A)};
        send(burst);
        all.insert(all.end(), burst.begin(), burst.end());
        std::this_thread::sleep_for(20ms);
    }
    release();
    ASSERT_TRUE(waitBytes(all.size()));
    const std::vector<Bytes> got = bursts();
    // A loaded host may run the receive thread late enough to find two bursts in the line at once;
    // a burst is never cut, though, and none is lost while all sixteen buffers are out.
    EXPECT_GE(got.size(), WIRELESS_DRV_BUF_NUM / 2);
    for (const Bytes& b : got) {
        EXPECT_EQ(0u, b.size() % 3) << "whole bursts only";
    }
    Bytes joined;
    for (const Bytes& b : got) {
        joined.insert(joined.end(), b.begin(), b.end());
    }
    EXPECT_EQ(all, joined) << "later bursts wait in the line, perhaps merged, in order";
}

TEST_F(WirelessDrvTest, ABurstLongerThanABufferIsCutAtItsSize)
{
    Bytes big(WIRELESS_DRV_BUF_SIZE + 8);
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    send(big);
    ASSERT_TRUE(waitBytes(big.size()));
    const std::vector<Bytes> got = bursts();
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ(Bytes(big.begin(), big.begin() + WIRELESS_DRV_BUF_SIZE), got[0]);
    EXPECT_EQ(Bytes(big.begin() + WIRELESS_DRV_BUF_SIZE, big.end()), got[1]);
}

TEST_F(WirelessDrvTest, AnOtaDownloadContinueBurstIsAnsweredAndABadOneDropped)
{
    const Bytes good = {0xA8, 0x00, 0x07, 0x02, 0x28, 0x55, 0xD1};
    send(good);
    EXPECT_EQ((Bytes{0x8A, 0x00, 0x06, 0x02, 0x00, 0x6D}), line(6));
    ASSERT_TRUE(waitBytes(good.size()));

    const Bytes bad = {0xA8, 0x00, 0x07, 0x02, 0x28, 0x55, 0xD2};
    send(bad);
    EXPECT_EQ((Bytes{0x8A, 0x00, 0x06, 0x02, 0x01, 0x6C}), line(6));
    const Bytes marker = {0x28, 0x06, 0x21, 0x02, 0x00, 0xAE};
    send(marker);
    ASSERT_TRUE(waitBytes(good.size() + marker.size()));
    EXPECT_EQ((std::vector<Bytes>{good, marker}), bursts()) << "the bad burst never reaches the hub";
    EXPECT_TRUE(line(1, 100ms).empty()) << "a frame of another protocol is not answered";
}

TEST_F(WirelessDrvTest, StopsCleanlyWhileBytesArrive)
{
    std::atomic<bool> writing{true};
    std::thread writer([this, &writing] {
        const uint8_t burst[] = {0x28, 0x06, 0x21, 0x02, 0x00, 0xAE};
        while (writing.load()) {
            ::write(master_, burst, sizeof(burst));
            std::this_thread::sleep_for(3ms);
        }
    });
    ASSERT_TRUE(waitBytes(1));
    guiWrapperWirelessDrvClose(WIRELESS_DEV_E_ATS2853);
    guiWrapperWirelessDrvExit();
    writing = false;
    writer.join();
    EXPECT_TRUE(slotThreadsGone());
    // The fixture's stop finds nothing left to do; a fresh start serves the line again.
    guiWrapperWirelessDrvInit();
    guiWrapperWirelessDrvOpen(WIRELESS_DEV_E_ATS2853);
    guiWrapperWirelessDrvPowerOn();
}

TEST_F(WirelessDrvTest, SlotsWithoutADeviceAndBadArguments)
{
    const uint8_t b = 0;
    EXPECT_EQ(0, guiWrapperWirelessDrvWrite(WIRELESS_DEV_E_ATS2835, 0, &b, 1)) << "no operation is no error";
    EXPECT_EQ(-1, guiWrapperWirelessDrvWrite(WIRELESS_DEV_E_MAX, 0, &b, 1));
    EXPECT_EQ(-1, guiWrapperWirelessDrvRead(WIRELESS_DEV_E_ATS2853, 0, nullptr, 1));
    EXPECT_EQ(1u, guiWrapperWirelessDrvSleepGet(WIRELESS_DEV_E_WAVREL)) << "power on wakes slot 0 only";
    EXPECT_EQ(1u, guiWrapperWirelessDrvSleepGet(WIRELESS_DEV_E_ATS2835));
}

using UartTest = sbtest::SimTest;

TEST_F(UartTest, OpensRaw8N1At230400AndRefusesABaudOutsideTheTable)
{
    EXPECT_EQ(nullptr, guiWrapperUartOpen("/dev/ttyS2", GUI_WRAPPER_UART_BAUD_NUM));
    EXPECT_TRUE(sandbox.quoridLog().empty()) << "nothing is touched for a bad baud index";

    GuiWrapperUartHandle* uart = guiWrapperUartOpen("/dev/ttyS2", 9);
    ASSERT_NE(nullptr, uart);
    EXPECT_EQ((std::vector<std::string>{"chown system:system /dev/ttyS2", "chmod 666 /dev/ttyS2"}), sandbox.quoridLog());
    termios t{};
    ASSERT_EQ(0, tcgetattr(uart->fd, &t));
    EXPECT_EQ(static_cast<speed_t>(B230400), cfgetospeed(&t));
    EXPECT_EQ(static_cast<tcflag_t>(CS8), t.c_cflag & CSIZE);
    EXPECT_EQ(0u, t.c_cflag & (PARENB | CSTOPB));
    EXPECT_EQ(0u, t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(0, t.c_cc[VMIN]);
    EXPECT_EQ(0, t.c_cc[VTIME]);
    uint8_t buf[4];
    EXPECT_EQ(0, guiWrapperUartRead(uart, buf, sizeof(buf))) << "a read returns at once with what is there";
    EXPECT_EQ(0, guiWrapperUartClose(uart));
    EXPECT_EQ(-1, guiWrapperUartClose(nullptr));
}

}  // namespace

// The hub's receiver, as the driver calls it from a slot's unpack thread.
void guiWrapperWirelessProtocolPacketRcv(uint32_t slot, const uint8_t* buf, uint32_t len)
{
    std::unique_lock<std::mutex> lk(gHub.lock);
    gHub.changed.wait(lk, [] { return !gHub.hold; });
    if (slot == WIRELESS_DEV_E_ATS2853) {
        gHub.bursts.emplace_back(buf, buf + len);
    }
    gHub.changed.notify_all();
}
