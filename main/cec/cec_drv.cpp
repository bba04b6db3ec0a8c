#include "main/cec/cec_drv.h"

#include "common/support/support.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_state.h"
#include "platform/quorid/quorid.h"
#include "platform/sbdev/sb_dev.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>

namespace {

// The last value given to the CEC function switch.
std::atomic<uint8_t> gCecFunction{1};

}  // namespace

int32_t cecIoctl(uint32_t request, uintptr_t argument)
{
    const int fd = sb_dev_open(CEC_DEV_PATH, O_RDWR);
    if (fd < 0) {
        CEC_API("open cec device fail %d \n", fd);
        return CECR_DRV_FAIL;
    }
    const int res = kvxHdmiTakesValue(request) ? sb_dev_ioctl_val(fd, request, argument)
                                               : sb_dev_ioctl_ptr(fd, request, reinterpret_cast<void*>(argument));
    if (res == -1) {
        CEC_ERR("ioctl fail! \n\r");
        sb_dev_close(fd);
        return CECR_DRV_FAIL;
    }
    if (sb_dev_close(fd) != 0) {
        CEC_ERR("close cec device fail! \n\r");
        return CECR_DRV_FAIL;
    }
    CEC_INFO("ioctl complete \n");
    return CECR_OK;
}

void cecCtrlARC(uint8_t enable)
{
    CecHdmiTxInfo* tx = cecActiveTxInfo(__LINE__);
    if (tx == nullptr) {
        return;
    }
    CEC_INFO("TX[%u] ARC enable: %d \n", gPlatformInfo.ui4ActiveTx.load(), enable);
    // The driver reads the argument as a signed byte widened to the word.
    const auto value = static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int8_t>(enable)));
    if (cecIoctl(KVX_HDMI_ARC_ENABLE, value) != CECR_OK) {
        CEC_ERR("err: ioctl fail, KVX_HDMI_ARC_ENABLE");
        return;
    }
    tx->openARC = enable;
}

int32_t cecCtrlSetConfigToDrive(void)
{
    CecHdmiTxInfo* tx = cecActiveTxInfo(__LINE__);
    if (tx == nullptr) {
        return CECR_INV_ARG;
    }
    uint8_t record[CEC_SETLA_SIZE] = {};
    const auto la = static_cast<uint8_t>(tx->logicalAddr.load());
    const uint16_t pa = tx->physicalAddr.load();
    record[CEC_SETLA_OFF_LA] = la;
    sb::storeLe16(record + CEC_SETLA_OFF_PA, pa);
    char text[CEC_PA_TEXT_SIZE];
    if (pa_to_string(pa, text) == nullptr) {
        CEC_ERR("err: pa_to_string fail");
        text[0] = '\0';
    }
    CEC_INFO("set config la: %d, pa:%s\n", la, text);
    if (cecIoctl(KVX_HMDI_SETLA, reinterpret_cast<uintptr_t>(record)) != CECR_OK) {
        CEC_ERR("err: ioctl fail, KVX_HMDI_SETLA");
        return CECR_DRV_FAIL;
    }
    return CECR_OK;
}

int32_t cecCtrlSetFunction(uint8_t enable)
{
    gCecFunction = enable;
    CEC_INFO("cec set drvier function is enable/diable (enable=%d)\n\r", enable);
    cecIoctl(KVX_HDMI_CEC_ENABLE, enable);
    return CECR_OK;
}

int32_t cecCtrlSignalDriverReady(uint8_t ready)
{
    CEC_INFO("signal driver that app is ready: %d \n\r", ready);
    cecIoctl(KVX_HDMI_CEC_APP_READY, reinterpret_cast<uintptr_t>(&ready));
    CEC_INFO("signal driver success \n\r");
    return CECR_OK;
}

int32_t cecCtrlOpenDriver(void)
{
    quorid_exec(CEC_DEV_CHMOD_CMD, 0);
    return CECR_OK;
}

char* pa_to_string(uint16_t address, char* buffer)
{
    if (buffer == nullptr) {
        return nullptr;
    }
    const int n = snprintf(buffer, CEC_PA_TEXT_SIZE, "%x.%x.%x.%x", (address >> 12) & 0xF, (address >> 8) & 0xF,
                           (address >> 4) & 0xF, address & 0xF);
    return (n < 0 || static_cast<size_t>(n) >= CEC_PA_TEXT_SIZE) ? nullptr : buffer;
}
