#include "main/playback/usb/playback_usb.h"

#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/device_mngr/dm_mount.h"
#include "main/gui/wrapper/wrapper_usb.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/playback/usb/playback_usb_priv.h"
#include "main/playback/usb/usb_pb_log.h"
#include "main/playback/usb/usb_pb_wav.h"
#include "main/playback/usb/usb_player.h"
#include "main/playback/usb/usb_playlist.h"
#include "main/state_mngr/state_mngr.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::atomic<uint8_t> gIsUsbUnMountedSendStopMessage{0};
std::atomic<uint8_t> gPlaybackUsbPrevDirection{0};

namespace {

constexpr amb_app_sizes_t kSizes = {131072, 130, 64, 128, 4096};
constexpr uint32_t kCliMask = 2;
constexpr uint16_t kInitialDbgLevel = 511;
constexpr size_t kUrlBufSize = 1024;

struct PlaybackUsbObj {
    std::atomic<uint8_t> initialised{0};
    // Set from the console thread.
    std::atomic<uint8_t> autoPlay{0};
    // Last position the player reported while playing; the seek target of a resume. Touched on
    // the application thread only.
    int64_t resumeTime = 0;
    // Stream errors since a track last played to its end (or the list was built): a whole pass of
    // them means nothing on the stick can be played. Touched on the application thread only.
    uint32_t streamErrorsInRow = 0;
    std::array<char, kUrlBufSize> url{};
};
PlaybackUsbObj g;

int32_t postToSelf(usb_pb_id id)
{
    const usb_pb_msg_t msg = playbackUsbPlayerMsg(id);
    return uPlaybackUsbSendMsg(&msg);
}

int32_t startCurrent(uint8_t flag)
{
    UsbPbNode* current = playbackUsbGetCurrentEntry();
    if (current == nullptr) {
        USB_PB_ERR("gPlaylist is null, start play fail\n");
        return -1;
    }
    // Before the send: the player's play done may be reported to the GUI before start returns.
    playbackUsbSetCurrentIndex(static_cast<int32_t>(current->index));
    const int32_t ret = usb_player::start(current->path, flag);
    if (ret != 0) {
        USB_PB_ERR("start play fail\n");
    }
    return ret;
}

void playbackGstSeekMsgProcess(int64_t position)
{
    if (usb_player::seek(position, 2) != 0) {
        USB_PB_ERR("%s is called, seek fail\n", "playbackGstSeekMsgProcess");
    }
}

int32_t playbackGstByIdxProcess(int32_t index)
{
    if (playbackUsbGetPlaylistHead() == nullptr) {
        USB_PB_ERR("Wav playback list delet or error\n");
        return -1;
    }
    playbackUsbLocateByIndex(playbackUsbGetPlaylistHead(), index);
    playbackUsbSetCurrentIndex(index);
    const int32_t ret = usb_player::start(playbackUsbGetCurrentEntry()->path, 1);
    if (ret != 0) {
        USB_PB_ERR("%s is called, start play fail\n", "playbackGstByIdxProcess");
    }
    return ret;
}

bool stickMounted()
{
    DmMntInfo info{};
    const int32_t ret = uDmGetMntInfo(&info);
    if (ret != DMR_OK) {
        USB_PB_ERR("usb not mount (ret:%d)!\n", ret);
        playbackUsbSendPbStatusToSm(SM_PLAY_STATUS_STOP);
        return false;
    }
    return true;
}

int32_t playMoved(int32_t moved)
{
    if (moved != 0) {
        return moved;
    }
    USB_PB_INFO("play next music=%s\n", playbackUsbGetCurrentEntry()->path);
    const int32_t ret = usb_player::start(playbackUsbGetCurrentEntry()->path, 0);
    if (ret != 0) {
        USB_PB_ERR("start play fail\n");
    }
    return ret;
}

int32_t onEos()
{
    g.streamErrorsInRow = 0;  // that track played to its end
    if (!stickMounted()) {
        return 0;
    }
    const UsbPbNode* current = playbackUsbGetCurrentEntry();
    if (current != nullptr && current->index == 1 && strcmp(current->path, PLAYBACK_USB_RESET_TEST_TRACK) == 0) {
        return playbackUsbSendPbStatusToSm(PLAYBACK_USB_STS_TEST_TRACK_END);
    }
    return playMoved(playbackGstGetNextMusic());
}

int32_t onStreamError()
{
    if (!stickMounted()) {
        return 0;
    }
    // Without this a stick of unplayable files would be walked round and round for ever.
    if (++g.streamErrorsInRow >= playbackUsbGetTrackCount()) {
        USB_PB_ERR("no track of %u can be played, stop\n", playbackUsbGetTrackCount());
        g.streamErrorsInRow = 0;
        if (get_playing_flag() != 0 && usb_player::stop() != 0) {
            USB_PB_ERR("stop fail\n");
        }
        return playbackUsbSendPbStatusToSm(SM_PLAY_STATUS_STOP);
    }
    if (gPlaybackUsbPrevDirection.load() == 0) {
        return playMoved(playbackGstGetNextMusic());
    }
    gPlaybackUsbPrevDirection.store(0);
    return playMoved(playbackGstGetPrevMusic());
}

bool stopHasCause()
{
    return gIsFakeStandbySendStopMessage.load() != 0 || gIsSourceSwitchSendStopMessage.load() != 0 ||
           gIsUsbUnMountedSendStopMessage.load() != 0;
}

int32_t onCreateList()
{
    g.streamErrorsInRow = 0;
    if (playbackUsbUpdatePlaybackList() != 0) {
        return playbackUsbSendPbStatusToSm(SM_PLAY_STATUS_STOP);
    }
    if (stopHasCause()) {
        playbackUsbChooseResumeTrack();
    }
    return startCurrent(0);
}

int32_t onStop()
{
    if (stopHasCause()) {
        if (playbackUsbGetCurrentEntry() != nullptr) {
            playbackUsbWriteResumeRecord();
        } else {
            USB_PB_ERR("gPlaylist is NULL,current music is empty.\n");
        }
        gIsFakeStandbySendStopMessage.store(0);
    }
    const int32_t ret = usb_player::stop();
    if (ret != 0) {
        USB_PB_ERR("stop fail\n");
    }
    return ret;
}

void onPlayDone()
{
    if (get_playing_flag() != 0 && gIsSourceSwitchSendPlayMessage.load() != 0 &&
        (gIsSourceSwitchSendStopMessage.load() != 0 || gIsUsbUnMountedSendStopMessage.load() != 0) &&
        gIsSourceSwitchSeekPlay.load() != 0) {
        const int64_t at = g.resumeTime;
        playbackGstSeekMsgProcess(at);
        gIsSourceSwitchSendStopMessage.store(0);
        gIsUsbUnMountedSendStopMessage.store(0);
        gIsSourceSwitchSeekPlay.store(0);
        const UsbPbNode* current = playbackUsbGetCurrentEntry();
        USB_PB_INFO("resume:playback index:%d,name:%s, ResumeTime=%lld!\n", playbackUsbGetCurrentIndex(),
                    current != nullptr ? current->path : "", static_cast<long long>(at));
    }
    USB_PB_INFO("usb playing.\n");
}

void playbackUsbPbMsgDispatch(const usb_pb_msg_t& msg)
{
    if (msg.ui4Path == USB_PB_PATH_PCM) {
        if (playbackUsbPcmMsgProcess(msg) != 0) {
            USB_PB_ERR("playbackUsbPcmMsgProcess failed\n");
        }
    } else if (msg.ui4Path == USB_PB_PATH_PLAYER) {
        if (playbackUsbGstMsgProcess(msg) != 0) {
            USB_PB_ERR("playbackUsbGstMsgProcess failed\n");
        }
    }
}

void playbackUsbSmMsgProcess(const void* data, uint32_t size)
{
    appmsg_t msg{};
    if (size < offsetof(appmsg_t, aui1_data)) {
        USB_PB_ERR("sm's msg size[%u] is too short\n", size);
        return;
    }
    std::memcpy(&msg, data, size < sizeof msg ? size : sizeof msg);
    const uint32_t group = SM_MSG_GRP(msg.ui4_msg_type);
    const uint32_t body = SM_MSG_BDY(msg.ui4_msg_type);
    if (group == SM_REQUEST_GRP || group == SM_PERMIT_GRP || group == SM_INFORM_GRP) {
        switch (body) {
        case SM_BODY_STOP:
            postToSelf(USB_PB_STOP);
            break;
        case SM_BODY_PLAY:
            postToSelf(USB_PB_CREATE_PB_LIST);
            break;
        case SM_BODY_PAUSE:
            postToSelf(USB_PB_PAUSE);
            break;
        case SM_BODY_RESUME:
            postToSelf(USB_PB_RESUME);
            break;
        default:
            break;
        }
    } else if (group == SM_FORBID_GRP) {
        if (body == SM_BODY_STOP) {
            USB_PB_INFO("Forbid SM_BODY_STOP by SM\n");
        } else if (body == SM_BODY_PLAY) {
            USB_PB_INFO("Forbid SM_BODY_PLAY by SM\n");
        } else if (body == SM_BODY_PAUSE) {
            USB_PB_INFO("Forbid SM_BODY_PAUSE by SM\n");
        }
    }
}

void playbackUsbStopOnUnmount()
{
    gIsUsbUnMountedSendStopMessage.store(1);
    if (postToSelf(USB_PB_STOP) != 0) {
        USB_PB_ERR("playback send dm mnt msg failed!\n");
    }
}

void playbackUsbDmMsgProcess(const void* data, uint32_t size)
{
    uint32_t event = 0;
    if (size != sizeof event) {
        USB_PB_ERR("dm's msg size[%u] is wrong, should be [%zu]!\n", size, sizeof event);
        return;
    }
    std::memcpy(&event, data, sizeof event);
    USB_PB_INFO("***********eDmEvent=%u*************\n", event);
    const bool playing = get_playing_flag() != 0;
    switch (event) {
    case DM_USB_UNMOUNTED:
        guiWrapperUsbUdiskHotplugCbk(0);
        if (playing) {
            playbackUsbStopOnUnmount();
        } else {
            USB_PB_INFO("usb source is not playing\n");
        }
        break;
    case DM_USB_MOUNTED:
        guiWrapperUsbUdiskHotplugCbk(1);
        break;
    case DM_USB_MEDIUM_CHANGED:
        if (playing) {
            playbackUsbStopOnUnmount();
            guiWrapperUsbUdiskHotplugCbk(0);
        } else {
            USB_PB_INFO("usb source is not playing\n");
        }
        break;
    default:
        break;
    }
}

// Console.

int32_t intArg(int argc, char** argv, int at)
{
    return argc > at && argv[at] != nullptr ? static_cast<int32_t>(strtol(argv[at], nullptr, 0)) : 0;
}

using UsbLevelCmds = CliDbgLevelCmds<playbackUsbGetDbgLevel, playbackUsbSetDbgLevel>;

int cliSetAutoPlay(int argc, char** argv)
{
    playbackUsbSetAutoPlay(static_cast<uint8_t>(intArg(argc, argv, 1) & 0xff));
    return 0;
}

int cliGetAutoPlay(int, char**)
{
    if (gUi4EnableAllLog.load() == 1) {
        printf("usb mount, playback is %s\n", playbackUsbGetAutoPlay() != 0 ? "auto play" : "not auto play");
    }
    return 0;
}

int cliAlsaTest(int argc, char** argv)
{
    usb_pb_msg_t msg{};
    msg.ui4Path = USB_PB_PATH_PCM;
    msg.ui4Id = static_cast<uint32_t>(intArg(argc, argv, 1));
    uPlaybackUsbSendMsg(&msg);
    return 0;
}

int cliGstPlayUrl(int argc, char** argv)
{
    const usb_pb_msg_t msg = playbackUsbPlayerMsg(static_cast<usb_pb_id>(intArg(argc, argv, 1)));
    if (argc > 2 && argv[2] != nullptr) {
        snprintf(g.url.data(), g.url.size(), "%s", argv[2]);
    }
    uPlaybackUsbSendMsg(&msg);
    return 0;
}

const cli_cmd_t kCmds[] = {
    {"gdl", nullptr, UsbLevelCmds::get, nullptr, "Get debug level (e=error, a=api, i=info, n=none)", CLI_ACCESS_NORMAL},
    {"sdl", nullptr, UsbLevelCmds::set, nullptr, "Set debug level (e=error, a=api, i=info, n=none)", CLI_ACCESS_NORMAL},
    {"set_auto_play", nullptr, cliSetAutoPlay, nullptr, "[playback]set usb auto play", CLI_ACCESS_NORMAL},
    {"get_auto_play", nullptr, cliGetAutoPlay, nullptr, "[playback]get usb auto play", CLI_ACCESS_NORMAL},
    {"alsa_test", "alsa", cliAlsaTest, nullptr, "[playback_usb]alsa_playback_test", CLI_ACCESS_NORMAL},
    {"gst_play_url", "url", cliGstPlayUrl, nullptr, "[playback]play_url", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

const cli_cmd_t kTable[] = {
    {"playback_usb", "pbusb", nullptr, kCmds, "playback_usb commands", CLI_ACCESS_NORMAL},
    CLI_LAST_CMD,
};

int32_t playbackUsbCliAttachCmdTbl()
{
    return u_cli_attach_cmd_tbl(kTable, CLI_GRP_APP, kCliMask, 0);
}

// Application functions.

const UsbPlayerReplySink kReplySink = {uPlaybackUsbSendMsg, uPlaybackUsbSendPbStatusToSm};

int32_t playbackUsbAppInit(const char*, handle_t app)
{
    g.streamErrorsInRow = 0;
    g.resumeTime = 0;
    playbackUsbResetPlaylist();
    const int32_t attached = playbackUsbCliAttachCmdTbl();
    if (attached != CLIR_OK && attached != CLIR_NOT_INIT) {
        USB_PB_ERR("Err: playbackUsbCliAttachCmdTbl() failed\r\n");
        return -1;
    }
    playbackUsbSetDbgLevel(kInitialDbgLevel);
    playbackUsbWavInit();
    playerSetReplySink(&kReplySink);
    player_init();
    g.initialised.store(1);
    playbackUsbSendSetApp(app);
    playbackUsbSetPlayMode(USB_PLAY_MODE_ORDERED_LOOP);
    return 0;
}

int32_t playbackUsbAppExit(handle_t, uint32_t)
{
    if (g.initialised.load() == 0) {
        return -1;
    }
    // Replies still in flight find the application gone and are dropped.
    g.initialised.store(0);
    playbackUsbSendSetApp(0);
    playbackUsbWavExit();
    player_deinit();
    playerSetReplySink(nullptr);
    u_cli_detach_cmd_tbl(kTable, CLI_GRP_APP, kCliMask, 0);
    playbackUsbResetPlaylist();
    return 0;
}

int32_t playbackUsbAppProcessMsg(handle_t, uint32_t msgId, const void* data, uint32_t size)
{
    if (g.initialised.load() == 0 || data == nullptr) {
        return -1;
    }
    switch (msgId) {
    case E_APP_MSG_TYPE_USER_CMD:
        uPlaybackUiMsgProcess(static_cast<const appmsg_t*>(data), size);
        break;
    case E_APP_MSG_TYPE_STATE_MNGR:
        playbackUsbSmMsgProcess(data, size);
        break;
    case E_APP_MSG_TYPE_BLUETOOTH:
        USB_PB_INFO("E_APP_MSG_TYPE_BLUETOOTH\n");
        uPlaybackBtMsgProcess(data, size);
        break;
    case E_APP_PRI_ALSA_PB_MSG: {
        USB_PB_INFO("E_APP_PRI_ALSA_PB_MSG\n");
        usb_pb_msg_t msg{};
        if (size < sizeof msg) {
            USB_PB_ERR("private msg size[%u] is wrong, should be [%zu]!\n", size, sizeof msg);
            break;
        }
        std::memcpy(&msg, data, sizeof msg);
        playbackUsbPbMsgDispatch(msg);
        break;
    }
    case DM_BRDCST_MSG_USB_MNT:
        playbackUsbDmMsgProcess(data, size);
        break;
    default:
        break;
    }
    return 0;
}

// What the GUI's USB wrapper, below this application, borrows from it and the device manager.
int32_t wrapperMountPathGet(char* path, size_t size)
{
    DmMntInfo info{};
    const int32_t ret = uDmGetMntInfo(&info);
    if (ret == DMR_OK && path != nullptr && size != 0) {
        snprintf(path, size, "%.*s", static_cast<int>(sizeof(info.acMntPath)), info.acMntPath);
    }
    return ret;
}

uint32_t wrapperFileCount(const char* root)
{
    uint32_t count = 0;
    UsbPbNode* list = playbackUsbDepthFirstSearch(&count, root);
    playbackUsbFreeList(&list);
    return count;
}

constexpr GuiWrapperUsbPlayer kWrapperPlayer = {playbackGstModeSwitchMsgProcess, wrapperMountPathGet, wrapperFileCount};

}  // namespace

int32_t playbackUsbGstMsgProcess(usb_pb_msg_t msg)
{
    USB_PB_TRACE("msg id is %u", msg.ui4Id);
    int32_t ret = 0;
    switch (msg.ui4Id) {
    case USB_PB_START:
        return playbackUsbSendPlayRequestToSm();
    case USB_PB_CREATE_PB_LIST:
        return onCreateList();
    case USB_PB_PLAY:
        return startCurrent(0);
    case USB_PB_PAUSE:
        if ((ret = usb_player::pause()) != 0) {
            USB_PB_ERR("pause fail\n");
        }
        return ret;
    case USB_PB_RESUME:
        if ((ret = usb_player::resume()) != 0) {
            USB_PB_ERR("resume fail\n");
        }
        return ret;
    case USB_PB_NEXT:
        gPlaybackUsbPrevDirection.store(0);
        return playbackGstByIdxProcess(static_cast<int32_t>(msg.ui4Arg));
    case USB_PB_PREVIOUS:
        gPlaybackUsbPrevDirection.store(1);
        return playbackGstByIdxProcess(static_cast<int32_t>(msg.ui4Arg));
    case USB_PB_STOP:
        return onStop();
    case USB_PB_SEEK:
        playbackGstSeekMsgProcess(msg.i8Value);
        return 0;
    case USB_PB_MODE_SWITCH:
        playbackGstModeSwitchMsgProcess(playbackUsbGetPlayMode());
        return 0;
    case USB_PB_GET_PROGRESS:
        if (get_playing_flag() != 0 && gIsSourceSwitchSendPlayMessage.load() != 0 &&
            (ret = usb_player::getCurrentPosition()) != 0) {
            USB_PB_ERR("getCurrentProgress failed!\n");
        }
        return ret;
    case USB_PB_GET_PROGRESS_DONE:
        if (get_playing_flag() != 0) {
            g.resumeTime = msg.i8Value;
        }
        guiWrapperUsbUDiskMusicPlayTimeCbk(static_cast<uint64_t>(msg.i8Value / 1000));
        return 0;
    case USB_PB_EOS:
        return onEos();
    case USB_PB_STREAM_ERROR:
        return onStreamError();
    case USB_PB_PLAY_DONE:
        onPlayDone();
        return 0;
    default:
        return 0;
    }
}

usb_pb_msg_t playbackUsbPlayerMsg(usb_pb_id id, int64_t value, uint32_t arg)
{
    usb_pb_msg_t msg{};
    msg.ui4Path = USB_PB_PATH_PLAYER;
    msg.ui4Id = id;
    msg.i8Value = value;
    msg.ui4Arg = arg;
    return msg;
}

void a_playback_usb_register(amb_register_info_t* info)
{
    guiWrapperUsbPlayerRegister(&kWrapperPlayer);
    if (g.initialised.load() != 0) {
        return;
    }
    amb_fill_register_info(info, PLAYBACK_USB_APP_NAME,
                           {playbackUsbAppInit, playbackUsbAppExit, playbackUsbAppProcessMsg}, kSizes);
}

int32_t uPlaybackUsbGetPlaybackStatus(void)
{
    return playbackUsbWavStatus();
}

void playbackGstModeSwitchMsgProcess(uint32_t mode)
{
    if (mode == USB_PLAY_MODE_ORDERED_LOOP) {
        playbackUsbSetPlayMode(mode);
        USB_PB_INFO("play mode is ordered loop!!!\n");
    } else if (mode == USB_PLAY_MODE_SINGLE_LOOP) {
        playbackUsbSetPlayMode(mode);
        USB_PB_INFO("play mode is single loop!!!\n");
    } else {
        USB_PB_ERR("playbackGstModeSwitchMsgProcess fail\n");
    }
}

uint8_t playbackUsbGetAutoPlay(void)
{
    return g.autoPlay.load();
}

void playbackUsbSetAutoPlay(uint8_t autoPlay)
{
    g.autoPlay.store(autoPlay);
}
