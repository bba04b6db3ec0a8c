// The device manager core's record, for the module's own files and its tests.
#pragma once

#include "main/device_mngr/dm_cb.h"
#include "main/device_mngr/dm_core.h"
#include "main/mw/handle/handle.h"
#include "main/mw/os_pthread/os_msgq.h"
#include "main/mw/os_pthread/os_thread.h"

#include <atomic>
#include <vector>

struct DmCore {
    DmDevDesc* t_dev_list = nullptr;
    handle_t h_dev_lock = 0;
    os_thread_t t_nfy_thread = nullptr;
    std::atomic<msg_q_t*> t_nfy_queue{nullptr};
    os_thread_t t_cb_thread = nullptr;
    std::atomic<msg_q_t*> t_cb_queue{nullptr};
    std::atomic<uint8_t> b_inited{0};
    std::atomic<uint8_t> b_automnt_init{0};
    std::vector<DmAutoMntRow> approval;
    std::atomic<uint8_t> b_nfy_thread_done{0};
    std::atomic<uint8_t> b_cb_thread_done{0};
};

DmCore& dmCoreGet();
