#include "main/gui/wrapper/wrapper_dts.h"

#include "main/gui/wrapper/wrapper_decoder_priv.h"
#include "main/gui/wrapper/wrapper_general.h"

#include <atomic>

namespace {

struct DtsObj {
    uint8_t reserved[3]{};
    std::atomic<uint8_t> init{0};
};

DtsObj gGuiWrapperDtsThisObj;

}  // namespace

void guiWrapperDtsInit(void)
{
    if (gGuiWrapperDtsThisObj.init.load() != 0) {
        return;
    }
    gGuiWrapperDtsThisObj.init = 1;
    DECODER_LOG("guiWrapperDtsInit %d!", gGuiWrapperDtsThisObj.init.load());
}

void guiWrapperDtsExit(void)
{
    gGuiWrapperDtsThisObj.init = 0;
}

void guiWrapperDtsVirtualXSet(const uint8_t* on)
{
    if (on == nullptr) {
        DECODER_LOG("Param Error!");
        return;
    }
    DECODER_LOG("virtual_x_en=%d", *on);
}

int32_t guiWrapperDtsMsgSnd(uint32_t cmd)
{
    const int32_t ret = guiWrapperMsgSnd(cmd);
    if (ret != 0) {
        DECODER_LOG("guiWrapperDtsMsgSnd failed, ret[%d]", static_cast<int>(ret));
        return -1;
    }
    return 0;
}

void guiWrapperDtsPowerOn(const void*)
{
}
void guiWrapperDtsPowerOff(const void*)
{
}
void guiWrapperDtsFactoryReset(const void*)
{
}
void guiWrapperDtsSurEnSet(const void*)
{
}
void guiWrapperDtsEqSet(const void*)
{
}
void guiWrapperDtsMuteSet(const void*)
{
}
void guiWrapperDtsVolSet(const void*)
{
}
void guiWrapperDtsBassSet(const void*)
{
}
void guiWrapperDtsTrebleSet(const void*)
{
}
void guiWrapperDtsDrcLvlSet(const void*)
{
}
void guiWrapperDtsDclLvlSet(const void*)
{
}
void guiWrapperDtsNeuralXSet(const void*)
{
}
void guiWrapperDtsVxDfSet(const void*)
{
}
