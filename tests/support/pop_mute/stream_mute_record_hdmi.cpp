#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "tests/support/pop_mute/pop_mute_record.h"

// The wrapped name of void guiWrapperMusicStreamMuteCbk(uint8_t).
extern "C" void __wrap__Z28guiWrapperMusicStreamMuteCbkh(uint8_t mute)
{
    muteCallRecord(WRAPPER_CALL_LOG, "guiWrapperMusicStreamMuteCbk", mute);
}
