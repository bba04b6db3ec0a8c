// The whole link stack started on a simulated board for one test: a recorder stands in for the
// GUI manager's queue, and the Bluetooth module's side of its serial port is the test's.
#pragma once

#include "main/gui/link/wireless_protocol.h"
#include "main/gui/msg/gui_msg.h"
#include "tests/support/app_support.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace linktest {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

struct Posted {
    uint16_t id;
    Bytes payload;
    Clock::time_point at;
};

class LinkStackTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        apptest::startFramework();
        gui_ = &apptest::runningRecorder(GUI_MANAGER_APP_NAME);
        gui_->clearMessages();
        guiManagerAppStateSet(GUI_SYS_STATE_ON);
        master_ = sim.takePty("/dev/ttyS2");
        ASSERT_GE(master_, 0);
        guiWrapperWirelessProtocolInit();
    }

    void TearDown() override
    {
        guiWrapperWirelessProtocolExit();
        ::close(master_);
        gui_->clearMessages();
    }

    void send(const Bytes& bytes) const
    {
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::write(master_, bytes.data(), bytes.size()));
        // The next frame of a case is a burst of its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    Bytes line(size_t want) const
    {
        Bytes got;
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (got.size() < want && Clock::now() < end) {
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

    std::vector<Posted> posted() const
    {
        std::vector<Posted> out;
        for (const apptest::ReceivedMsg& m : gui_->messages()) {
            if (m.msgId != E_APP_MSG_TYPE_GUI || m.data.size() < 8 + sizeof(GuiMsg)) {
                continue;
            }
            GuiMsg msg{};
            std::memcpy(&msg, m.data.data() + 8, sizeof(msg));
            out.push_back({msg.msg_id, Bytes(msg.data, msg.data + msg.msg_size), m.at});
        }
        return out;
    }

    // Waits for the `nth` (from 1) post of `id`; its record.
    Posted waitPosted(uint16_t id, size_t nth = 1) const
    {
        Posted found{0, {}, {}};
        apptest::eventually([&] {
            size_t seen = 0;
            for (const Posted& p : posted()) {
                if (p.id == id && ++seen == nth) {
                    found = p;
                    return true;
                }
            }
            return false;
        });
        EXPECT_EQ(id, found.id) << "posted " << std::hex << id;
        return found;
    }

    std::vector<uint16_t> ids() const
    {
        std::vector<uint16_t> out;
        for (const Posted& p : posted()) {
            out.push_back(p.id);
        }
        return out;
    }

    apptest::TestApp* gui_ = nullptr;
    int master_ = -1;
};

}  // namespace linktest
