#include "main/source_in/spdif/spdif_in_priv.h"

#include <atomic>
#include <sys/time.h>

namespace {

struct SpdifInLog {
    DbgModule dbg{"<SPDIF_IN>", "pb_spdif_in", DBG_LAYER_APP, 0x01FF};
    // Microseconds since the epoch at the last switch-on, 0 before the first.
    std::atomic<int64_t> switchOnUs{0};
};
SpdifInLog g;

int64_t nowUs()
{
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000000 + tv.tv_usec;
}

}  // namespace

uint16_t i4SpdifInGetDbgLevel(void)
{
    return g.dbg.level();
}

void vSpdifInSetDbgLevel(uint16_t level)
{
    g.dbg.setLevel(level);
}

void spdifInStampSwitchOn(void)
{
    g.switchOnUs.store(nowUs());
}

void spdifInClearSwitchOn(void)
{
    g.switchOnUs.store(0);
}

void spdifInLogTime(void)
{
    const int64_t since = nowUs() - g.switchOnUs.load();
    const int64_t us = since < 0 ? 0 : since;
    SPDIF_INFO("\t time(%d.%d.%d) \n", static_cast<int>(us / 1000000), static_cast<int>(us / 1000 % 1000),
               static_cast<int>(us % 1000));
}
