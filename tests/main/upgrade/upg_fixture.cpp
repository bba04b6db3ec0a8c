#include "tests/main/upgrade/upg_fixture.h"

#include "main/am/am.h"
#include "main/am/amb/amb.h"
#include "main/timerd/timerd.h"
#include "main/upgrade/upg_ctrl.h"
#include "main/upgrade/upg_dl_ctrl.h"
#include "main/upgrade/upg_id.h"
#include "tests/main/am/app_harness.h"

#include <cstring>
#include <fstream>
#include <openssl/evp.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace upgtest {

namespace {

amb_register_info_t gTimerdRecord{};
amb_register_info_t gUpgRecord{};

void ensureRegistered()
{
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    apptest::startFramework();
    a_timerd_register(&gTimerdRecord);
    if (u_amb_register_app(&gTimerdRecord) != 0 || u_amb_sync_start_app(gTimerdRecord.acName) != 0) {
        ADD_FAILURE() << "timerd did not start";
    }
    aUpgCtrlRegister(&gUpgRecord);
    if (u_amb_register_app(&gUpgRecord) != 0) {
        ADD_FAILURE() << "upg_control did not register";
    }
}

handle_t upgHandle()
{
    handle_t app = 0;
    EXPECT_EQ(u_am_get_app_handle_from_name(&app, UPG_CTRL_APP_NAME), 0);
    return app;
}

int run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (auto& a : copy) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');) {
        fields.push_back(f);
    }
    return fields;
}

}  // namespace

std::string sha256Hex(const std::string& data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(data.data(), data.size(), digest, &len, EVP_sha256(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < len; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0f];
    }
    return hex;
}

std::string checksumLine(const std::string& name, const std::string& data, size_t first, size_t last)
{
    return name + " | " + std::to_string(first) + " - " + std::to_string(last) + " | " +
           sha256Hex(data.substr(first, last - first + 1));
}

std::string makeZip(const sbtest::Sandbox& sandbox, const std::vector<ZipEntry>& entries)
{
    static const char* kScript =
        "import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
        "    for i in range(2, len(sys.argv), 3):\n"
        "        info = zipfile.ZipInfo(sys.argv[i], date_time=(2020, 1, 1, 0, 0, 0))\n"
        "        info.compress_type = zipfile.ZIP_DEFLATED if sys.argv[i + 2] == 'deflate' else zipfile.ZIP_STORED\n"
        "        with open(sys.argv[i + 1], 'rb') as f:\n"
        "            z.writestr(info, f.read())\n";
    sandbox.write("/build/mkzip.py", kScript);
    std::vector<std::string> args{"python3", sandbox.path("/build/mkzip.py"), sandbox.path("/build/out.zip")};
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string part = "/build/entry" + std::to_string(i);
        sandbox.write(part, entries[i].data);
        args.push_back(entries[i].name);
        args.push_back(sandbox.path(part));
        args.push_back(entries[i].deflate ? "deflate" : "store");
    }
    EXPECT_EQ(run(args), 0) << "python3 zipfile failed";
    return sandbox.read("/build/out.zip");
}

std::string patternBytes(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x);
    }
    return bytes;
}

std::vector<QuellipCall> quellipCalls(const sbtest::Sandbox& sandbox)
{
    std::vector<QuellipCall> calls;
    std::istringstream in(sandbox.read("/sim/quellip.log"));
    for (std::string line; std::getline(in, line);) {
        const auto f = splitTabs(line);
        if (f.size() == 4) {
            calls.push_back({f[0], f[1], f[2], f[3]});
        }
    }
    return calls;
}

void setQuellipStatus(const sbtest::Sandbox& sandbox, int status, const std::string& prefix)
{
    std::ofstream(sandbox.path("/sim/quellip.results"), std::ios::app) << status << ' ' << prefix << '\n';
}

void writeMtd(const sbtest::Sandbox& sandbox, std::initializer_list<MtdPart> parts)
{
    std::string text = "dev:    size   erasesize  name\n";
    int n = 0;
    for (const auto& p : parts) {
        char line[128];
        snprintf(line, sizeof line, "mtd%d: %08x %08x \"%s\"\n", n++, p.size, p.erase, p.name.c_str());
        text += line;
    }
    sandbox.write("/proc/mtd", text);
}

void UpgAppTest::SetUp()
{
    ensureRegistered();
    upgCtrlSetStatus(UPG_STATUS_IDLE);
    upgDlSetDelayFunction(nullptr);
    ASSERT_EQ(u_amb_sync_start_app(UPG_CTRL_APP_NAME), 0);
    ASSERT_EQ(upgDlSetUrl(server.url().c_str(), nullptr), 0);
}

void UpgAppTest::TearDown()
{
    // The exit waits for a download thread that still runs.
    u_amb_sync_exit_app(UPG_CTRL_APP_NAME);
    upgDlSetDelayFunction(nullptr);
}

void UpgAppTest::sendTimerExpiry(uint32_t kind)
{
    ASSERT_EQ(u_app_send_msg(upgHandle(), E_APP_MSG_TYPE_TIMER, &kind, sizeof kind, nullptr, 0), 0);
}

void UpgAppTest::sendUsbUpgrade()
{
    ASSERT_EQ(u_app_send_appmsg(upgHandle(), E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_UI, UPG_MSG_USB_UPGRADE, nullptr, 0),
              0);
}

void UpgAppTest::sendInternal(uint32_t cmd)
{
    ASSERT_EQ(u_app_send_appmsg(upgHandle(), E_APP_MSG_TYPE_UPG_INTERNAL, MSG_FROM_UPG_CONTROL, cmd, nullptr, 0), 0);
}

bool UpgAppTest::waitStatus(uint32_t status)
{
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (upgCtrlGetStatus() != status) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int UpgAppTest::setUrl(std::initializer_list<std::string> args)
{
    std::vector<std::string> words{"set_url"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) {
        argv.push_back(w.data());
    }
    return upgCtrlCliSetUrl(static_cast<int>(argv.size()), argv.data());
}

int UpgAppTest::otaDl()
{
    char word[] = "ota_dl";
    char* argv[] = {word, nullptr};
    return upgCtrlUpgradeTest(1, argv);
}

}  // namespace upgtest

namespace upgtest {

uint32_t UpgAppTest::runAttempt()
{
    if (otaDl() != 0) {
        return upgCtrlGetStatus();
    }
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    uint32_t status = upgCtrlGetStatus();
    while (status != UPG_STATUS_FAILED && status != UPG_STATUS_DONE) {
        if (std::chrono::steady_clock::now() > end) {
            return UINT32_MAX;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        status = upgCtrlGetStatus();
    }
    // The exit waits for the download thread; the application starts again for the next attempt.
    u_amb_sync_exit_app(UPG_CTRL_APP_NAME);
    EXPECT_EQ(u_amb_sync_start_app(UPG_CTRL_APP_NAME), 0);
    return status;
}

}  // namespace upgtest
