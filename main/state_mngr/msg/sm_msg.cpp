#include "main/state_mngr/msg/sm_msg.h"

#include "main/acfg/acfg_accessor.h"
#include "main/cli/dbg_level.h"
#include "main/mw/os_pthread/os_thread.h"

std::atomic<uint8_t> gIsPowerOnFromSuspend{0};
std::atomic<uint8_t> gIsPowerOnFromFakeStandby{0};
std::atomic<uint8_t> gPmOnlineState{0};

namespace {

constexpr uint32_t kPmDonePolls = 30;
constexpr uint32_t kPmDonePollMs = 100;

std::atomic<sm_pm_exit_suspend_fct> gExitSuspend{nullptr};

}  // namespace

// The state manager's lines ("<SM>[function,line]:"), under its level.
#define PM_INFO(fmt, ...) DBG_INFO(acfgAccessorGetDbgLevel(), "<SM>", fmt, ##__VA_ARGS__)

void smPmStateSet(uint8_t state)
{
    gPmOnlineState = state;
    PM_INFO("gPmOnlineState=%d\n", state);
}

void smPmStateDoneWait(void)
{
    for (uint32_t left = kPmDonePolls; left > 0; --left) {
        if (gPmOnlineState == 0) {
            return;
        }
        PM_INFO("timeout_msec=%d\n", static_cast<int>(left));
        uThreadDelay(kPmDonePollMs);
    }
}

void smPmStateWakeUp(uint8_t fromFakeStandby)
{
    if (fromFakeStandby != 0) {
        PM_INFO("Exit Fake Standby Mode!\n");
        gIsPowerOnFromFakeStandby = 1;
    } else {
        PM_INFO("Exit suspend mode!\n");
        gIsPowerOnFromSuspend = 1;
        if (const sm_pm_exit_suspend_fct exitSuspend = gExitSuspend.load()) {
            exitSuspend();
        }
    }
    smPmStateSet(1);
}

void smPmSetExitSuspend(sm_pm_exit_suspend_fct exitSuspend)
{
    gExitSuspend.store(exitSuspend);
}
