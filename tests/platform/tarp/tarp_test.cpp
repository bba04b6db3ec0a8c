// The remote-call library over its real Unix socket in a sandbox root, and the call tool.
#include "common/support/support.h"
#include "platform/tarp/tarp_client.h"
#include "platform/tarp/tarp_server.h"
#include "platform/tarp/tarp_wire.h"
#include "tests/pellant/pellant_harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kPath = "/tmp/tarp_test_server";

struct Received {
    uint32_t id;
    std::vector<uint8_t> bytes;
    bool nullArgs;
    uint32_t user;
};

std::mutex gLock;
std::vector<Received> gReceived;

// Answers the function id plus the length, so the caller can check both arrived.
int record(uint32_t id, const void* args, uint32_t len, uint32_t, uint32_t user)
{
    const auto* p = static_cast<const uint8_t*>(args);
    std::lock_guard<std::mutex> guard(gLock);
    gReceived.push_back({id, p ? std::vector<uint8_t>(p, p + len) : std::vector<uint8_t>{}, args == nullptr, user});
    return static_cast<int>(id * 1000 + len);
}

class TarpTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        {
            std::lock_guard<std::mutex> guard(gLock);
            gReceived.clear();
        }
        ASSERT_EQ(tarps_create(&server, kPath), 0);
        ASSERT_EQ(tarps_register_callback_ext(server, record, 7), 0);
        ASSERT_EQ(tarps_start(server), 0);
    }
    void TearDown() override { tarps_destroy(server); }

    std::vector<Received> received()
    {
        std::lock_guard<std::mutex> guard(gLock);
        return gReceived;
    }

    uint32_t connect()
    {
        uint32_t handle = 0;
        EXPECT_EQ(tarpc_create(&handle, kPath), 0);
        EXPECT_NE(handle, 0u);
        return handle;
    }

    int rawSocket()
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string p = sandbox.path(kPath);
        std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
        EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)), 0);
        return fd;
    }

    tarps_server* server = nullptr;
};

TEST_F(TarpTest, CarriesTheRecordAndItsLengthBothWays)
{
    const uint32_t h = connect();
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(tarpc_func_call(h, 27, bytes, sizeof(bytes)), 27005);
    EXPECT_EQ(tarpc_func_call(h, 3, nullptr, 0), 3000);
    std::vector<uint8_t> big(tarp::kMaxArgLen, 0xAB);
    EXPECT_EQ(tarpc_func_call(h, 1, big.data(), static_cast<uint32_t>(big.size())), 1000 + 4096);
    EXPECT_EQ(tarpc_func_call(h, 1, big.data(), tarp::kMaxArgLen + 1), -EMSGSIZE);

    const auto got = received();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].bytes, std::vector<uint8_t>(bytes, bytes + 5));
    EXPECT_EQ(got[0].user, 7u);
    EXPECT_TRUE(got[1].nullArgs);
    EXPECT_EQ(got[2].bytes, big);
    EXPECT_EQ(tarpc_destroy(h), 0);
    EXPECT_EQ(tarpc_func_call(h, 1, nullptr, 0), -EBADF);
}

TEST_F(TarpTest, ServesSeveralClientsAndThreadsSharingAHandle)
{
    const uint32_t shared = connect();
    const uint32_t other = connect();
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (uint32_t i = 0; i < 50; ++i) {
                const uint32_t word = t << 16 | i;
                const uint32_t h = t % 2 ? shared : other;
                if (tarpc_func_call(h, t, &word, sizeof(word)) != static_cast<int>(t * 1000 + 4)) {
                    ++wrong;
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(received().size(), 200u);
    tarpc_destroy(shared);
    tarpc_destroy(other);
}

TEST_F(TarpTest, SplitFramesAreJoinedAndOversizedFramesDropTheClientOnly)
{
    const int fd = rawSocket();
    const auto header = tarp::encodeHeader({9, 4});
    ASSERT_EQ(write(fd, header.data(), 3), 3);
    ASSERT_EQ(write(fd, header.data() + 3, 5), 5);
    const uint8_t arg[4] = {1, 0, 0, 0};
    ASSERT_EQ(write(fd, arg, 4), 4);
    uint8_t result[4];
    ASSERT_EQ(read(fd, result, 4), 4);
    EXPECT_EQ(tarp::decodeResult(result), 9004);

    const auto huge = tarp::encodeHeader({9, 0});
    std::array<uint8_t, 8> bad = huge;
    sb::storeLe32(bad.data() + 4, tarp::kMaxArgLen + 1);
    ASSERT_EQ(write(fd, bad.data(), bad.size()), 8);
    EXPECT_EQ(read(fd, result, 4), 0);  // closed by the server
    close(fd);

    const uint32_t h = connect();
    EXPECT_EQ(tarpc_func_call(h, 2, nullptr, 0), 2000);
    tarpc_destroy(h);
}

TEST_F(TarpTest, DestroyStopsServingAndRemovesTheSocket)
{
    const uint32_t h = connect();
    tarps_destroy(server);
    server = nullptr;
    EXPECT_FALSE(sandbox.exists(kPath));
    EXPECT_EQ(tarpc_func_call(h, 1, nullptr, 0), -EPIPE);
    tarpc_destroy(h);
    uint32_t none = 0;
    EXPECT_LT(tarpc_create(&none, kPath), 0);
    EXPECT_EQ(none, 0u);
}

TEST_F(TarpTest, ReplacesOnlyAStaleSocket)
{
    tarps_server* second = nullptr;
    EXPECT_LT(tarps_create(&second, kPath), 0);  // the first server is alive
    EXPECT_EQ(second, nullptr);
    EXPECT_LT(tarps_start(nullptr), 0);
    EXPECT_LT(tarps_register_callback_ext(nullptr, record, 0), 0);

    // A socket file left by a process that is gone is taken over.
    tarps_destroy(server);
    server = nullptr;
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string p = sandbox.path(kPath);
    std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
    ASSERT_EQ(bind(stale, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)), 0);
    close(stale);
    ASSERT_TRUE(sandbox.exists(kPath));
    EXPECT_EQ(tarps_create(&server, kPath), 0);
}

TEST_F(TarpTest, CallToolSendsWordsAndHexAndPrintsTheResult)
{
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {{"5", "-w", "1", "0x100", "-1"}, 0, "5012\n", {1, 0, 0, 0, 0, 1, 0, 0, 0xff, 0xff, 0xff, 0xff}},
        {{"6", "-x", "0aFF", "-w", "2"}, 0, "6006\n", {0x0a, 0xff, 2, 0, 0, 0}},
        {{"7"}, 0, "7000\n", {}},
        {{"7", "-x", "abc"}, 2, "", {}},
        {{"7", "-w", "4294967296"}, 2, "", {}},
        {{"7", "9"}, 2, "", {}},
    };
    size_t served = 0;
    for (const Case& c : cases) {
        std::vector<std::string> argv = sbtest::programArgv("platform/tarp/tarp_call");
        argv.push_back(kPath);
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const std::string out = sandbox.path("/sim/tool.out");
        pellanttest::Child tool(argv, out);
        const auto status = tool.waitExit();
        ASSERT_TRUE(status);
        EXPECT_EQ(WEXITSTATUS(*status), c.exitCode) << c.args[0];
        EXPECT_EQ(sandbox.read("/sim/tool.out"), c.out);
        if (c.exitCode == 0) {
            ASSERT_GT(received().size(), served);
            EXPECT_EQ(received()[served++].bytes, c.bytes);
        }
    }
    tarps_destroy(server);
    server = nullptr;
    std::vector<std::string> argv = sbtest::programArgv("platform/tarp/tarp_call");
    argv.insert(argv.end(), {kPath, "1"});
    pellanttest::Child tool(argv, sandbox.path("/sim/tool.out"));
    const auto status = tool.waitExit();
    ASSERT_TRUE(status);
    EXPECT_EQ(WEXITSTATUS(*status), 1);
}

}  // namespace
