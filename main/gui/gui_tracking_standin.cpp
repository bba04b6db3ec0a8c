// Stand-in for usage tracking until it is built: each call says it was reached. The counters read
// (category + 1) * 100 + item until a test sets one with guiTrackingStandinSet.
#include "main/gui/gui_tracking.h"

#include "main/gui/wrapper/call_log/wrapper_call_log.h"

#include <map>
#include <mutex>
#include <utility>

// Declared by the tests that set counters; goes with this file.
void guiTrackingStandinSet(uint32_t category, uint8_t item, uint32_t value);
void guiTrackingStandinClear(void);

namespace {

std::mutex gLock;
std::map<std::pair<uint32_t, uint8_t>, uint32_t> gSet;

}  // namespace

void guiTrackingInit(void)
{
}

void guiTrackingExit(void)
{
}

void guiTrackingReset(void)
{
    STANDIN_NOT_BUILT();
}

void guiTrackingPowerOn(uint8_t)
{
}

void guiTrackingPowerOff(uint8_t)
{
}

void guiTrackingPrint(uint32_t, uint32_t)
{
}

uint32_t guiTrackingGet(uint32_t category, uint8_t item)
{
    if (category >= GUI_TRACKING_CATEGORIES) {
        GUI_LOG_ERR("Param Error!");
        return 0;
    }
    std::lock_guard<std::mutex> guard(gLock);
    const auto at = gSet.find({category, item});
    return at != gSet.end() ? at->second : (category + 1) * 100 + item;
}

void guiTrackingStandinSet(uint32_t category, uint8_t item, uint32_t value)
{
    std::lock_guard<std::mutex> guard(gLock);
    gSet[{category, item}] = value;
}

void guiTrackingStandinClear(void)
{
    std::lock_guard<std::mutex> guard(gLock);
    gSet.clear();
}
