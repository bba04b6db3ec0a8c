// Send-to-receive hand-off between two threads: the OS layer's message queue against a bare
// mutex-and-condition mailbox carrying the same bytes, and two applications answering each other
// with u_app_send_msg. In the first two each iteration is one ping-pong round trip (two hand-offs);
// "handoff" is the time of one of them. "csw" counts the voluntary context switches of the whole
// process per round trip (two is the least a hand-off each way can cost).
//
// BM_AppAgainstMailbox sets the application ping-pong beside two bare mailbox threads that play
// the same game under the same protocol, taking turns batch by batch, on a quiet machine (/0) and
// beside one busy thread per core (/1), as the board rarely idles; "x_mailbox" is the application
// round trip against the mailbox's, and the median of five runs is the figure to read; "app_csw"
// and "mailbox_csw" are each side's voluntary context switches per round trip, and on the quiet
// machine "app_cpu_us" and "mailbox_cpu_us" the processor time a round trip costs.

#include "main/am/aee/aee.h"
#include "main/mw/handle/handle.h"
#include "main/mw/os_pthread/os_msgq.h"
#include "main/mw/os_pthread/os_thread.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kMessageSize = 64;
using Message = std::array<uint8_t, kMessageSize>;
constexpr uint8_t kStop = 0xFF;

long voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
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
    for (auto _ : state) {
        ++out[1];
        ping.send(out);
        pong.receive(in);
        benchmark::DoNotOptimize(in);
    }
    probe.report(state, static_cast<double>(state.iterations()));
    out[0] = kStop;
    ping.send(out);
    peer.join();
    reportHandoffs(state);
}
BENCHMARK(BM_CondVarPingPong)->UseRealTime();

// Two players, each on its own thread with its own inbox: the pinger sends to the echo, which
// answers the pinger, kRounds times per batch; the benchmark thread only starts and awaits each
// batch, so its own hand-offs are spread over the rounds.
constexpr uint32_t kRounds = 64;

// The end of a batch, awaited by the benchmark thread.
class BatchGate {
public:
    void arm()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = false;
    }
    void open()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
        cond_.notify_all();
    }
    void await()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cond_.wait(lock, [this] { return done_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool done_ = false;
};

// The bare side: two threads and two mailboxes.
class MailboxPlayers {
public:
    MailboxPlayers()
        : pinger_([this] { pingerLoop(); }), echo_([this] { echoLoop(); })
    {
    }
    ~MailboxPlayers()
    {
        Message stop{};
        stop[0] = kStop;
        pingerBox_.send(stop);
        echoBox_.send(stop);
        pinger_.join();
        echo_.join();
    }
    MailboxPlayers(const MailboxPlayers&) = delete;
    MailboxPlayers& operator=(const MailboxPlayers&) = delete;
    void batch()
    {
        gate_.arm();
        Message go{};
        go[0] = kGo;
        pingerBox_.send(go);
        gate_.await();
    }

private:
    static constexpr uint8_t kGo = 1;
    void pingerLoop()
    {
        Message message{};
        uint32_t remaining = 0;
        for (;;) {
            pingerBox_.receive(message);
            if (message[0] == kStop) {
                return;
            }
            if (message[0] == kGo) {
                remaining = kRounds;
                message[0] = 0;
            } else if (--remaining == 0) {
                gate_.open();
                continue;
            }
            echoBox_.send(message);
        }
    }
    void echoLoop()
    {
        Message message{};
        for (;;) {
            echoBox_.receive(message);
            if (message[0] == kStop) {
                return;
            }
            pingerBox_.send(message);
        }
    }

    Mailbox pingerBox_;
    Mailbox echoBox_;
    BatchGate gate_;
    std::thread pinger_;
    std::thread echo_;
};

// The application side: two applications answering each other with u_app_send_msg.
constexpr uint32_t kAppGo = 1;
constexpr uint32_t kAppPing = 2;
constexpr uint32_t kAppPong = 3;

struct AppPlayers {
    handle_t pinger = 0;
    handle_t echo = 0;
    uint32_t remaining = 0;  // touched by the pinger's thread only
    Message payload{};
    BatchGate gate;
};

AppPlayers gApps;

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
        gApps.remaining = kRounds;
    } else if (--gApps.remaining == 0) {
        gApps.gate.open();
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

void appBatch()
{
    gApps.gate.arm();
    u_app_send_msg(gApps.pinger, kAppGo, nullptr, 0, nullptr, 0);
    gApps.gate.await();
}

// One busy thread per core, at the players' own scheduling class.
class BusyLoad {
public:
    explicit BusyLoad(bool on)
    {
        const unsigned n = on ? std::max(1u, std::thread::hardware_concurrency()) : 0;
        for (unsigned i = 0; i < n; ++i) {
            threads_.emplace_back([this] {
                uint64_t x = 1;
                while (!stop_.load(std::memory_order_relaxed)) {
                    x = x * 6364136223846793005ULL + 1;
                    benchmark::DoNotOptimize(x);
                }
            });
        }
    }
    ~BusyLoad()
    {
        stop_ = true;
        for (auto& t : threads_) {
            t.join();
        }
    }
    BusyLoad(const BusyLoad&) = delete;
    BusyLoad& operator=(const BusyLoad&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// One side's totals: its time and the voluntary context switches of the process during its batches
// (the busy threads never block, so these are the players' sleeps, lock waits included).
// The CPU time of the process counts only on a quiet machine, where the players are all that run.
struct SideTotals {
    double seconds = 0;
    double cpu = 0;
    long switches = 0;
    void add(const std::function<void()>& batch)
    {
        const long before = voluntarySwitches();
        const double cpuBefore = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        batch();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += processCpuSeconds() - cpuBefore;
        switches += voluntarySwitches() - before;
    }
};

void BM_AppAgainstMailbox(benchmark::State& state)
{
    if (!startApps()) {
        state.SkipWithError("application start failed");
        return;
    }
    MailboxPlayers mailbox;
    const BusyLoad load(state.range(0) != 0);
    SideTotals bare;
    SideTotals apps;
    const auto mailboxBatch = [&mailbox] { mailbox.batch(); };
    bool appFirst = false;
    for (auto _ : state) {
        // Turn about, so that neither side always follows the other.
        if (appFirst) {
            apps.add(appBatch);
            bare.add(mailboxBatch);
        } else {
            bare.add(mailboxBatch);
            apps.add(appBatch);
        }
        appFirst = !appFirst;
    }
    const double rounds = static_cast<double>(state.iterations()) * kRounds;
    state.counters["app_rt_us"] = apps.seconds / rounds * 1e6;
    state.counters["mailbox_rt_us"] = bare.seconds / rounds * 1e6;
    state.counters["x_mailbox"] = apps.seconds / bare.seconds;
    state.counters["app_csw"] = static_cast<double>(apps.switches) / rounds;
    state.counters["mailbox_csw"] = static_cast<double>(bare.switches) / rounds;
    if (state.range(0) == 0) {
        state.counters["app_cpu_us"] = apps.cpu / rounds * 1e6;
        state.counters["mailbox_cpu_us"] = bare.cpu / rounds * 1e6;
    }
}
BENCHMARK(BM_AppAgainstMailbox)->Arg(0)->Arg(1)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(false);

}  // namespace

BENCHMARK_MAIN();
