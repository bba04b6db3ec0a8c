#include "main/source_in/capture_loop/uac_capture.h"

#include "main/source_in/capture_loop/capture_loop_app.h"

namespace {

const CaptureLoopConfig kUacCaptureConfig = {
    "<uac_capture>",
    "main",
    176400,
    "uac_capture msg id [%d]\n",
    "uac_capture record thread create failed!",
    "uac_capture play thread create failed!",
    false,
    false,
    uacCaptureGetDbgLevel,
};

// The registration record holds the first 16 characters of "playback_uac_capture".
CaptureLoopApp gUacCapture{
    {"playback_uac_capture", "uac_capture", "uaccapture", "uac_capture commands", "uaccapture_msg",
     "[uaccapture]uac_capture_play_start", "uacCaptureCliAttachCmdTbl"},
    {"<uac_capture>", "uac_capture.cpp", DBG_LAYER_APP, 0x01FF},
    CaptureLoop(kUacCaptureConfig),
};

using UacCapture = CaptureLoopAppFns<gUacCapture>;

}  // namespace

void aUacCaptureRegister(amb_register_info_t* info)
{
    UacCapture::registerApp(info);
}

int32_t uUacCaptureSendMsg(const CaptureLoopMsg* msg)
{
    return UacCapture::send(msg);
}

uint16_t uacCaptureGetDbgLevel(void)
{
    return UacCapture::level();
}

void uacCaptureSetDbgLevel(uint16_t level)
{
    UacCapture::setLevel(level);
}

int32_t uacCaptureCliAttachCmdTbl(void)
{
    return UacCapture::attach();
}
