#include "platform/parm/parm.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

struct ParmState {
    std::mutex lock;
    char sn[PARM_SN_SIZE] = "SB2026000001";
    uint8_t mac[PARM_BT_MAC_SIZE] = {0x02, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
};

ParmState gParm;

}  // namespace

extern "C" int r_SN(char* sn)
{
    if (sn == nullptr) {
        return -1;
    }
    std::lock_guard<std::mutex> g(gParm.lock);
    memcpy(sn, gParm.sn, PARM_SN_SIZE);
    return 0;
}

extern "C" int r_BT_CFG(parm_bt_cfg_t* cfg)
{
    if (cfg == nullptr) {
        return -1;
    }
    std::lock_guard<std::mutex> g(gParm.lock);
    *cfg = parm_bt_cfg_t{};
    memcpy(cfg->mac, gParm.mac, PARM_BT_MAC_SIZE);
    return 0;
}

void parmSetSerialNumber(const char* sn)
{
    std::lock_guard<std::mutex> g(gParm.lock);
    memset(gParm.sn, 0, sizeof(gParm.sn));
    snprintf(gParm.sn, sizeof(gParm.sn), "%s", sn != nullptr ? sn : "");
}

void parmSetBtMac(const uint8_t (&mac)[PARM_BT_MAC_SIZE])
{
    std::lock_guard<std::mutex> g(gParm.lock);
    memcpy(gParm.mac, mac, PARM_BT_MAC_SIZE);
}
