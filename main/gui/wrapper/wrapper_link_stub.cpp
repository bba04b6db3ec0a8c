// The module-link calls of the music wrapper and the wrapper table, recorded in the source stand-ins'
// log. Kept apart from the source stand-ins so that a program linking these does not also take
// those in place of another stand-in of the same call.
#include "main/gui/wrapper/wrapper_source_stub.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <cstdio>

namespace {

void record(const char* call, const char* argument)
{
    if (argument != nullptr) {
        wrapperCallLog(WRAPPER_SOURCE_STUB_LOG, "%s %s", call, argument);
    } else {
        wrapperCallLog(WRAPPER_SOURCE_STUB_LOG, "%s", call);
    }
}

void recordNumber(const char* call, unsigned long value)
{
    char text[24];
    snprintf(text, sizeof(text), "%lu", value);
    record(call, text);
}

}  // namespace

void guiWrapperWirelessAudVolSet(const uint8_t* vol, uint8_t surVol, uint8_t bassVol)
{
    char text[48];
    snprintf(text, sizeof(text), "%d %u %u", vol != nullptr ? *vol : -1, surVol, bassVol);
    record(__func__, text);
}

void guiWrapperWirelessAudMuteSet(const uint8_t* mute)
{
    recordNumber(__func__, mute != nullptr ? *mute : 0xFFu);
}

void guiWrapperWirelesRxSubVolSet(uint8_t vol)
{
    recordNumber(__func__, vol);
}

void guiWrapperWirelesRxSurVolSet(uint8_t vol)
{
    recordNumber(__func__, vol);
}

void guiWrapperBrontalVolSet(const uint8_t* vol)
{
    recordNumber(__func__, vol != nullptr ? *vol : 0xFFu);
}

void guiWrapperBrontalMuteSet(const uint8_t* mute)
{
    recordNumber(__func__, mute != nullptr ? *mute : 0xFFu);
}

void guiWrapperBrontalXupmixSet(const uint8_t* on)
{
    recordNumber(__func__, on != nullptr ? *on : 0xFFu);
}

// The link reports no module version yet: the text stays as the caller zeroed it.
void guiWrapperWirelessAudTxVersionGet(char out[10])
{
    (void)out;
    record(__func__, nullptr);
}

void guiWrapperWirelessAudSubVersionGet(char out[10])
{
    (void)out;
    record(__func__, nullptr);
}

void guiWrapperWavrelUpgradeRegisterCbk(GuiWrapperWavrelUpgradeCbk cbk)
{
    record(__func__, cbk != nullptr ? "set" : "null");
}

int32_t guiWrapperWavrelUpgradeStart(uint32_t origin, uint32_t side, const char* path)
{
    char text[96];
    snprintf(text, sizeof(text), "%u %u %s", origin, side, path != nullptr ? path : "(null)");
    record(__func__, text);
    return 0;
}

int32_t guiWrapperHdmiUpgradeStart(uint32_t origin, const char* path)
{
    char text[96];
    snprintf(text, sizeof(text), "%u %s", origin, path != nullptr ? path : "(null)");
    record(__func__, text);
    return 0;
}

void guiWrapperDspUpgradeStart(const char* mountRoot)
{
    record(__func__, mountRoot != nullptr ? mountRoot : "(null)");
}

void guiWrapperOtaDownloadStart(void)
{
    record(__func__, nullptr);
}

void guiWrapperOtaDownloadStop(uint32_t reason)
{
    recordNumber(__func__, reason);
}
