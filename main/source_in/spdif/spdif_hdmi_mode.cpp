#include "main/source_in/spdif/spdif_hdmi_mode.h"

#include "main/source_in/spdif/spdif_in_priv.h"
#include "platform/sbdev/hdmitx_ioctl.h"
#include "platform/sbdev/sb_dev.h"

#include <cerrno>
#include <fcntl.h>

namespace {

struct InputMode {
    uint32_t type;
    HdmiInputModeArg words;
    const char* failure;
};

constexpr InputMode kModes[] = {
    {0, {4, 0, 0, 1, 0}, "Set optical mode fail ...\n"}, {1, {0, 0, 0, 1, 0}, "Set hdmi arc mode fail ...\n"},
    {2, {1, 0, 1, 1, 0}, "Set hdmi in mode fail ...\n"}, {4, {3, 0, 0, 1, 0}, "Set bt ext in mode fail ...\n"},
    {5, {2, 0, 0, 1, 0}, "Set aux in mode fail ...\n"},
};

}  // namespace

int32_t vSetHdmiModeCtrl(uint32_t hdmiSrcType)
{
    SPDIF_INFO("iSrcType=%u\n", hdmiSrcType);
    for (const InputMode& mode : kModes) {
        if (mode.type != hdmiSrcType) {
            continue;
        }
        HdmiInputModeArg arg = mode.words;
        const int32_t ret = earcIoctl(KVX_HDMI_SET_INPUT_MODE, arg.data());
        if (ret != 0) {
            SPDIF_ERR("%s", mode.failure);
        }
        return ret;
    }
    return 0;
}

int32_t earcIoctl(uint32_t request, void* argument)
{
    SPDIF_INFO("============= earc Ioctl start ============ \n");
    const int fd = sb_dev_open("/dev/hdmitx", O_RDWR);
    if (fd < 0) {
        SPDIF_ERR("open earc device fail %d \n", errno);
        return 1;
    }
    if (sb_dev_ioctl_ptr(fd, request, argument) == -1) {
        SPDIF_ERR("read data fial! \n\r");
        sb_dev_close(fd);
        return 1;
    }
    if (sb_dev_close(fd) != 0) {
        SPDIF_ERR("close earc device fail! \n\r");
        return 1;
    }
    SPDIF_INFO("ioctl complete \n");
    return 0;
}
