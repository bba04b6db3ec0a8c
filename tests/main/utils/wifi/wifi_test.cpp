// The Wi-Fi status functions against canned wpa_cli reports given to the shell-command client.
#include "main/utils/wifi/wifi.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr const char* kReport = "bssid=00:11:22:33:44:55\n"
                                "ssid=home\n"
                                "key_mgmt=WPA2-PSK\n";

TEST(WifiTest, ConnectStatusIsOneOnlyForACompletedConnection)
{
    struct Case {
        const char* what;
        std::string report;  // empty: no report at all
        bool wpaCliFails;
        int32_t status;
    };
    const Case cases[] = {
        {"completed", std::string(kReport) + "wpa_state=COMPLETED\nip_address=10.0.0.2\n", false, 1},
        {"completed, last line without end", std::string(kReport) + "wpa_state=COMPLETED", false, 1},
        {"disconnected", "wpa_state=DISCONNECTED\n", false, 0},
        {"scanning", "wpa_state=SCANNING\n", false, 0},
        {"a longer word", "wpa_state=COMPLETED_NOT\n", false, 0},
        {"no state line", kReport, false, 0},
        {"no report written", "", false, 0},
        {"wpa_cli fails", "wpa_state=COMPLETED\n", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sbtest::Sandbox box;
        if (!c.report.empty()) {
            box.setQuoridReport("wpa_cli", c.report);
        }
        if (c.wpaCliFails) {
            box.setQuoridStatus(255, "wpa_cli");
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(uWifiGetConnectStatus(), c.status);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(box.quoridLog(),
                  std::vector<std::string>{"wpa_cli -iwlan0 -p/tmp/wpa_supplicant status > /tmp/wifi_status"});
        if (std::string(c.what) == "scanning") {
            EXPECT_NE(out.find("<wifi>current status is : SCANNING\n"), std::string::npos) << out;
        }
        if (c.wpaCliFails) {
            EXPECT_NE(out.find("wpa_cli current not start, wait!"), std::string::npos) << out;
        }
    }
}

TEST(WifiTest, MacAddressIsParsedFromTheReport)
{
    using Mac = std::array<uint8_t, WIFI_MAC_SIZE>;
    const Mac untouched = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    struct Case {
        const char* what;
        std::string report;  // empty: no report at all
        bool wpaCliFails;
        int32_t result;
        Mac mac;
    };
    const Case cases[] = {
        {"mixed case",
         std::string(kReport) + "address=0a:1B:2c:3D:4e:5F\nuuid=x\n",
         false,
         0,
         {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}},
        {"fields missing", "address=0a:1b:2c\n", false, 0, {0x0a, 0x1b, 0x2c, 0, 0, 0}},
        {"no address line", kReport, false, 0, untouched},
        {"no report written", "", false, -1, untouched},
        {"wpa_cli fails", "address=0a:1B:2c:3D:4e:5F\n", true, -1, untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sbtest::Sandbox box;
        if (!c.report.empty()) {
            box.setQuoridReport("wpa_cli", c.report);
        }
        if (c.wpaCliFails) {
            box.setQuoridStatus(1, "wpa_cli");
        }
        Mac mac = untouched;
        EXPECT_EQ(uWifiGetMacAddress(mac.data()), c.result);
        EXPECT_EQ(mac, c.mac);
        EXPECT_EQ(box.quoridLog(),
                  std::vector<std::string>{"wpa_cli -iwlan0 -p/data/wifi/sockets status > tmp/wifi_status"});
        if (!c.report.empty() && !c.wpaCliFails) {
            EXPECT_TRUE(box.exists("/tmp/wifi_status")) << "the relative report path lands under the root";
        }
    }
}

}  // namespace
