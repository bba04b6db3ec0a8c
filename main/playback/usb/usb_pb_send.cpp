#include "main/playback/usb/usb_pb_send.h"

#include "main/am/am.h"
#include "main/gui/wrapper/wrapper_usb.h"
#include "main/playback/usb/usb_pb_log.h"
#include "main/playback/usb/usb_playlist.h"
#include "main/state_mngr/state_mngr.h"

#include <atomic>

namespace {

struct SendState {
    // Set while the application runs; read by the player's reply thread and the WAV thread.
    std::atomic<handle_t> app{0};
};
SendState gSend;

int32_t sendToSm(uint32_t word)
{
    handle_t sm = 0;
    if (u_am_get_app_handle_from_name(&sm, SM_APP_NAME) != 0) {
        USB_PB_ERR("u_am_get_app_handle_from_name failed! psName:%s\n", SM_APP_NAME);
        return -1;
    }
    const int32_t ret = u_app_send_appmsg(sm, E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_USB, word, nullptr, 0);
    if (ret != 0) {
        USB_PB_ERR("u_app_send_appmsg to %s failed, ret=%d\n", SM_APP_NAME, ret);
        return -1;
    }
    return 0;
}

}  // namespace

void playbackUsbSendSetApp(handle_t app)
{
    gSend.app.store(app);
}

int32_t uPlaybackUsbSendMsg(const usb_pb_msg_t* msg)
{
    const handle_t app = gSend.app.load();
    if (msg == nullptr || app == 0) {
        return -1;
    }
    if (u_app_send_msg(app, E_APP_PRI_ALSA_PB_MSG, msg, sizeof *msg, nullptr, 0) != 0) {
        USB_PB_ERR("_app_send_msg sent E_APP_PRI_ALSA_PB_MSG failed \n");
        return -1;
    }
    return 0;
}

int32_t uPlaybackUsbSendPbStatusToSm(uint32_t body)
{
    const int32_t ret = playbackUsbSendPbStatusToSm(body);
    if (ret != 0) {
        USB_PB_ERR("uPlaybackUsbSendPbStatusToSm failed\n");
    }
    return ret;
}

int32_t playbackUsbSendPbStatusToSm(uint32_t body)
{
    const int32_t ret = sendToSm(smMsgWord(SM_INFORM_GRP, body, 0));
    const auto index = static_cast<uint32_t>(playbackUsbGetCurrentIndex());
    switch (body) {
    case SM_PLAY_STATUS_STOP:
        guiWrapperUsbUDiskMusicStsCbk(0, index);
        break;
    case SM_PLAY_STATUS_PLAY:
    case SM_BODY_RESUME:
        guiWrapperUsbUDiskMusicStsCbk(2, index);
        break;
    case SM_PLAY_STATUS_PAUSE:
        guiWrapperUsbUDiskMusicStsCbk(3, index);
        break;
    case PLAYBACK_USB_STS_TEST_TRACK_END:
        guiWrapperUsbUDiskMusicStsCbk(4, index);
        break;
    default:
        break;
    }
    return ret;
}

int32_t playbackUsbSendPlayRequestToSm(void)
{
    const int32_t ret = sendToSm(smMsgWord(SM_REQUEST_GRP, SM_BODY_PLAY, 0));
    if (ret != 0) {
        USB_PB_ERR("playbackUsbSendPlayRequestToSm failed \n");
    }
    return ret;
}
