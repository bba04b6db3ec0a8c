#include "main/gui/wrapper/hdmi_stub/wrapper_hdmi_stub.h"
#include "tests/support/pop_mute/pop_mute_record.h"

// The wrapped name of void guiWrapperMusicStreamMuteCbk(uint8_t).
extern "C" void __wrap__Z28guiWrapperMusicStreamMuteCbkh(uint8_t mute)
{
    muteCallRecord(WRAPPER_HDMI_CALL_LOG, "guiWrapperMusicStreamMuteCbk", mute);
}
