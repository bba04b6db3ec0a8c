#include "sileth/sileth_recv.h"

#include "sileth/sileth_daemon.h"
#include "sileth/sileth_log.h"
#include "sileth/sileth_queue.h"

#include <cstdio>
#include <unistd.h>

namespace {

// A receive that failed for any reason but a signal waits this long before the next one, and a
// queue that has gone is made again.
constexpr useconds_t kRecvBackoffUs = 100 * 1000;

void setting(const char* key, const char* format, uint8_t value)
{
    char text[32];
    snprintf(text, sizeof(text), format, value);
    vSilethCmdSetting(key, text);
}

}  // namespace

bool fgSilethHandleCmd(const sileth_msg_t& msg)
{
    switch (msg.cmd) {
    case SILETH_CMD_PLAY:
        vSilethCmdPlay(msg.SrcType, msg.DrcMode);
        break;
    case SILETH_CMD_STOP:
        vSilethCmdStop();
        break;
    case HDMIRX0_PLUG_OUT:
        vSilethCmdPlugOut();
        break;
    case SILETH_CMD_SET_DTS_DIRECT_MODE:
        setting("dts_direct_mode", "enable-direct-mode=%d", msg.dts_direct_mode);
        break;
    case SILETH_CMD_SET_DRC_PERCENT:
        setting("drc-percent", "drc-percent=%d", msg.drc_percent);
        break;
    case SILETH_CMD_SET_DIALOG_CONTROL:
        setting("dialog-control", "dialog-control=%d", msg.dialog_control);
        break;
    case SILETH_CMD_SET_XUPMIX:
        vSilethCmdXupmix(msg.xupmix);
        break;
    case SILETH_CMD_EXIT:
        return false;
    default:
        break;
    }
    return true;
}

void pvGstMsgThread()
{
    for (;;) {
        SilethRecv status = SilethRecv::Ok;
        const auto msg = i4MsgRecv(&status);
        if (!msg) {
            if (status == SilethRecv::Failed || status == SilethRecv::Gone) {
                usleep(kRecvBackoffUs);
            }
            if (status == SilethRecv::Gone) {
                i4ProcessMsgInit();
            }
            continue;
        }
        if (!fgSilethHandleCmd(*msg)) {
            break;
        }
        usleep(50);
    }
    vSilethExit();
    usleep(50);
}
