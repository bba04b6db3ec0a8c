#include "sileth/sileth_child.h"

#include "platform/gst/gst_tsan_hooks.h"
#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"
#include "sileth/sileth_log.h"
#include "sileth/sileth_pipe.h"
#include "sileth/sileth_queue.h"

#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

namespace {

// The state waits are bounded: a pipeline that has not reached its state by then never will.
constexpr auto kStateWait = std::chrono::seconds(5);
constexpr GstClockTime kStateQuery = 100 * GST_MSECOND;
constexpr int32_t kNoCodecReported = 254;
constexpr int32_t kMatPcmType = 3;

enum ParseMsg : guint {
    PARSE_MSG_CODEC_CHANGED = 1,
    PARSE_MSG_FULL_ZERO_DATA = 32,
    PARSE_MSG_ENERGY = 34,
    PARSE_MSG_DTS_ALL_ZERO_DATA = 64,
    PARSE_MSG_CHANNELS_CHANGE = 100,
    PARSE_MSG_SAMPLERATE_CHANGE = 101,
    PARSE_MSG_BITDEPTH_CHANGE = 102,
    PARSE_MSG_CODEC_REPORT = 256,
};

struct ChildState {
    std::atomic<bool> stop{false};
    std::atomic<bool> xupmix{false};
    sileth_shm_t* shm = nullptr;
    int32_t rate = 0;
    int32_t channels = 0;
    uint8_t flowMute = 0;
    int32_t lastReported = kNoCodecReported;
    GstElement* pipeline = nullptr;
    GMainLoop* loop = nullptr;
    guint watch = 0;
    std::thread loopThread;
};

ChildState gChild;

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sendMsg(sileth_msg_t msg)
{
    msg.type = MSG_TO_MAIN;
    i4MsgSend(msg);
}

void onStopSignal(int)
{
    gChild.stop.store(true);
    gChild.shm->set(SHM_CHILD_UP, 0);
}

// The decoder's upmix switch is set from the main thread, not inside the handler.
void sig_gst_atmos_process(int)
{
    gChild.xupmix.store(true);
}

// Ends this child through its own stop path: the daemon forks the next one with the facts left
// in the shared record.
void stopSelf()
{
    kill(getpid(), SIGUSR1);
}

const char* codecName(int32_t codec)
{
    switch (codec) {
    case GST_AC3:
        return "ac3";
    case GST_EAC3:
        return "eac3";
    case GST_DTS:
        return "dts";
    case GST_TRUEHD:
        return "truehd";
    default:
        return nullptr;
    }
}

void onDataParse(const GstStructure* s)
{
    sileth_shm_t& shm = *gChild.shm;
    guint type = 0;
    guint value = 0;
    gst_structure_get_uint(s, "msg-type", &type);
    gst_structure_get_uint(s, "msg-value", &value);
    eGstCodec codec = GST_PCM;
    switch (type) {
    case PARSE_MSG_CODEC_CHANGED:
        if (silethCodecOfParserValue(value, &codec)) {
            shm.set(SHM_CODEC, codec);
            shm.set(SHM_CODEC_CHANGED, 1);
        }
        shm.set(SHM_MAT_PCM, 0);
        shm.set(SHM_ATMOS_TYPE, SHM_ATMOS_NONE);
        APP_INFO("<bus_msg> PARSE_MSG_CODEC_CHANGED, codec type(Pc):%x %d \n", value, value);
        stopSelf();
        break;
    case PARSE_MSG_FULL_ZERO_DATA:
        APP_INFO("<PARSE_MSG_FULL_ZERO_DATA>:uMsgValue=%d\n", value);
        if (value == 1) {
            sileth_msg_t msg;
            msg.cmd = GST_ENERGY_INFO;
            msg.energy = 5;
            sendMsg(msg);
        }
        break;
    case PARSE_MSG_ENERGY: {
        sileth_msg_t msg;
        msg.cmd = GST_ENERGY_INFO;
        msg.energy = static_cast<int32_t>(value);
        sendMsg(msg);
        break;
    }
    case PARSE_MSG_DTS_ALL_ZERO_DATA:
        APP_INFO("<bus_msg> PARSE_MSG_DTS_ALL_ZERO_DATA ");
        stopSelf();
        break;
    case PARSE_MSG_CHANNELS_CHANGE:
        shm.set(SHM_CHANNELS, static_cast<int32_t>(value));
        shm.set(SHM_CHANNELS_CHANGED, 1);
        APP_INFO("<bus_msg> PARSE_MSG_CHANNELS_CHANGE, channel num:%d \n", value);
        stopSelf();
        break;
    case PARSE_MSG_SAMPLERATE_CHANGE:
        shm.set(SHM_RATE, static_cast<int32_t>(value));
        shm.set(SHM_RATE_CHANGED, 1);
        APP_INFO("<bus_msg> PARSE_MSG_SAMPLERATE_CHANGE, sample rate:%d \n", value);
        stopSelf();
        break;
    case PARSE_MSG_BITDEPTH_CHANGE:
        shm.set(SHM_BITDEPTH, static_cast<int32_t>(value));
        shm.set(SHM_BITDEPTH_CHANGED, 1);
        APP_INFO("<bus_msg> PARSE_MSG_BITDEPTH_CHANGE, bit depth:%d \n", value);
        stopSelf();
        break;
    case PARSE_MSG_CODEC_REPORT:
        if (silethCodecOfParserValue(value, &codec) && codec != shm.get(SHM_CODEC)) {
            shm.set(SHM_CODEC, codec);
            if (const char* name = codecName(codec)) {
                APP_INFO("<bus_msg> codectype %s ", name);
            }
        }
        if (shm.get(SHM_CODEC) != gChild.lastReported) {
            gChild.lastReported = shm.get(SHM_CODEC);
            sileth_msg_t msg;
            msg.cmd = GST_CODEC_INFO;
            msg.channels = gChild.channels;
            msg.sample_rate = gChild.rate;
            msg.codec_type = gChild.lastReported;
            sendMsg(msg);
        }
        break;
    default:
        break;
    }
}

void onAudioInfo(const GstStructure* s)
{
    sileth_shm_t& shm = *gChild.shm;
    guint streamType = 0;
    gint gain = 0;
    gst_structure_get_uint(s, "stream-type", &streamType);
    gst_structure_get_int(s, "dts-comp-gain", &gain);
    if (static_cast<int32_t>(streamType) != shm.get(SHM_DTS_TYPE) || gain != shm.get(SHM_DTS_COMP_GAIN)) {
        shm.set(SHM_DTS_TYPE, static_cast<int32_t>(streamType));
        shm.set(SHM_DTS_COMP_GAIN, gain);
        sileth_msg_t msg;
        msg.cmd = DTS_STREAM_INFO;
        msg.dts_stream_type = static_cast<int32_t>(streamType);
        msg.dts_comp_gain = gain;
        sendMsg(msg);
    }
}

guint64 field64(const GstStructure* s, const char* name)
{
    guint64 u = 0;
    gint64 i = 0;
    if (gst_structure_get_uint64(s, name, &u)) {
        return u;
    }
    if (gst_structure_get_int64(s, name, &i)) {
        return static_cast<guint64>(i);
    }
    return 0;
}

void onAtmosInfo(const GstStructure* s)
{
    sileth_shm_t& shm = *gChild.shm;
    const auto type = static_cast<int32_t>(field64(s, "stream-type") & 0xFFFFFFFFu);
    const auto proc = static_cast<int32_t>(field64(s, "proc-type") & 0xFFFFFFFFu);
    if (shm.get(SHM_ATMOS_TYPE) == kMatPcmType && type != kMatPcmType) {
        shm.set(SHM_ATMOS_TYPE, type);
        shm.set(SHM_MAT_PCM, 0);
        APP_INFO("<bus msg> MAT_TRUEHD , restart pipeline \n ");
        stopSelf();
    } else if (shm.get(SHM_ATMOS_TYPE) != kMatPcmType && type == kMatPcmType) {
        shm.set(SHM_ATMOS_TYPE, kMatPcmType);
        shm.set(SHM_MAT_PCM, 1);
        APP_INFO("<bus msg> MAT_PCM , restart pipeline \n ");
        stopSelf();
    }
    sileth_msg_t msg;
    msg.cmd = ATMOS_STREAM_INFO;
    msg.atmos_stream_type = type;
    msg.proc_type = proc;
    sendMsg(msg);
}

gboolean pfBusCallback(GstBus*, GstMessage* message, gpointer)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        APP_ERR("<bus_msg><error> Error:%s \n", error != nullptr ? error->message : "");
        g_clear_error(&error);
        break;
    }
    case GST_MESSAGE_EOS:
        APP_INFO("<bus_msg> End of stream");
        break;
    case GST_MESSAGE_ELEMENT: {
        const GstStructure* s = gst_message_get_structure(message);
        const char* name = s != nullptr ? gst_structure_get_name(s) : "";
        if (std::strstr(name, "data_parse") != nullptr) {
            onDataParse(s);
        } else if (std::strcmp(name, "audio_info") == 0) {
            onAudioInfo(s);
        } else if (std::strcmp(name, "atmos_audio_info") == 0) {
            onAtmosInfo(s);
        }
        break;
    }
    default:
        break;
    }
    return TRUE;
}

void pvGstThread()
{
    APP_INFO("<gst_play> Gst loop run >>>>> ");
    g_main_loop_run(gChild.loop);
    APP_INFO("<gst_stop> Gst loop exit <<<<< ");
}

// Waits until the pipeline has reached `want`; false when the change failed or took too long.
bool waitState(GstState want)
{
    const auto deadline = std::chrono::steady_clock::now() + kStateWait;
    while (std::chrono::steady_clock::now() < deadline) {
        GstState state = GST_STATE_VOID_PENDING;
        const GstStateChangeReturn r = gst_element_get_state(gChild.pipeline, &state, nullptr, kStateQuery);
        if (r == GST_STATE_CHANGE_FAILURE) {
            return false;
        }
        if (state == want) {
            return true;
        }
    }
    return false;
}

bool fgGstStart(const SilethChildArgs& args)
{
    const SilethPipeEnv env = silethPipeEnv(*args.shm);
    SilethPipeDesc desc;
    const SilethPipeChoice choice = silethPipeChoose(args, env, &desc);
    if (choice == SilethPipeChoice::NoCaptureDevice) {
        APP_ERR("<gst_play><error> no capture device for port %d ", args.portType);
        return false;
    }
    quorid_exec("vesk_dbg mixminbuf 1", 0);
    APP_INFO("<gst_play>[1]gst init, DevicPort:%s Codectype:%d SampleRate:%d  \n", desc.capture.c_str(), args.codec,
             args.sinkRate != 0 ? args.sinkRate : 48000);
    if (choice == SilethPipeChoice::NoSection) {
        APP_ERR("<gst_play><error> no settings section for codec %d ", args.codec);
        return false;
    }
    quorid_exec(desc.codecCmd.c_str(), 0);
    if (!desc.bufruleCmd.empty()) {
        APP_INFO("PCM bufrule:%s \n", desc.bufruleCmd.c_str());
        quorid_exec(desc.bufruleCmd.c_str(), 0);
    }
    if (!desc.tuningCmd.empty()) {
        quorid_exec(desc.tuningCmd.c_str(), 0);
    }

    APP_INFO("<gst_play>[2]creat a pipeline, parse launch: %s %s %s %s %s %s", desc.source.c_str(), desc.caps.c_str(),
             desc.parser.c_str(), desc.decoder.c_str(), desc.sink.c_str(), desc.extra.c_str());
    GError* error = nullptr;
    gChild.pipeline = gst_parse_launch(desc.launch().c_str(), &error);
    if (error != nullptr) {
        APP_ERR("<gst_play><error> Error while creat a pipeline:%s \n", error->message);
        g_clear_error(&error);
    }
    if (gChild.pipeline == nullptr) {
        return false;
    }
    gChild.loop = g_main_loop_new(nullptr, FALSE);
    GstBus* bus = gst_element_get_bus(gChild.pipeline);
    gChild.watch = gst_bus_add_watch(bus, pfBusCallback, gChild.loop);
    gst_object_unref(bus);

    if (gst_element_set_state(gChild.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        APP_ERR("<gst_play><error>  Unable to set the pipeline to the playing state.");
        return false;
    }
    gChild.loopThread = std::thread(pvGstThread);
    while (!g_main_loop_is_running(gChild.loop)) {
        usleep(50);
    }
    if (!waitState(GST_STATE_PLAYING)) {
        APP_ERR("<gst_play><error> waiting for gst state to PLAYING ");
        return false;
    }
    return true;
}

// Mutes the stream towards corvand before it stops.
void vSilethStreamMuteSet(uint8_t mute)
{
    APP_INFO("mute=%d, fgSigFlowMute=%d\n", mute, gChild.flowMute);
    if (gChild.flowMute != 1) {
        gChild.flowMute = 1;
        sileth_msg_t msg;
        msg.cmd = CEC_STREAM_MUTE_CBK;
        msg.sig_flow_mute = 1;
        sendMsg(msg);
    }
}

int fgGstStop()
{
    vSilethStreamMuteSet(1);
    APP_INFO("========<gst_stop>[1]gst stop ========");
    if (gst_element_set_state(gChild.pipeline, GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE) {
        APP_ERR("<gst_stop><error> Unable to set the pipeline to the stoped state.");
        return 0;
    }
    if (!waitState(GST_STATE_NULL)) {
        APP_ERR("<gst_stop><error> waiting for gst state to NULL ");
        return 0;
    }
    APP_INFO("<gst_stop>[2]Change gst state to Stopped ");
    g_main_loop_quit(gChild.loop);
    gChild.loopThread.join();
    usleep(50);
    gst_object_unref(gChild.pipeline);
    gChild.pipeline = nullptr;
    g_source_remove(gChild.watch);
    g_main_loop_unref(gChild.loop);
    gChild.loop = nullptr;
    APP_INFO("<gst_stop>[3]stop done! pid:%d time:%f \n", static_cast<int>(getpid()), now());
    return 1;
}

void applyXupmix()
{
    APP_INFO("signal  id %d \n", SIGUSR2);
    if (gChild.pipeline == nullptr) {
        APP_INFO("prPipeline is NULL ");
        return;
    }
    GstElement* decoder = gst_bin_get_by_name(GST_BIN(gChild.pipeline), "m_halvorn");
    if (decoder == nullptr) {
        APP_INFO("prGstObj->kvx_element_t is null ");
        return;
    }
    const int32_t value = gChild.shm->get(SHM_XUPMIX);
    APP_INFO("shmaddr->kvx_xupmix_value %d \n", value);
    g_object_set(decoder, "noupmix", static_cast<gint>(value), nullptr);
    gst_object_unref(decoder);
}

[[noreturn]] void endChild(int status)
{
    fflush(stdout);
    _exit(status);
}

}  // namespace

void vGstMain(const SilethChildArgs& args)
{
    // SIGUSR1 (stop) and SIGUSR2 (upmix) are taken only by the main thread in sigsuspend: blocked
    // here before any thread exists, so every GStreamer thread inherits the block. SIGUSR1 was
    // already blocked across the fork, so a stop sent before the handler is in place waits.
    sigset_t childSet;
    sigemptyset(&childSet);
    sigaddset(&childSet, SIGUSR1);
    sigaddset(&childSet, SIGUSR2);
    sigset_t waitMask;
    pthread_sigmask(SIG_BLOCK, &childSet, &waitMask);
    sigdelset(&waitMask, SIGUSR1);
    sigdelset(&waitMask, SIGUSR2);

    // A child that outlived its daemon would hold the input for good: it goes with the thread
    // that forked it, and at once when the daemon is already gone.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != args.daemonPid) {
        _exit(1);
    }

    sileth_shm_t* shm = args.shm;
    gChild.shm = shm;
    gChild.rate = args.rate;
    gChild.channels = args.channels;
    gChild.flowMute = args.flowMute;
    shm->set(SHM_CHILD_UP, 0);
    if (access(sb::path("/tmp/kvxac0_opened").c_str(), F_OK) == 0) {
        quorid_exec("rm -rf /tmp/kvxac0_opened", 0);
    }
    for (int w = 0; w < SHM_WORDS; ++w) {
        if (w != SHM_ATMOS_TYPE && w != SHM_MAT_PCM) {
            shm->word[w].store(0);
        }
    }
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = sig_gst_atmos_process;
    sigaction(SIGUSR2, &sa, nullptr);
    shm->set(SHM_CHILD_PID, -1);

    if (!fgGstStart(args)) {
        endChild(1);
    }
    APP_INFO("<gst_play>[6]play done, time:%f \n", now());
    sileth_msg_t done;
    done.cmd = GST_PLAY_DONE;
    sendMsg(done);
    shm->set(SHM_CHILD_PID, static_cast<int32_t>(getpid()));

    sa.sa_handler = onStopSignal;
    sigaction(SIGUSR1, &sa, nullptr);
    shm->set(SHM_CHILD_UP, 1);
    while (!gChild.stop.load()) {
        sigsuspend(&waitMask);
        if (gChild.xupmix.exchange(false)) {
            applyXupmix();
        }
    }
    APP_INFO("<gst_stop>[0] signal unlocked ");
    endChild(fgGstStop() == 1 ? 0 : 2);
}
