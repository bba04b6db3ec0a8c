// The upgrade inside the real corvand, driven from its console; and the main download case against
// nginx, a server nobody here wrote.
#include "main/upgrade/upg_ctrl.h"
#include "main/upgrade/upg_id.h"
#include "main/upgrade/upg_log.h"
#include "tests/main/program_runner.h"
#include "tests/main/upgrade/upg_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using sbtest::ProgramRunner;
using upgtest::checksumLine;
using upgtest::patternBytes;

constexpr const char* kNginx = "/usr/sbin/nginx";

struct Package {
    std::string zip;
    std::string idFile;
};

// A normal-mode package of two stored images for "/proc/mtd" as writeMtd lays it out below.
Package normalPackage(const sbtest::Sandbox& sandbox)
{
    Package p;
    p.zip = upgtest::makeZip(sandbox, {{"boot.img", patternBytes(300000, 41)}, {"system.ubi", patternBytes(5000, 42)}});
    p.idFile = "Version=8\nFile_Size=" + std::to_string(p.zip.size()) + "\nImage_Count=2\n" +
               checksumLine("update.zip", p.zip, 0, p.zip.size() - 1) + "\n";
    return p;
}

void layOut(const sbtest::Sandbox& sandbox)
{
    sandbox.write(UPG_ID_LOCAL_PATH, "Version=7\n");
    upgtest::writeMtd(sandbox, {{"boot_a", 0x800000, 0x20000}, {"system_a", 0x1000000, 0x20000}});
}

bool waitFile(const sbtest::Sandbox& sandbox, const char* path, const std::string& content)
{
    const auto end = std::chrono::steady_clock::now() + upgtest::kDeadline;
    while (sandbox.read(path) != content) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

using UpgCorvandTest = sbtest::SandboxTest;

TEST_F(UpgCorvandTest, ConsoleSetUrlAndOtaDlUpgradeAndReboot)
{
    layOut(sandbox);
    const Package pkg = normalPackage(sandbox);
    sbtest::HttpServer server;
    server.setFile("/upg_id_file.bin", pkg.idFile);
    server.setFile("/update.zip", pkg.zip);
    // The probe and the first header fetch pass the byte as well; the package itself stops there,
    // however often it is resumed, until the test lets it go on.
    server.stallAt("/update.zip", 200000, 100);
    sandbox.write("/tmp/vesk_ipc_app_ready", "");

    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<corvand>4.upg_control Init Successful\n")) << corvand.output();
    corvand.send("app.upg_ctrl.set_url " + server.url());
    corvand.send("app.upg_ctrl.ota_dl");
    // The probe, the header fetch at 0, then the package from 0 (the other headers carry a Range).
    ASSERT_TRUE(server.waitRequests([](const std::vector<sbtest::HttpRequest>& reqs) {
        return std::count_if(reqs.begin(), reqs.end(), [](const sbtest::HttpRequest& r) {
                   return r.path == "/update.zip" && r.range.empty();
               }) == 3;
    })) << corvand.output();
    EXPECT_EQ(server.requests()[0].line, "GET /upg_id_file.bin HTTP/1.1");

    const size_t mark = corvand.output().size();
    corvand.send("app.upg_ctrl.ota_dl");
    EXPECT_TRUE(corvand.waitFor("<UPG_CTRL>system is now upgrading\n", mark)) << corvand.output();
    server.releaseStall();

    ASSERT_TRUE(waitFile(sandbox, UPG_ID_LOCAL_PATH, pkg.idFile)) << corvand.output();
    ASSERT_TRUE(corvand.waitFor("upgrade done! reboot system!")) << corvand.output();
    const auto ranges = server.requests();
    EXPECT_EQ(ranges.back().range, "bytes=200000-");
    EXPECT_FALSE(sandbox.exists("/data/misc/update.zip"));
    const auto calls = upgtest::quellipCalls(sandbox);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].sha256, upgtest::sha256Hex(pkg.zip));
    const std::string log = sandbox.read(UPG_LOG_FILE);
    EXPECT_TRUE(sbtest::containsInOrder(log, {"OTA under processing", "upgDownloadThread ENTRY", "data verify pass",
                                              "call quellip program: quellip /data/misc/update.zip",
                                              " [UPG_SUCCESS] upgrade done! reboot system!"}));
    const auto end = std::chrono::steady_clock::now() + upgtest::kDeadline;
    auto rebooted = [&] {
        const auto lines = sandbox.quoridLog();
        return std::find(lines.begin(), lines.end(), "reboot -f") != lines.end();
    };
    while (!rebooted() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(rebooted());
    corvand.signal(SIGTERM);
    corvand.wait();
}

// nginx on a free loopback port, serving a directory of the test's root.
class Nginx {
public:
    explicit Nginx(const sbtest::Sandbox& sandbox) : dir_(sandbox.path("/nginx"))
    {
        sandbox.write("/nginx/www/.keep", "");
        port_ = freePort();
        std::ofstream conf(dir_ + "/nginx.conf");
        if (geteuid() == 0) {
            conf << "user root;\n";  // workers must read the test's private root
        }
        conf << "worker_processes 1;\npid " << dir_ << "/nginx.pid;\nerror_log " << dir_ << "/error.log;\n"
             << "events { worker_connections 64; }\n"
             << "http {\n  log_format ranges '$request \"$http_range\" $status';\n"
             << "  access_log " << dir_ << "/access.log ranges;\n"
             << "  client_body_temp_path " << dir_ << "/body;\n  proxy_temp_path " << dir_ << "/proxy;\n"
             << "  fastcgi_temp_path " << dir_ << "/fastcgi;\n  uwsgi_temp_path " << dir_ << "/uwsgi;\n"
             << "  scgi_temp_path " << dir_ << "/scgi;\n"
             << "  server { listen 127.0.0.1:" << port_ << "; root " << dir_ << "/www; }\n}\n";
        conf.close();
        const std::string errorLog = dir_ + "/error.log";
        std::vector<std::string> args{kNginx, "-e",         errorLog, "-p", dir_, "-c", dir_ + "/nginx.conf",
                                      "-g",   "daemon off;"};
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, kNginx, nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
    }
    ~Nginx()
    {
        if (pid_ > 0) {
            kill(pid_, SIGQUIT);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool ready() const
    {
        const auto end = std::chrono::steady_clock::now() + upgtest::kDeadline;
        while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
            if (connects()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    std::string accessLog() const
    {
        std::ifstream in(dir_ + "/access.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    static uint16_t freePort()
    {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        close(fd);
        return ntohs(addr.sin_port);
    }
    bool connects() const
    {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port_);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        close(fd);
        return ok;
    }

    std::string dir_;
    uint16_t port_ = 0;
    pid_t pid_ = -1;
};

class UpgNginxTest : public upgtest::UpgAppTest {};

TEST_F(UpgNginxTest, TheMainDownloadCaseAgainstNginx)
{
    ASSERT_EQ(access(kNginx, X_OK), 0) << "nginx is installed by scripts/install-deps";
    layOut(sandbox);
    const Package pkg = normalPackage(sandbox);
    sandbox.write("/nginx/www/upg_id_file.bin", pkg.idFile);
    sandbox.write("/nginx/www/update.zip", pkg.zip);
    Nginx nginx(sandbox);
    ASSERT_TRUE(nginx.ready()) << sandbox.read("/nginx/error.log");
    ASSERT_EQ(setUrl({nginx.url()}), 0);

    ASSERT_EQ(runAttempt(), static_cast<uint32_t>(UPG_STATUS_DONE)) << sandbox.read(UPG_LOG_FILE);
    const std::string log = nginx.accessLog();
    EXPECT_TRUE(
        sbtest::containsInOrder(log, {"GET /upg_id_file.bin HTTP/1.1 \"-\" 200", "GET /update.zip HTTP/1.1 \"-\" 200",
                                      "GET /update.zip HTTP/1.1 \"-\" 200",
                                      "GET /update.zip HTTP/1.1 \"bytes=", "GET /update.zip HTTP/1.1 \"-\" 200"}))
        << log;
    const auto calls = upgtest::quellipCalls(sandbox);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].sha256, upgtest::sha256Hex(pkg.zip));
    EXPECT_EQ(sandbox.quoridLog().back(), "reboot -f");
    EXPECT_EQ(sandbox.read(UPG_ID_LOCAL_PATH), pkg.idFile);
    EXPECT_FALSE(sandbox.exists("/data/misc/update.zip"));
}

}  // namespace
