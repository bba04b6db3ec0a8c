// The fixture both playback_usb application tests start from: the real application registered
// once per process, a recording application in the state manager's place, and waiting for what
// USB playback sent the state manager.
#pragma once

#include "main/am/aee/aee.h"
#include "main/playback/usb/playback_usb.h"
#include "main/state_mngr/state_mngr.h"
#include "tests/support/app_support.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>

namespace usbtest {

class UsbAppTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        ASSERT_EQ(apptest::registerOnce(a_playback_usb_register), 0);
        apptest::runningRecorder(SM_APP_NAME);
        smSeen_ = sm().messages().size();
    }

    static apptest::TestApp& sm() { return apptest::recorder(SM_APP_NAME); }

    void startApp()
    {
        ASSERT_EQ(u_amb_sync_start_app(PLAYBACK_USB_APP_NAME), 0);
        running_ = true;
    }

    // Waits for the state manager to receive this word from USB playback, skipping others.
    ::testing::AssertionResult smReceives(uint32_t word)
    {
        for (size_t n = smSeen_ + 1; sm().waitMessages(n); ++n) {
            const apptest::ReceivedMsg m = sm().messages()[n - 1];
            smSeen_ = n;
            if (m.msgId != E_APP_MSG_TYPE_STATE_MNGR || m.data.size() != sizeof(appmsg_t)) {
                continue;
            }
            uint32_t sender = 0;
            uint32_t got = 0;
            std::memcpy(&sender, m.data.data(), 4);
            std::memcpy(&got, m.data.data() + 4, 4);
            if (sender == MSG_FROM_USB && got == word) {
                return ::testing::AssertionSuccess();
            }
        }
        return ::testing::AssertionFailure() << "state manager never got 0x" << std::hex << word;
    }

    size_t smSeen_ = 0;
    bool running_ = false;
};

}  // namespace usbtest
