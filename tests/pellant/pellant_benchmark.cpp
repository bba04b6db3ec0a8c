// Round-trip time of one remote call from corvand's client to pellant's server and back, beside
// two bare Unix-socket echoes of the same frame bytes: one served by a thread of this process, one
// by a separate process, the fair reference for a call into another program. The echoes run
// first, and each call reports its round trip against both ("x_thread_echo", "x_process_echo").
#include "main/audio_client/vesk_ipc.h"
#include "platform/tarp/tarp_wire.h"
#include "tests/pellant/pellant_harness.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr size_t kFrame = tarp::kHeaderSize + VESK_IPC_VALUE_ARG_SIZE;

// Round trips of the echoes in this run.
double gThreadEcho = 0;
double gProcessEcho = 0;

using Clock = std::chrono::steady_clock;

double perIteration(const benchmark::State& state, Clock::time_point start)
{
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    return elapsed.count() / static_cast<double>(state.iterations());
}

void reportAgainstEchoes(benchmark::State& state, double roundTrip)
{
    if (gThreadEcho > 0) {
        state.counters["x_thread_echo"] = roundTrip / gThreadEcho;
    }
    if (gProcessEcho > 0) {
        state.counters["x_process_echo"] = roundTrip / gProcessEcho;
    }
}

// Answers every frame on `fd` until the peer closes it.
void echoFrames(int fd)
{
    uint8_t buf[kFrame];
    while (tarp::moveAll(kFrame, [&](size_t at) { return recv(fd, buf + at, kFrame - at, 0); }) &&
           tarp::moveAll(kFrame, [&](size_t at) { return send(fd, buf + at, kFrame - at, MSG_NOSIGNAL); })) {
    }
}

double echoRoundTrips(benchmark::State& state, int fd)
{
    uint8_t frame[kFrame] = {23, 0, 0, 0, 8, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0};
    uint8_t back[kFrame];
    const auto start = Clock::now();
    for (auto _ : state) {
        tarp::moveAll(kFrame, [&](size_t at) { return send(fd, frame + at, kFrame - at, MSG_NOSIGNAL); });
        tarp::moveAll(kFrame, [&](size_t at) { return recv(fd, back + at, kFrame - at, 0); });
        benchmark::DoNotOptimize(back);
    }
    return perIteration(state, start);
}

void BM_UnixSocketEcho(benchmark::State& state)
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        state.SkipWithError("socketpair");
        return;
    }
    std::thread echo([fd = fds[1]] { echoFrames(fd); });
    gThreadEcho = echoRoundTrips(state, fds[0]);
    close(fds[0]);
    echo.join();
    close(fds[1]);
}

void BM_UnixSocketEchoProcess(benchmark::State& state)
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        state.SkipWithError("socketpair");
        return;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        state.SkipWithError("fork");
        return;
    }
    if (child == 0) {
        close(fds[0]);
        echoFrames(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    gProcessEcho = echoRoundTrips(state, fds[0]);
    close(fds[0]);
    waitpid(child, nullptr, 0);
}

// Latency (id 23) is answered without touching the audio server: the call is pure round trip.
void BM_RemoteCallToPellant(benchmark::State& state)
{
    const auto start = Clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(vesk_set_latency_ipc(40));
    }
    reportAgainstEchoes(state, perIteration(state, start));
}

// A real effect call: the server recomputes and selects the page.
void BM_RemoteCallPageStep(benchmark::State& state)
{
    const auto start = Clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(vesk_set_eq_mode_ipc(1, 1));
    }
    reportAgainstEchoes(state, perIteration(state, start));
}

BENCHMARK(BM_UnixSocketEcho);
BENCHMARK(BM_UnixSocketEchoProcess);
BENCHMARK(BM_RemoteCallToPellant);
BENCHMARK(BM_RemoteCallPageStep);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    sbtest::Sandbox sandbox;
    auto pellant = pellanttest::startPellant(sandbox);
    if (!pellanttest::waitStarted(sandbox)) {
        fprintf(stderr, "pellant did not start\n");
        return 1;
    }
    vesk_ipc_create();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    pellant->stop();
    return 0;
}
