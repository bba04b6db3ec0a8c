#include "tests/main/source_in/spdif/spdif_test_support.h"

#include "main/acfg/acfg_app.h"
#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/source_in/spdif/pb_spdif_in.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/timerd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <sstream>
#include <thread>

namespace spdiftest {

uint32_t wordOf(const apptest::ReceivedMsg& m)
{
    uint32_t word = 0;
    if (m.data.size() >= 8) {
        std::memcpy(&word, m.data.data() + 4, 4);
    }
    return word;
}

uint32_t senderOf(const apptest::ReceivedMsg& m)
{
    uint32_t sender = 0;
    if (m.data.size() >= 4) {
        std::memcpy(&sender, m.data.data(), 4);
    }
    return sender;
}

apptest::TestApp& cecApp()
{
    return apptest::recorder("cec");
}

apptest::TestApp& guiApp()
{
    return apptest::recorder("gui_namager");
}

// Started by every case and stopped after it, so each case begins with fresh applications in its
// own root.
const char* const kStartedApps[] = {"timerd", "acfg", SM_APP_NAME, "cec", "gui_namager"};

void registerApps()
{
    apptest::startFramework();
    for (auto fill : {a_timerd_register, a_acfg_register, a_sm_register, aPlaybackSpdifInRegister}) {
        ASSERT_EQ(apptest::registerOnce(fill), 0);
    }
    ASSERT_EQ(apptest::registerApp(&cecApp().record()), 0);
    ASSERT_EQ(apptest::registerApp(&guiApp().record()), 0);
    cecApp().clearMessages();
    guiApp().clearMessages();
    // What the daemon last reported belongs to the previous case's daemon.
    gSilethPlayStatus = SPDIF_PLAY_STS_STOP;
    for (const char* name : kStartedApps) {
        ASSERT_EQ(u_amb_sync_start_app(name), 0) << name;
    }
}

void stopApps()
{
    for (auto name = std::rbegin(kStartedApps); name != std::rend(kStartedApps); ++name) {
        EXPECT_EQ(u_amb_sync_exit_app(*name), 0) << *name;
    }
}

std::vector<std::string> inputModes(const sbtest::Sandbox& sandbox)
{
    std::vector<std::string> modes;
    std::istringstream log(sandbox.read("/sim/hdmitx.log"));
    for (std::string line; std::getline(log, line);) {
        const size_t words = line.find("words ");
        if (line.find("SET_INPUT_MODE") != std::string::npos && words != std::string::npos) {
            modes.push_back(line.substr(words + 6));
        }
    }
    return modes;
}

std::vector<std::string> wrapperCalls(const sbtest::Sandbox& sandbox)
{
    std::vector<std::string> calls;
    for (const char* path : {WRAPPER_CALL_LOG, WRAPPER_SOURCE_CALL_LOG}) {
        std::istringstream log(sandbox.exists(path) ? sandbox.read(path) : std::string());
        for (std::string line; std::getline(log, line);) {
            calls.push_back(line);
        }
    }
    return calls;
}

bool wrapperGets(const sbtest::Sandbox& sandbox, const std::string& line)
{
    return eventually([&] {
        const std::vector<std::string> calls = wrapperCalls(sandbox);
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    });
}

bool smSees(uint32_t source, int32_t status)
{
    return eventually([&] { return uSmGetCurrentSource() == source && uSmGetCurrentPlaybackStatus() == status; });
}

bool guiGets(uint16_t event)
{
    return eventually([event] {
        for (const apptest::ReceivedMsg& m : guiApp().messages()) {
            // The GUI message follows the application message's 8-byte head: its u16 event id first.
            if (m.msgId == E_APP_MSG_TYPE_GUI && m.data.size() >= 10 && (m.data[8] | m.data[9] << 8) == event) {
                return true;
            }
        }
        return false;
    });
}

}  // namespace spdiftest
