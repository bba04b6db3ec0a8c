#include "main/acfg/audio_setting.h"

#include "main/audio_client/vesk_ipc.h"
#include "platform/sbroot/sb_root.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Larger than the reload body, so a longer message shows its length and can be dropped instead
// of staying at the head of the queue.
constexpr size_t kReceiveMax = 64;
// At most one message is taken per interval.
constexpr int kLookIntervalMs = 1000;

struct ReceivedMsg {
    long mtype;
    char body[kReceiveMax];
};

// Nothing here has a destructor: the thread may still run while a process that never exited the
// application ends.
struct AudioSettingState {
    handle_t hApp = 0;
    std::atomic<bool> fgRunning{false};
    MervaneParam command_str{};  // touched only by the thread
    pthread_t thread{};
    bool fgThreadStarted = false;
    int wakeFd = -1;  // an eventfd that ends the wait between two looks at the queue
};

AudioSettingState gMervaneThisObj;

int32_t appInit(const char*, handle_t app);
int32_t appExit(handle_t, uint32_t);
int32_t appProcess(handle_t, uint32_t, const void*, uint32_t)
{
    return 0;
}

// A missing word reads as empty, so as 0.
const char* word(const MervaneParam* record, int32_t i)
{
    return i >= 0 && i < record->i4Argc && i < static_cast<int32_t>(MERVANE_WORD_MAX) ? record->acArgv[i] : "";
}

int32_t number(const MervaneParam* record, int32_t i)
{
    return atoi(word(record, i));
}

// Reads the file and applies it; calls made before the audio-server client is connected fail,
// which is said once here and made good by the next reload.
void reload()
{
    MervaneParam* record = &gMervaneThisObj.command_str;
    vGetParamString(record, AUDIO_SETTING_PARAM_PATH);
    const int32_t ret = veskSetting(record);
    if (ret == VESK_IPC_ERR_NOT_CONNECTED) {
        printf("<AUDIO_SETTING>audio server not connected, the settings wait for the next reload\n");
    }
    printf("<AUDIO_SETTING>veskSetting done, ret=%d\n", static_cast<int>(ret));
}

// Takes one message without waiting; true for a reload message. Every other message, and one
// whose body is not exactly the 4-byte value, is taken and dropped.
bool takeReload(int queue)
{
    ReceivedMsg msg{};
    const ssize_t size = msgrcv(queue, &msg, sizeof(msg.body), 0, IPC_NOWAIT | MSG_NOERROR);
    if (size < 0) {
        return false;
    }
    int32_t value = 0;
    if (size != static_cast<ssize_t>(sizeof(value))) {
        printf("<AUDIO_SETTING>drop message type %ld of %d bytes\n", msg.mtype, static_cast<int>(size));
        return false;
    }
    memcpy(&value, msg.body, sizeof(value));
    return msg.mtype == MERVANE_RELOAD_MTYPE && value == MERVANE_RELOAD_VALUE;
}

void* thread_run(void*)
{
    const key_t key = sb::ftokKey(MERVANE_PROGRAM_PATH, MERVANE_QUEUE_ID);
    // Without mervane's program file there is no key of its own: a queue is not made up.
    const int queue = key == -1 ? -1 : msgget(key, IPC_CREAT | 0666);
    if (queue < 0) {
        printf("<AUDIO_SETTING>no mervane queue, reloads are not received\n");
    }
    FILE* param = fopen(sb::path(AUDIO_SETTING_PARAM_PATH).c_str(), "r");
    if (param != nullptr) {
        fclose(param);
        reload();
    }
    while (gMervaneThisObj.fgRunning.load()) {
        if (queue >= 0 && takeReload(queue)) {
            reload();
        }
        pollfd wake{gMervaneThisObj.wakeFd, POLLIN, 0};
        poll(&wake, 1, kLookIntervalMs);
    }
    return nullptr;
}

int32_t appInit(const char*, handle_t app)
{
    gMervaneThisObj.hApp = app;
    gMervaneThisObj.command_str.i4Argc = 0;
    gMervaneThisObj.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (gMervaneThisObj.wakeFd < 0) {
        printf("<AUDIO_SETTING>eventfd fail %d!\n", errno);
        return -1;
    }
    gMervaneThisObj.fgRunning.store(true);
    const int ret = pthread_create(&gMervaneThisObj.thread, nullptr, thread_run, nullptr);
    if (ret != 0) {
        printf("<AUDIO_SETTING>thread create fail %d!\n", ret);
        gMervaneThisObj.fgRunning.store(false);
        close(gMervaneThisObj.wakeFd);
        gMervaneThisObj.wakeFd = -1;
        return -1;
    }
    gMervaneThisObj.fgThreadStarted = true;
    return 0;
}

int32_t appExit(handle_t, uint32_t)
{
    gMervaneThisObj.fgRunning.store(false);
    if (gMervaneThisObj.fgThreadStarted) {
        const uint64_t one = 1;
        ssize_t written = write(gMervaneThisObj.wakeFd, &one, sizeof(one));
        (void)written;  // a full counter already wakes the thread
        pthread_join(gMervaneThisObj.thread, nullptr);
        gMervaneThisObj.fgThreadStarted = false;
    }
    if (gMervaneThisObj.wakeFd >= 0) {
        close(gMervaneThisObj.wakeFd);
        gMervaneThisObj.wakeFd = -1;
    }
    return 0;
}

}  // namespace

void a_audio_setting_manager_register(amb_register_info_t* info)
{
    if (gMervaneThisObj.fgRunning.load()) {
        printf("<Audio_SETTING>a_audio_setting_manager_register done,just return\n");
        return;
    }
    if (info == nullptr) {
        return;
    }
    amb_fill_register_info(info, "audio_setting", {appInit, appExit, appProcess}, {131072, 130, 64, 128, 4096});
}

int32_t vGetParamString(MervaneParam* record, const char* path)
{
    *record = MervaneParam{};
    FILE* file = fopen(sb::path(path).c_str(), "r");
    if (file == nullptr) {
        printf("[vGetParamString]fail: file don't exist\n");
        return -1;
    }
    char line[MERVANE_WORD_LEN] = {};
    while (record->i4Argc < static_cast<int32_t>(MERVANE_WORD_MAX) && fgets(line, sizeof(line), file) != nullptr &&
           line[0] != '\0') {
        size_t length = strlen(line);
        // The line end may stand behind a NUL byte of the line: look for it in all that was read
        // (the buffer is zeroed between lines).
        if (memchr(line, '\n', sizeof(line)) == nullptr) {
            // A line longer than a word: the rest of it is not read as further words.
            int c = 0;
            while ((c = fgetc(file)) != EOF && c != '\n') {
            }
        }
        line[length - 1] = '\0';  // the line end
        printf("get %s\n", line);
        memcpy(record->acArgv[record->i4Argc], line, length);
        ++record->i4Argc;
        memset(line, 0, sizeof(line));
    }
    if (fclose(file) != 0) {
        printf("close pfp fail\n");
        return -1;
    }
    if (record->i4Argc != 0) {
        --record->i4Argc;
        memset(record->acArgv[record->i4Argc], 0, MERVANE_WORD_LEN);
    }
    if (record->i4Argc == 0) {
        printf("[vGetParamString]Error: tParam_Str->i4Argc == 0\n");
        return -1;
    }
    printf("[File %s param: \n", path);
    for (int32_t i = 0; i < record->i4Argc; ++i) {
        printf("%s\n", record->acArgv[i]);
    }
    return 0;
}

int32_t veskSetting(const MervaneParam* record)
{
    int32_t ret = 0;
    for (int32_t i = 0; i < record->i4Argc;) {
        const char* option = word(record, i);
        if (strstr(option, "-v") != nullptr) {
            ret = vesk_set_master_vol_ipc(static_cast<uint32_t>(number(record, i + 1)));
            i += 2;
        } else if (strstr(option, "-w") != nullptr) {
            ret = vesk_set_stream_vol_ipc(static_cast<uint32_t>(number(record, i + 1)),
                                          static_cast<uint32_t>(number(record, i + 2)));
            i += 3;
        } else if (strstr(option, "-s") != nullptr) {
            printf("samplerate rule cmd: %d  %d  \n", number(record, i + 1), number(record, i + 1));
            ret = vesk_set_out_samplerate_rule_ipc(static_cast<uint32_t>(number(record, i + 1)),
                                                   static_cast<uint32_t>(number(record, i + 2)));
            i += 3;
        } else if (strstr(option, "-c") != nullptr) {
            vesk_set_out_samplerate_rule_ipc(0, static_cast<uint32_t>(number(record, i + 3)));
            // The channel list holds 24 numbers and only the words present are numbers.
            const int32_t present = std::max(0, record->i4Argc - (i + 5));
            const int32_t count =
                std::clamp(number(record, i + 4), 0, std::min(static_cast<int32_t>(MERVANE_CHANNEL_MAX), present));
            uint32_t channels[MERVANE_CHANNEL_MAX] = {};
            for (int32_t k = 0; k < count; ++k) {
                channels[k] = static_cast<uint32_t>(number(record, i + 5 + k));
            }
            VeskDevDescIpcArg desc{};
            desc.dev = 2;
            desc.desc[0] = static_cast<uint32_t>(number(record, i + 2));
            desc.ch_num = static_cast<uint32_t>(count);
            desc.ch_mask = vesk_chmap_parse(count, channels);
            ret = vesk_set_device_desc_ext_ipc(desc);
            if (ret != 0) {
                printf("set device error\n");
            }
            ++i;  // the words after it are looked at again; they hold no option
        } else {
            ++i;
        }
    }
    return ret;
}
