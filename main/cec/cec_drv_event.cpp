#include "main/cec/cec_drv_event.h"

#include "main/cec/cec_dbg.h"

void cecPsrProcessMessage(const CecAppMsg* msg)
{
    CEC_ERR("cecPsrProcessMessage not built yet (state %u)", msg == nullptr ? 0u : msg->ui4_msg_type);
}
