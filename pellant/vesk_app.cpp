#include "pellant/vesk_app.h"

#include "platform/sbroot/sb_root.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t kOutputDevice = 2;
constexpr uint32_t kSampleWidth = 32;
constexpr uint32_t kOutputRate = 48000;
constexpr uint32_t kSpeakerConf = 63;

struct AppState {
    std::atomic<vesk_handle_t> handle{nullptr};  // written at start-up, read by the server thread
};

AppState gApp;

int makeCommandFifo()
{
    const std::string path = sb::path(VESK_APP_FIFO_PATH);
    if (access(path.c_str(), F_OK) == 0) {
        return 0;
    }
    int ret = mkfifo(path.c_str(), 0660);
    if (ret == 0) {
        ret = chmod(path.c_str(), 0660);  // the mode must not depend on the caller's umask
    }
    if (ret != 0) {
        printf("mkfifo fail:%d\n", ret);
    }
    return ret;
}

VeskChList channels(std::initializer_list<uint32_t> numbers)
{
    VeskChList list{};
    for (uint32_t n : numbers) {
        list.ch[list.num++] = n;
    }
    return list;
}

void setOutputDescription(vesk_handle_t h)
{
    const VeskChList first = channels({3, 4, 8, 7, 5, 6, 9, 10});
    const VeskChList second = channels({3, 4, 7, 8, 5, 6, 9, 10});
    VeskDeviceDesc desc{};
    desc.ch_list[0] = &first;
    desc.ch_list[1] = &second;
    desc.format = kSampleWidth;
    desc.name = "default";
    if (vesk_set_device_desc_ext(h, kOutputDevice, &desc) != 0) {
        printf("%s,%d,error!\n", __func__, __LINE__);
    }
}

void preloadConfigurations(vesk_handle_t h)
{
    std::array<VeskPpcPreload, kVeskAppPreloads.size()> list{};
    for (size_t i = 0; i < list.size(); ++i) {
        list[i].type = 0;
        snprintf(list[i].path, sizeof(list[i].path), "%s", kVeskAppPreloads[i]);
    }
    vesk_ppc_preload(h, static_cast<uint32_t>(list.size()), list.data());
}

}  // namespace

vesk_handle_t veskAppHandle(void)
{
    return gApp.handle.load();
}

int vesk_init(void)
{
    int ret = makeCommandFifo();
    if (ret != 0) {
        return ret;
    }
    vesk_handle_t h = nullptr;
    ret = vesk_create(&h);
    if (ret != 0 || h == nullptr) {
        printf("create vesk fail:%d\n", ret);
        return ret;
    }
    setOutputDescription(h);
    if (vesk_set_out_buffer_rule(h, 6, 6, 24, 0, 0) != 0) {
        printf("%s,%d,error!\n", __func__, __LINE__);
    }
    printf("disable dsp out!\n");
    vesk_set_dsp_out_enable(h, 0);
    printf("Trigger PowerAQ in CPU!\n");
    vesk_ppc_set_proc_type(h, 0);
    vesk_set_out_samplerate_rule(h, 0, kOutputRate);
    vesk_set_src_type(h, 1);
    vesk_ppc_enable(h, 0, 1);
    vesk_set_out_mix_format(h, 1, 0);
    vesk_ppc_set_dec_spk_conf(h, kSpeakerConf);
    preloadConfigurations(h);
    vesk_ppc_set_cfgfile_path(h, VESK_APP_CFG_DIR);
    ret = vesk_start(h);
    if (ret != 0) {
        printf("start vesk fail:%d\n", ret);
        vesk_destroy(h);
        return ret;
    }
    gApp.handle.store(h);
    return 0;
}
