#include "main/cec/cec_parser.h"

#include "main/cec/cec_dbg.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"

#include <atomic>

namespace {

struct CecParser {
    std::atomic<bool> inited{false};
    msg_q_t* queue = nullptr;
};

CecParser gParser;

}  // namespace

int32_t cecParserInit(msg_q_t* queue)
{
    if (gParser.inited.load()) {
        CEC_ERR("cec module already init\n\r");
        return CECR_ALREADY;
    }
    cecSemaMtxLock();
    gParser.queue = queue;
    gPlatformInfo.ui4ActiveRx = CEC_RX_PORT_0;
    os_timer_t* guard = nullptr;
    const int32_t res = u_timer_create(&guard);
    if (res != 0) {
        CEC_ERR("<CEC>Err:u_timer_create return err: ret=%d.\r\n", res);
    } else {
        gPlatformInfo.prGuardTimer = guard;
    }
    cecSemaMtxNulock();
    gParser.inited = true;
    return CECR_OK;
}

int32_t cecParserUninit(uint32_t)
{
    if (!gParser.inited.exchange(false)) {
        CEC_ERR(" cec module already uninit\n\r");
        return CECR_DRV_FAIL;
    }
    return CECR_OK;
}

bool cecParserIsInited(void)
{
    return gParser.inited.load();
}
