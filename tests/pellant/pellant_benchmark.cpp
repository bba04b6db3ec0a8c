// Round-trip time of one remote call from corvand's client to pellant's server and back, beside
// a bare Unix-socket echo of the same frame bytes.
#include "tests/pellant/pellant_harness.h"
#include "platform/tarp/tarp_wire.h"
#include "main/audio_client/vesk_ipc.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Latency (id 23) is answered without touching the audio server: the call is pure round trip.
void BM_RemoteCallToPellant(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(vesk_set_latency_ipc(40));
    }
}

// A real effect call: the server recomputes and selects the page.
void BM_RemoteCallPageStep(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(vesk_set_eq_mode_ipc(1, 1));
    }
}

void BM_UnixSocketEcho(benchmark::State& state)
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        state.SkipWithError("socketpair");
        return;
    }
    constexpr size_t kFrame = tarp::kHeaderSize + VESK_IPC_VALUE_ARG_SIZE;
    std::thread echo([fd = fds[1]] {
        uint8_t buf[kFrame];
        for (;;) {
            if (!tarp::moveAll(kFrame, [&](size_t at) { return recv(fd, buf + at, kFrame - at, 0); }) ||
                !tarp::moveAll(kFrame, [&](size_t at) { return send(fd, buf + at, kFrame - at, MSG_NOSIGNAL); })) {
                return;
            }
        }
    });
    uint8_t frame[kFrame] = {23, 0, 0, 0, 8, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0};
    uint8_t back[kFrame];
    for (auto _ : state) {
        tarp::moveAll(kFrame, [&](size_t at) { return send(fds[0], frame + at, kFrame - at, MSG_NOSIGNAL); });
        tarp::moveAll(kFrame, [&](size_t at) { return recv(fds[0], back + at, kFrame - at, 0); });
        benchmark::DoNotOptimize(back);
    }
    close(fds[0]);
    echo.join();
    close(fds[1]);
}

BENCHMARK(BM_RemoteCallToPellant);
BENCHMARK(BM_RemoteCallPageStep);
BENCHMARK(BM_UnixSocketEcho);

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
