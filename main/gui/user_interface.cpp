#include "main/gui/user_interface.h"

#include <atomic>

namespace {

// Written and read by different applications' threads.
struct UiFlags {
    std::atomic<uint8_t> ui1FactoryReset{0};
    std::atomic<uint8_t> ui1WifiSetup{0};
    std::atomic<uint8_t> ui1BtParing{0};
};

UiFlags gUiFlags;

}  // namespace

uint8_t uiGetFactoryResetFlag(void)
{
    return gUiFlags.ui1FactoryReset.load();
}

void uiSetWifiSetupFlag(uint8_t flag)
{
    gUiFlags.ui1WifiSetup.store(flag);
}

uint8_t uiGetWifiSetupFlag(void)
{
    return gUiFlags.ui1WifiSetup.load();
}

void uiSetBtParingFlag(uint8_t flag)
{
    gUiFlags.ui1BtParing.store(flag);
}

uint8_t uiGetBtParingFlag(void)
{
    return gUiFlags.ui1BtParing.load();
}
