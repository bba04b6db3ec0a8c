#include "main/source_in/capture_loop/tdm_in.h"

#include "main/source_in/capture_loop/capture_loop_app.h"

namespace {

const CaptureLoopConfig kTdmInConfig = {
    "<tdm_in>",
    "hw:1,0",
    1536000,
    "tdmin msg id [%d]\n",
    "tdm_in record thread create failed!",
    "tdm_in play thread create failed!",
    true,
    true,
    tdmInGetDbgLevel,
};

CaptureLoopApp gTdmIn{
    {"playback_tdm_in", "tdm_in", "tdmin", "tdm_in commands", "tdmin_msg", "[tdmin]tdm_in_play_start",
     "tdmInCliAttachCmdTbl"},
    {"<tdm_in>", "tdm_in.cpp", DBG_LAYER_APP, 0x01FF},
    CaptureLoop(kTdmInConfig),
};

using TdmIn = CaptureLoopAppFns<gTdmIn>;

}  // namespace

void aTdmInRegister(amb_register_info_t* info)
{
    TdmIn::registerApp(info);
}

int32_t uTdmInSendMsg(const CaptureLoopMsg* msg)
{
    return TdmIn::send(msg);
}

uint16_t tdmInGetDbgLevel(void)
{
    return TdmIn::level();
}

void tdmInSetDbgLevel(uint16_t level)
{
    TdmIn::setLevel(level);
}

int32_t tdmInCliAttachCmdTbl(void)
{
    return TdmIn::attach();
}
