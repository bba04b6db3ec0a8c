// Send-to-receive hand-off between two threads: the OS layer's message queue against a bare
// mutex-and-condition mailbox carrying the same bytes. Each iteration is one ping-pong round
// trip (two hand-offs); "handoff" is the time of one of them.

#include "os_msgq.h"

#include <benchmark/benchmark.h>

#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr uint32_t kMessageSize = 64;
using Message = std::array<uint8_t, kMessageSize>;
constexpr uint8_t kStop = 0xFF;

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
    for (auto _ : state) {
        ++out[1];
        xMsgQSend(ping, out.data(), kMessageSize, 0);
        receiveWait(pong, in);
        benchmark::DoNotOptimize(in);
    }
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
    for (auto _ : state) {
        ++out[1];
        ping.send(out);
        pong.receive(in);
        benchmark::DoNotOptimize(in);
    }
    out[0] = kStop;
    ping.send(out);
    peer.join();
    reportHandoffs(state);
}
BENCHMARK(BM_CondVarPingPong)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
