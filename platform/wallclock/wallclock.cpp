#include "platform/wallclock/wallclock.h"

#include "platform/sbroot/sb_root.h"

#include <cerrno>
#include <cstdio>

namespace {

// -1 when there is no override, 0 when `out` took it, -2 when the file holds no valid time.
int readOverride(struct tm* out)
{
    FILE* f = fopen(sb::path(WALLCLOCK_OVERRIDE_PATH).c_str(), "r");
    if (f == nullptr) {
        return -1;
    }
    int hour = -1;
    int minute = -1;
    int second = 0;
    const int fields = fscanf(f, "%2d:%2d:%2d", &hour, &minute, &second);
    fclose(f);
    if (fields < 2 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        return -2;
    }
    out->tm_hour = hour;
    out->tm_min = minute;
    out->tm_sec = second;
    return 0;
}

}  // namespace

int sbWallClockLocal(struct tm* out)
{
    if (out == nullptr) {
        return -1;
    }
    const time_t now = time(nullptr);
    if (now == static_cast<time_t>(-1) || localtime_r(&now, out) == nullptr) {
        return -1;
    }
    return readOverride(out) == -2 ? -1 : 0;
}
