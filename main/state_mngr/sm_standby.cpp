// The power states: normal, fake standby (sources stopped, the kernel may autosleep) and suspend
// standby (sources stopped, Wi-Fi suspended, two cores offline, sleep to memory).
#include "main/mw/os_pthread/os_thread.h"
#include "main/state_mngr/sm_context_priv.h"
#include "platform/quorid/quorid.h"

namespace {

constexpr uint32_t kStopBeforeSuspendMs = 100;
constexpr uint32_t kWifiSuspendSettleMs = 300;

constexpr const char* kSystemStatusKey = "/system/system_status_change";

void exec(const char* command)
{
    quorid_exec(command, 0);
}

// Steps 2 to 6 of leaving suspend standby.
void leaveSuspend()
{
    SmContext& c = smCtx();
    smSendSwitchMsgToAvsStub(SM_BODY_VA_EXIT_SUSPEND);
    c.fgFakeStandby = 0;
    c.fgSuspendStandby = 0;
    smSendMsgToVaManager(SM_BODY_SYSTEM_WAKE);
    smSendMsgToCec(SM_BODY_CEC_EXIT_SUSPEND);
    SM_INFO("sm send exit suspend message to assistant_stub!\n");
    smSendAssistantStatus(SM_ASSISTANT_CMD_SYSTEM_STATUS, kSystemStatusKey, "exit_suspend");
    SM_INFO("After exit suspend, auto play audio source if exist!\n");
    uSmAutoPlaySource();
}

}  // namespace

void smEnterFakeStandbyMode()
{
    SmContext& c = smCtx();
    c.fgFakeStandby = 1;
    c.fgSuspendStandby = 0;
    smClearSource();
    exec("echo test > /sys/power/wake_lock");
    exec("echo mem > /sys/power/autosleep");
    SM_INFO("enter fake standby mode!\n");
    smSendAssistantStatus(SM_ASSISTANT_CMD_SYSTEM_STATUS, kSystemStatusKey, "fake");
}

void smExitFakeStandbyMode()
{
    SmContext& c = smCtx();
    if (c.fgFakeStandby == 0) {
        SM_INFO("current mode is not standby.\n");
        return;
    }
    exec("echo off > /sys/power/autosleep");
    exec("echo test > /sys/power/wake_unlock");
    SM_INFO("exit fake standby mode!\n");
    smUpdateBtAfterExitStandby();
    c.fgFakeStandby = 0;
    smSendAssistantStatus(SM_ASSISTANT_CMD_SYSTEM_STATUS, kSystemStatusKey, "normal");
}

void smEnterSuspendStandbyMode()
{
    SmContext& c = smCtx();
    SM_INFO("smEnterSuspendStandbyMode!\n");
    c.fgFakeStandby = 0;
    c.fgSuspendStandby = 1;
    bool anyPresent = false;
    for (uint32_t source = SM_SOURCE_URI; source < SM_SOURCE_COUNT; ++source) {
        anyPresent = anyPresent || smIsPresent(source);
    }
    if (anyPresent) {
        if (smVars().fgA2dpLowPower != 0 && smIsPresent(SM_SOURCE_BT)) {
            SM_INFO("A2dp low power mode, ignore bt playing before enter suspend!\n");
        } else {
            SM_INFO("current some source is playing, wait stop!\n");
            smSendStopBeforeEnterStandby();
            uThreadDelay(kStopBeforeSuspendMs);
        }
    }
    smSendMsgToCec(SM_BODY_CEC_ENTER_SUSPEND);
    smSendSwitchMsgToAvsStub(SM_BODY_VA_ENTER_SUSPEND);
    smProcessSuspendStandby();
}

void smProcessSuspendStandby()
{
    SM_INFO("enter suspend standby mode!\n");
    smExecWifiSuspend();
    for (const char* command : {
             "chown system:system /sys/devices/system/cpu/cpu2/online",
             "chmod 660 /sys/devices/system/cpu/cpu2/online",
             "chown system:system /sys/devices/system/cpu/cpu3/online",
             "chmod 660 /sys/devices/system/cpu/cpu3/online",
             "echo 0 > /sys/devices/system/cpu/cpu2/online",
             "echo 0 > /sys/devices/system/cpu/cpu3/online",
             "chown system:system /sys/power/state",
             "chmod 660 /sys/power/state",
             // Returns when the system wakes.
             "echo mem > /sys/power/state",
         }) {
        exec(command);
    }
    smPmStateSet(0);
    exec("echo on > /sys/power/state");
    SM_INFO("exit suspend standby mode!\n");
    smExecWifiResume();
    smSetUsbHostMode();
}

void smExitSuspendStandbyMode()
{
    if (smCtx().fgSuspendStandby == 0) {
        SM_INFO("current mode is not suspend standby.\n");
        return;
    }
    leaveSuspend();
}

void smForceExitSuspendStandbyMode()
{
    leaveSuspend();
}

void smExecWifiSuspend()
{
    exec("iwpriv wlan0 driver \"SETSUSPENDMODE 1\"");
    uThreadDelay(kWifiSuspendSettleMs);
}

void smExecWifiResume()
{
    exec("iwpriv wlan0 driver \"SETSUSPENDMODE 0\"");
}

void smSetUsbHostMode()
{
    exec("chown system:system /sys/devices/platform/kv_usb/swmode");
    exec("echo 'idle' > /sys/devices/platform/kv_usb/swmode");
    exec("echo 'host' > /sys/devices/platform/kv_usb/swmode");
}

void smProcessBtPowerOff()
{
    SM_INFO("SM process bt poweroff msg!\n");
    if (smCtx().fgSuspendStandby != 0) {
        smProcessSuspendStandby();
    } else {
        SM_INFO("SM do nothing!\n");
    }
}
