#include "main/utils/wifi/wifi.h"

#include "main/mw/os_pthread/os_err.h"
#include "platform/quorid/quorid.h"
#include "platform/sbroot/sb_root.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

namespace {

// The address function's report path is relative, as its command line writes it; both ends
// resolve it from "/", the working directory of the daemon and of corvand.
constexpr const char* kStatusCmd = "wpa_cli -iwlan0 -p/tmp/wpa_supplicant status > /tmp/wifi_status";
constexpr const char* kStatusReport = "/tmp/wifi_status";
constexpr const char* kAddressCmd = "wpa_cli -iwlan0 -p/data/wifi/sockets status > tmp/wifi_status";
constexpr const char* kAddressReport = "tmp/wifi_status";
constexpr size_t kLineMax = 100;  // 99 characters and the terminator

struct WifiState {
    // Both functions share their report file with their other callers: one call at a time.
    std::mutex lock;
    std::array<uint8_t, WIFI_MAC_SIZE> mac{};  // the last address parsed
};

WifiState gWifi;

// Closes the report on every path.
class Report {
public:
    explicit Report(const char* path) : file_(fopen(sb::path(path).c_str(), "r")) {}
    ~Report()
    {
        if (file_ != nullptr) {
            fclose(file_);
        }
    }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;
    bool open() const { return file_ != nullptr; }

    // The value of the first line whose key (the text before the first '=') is `key`, without
    // its line end.
    std::optional<std::string> value(const char* key)
    {
        char line[kLineMax];
        while (fgets(line, sizeof(line), file_) != nullptr) {
            char* equals = strchr(line, '=');
            if (equals == nullptr) {
                continue;
            }
            *equals = '\0';
            if (strcmp(line, key) == 0) {
                std::string text(equals + 1);
                while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
                    text.pop_back();
                }
                return text;
            }
        }
        return std::nullopt;
    }

private:
    FILE* file_;
};

// Six ':'-separated hexadecimal fields; a field that is missing reads as 0.
std::array<uint8_t, WIFI_MAC_SIZE> parseMac(const std::string& text)
{
    std::array<uint8_t, WIFI_MAC_SIZE> mac{};
    const char* at = text.c_str();
    for (size_t i = 0; i < mac.size() && at != nullptr; ++i) {
        mac[i] = static_cast<uint8_t>(strtol(at, nullptr, 16));
        at = strchr(at, ':');
        if (at != nullptr) {
            ++at;
        }
    }
    return mac;
}

}  // namespace

int32_t uWifiGetConnectStatus(void)
{
    const std::lock_guard<std::mutex> guard(gWifi.lock);
    if (quorid_exec(kStatusCmd, 0) != 0) {
        printf("<wifi>[%s:%d]wpa_cli current not start, wait!\n", __func__, __LINE__);
        return 0;
    }
    Report report(kStatusReport);
    if (!report.open()) {
        printf("<wifi>[%s:%d]can't open /tmp/wifi_status please check  this file exit or not!!!!!!!\n", __func__,
               __LINE__);
        return 0;
    }
    const std::optional<std::string> state = report.value("wpa_state");
    if (!state) {
        return 0;
    }
    if (*state == "COMPLETED") {
        printf("<wifi>current status is : COMPLETED");
        return 1;
    }
    if (*state == "DISCONNECTED") {
        printf("<wifi>current status is : DISCONNECTED");
    } else {
        printf("<wifi>current status is : %s\n", state->c_str());
    }
    return 0;
}

int32_t uWifiGetMacAddress(uint8_t* mac)
{
    OS_ASSERT(NULL != mac);
    const std::lock_guard<std::mutex> guard(gWifi.lock);
    if (quorid_exec(kAddressCmd, 0) != 0) {
        printf("<wifi>[%s:%d]wpa_cli current not start, wait!\n", __func__, __LINE__);
        return -1;
    }
    Report report(kAddressReport);
    if (!report.open()) {
        return -1;
    }
    const std::optional<std::string> address = report.value("address");
    if (!address) {
        return 0;
    }
    gWifi.mac = parseMac(*address);
    printf("<wifi>parser wifi_mac is ");
    for (uint8_t byte : gWifi.mac) {
        printf("0x%02x ", byte);
    }
    printf("\n");
    memcpy(mac, gWifi.mac.data(), gWifi.mac.size());
    return 0;
}
