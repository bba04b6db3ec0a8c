#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "tests/support/pop_mute/pop_mute_record.h"

// The wrapped name of void guiWrapperMusicPopMuteSet(uint8_t).
extern "C" void __wrap__Z25guiWrapperMusicPopMuteSeth(uint8_t mute)
{
    popMuteRecord(WRAPPER_CALL_LOG, mute);
}
