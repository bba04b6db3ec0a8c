// The wireless-audio wrapper's start and stop, which start and stop the whole module-link stack.
#include "main/gui/link/wrapper_wireless.h"

#include "main/gui/link/wireless_protocol.h"
#include "main/timerd/gui_log.h"

#include <mutex>

namespace {

struct {
    std::mutex lock;
    uint32_t sts = 0;
    uint32_t eqMode = 0;
    uint8_t init = 0;
} gGuiWrapperWirelessAudThisObj;

}  // namespace

void guiWrapperWirelessAudInit(void)
{
    auto& obj = gGuiWrapperWirelessAudThisObj;
    std::lock_guard<std::mutex> guard(obj.lock);
    if (obj.init != 0) {
        return;
    }
    obj.sts = 0;
    obj.eqMode = 0;
    guiWrapperWirelessProtocolInit();
    obj.init = 1;
    GUI_LOG_INFO("guiWrapperWirelessAudInit %d!", obj.init);
}

void guiWrapperWirelessAudExit(void)
{
    auto& obj = gGuiWrapperWirelessAudThisObj;
    std::lock_guard<std::mutex> guard(obj.lock);
    if (obj.init == 0) {
        return;
    }
    guiWrapperWirelessProtocolExit();
    obj.init = 0;
}
