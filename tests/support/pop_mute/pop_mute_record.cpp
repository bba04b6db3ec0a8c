#include "tests/support/pop_mute/pop_mute_record.h"

#include "platform/sbroot/sb_root.h"

#include <cstdio>
#include <mutex>

void popMuteRecord(const char* logPath, uint8_t mute)
{
    muteCallRecord(logPath, "guiWrapperMusicPopMuteSet", mute);
}

void muteCallRecord(const char* logPath, const char* call, uint8_t mute)
{
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    FILE* log = fopen(sb::path(logPath).c_str(), "a");
    if (log == nullptr) {
        return;
    }
    fprintf(log, "%s %u\n", call, mute);
    fclose(log);
}
