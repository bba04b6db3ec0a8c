// What the upgrade tests share: upg_control started in the test process against a fresh root and a
// loopback HTTP server, ID files and zip packages built for a case, and the records of the
// shell-command client and the flashing program.
#pragma once

#include "tests/support/http_server/http_server.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace upgtest {

constexpr std::chrono::seconds kDeadline{60};

std::string sha256Hex(const std::string& data);
// "<name> | <first> - <last> | <digest of those bytes of data>"
std::string checksumLine(const std::string& name, const std::string& data, size_t first, size_t last);

struct ZipEntry {
    std::string name;
    std::string data;
    bool deflate = false;
};
// A zip file as Python's zipfile writes it (sizes in the local headers).
std::string makeZip(const sbtest::Sandbox& sandbox, const std::vector<ZipEntry>& entries);
// Bytes whose every position differs from its neighbours', so a misplaced range shows.
std::string patternBytes(size_t size, uint32_t seed);

// One line per flashing-program call: the arguments, the file, its length and its digest.
struct QuellipCall {
    std::string args;
    std::string file;
    std::string length;
    std::string sha256;
};
std::vector<QuellipCall> quellipCalls(const sbtest::Sandbox& sandbox);
// Makes the flashing program exit with `status` for calls whose arguments begin with `prefix`.
void setQuellipStatus(const sbtest::Sandbox& sandbox, int status, const std::string& prefix);

// "/proc/mtd" with the given partitions: {name, size, erase size}.
struct MtdPart {
    std::string name;
    uint32_t size;
    uint32_t erase;
};
void writeMtd(const sbtest::Sandbox& sandbox, std::initializer_list<MtdPart> parts);

class UpgAppTest : public sbtest::SandboxTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Posts to upg_control as the timer, the USB-stick upgrade or the download thread would.
    void sendTimerExpiry(uint32_t kind = 0);
    void sendUsbUpgrade();
    void sendInternal(uint32_t cmd);
    // Waits until upg_control's status is `status`.
    bool waitStatus(uint32_t status);
    // Console commands, run as the console thread runs them.
    int setUrl(std::initializer_list<std::string> args);
    int otaDl();
    // ota_dl, then waits for the attempt's end (failed or done) and for its download thread.
    // @return the final status, or UINT32_MAX when the attempt did not end in time.
    uint32_t runAttempt();

    sbtest::HttpServer server;
};

}  // namespace upgtest
