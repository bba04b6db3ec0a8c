#include "main/playback/usb/playback_usb.h"

#include "main/acfg/acfg_accessor.h"
#include "main/playback/usb/playback_usb_priv.h"
#include "main/playback/usb/usb_pb_log.h"
#include "main/playback/usb/usb_player.h"

#include <cstring>

namespace {

// User key values.
enum UsbKey : uint32_t {
    KEY_REPEAT = 36,
    KEY_VOLUME_UP = 103,
    KEY_VOLUME_DOWN = 108,
    KEY_MUTE = 113,
    KEY_NEXT = 163,
    KEY_PREV = 165,
    KEY_STOP = 166,
    KEY_PLAY_TIME = 180,
    KEY_PLAY = 200,
    KEY_PAUSE = 201,
};

// AVRCP key values.
enum AvrcpKey : uint32_t {
    AVRCP_PLAY = 0,
    AVRCP_PAUSE = 1,
    AVRCP_NEXT = 2,
    AVRCP_PREV = 3,
    AVRCP_STOP = 6,
};

constexpr int64_t kSeekStep = 5;  // per repeat of a held next or previous key

// Next and previous: a short press plays the track whose index the GUI put in word 0, a held
// one seeks by five per repeat.
void trackKey(const appmsg_t& key, bool next)
{
    if (get_playing_flag() == 0) {
        USB_PB_INFO("usb source is not playing\n");
        return;
    }
    uint32_t longPress = 0;
    uint32_t repeats = 0;
    std::memcpy(&longPress, key.aui1_data, sizeof longPress);
    std::memcpy(&repeats, key.aui1_data + sizeof longPress, sizeof repeats);
    int32_t ret = 0;
    if (longPress == 0) {
        ret =
            playbackUsbGstMsgProcess(playbackUsbPlayerMsg(next ? USB_PB_NEXT : USB_PB_PREVIOUS, 0, key.ui4_sender_id));
        if (ret != 0 && next) {
            USB_PB_ERR("playbackProcessUiNextKey fail ret:%d\n", ret);
        } else if (ret != 0) {
            USB_PB_ERR("playbackProcessUiPrevKey fail ret:%d\n", ret);
        }
        return;
    }
    const int64_t step = kSeekStep * static_cast<int64_t>(repeats);
    ret = playbackUsbGstMsgProcess(playbackUsbPlayerMsg(USB_PB_SEEK, next ? step : -step));
    if (ret != 0) {
        USB_PB_ERR("playbackProcessUiSfKey fail ret:%d\n", ret);
    }
}

void playKey()
{
    usb_pb_id id = USB_PB_RESUME;
    if (get_playing_flag() == 0) {
        USB_PB_INFO("%s[%s:%d]:player not running! should PLAY\n", "<playback_usb>", __func__, __LINE__);
        id = USB_PB_PLAY;
    }
    const int32_t ret = playbackUsbGstMsgProcess(playbackUsbPlayerMsg(id));
    if (ret != 0) {
        USB_PB_ERR("playbackProcessUiUsbPlaybackKey fail ret:%d\n", ret);
    }
}

void simpleKey(usb_pb_id id, const char* failLine)
{
    const int32_t ret = playbackUsbGstMsgProcess(playbackUsbPlayerMsg(id));
    if (ret != 0) {
        USB_PB_ERR("%s fail ret:%d\n", failLine, ret);
    }
}

void muteKey()
{
    uint8_t mute = 0;
    int32_t ret = uAcfgGetMute(&mute);
    if (ret != 0) {
        USB_PB_ERR("uAcfgGetMute fail ret:%d\n", ret);
        return;
    }
    mute = mute != 0 ? 0 : 1;
    if ((ret = uAcfgSetMute(mute)) != 0) {
        USB_PB_ERR("uAcfgSetMute fail ret:%d\n", ret);
        return;
    }
    if (mute != 0) {
        return;
    }
    uint8_t volume = 0;
    if ((ret = uAcfgGetVolume(&volume)) != 0) {
        USB_PB_ERR("uAcfgGetVolume fail ret:%d\n", ret);
        return;
    }
    if ((ret = uAcfgSetVolume(volume, 0)) != 0) {
        USB_PB_ERR("uAcfgSetVolume fail ret:%d\n", ret);
    }
}

bool keyRecord(const void* data, uint32_t size, const char* from, appmsg_t* key)
{
    if (size != sizeof(appmsg_t)) {
        USB_PB_ERR("%s's msg size[%u] is wrong, should be [%zu]!\n", from, size, sizeof(appmsg_t));
        return false;
    }
    std::memcpy(key, data, sizeof *key);
    return true;
}

}  // namespace

void uPlaybackBtMsgProcess(const void* data, uint32_t size)
{
    appmsg_t key{};
    if (!keyRecord(data, size, "bt", &key)) {
        return;
    }
    switch (key.ui4_msg_type) {
    case AVRCP_PLAY:
        playKey();
        break;
    case AVRCP_PAUSE:
        simpleKey(USB_PB_PAUSE, "playbackProcessUiUsbPauseKey");
        break;
    case AVRCP_NEXT:
        trackKey(key, true);
        break;
    case AVRCP_PREV:
        trackKey(key, false);
        break;
    case AVRCP_STOP:
        simpleKey(USB_PB_STOP, "playbackProcessUiStopKey");
        break;
    default:
        break;
    }
}

int32_t uPlaybackUiMsgProcess(const appmsg_t* msg, uint32_t size)
{
    appmsg_t key{};
    if (msg == nullptr || !keyRecord(msg, size, "ui", &key)) {
        return -1;
    }
    USB_PB_INFO("receive ui key value:%u!\n", key.ui4_msg_type);
    switch (key.ui4_msg_type) {
    case KEY_REPEAT:
        simpleKey(USB_PB_MODE_SWITCH, "playbackProcessUiRepeatKey");
        break;
    case KEY_VOLUME_UP:
        if (const int32_t ret = uAcfgIncreaseVolume(); ret != 0) {
            USB_PB_ERR("uAcfgIncreaseVolume fail ret:%d\n", ret);
        }
        break;
    case KEY_VOLUME_DOWN:
        if (const int32_t ret = uAcfgReduceVolume(); ret != 0) {
            USB_PB_ERR("uAcfgReduceVolume fail ret:%d\n", ret);
        }
        break;
    case KEY_MUTE:
        muteKey();
        break;
    case KEY_NEXT:
        trackKey(key, true);
        break;
    case KEY_PREV:
        trackKey(key, false);
        break;
    case KEY_STOP:
        simpleKey(USB_PB_STOP, "playbackProcessUiStopKey");
        break;
    case KEY_PLAY_TIME:
        if (get_playing_flag() != 0) {
            playbackUsbGstMsgProcess(playbackUsbPlayerMsg(USB_PB_GET_PROGRESS));
        } else {
            USB_PB_INFO("%s[%s:%d]:player not running! should PLAY\n", "<playback_usb>", __func__, __LINE__);
        }
        break;
    case KEY_PLAY:
        playKey();
        break;
    case KEY_PAUSE:
        simpleKey(USB_PB_PAUSE, "playbackProcessUiUsbPauseKey");
        break;
    default:
        break;
    }
    return 0;
}
