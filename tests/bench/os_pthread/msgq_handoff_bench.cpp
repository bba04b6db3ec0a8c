// Send-to-receive hand-off between two threads: the OS layer's message queue against a bare
// mutex-and-condition mailbox carrying the same bytes, and two applications answering each other
// with u_app_send_msg. Each iteration is one ping-pong round trip (two hand-offs); "handoff" is
// the time of one of them. "csw" counts the voluntary context switches of the whole process per
// round trip (two is the least a hand-off each way can cost), and the application ping-pong reports
// its round trip against the bare mailbox's measured in the same run ("x_mailbox").

#include "main/am/aee/aee.h"
#include "main/mw/handle/handle.h"
#include "main/mw/os_pthread/os_msgq.h"
#include "main/mw/os_pthread/os_thread.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr uint32_t kMessageSize = 64;
using Message = std::array<uint8_t, kMessageSize>;
constexpr uint8_t kStop = 0xFF;

// The bare mailbox's round trip in this run, the reference of the application ping-pong.
double gMailboxRoundTrip = 0;

long voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

// Voluntary context switches per round trip over the timed loop.
class SwitchProbe {
public:
    SwitchProbe() : start_(voluntarySwitches()) {}
    void report(benchmark::State& state, double rounds) const
    {
        state.counters["csw"] = static_cast<double>(voluntarySwitches() - start_) / rounds;
    }

private:
    long start_;
};

void reportHandoffs(benchmark::State& state)
{
    state.counters["handoff"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * kMessageSize);
}

uint32_t receiveWait(msg_q_t* queue, Message& message)
{
    uint16_t index = 0;
    uint32_t size = kMessageSize;
    if (xMsgQReceive(&index, message.data(), &size, &queue, 1, MSGQ_OPTION_WAIT) != OSR_OK) {
        return 0;
    }
    return size;
}

void BM_MsgQPingPong(benchmark::State& state)
{
    msg_q_t* ping = nullptr;
    msg_q_t* pong = nullptr;
    if (xMsgQCreate(&ping, "bench_ping", kMessageSize, 8) != OSR_OK ||
        xMsgQCreate(&pong, "bench_pong", kMessageSize, 8) != OSR_OK) {
        state.SkipWithError("queue creation failed");
        return;
    }
    std::thread peer([ping, pong] {
        Message message{};
        while (receiveWait(ping, message) == kMessageSize && message[0] != kStop) {
            xMsgQSend(pong, message.data(), kMessageSize, 0);
        }
    });
    Message out{};
    Message in{};
    const SwitchProbe probe;
    for (auto _ : state) {
        ++out[1];
        xMsgQSend(ping, out.data(), kMessageSize, 0);
        receiveWait(pong, in);
        benchmark::DoNotOptimize(in);
    }
    probe.report(state, static_cast<double>(state.iterations()));
    out[0] = kStop;
    xMsgQSend(ping, out.data(), kMessageSize, 0);
    peer.join();
    xMsgQDelete(ping);
    xMsgQDelete(pong);
    reportHandoffs(state);
}
BENCHMARK(BM_MsgQPingPong)->UseRealTime();

// A one-message mailbox: what a hand-off costs without the queue's bookkeeping.
class Mailbox {
public:
    void send(const Message& message)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        memcpy(slot_.data(), message.data(), kMessageSize);
        full_ = true;
        cond_.notify_all();
    }
    void receive(Message& message)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cond_.wait(lock, [this] { return full_; });
        memcpy(message.data(), slot_.data(), kMessageSize);
        full_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    Message slot_{};
    bool full_ = false;
};

void BM_CondVarPingPong(benchmark::State& state)
{
    Mailbox ping;
    Mailbox pong;
    std::thread peer([&ping, &pong] {
        Message message{};
        for (;;) {
            ping.receive(message);
            if (message[0] == kStop) {
                break;
            }
            pong.send(message);
        }
    });
    Message out{};
    Message in{};
    const SwitchProbe probe;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        ++out[1];
        ping.send(out);
        pong.receive(in);
        benchmark::DoNotOptimize(in);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    gMailboxRoundTrip = elapsed.count() / static_cast<double>(state.iterations());
    probe.report(state, static_cast<double>(state.iterations()));
    out[0] = kStop;
    ping.send(out);
    peer.join();
    reportHandoffs(state);
}
BENCHMARK(BM_CondVarPingPong)->UseRealTime();

// Two applications, each on its own thread with its own queue: the pinger sends to the echo, which
// answers the pinger, kAppRounds times per iteration; the benchmark thread only starts and awaits
// each batch, so its own hand-offs are spread over the rounds.
constexpr uint32_t kAppRounds = 64;
constexpr uint32_t kAppGo = 1;
constexpr uint32_t kAppPing = 2;
constexpr uint32_t kAppPong = 3;

struct AppPingPong {
    handle_t pinger = 0;
    handle_t echo = 0;
    uint32_t remaining = 0;  // touched by the pinger's thread only
    Message payload{};
    std::mutex lock;
    std::condition_variable batchDone;
    bool done = false;
};

AppPingPong gApps;

int32_t appInit(const char*, handle_t)
{
    return 0;
}

int32_t appExit(handle_t, uint32_t)
{
    return 0;
}

int32_t pingerProcess(handle_t, uint32_t msgId, const void*, uint32_t)
{
    if (msgId == kAppGo) {
        gApps.remaining = kAppRounds;
    } else if (--gApps.remaining == 0) {
        std::lock_guard<std::mutex> lock(gApps.lock);
        gApps.done = true;
        gApps.batchDone.notify_all();
        return 0;
    }
    return u_app_send_msg(gApps.echo, kAppPing, gApps.payload.data(), kMessageSize, nullptr, 0);
}

int32_t echoProcess(handle_t, uint32_t, const void* data, uint32_t size)
{
    return u_app_send_msg(gApps.pinger, kAppPong, data, size, nullptr, 0);
}

// Once per process: the applications stay for every run of the benchmark.
bool startApps()
{
    static const bool started = [] {
        if (osThreadInit() != 0 || aee_init() != 0 || uHandleUsrInit(256) != 0) {
            return false;
        }
        const app_start_param_t param{~0ULL, 16384, 130, 16, 0, 1, 8, kMessageSize};
        const app_fct_t pinger{appInit, appExit, pingerProcess};
        const app_fct_t echo{appInit, appExit, echoProcess};
        return u_app_start(&echo, &param, "bench_echo", nullptr, 0, &gApps.echo) == 0 &&
               u_app_start(&pinger, &param, "bench_pinger", nullptr, 0, &gApps.pinger) == 0;
    }();
    return started;
}

void BM_AppPingPong(benchmark::State& state)
{
    if (!startApps()) {
        state.SkipWithError("application start failed");
        return;
    }
    const SwitchProbe probe;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        {
            std::lock_guard<std::mutex> lock(gApps.lock);
            gApps.done = false;
        }
        u_app_send_msg(gApps.pinger, kAppGo, nullptr, 0, nullptr, 0);
        std::unique_lock<std::mutex> lock(gApps.lock);
        gApps.batchDone.wait(lock, [] { return gApps.done; });
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double rounds = static_cast<double>(state.iterations()) * kAppRounds;
    probe.report(state, rounds);
    if (gMailboxRoundTrip > 0) {
        state.counters["x_mailbox"] = elapsed.count() / rounds / gMailboxRoundTrip;
    }
    const auto kTimePer = benchmark::Counter::kIsRate | benchmark::Counter::kInvert;
    state.counters["handoff"] = benchmark::Counter(rounds * 2, kTimePer);
    state.counters["roundtrip"] = benchmark::Counter(rounds, kTimePer);
    state.SetBytesProcessed(static_cast<int64_t>(rounds) * 2 * kMessageSize);
}
BENCHMARK(BM_AppPingPong)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
