#include "sileth/sileth_udev.h"

#include "common/support/support.h"
#include "platform/sbdev/hdmitx_ioctl.h"
#include "platform/sbdev/sb_udev.h"
#include "platform/sbdev/sb_uevent.h"
#include "sileth/sileth_daemon.h"
#include "sileth/sileth_log.h"
#include "sileth/sileth_queue.h"
#include "sileth/sileth_src.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::string_view kEarcPath = "/devices/virtual/switch/eARC";
constexpr std::string_view kCecPath = "/devices/virtual/switch/CEC";
constexpr size_t kEventMax = 4096;
constexpr int kBackoffMs = 100;

enum CecCode : uint32_t {
    CEC_POWER = 0,
    CEC_SOURCE = 1,
    CEC_ARC_STS = 2,
    CEC_VOLUME = 3,
    CEC_MUTE = 4,
    CEC_TX_PLUG = 5,
    CEC_RX_PLUG = 6,
    CEC_FRAME = 7,
    CEC_CODES = 8,
};

constexpr size_t kCecRxSize = kvxHdmiRequestSize(KVX_HDMI_GET_CEC_RX_CMD);
static_assert(kCecRxSize == SILETH_CEC_FRAME_SIZE + 1, "a received command is 16 bytes and its length");

struct UdevState {
    std::atomic<bool> run{false};
    sb::UniqueFd wakeRead;
    sb::UniqueFd wakeWrite;
    std::thread thread;
};

UdevState gUdev;

void cec(uint32_t code, uint8_t value)
{
    vSilethSrcCecReport(code, &value, 1);
}

void onEarcSwitch(int state)
{
    switch (state) {
    case 0:
        vSilethSrcStreamChanged();
        cec(CEC_ARC_STS, 1);
        break;
    case 1:
        cec(CEC_ARC_STS, 2);
        break;
    case 4:
    case 5:
    case 6:
        vSilethSrcStreamChanged();
        break;
    case 7:
        SRC_INFO("type = PCM to RAW ");
        break;
    default:
        break;
    }
}

void onCecVolume()
{
    uint8_t param = 0;
    const int ret = earcIoctl(KVX_HDMI_GET_CEC_VOLUME, &param);
    SRC_INFO("i4Ret=%d, param=%d\n", ret, param);
    SRC_INFO("cec_vol=0x%x, isMute=%d, vol=0x%x\n", param, param >> 7, param & 0x7F);
    if (ret == 0) {
        cec(CEC_VOLUME, param);
    }
}

void onCecFrame()
{
    std::array<uint8_t, kCecRxSize> buf{};
    if (earcIoctl(KVX_HDMI_GET_CEC_RX_CMD, buf.data()) != 0) {
        SRC_ERR("get cec command fail ");
        return;
    }
    const uint8_t size = buf[SILETH_CEC_FRAME_SIZE];
    SRC_INFO("cec_payload_size = %d\n", size);
    for (size_t i = 0; i < SILETH_CEC_FRAME_SIZE && i < size; ++i) {
        SRC_INFO("cmd[%d] = 0x%x\n", static_cast<int>(i), buf[i]);
    }
    if (size <= SILETH_CEC_FRAME_SIZE) {
        vSilethSrcCecReport(CEC_FRAME, buf.data(), static_cast<int>(buf.size()));
    }
}

void onCecSwitch(int state)
{
    switch (state) {
    case 0:
        cec(CEC_TX_PLUG, 0);
        break;
    case 1:
        cec(CEC_TX_PLUG, 1);
        break;
    case 5:
    case 8:
        vSilethSrcStreamChanged();
        cec(CEC_RX_PLUG, 0);
        break;
    case 6:
        cec(CEC_RX_PLUG, 1);
        break;
    case 11: {
        SRC_INFO("type = HDMI_CEC_ROUTING_TO_ARC_MODE ");
        const uint8_t sts = earcStsGet();
        SRC_INFO("eArc_sts = %d\n", sts);
        if (sts == 0 || sts == 2) {
            cec(CEC_SOURCE, 1);
        } else {
            cec(CEC_SOURCE, 0);
            vSilethSrcStreamChanged();
        }
        break;
    }
    case 12:
        SRC_INFO("type = HDMI_CEC_ROUTING_TO_HDMI1_MODE ");
        cec(CEC_SOURCE, 2);
        break;
    case 13:
        onCecVolume();
        break;
    case 14:
        SRC_INFO("HDMI_CEC_TMP_MUTE");
        cec(CEC_MUTE, 1);
        break;
    case 15:
        SRC_INFO("HDMI_CEC_TMP_UNMUTE");
        cec(CEC_MUTE, 0);
        break;
    case 16:
        onCecFrame();
        break;
    case 17:
        SRC_INFO("++++++++CEC HDMI_CEC_POWER_ON+++++++");
        cec(CEC_POWER, 1);
        break;
    case 18:
        SRC_INFO("++++++++CEC HDMI_CEC_POWER_OFF+++++++");
        cec(CEC_POWER, 0);
        break;
    default:
        break;
    }
}

bool subsystemWanted(const char* subsystem)
{
    return subsystem != nullptr &&
           (std::strcmp(subsystem, "switch") == 0 || std::strcmp(subsystem, "hdmirxswitch") == 0);
}

void pvUdevCbThread()
{
    static constexpr const char* kSubsystems[] = {"switch", "hdmirxswitch"};
    const int fd = sb_udev_monitor_open(kSubsystems, 2);
    if (fd < 0) {
        fprintf(stderr, "Can't create udev\n");
        return;
    }
    SRC_INFO("[UdevCb Thread] Start: %s, subsystems \"switch\" and \"hdmirxswitch\"", sb_udev_monitor_source(fd));
    std::array<char, kEventMax> buf;
    while (gUdev.run.load()) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {gUdev.wakeRead.get(), POLLIN, 0}};
        const int r = poll(fds, 2, -1);
        if (r <= 0 || (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;  // woken for the exit, interrupted, or nothing to read
        }
        const ssize_t n = sb_udev_monitor_recv(fd, buf.data(), buf.size());
        if (n <= 0) {
            // The event source failed or went away: wait before the next try, but not past an exit.
            pollfd wake{gUdev.wakeRead.get(), POLLIN, 0};
            poll(&wake, 1, kBackoffMs);
            continue;
        }
        const char* subsystem = sb_uevent_get(buf.data(), static_cast<size_t>(n), "SUBSYSTEM");
        if (subsystemWanted(subsystem)) {
            ParseUdevEvent(buf.data(), static_cast<int>(n));
        }
    }
    sb_udev_monitor_close(fd);
    SRC_INFO("[UdevCb Thread] Exit ");
}

}  // namespace

void vSilethCecChange(uint32_t code, const uint8_t* payload, int len)
{
    const int need = code == CEC_FRAME ? static_cast<int>(kCecRxSize) : 1;
    if (code >= CEC_CODES || payload == nullptr || len < need) {
        SRC_ERR("Param Error!");
        return;
    }
    sileth_msg_t msg;
    msg.type = MSG_TO_MAIN;
    switch (code) {
    case CEC_POWER:
        msg.cmd = CEC_ROUTING_POWER_CBK;
        msg.power_en = payload[0];
        break;
    case CEC_SOURCE:
        msg.cmd = CEC_ROUTING_SOURCE_CBK;
        msg.SrcType = payload[0];
        break;
    case CEC_ARC_STS:
        msg.cmd = CEC_ROUTING_ARC_STS_CBK;
        msg.eArc_sts = payload[0];
        break;
    case CEC_VOLUME:
        msg.cmd = CEC_ROUTING_VOLUME_CBK;
        msg.source_volume = payload[0];
        break;
    case CEC_MUTE:
        msg.cmd = CEC_ROUTING_MUTE_CBK;
        msg.sig_flow_mute = payload[0];
        vSilethSetFlowMute(payload[0]);
        break;
    case CEC_TX_PLUG:
        msg.cmd = payload[0] != 0 ? HDMITX_PLUG_IN_CBK : HDMITX_PLUG_OUT_CBK;
        break;
    case CEC_RX_PLUG:
        msg.cmd = payload[0] != 0 ? HDMIRX0_PLUG_IN_CBK : HDMIRX0_PLUG_OUT_CBK;
        break;
    case CEC_FRAME: {
        msg.cmd = CEC_IND_RCV_CB;
        const uint8_t size = payload[SILETH_CEC_FRAME_SIZE];
        if (size <= SILETH_CEC_FRAME_SIZE) {
            std::memcpy(msg.cec.data(), payload, size);
            msg.cec_len = size;
        }
        break;
    }
    default:
        break;
    }
    i4MsgSend(msg);
}

int ParseUdevEvent(const char* event, int len)
{
    if (event == nullptr || len <= 0) {
        return -1;
    }
    const size_t n = static_cast<size_t>(len);
    const char* action = sb_uevent_get(event, n, "ACTION");
    const char* devpath = sb_uevent_get(event, n, "DEVPATH");
    const char* subsystem = sb_uevent_get(event, n, "SUBSYSTEM");
    const char* name = sb_uevent_get(event, n, "SWITCH_NAME");
    SRC_DBG("I: ACTION=%s\n", action ? action : "");
    SRC_DBG("I: DEVPATH=%s\n", devpath ? devpath : "");
    SRC_DBG("I: SUBSYSTEM=%s\n", subsystem ? subsystem : "");
    SRC_DBG("I: SWITCH_NAME=%s\n", name ? name : "");
    const char* stateText = sb_uevent_get(event, n, "SWITCH_STATE");
    if (stateText == nullptr) {
        SRC_ERR("I: get SWITCH_STATE error ");
        return -1;
    }
    if (action == nullptr || std::strncmp(action, "change", 6) != 0 || devpath == nullptr) {
        return 0;
    }
    const auto state = static_cast<int16_t>(std::strtol(stateText, nullptr, 10));
    const std::string_view path(devpath);
    if (path.substr(0, kEarcPath.size()) == kEarcPath) {
        onEarcSwitch(state);
    } else if (path.substr(0, kCecPath.size()) == kCecPath) {
        onCecSwitch(state);
    }
    return state;
}

int i4SilethUdevStart()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        SRC_ERR("Can't create udev wake-up ");
        return -1;
    }
    gUdev.wakeRead = sb::UniqueFd(fds[0]);
    gUdev.wakeWrite = sb::UniqueFd(fds[1]);
    gUdev.run.store(true);
    gUdev.thread = std::thread(pvUdevCbThread);
    return 0;
}

void vSilethUdevStop()
{
    gUdev.run.store(false);
    if (gUdev.wakeWrite.get() >= 0) {
        const char byte = 1;
        (void)!write(gUdev.wakeWrite.get(), &byte, 1);
    }
    if (gUdev.thread.joinable()) {
        gUdev.thread.join();
    }
    gUdev.wakeRead = sb::UniqueFd();
    gUdev.wakeWrite = sb::UniqueFd();
}
