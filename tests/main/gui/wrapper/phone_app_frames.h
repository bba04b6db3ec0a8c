// The phone-app frames the wrappers send, recorded where the Bluetooth module's UART would take
// them: each 0xBB frame on slot 0 as "phone app" and its group, id and payload in hex.
#pragma once

#include "main/gui/link/wireless_drv.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace phoneapp {

struct Recorder {
    std::mutex lock;
    std::vector<std::string> frames;
};

inline Recorder& recorder()
{
    static Recorder r;
    return r;
}

inline int32_t recordWrite(uint16_t, const uint8_t* buf, uint32_t len)
{
    if (len >= 6 && buf[0] == 0xBB) {
        std::string s = "phone app";
        for (uint32_t i = 3; i + 1 < len; ++i) {
            char b[4];
            std::snprintf(b, sizeof(b), " %02x", buf[i]);
            s += b;
        }
        std::lock_guard<std::mutex> guard(recorder().lock);
        recorder().frames.push_back(s);
    }
    return static_cast<int32_t>(len);
}

// Slot 0 writes go to the recorder until stop().
inline void start()
{
    {
        std::lock_guard<std::mutex> guard(recorder().lock);
        recorder().frames.clear();
    }
    const GuiWirelessDevOps ops{nullptr, nullptr, nullptr, recordWrite};
    guiWrapperWirelessDrvRegister(WIRELESS_DEV_E_ATS2853, &ops);
}

inline void stop()
{
    guiWrapperWirelessDrvUnRegister(WIRELESS_DEV_E_ATS2853);
}

// The frames recorded since the last call.
inline std::vector<std::string> take()
{
    std::lock_guard<std::mutex> guard(recorder().lock);
    std::vector<std::string> v;
    v.swap(recorder().frames);
    return v;
}

}  // namespace phoneapp
