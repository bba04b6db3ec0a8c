// Measures libtorqen32 beside libsoxr, libsamplerate and speexdsp on the same rate pairs, sample
// widths and channel counts: quality (passband, edge, rejection, THD+N, droop, alias, latency),
// speed on one core and instructions per output frame (under callgrind).
//
//   torqen_bench <report dir>                 quality, speed and instruction counts; writes results.md
//                                             and response.csv there
//   torqen_bench <report dir> <torqen_count for the board>
//                                             the same, and instruction counts of libtorqen32's kernel
//                                             variants on the board's processor under qemu
//   torqen_bench --speed                      the speed tables alone, on standard output
//   torqen_bench --case <pair> <bits> <channels>
//                                             one case of the speed table: each converter's frames per
//                                             second and libtorqen32's ratios to soxr quick and high
//   torqen_bench --count <converter> <pair> <bits> <channels>
//                                             one stream for callgrind (run by the report itself)
//
// Speed is measured as a converter's users see it: every converter is opened and warmed before any
// timing, its output goes to room allocated once, the time is the CPU time of the converting thread,
// and the converters of a case take turns, round after round, so that a busy machine slows them
// alike. Ratios are taken within each round and their median printed.
#include <samplerate.h>
#include <soxr.h>
#include <speex/speex_resampler.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "torqen/bench/torqen_bench_peers.h"
#include "torqen/bench/torqen_bench_quality.h"
#include "torqen/torqen_signal.h"

namespace {

using torqen_bench::ConverterKind;
using torqen_bench::Family;
using torqen_bench::Measure;
using torqen_bench::RatePair;
using torqen_bench::Resampler;

const RatePair kPairs[] = {{44100, 48000}, {48000, 44100}, {32000, 48000},
                           {48000, 16000}, {96000, 48000}, {44056, 48000}};

constexpr int kVariantAvx2 = static_cast<int>(torqen_signal::KernelVariant::kAvx2);
constexpr int kVariantSse2 = static_cast<int>(torqen_signal::KernelVariant::kSse2);
constexpr int kVariantScalar = static_cast<int>(torqen_signal::KernelVariant::kScalar);

// libtorqen32's variants best first: the first that runs is the one a converter chooses at open.
const ConverterKind kKinds[] = {
    {"libtorqen32", Family::Torqen, -1, Measure::Quality},
    {"libtorqen32 AVX2", Family::Torqen, kVariantAvx2, Measure::Speed},
    {"libtorqen32 SSE2", Family::Torqen, kVariantSse2, Measure::Speed},
    {"libtorqen32 scalar", Family::Torqen, kVariantScalar, Measure::Speed},
    {"soxr quick", Family::Soxr, SOXR_QQ},
    {"soxr low", Family::Soxr, SOXR_LQ},
    {"soxr medium", Family::Soxr, SOXR_MQ},
    {"soxr high (default)", Family::Soxr, SOXR_HQ},
    {"soxr matched", Family::Soxr, torqen_bench::kSoxrMatched},
    {"libsamplerate sinc fastest", Family::Samplerate, SRC_SINC_FASTEST},
    {"libsamplerate sinc best", Family::Samplerate, SRC_SINC_BEST_QUALITY},
    {"speexdsp 3", Family::Speex, 3},
    {"speexdsp 4 (default)", Family::Speex, SPEEX_RESAMPLER_QUALITY_DEFAULT},
};
constexpr size_t kQuick = 4;
constexpr size_t kHigh = 7;

// The columns of the speed table.
struct Column {
  int bits;
  uint32_t channels;
  const char* title;
};
const Column kSpeedColumns[] = {{16, 1, "16-bit 1ch"}, {16, 2, "2ch"}, {16, 3, "3ch"},
                                {16, 6, "6ch"},        {16, 8, "8ch"}, {32, 2, "32-bit 2ch"}};
const Column kCountColumns[] = {{16, 1, "16-bit 1ch"}, {16, 2, "2ch"}, {16, 6, "6ch"}, {32, 2, "32-bit 2ch"}};

constexpr size_t kBlock = 1024;
constexpr int kRounds = 7;
// Input of one timed stream, in seconds at the input rate.
constexpr double kStreamSeconds = 0.5;

template <typename Sample>
std::vector<Sample> noiseInput(size_t frames, uint32_t channels) {
  std::vector<Sample> v(frames * channels);
  uint32_t x = 1;
  for (auto& s : v) {
    x = x * 1664525u + 1013904223u;
    s = static_cast<Sample>(static_cast<int32_t>(x) >> (sizeof(Sample) == 2 ? 18 : 2));
  }
  return v;
}

size_t outputRoom(const RatePair& r) {
  return kBlock * r.out / r.in + 64;
}

// The whole input in blocks of kBlock frames, every output frame written over the same room; returns
// the output frames.
size_t streamInto(Resampler& r, const void* in, size_t frames, uint32_t channels, int bits, void* room,
                  size_t room_frames) {
  const size_t frame_bytes = channels * static_cast<size_t>(bits / 8);
  const auto* bytes = static_cast<const uint8_t*>(in);
  size_t produced = 0;
  for (size_t fed = 0; fed < frames; fed += kBlock) {
    const size_t n = std::min(kBlock, frames - fed);
    size_t done = 0;
    while (done < n) {
      size_t used = 0;
      const size_t got = r.run(bytes + (fed + done) * frame_bytes, n - done, &used, room, room_frames);
      produced += got;
      done += used;
      if (used == 0 && got == 0) {
        break;
      }
    }
  }
  return produced;
}

double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? NAN : (n % 2 != 0 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// Half the range of the rounds, against their median.
double spread(const std::vector<double>& v) {
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  return (*hi - *lo) / 2 / median(v);
}

// Output frames per second of each kind (NaN where it does not run), round by round.
struct SpeedCase {
  std::vector<std::vector<double>> rates;  // [kind][round]
};

SpeedCase measureSpeed(const RatePair& r, const Column& c) {
  const size_t frames = static_cast<size_t>(kStreamSeconds * r.in);
  std::vector<uint8_t> in_bytes;
  if (c.bits == 16) {
    const auto in = noiseInput<int16_t>(frames, c.channels);
    in_bytes.assign(reinterpret_cast<const uint8_t*>(in.data()),
                    reinterpret_cast<const uint8_t*>(in.data() + in.size()));
  } else {
    const auto in = noiseInput<int32_t>(frames, c.channels);
    in_bytes.assign(reinterpret_cast<const uint8_t*>(in.data()),
                    reinterpret_cast<const uint8_t*>(in.data() + in.size()));
  }
  const size_t room_frames = outputRoom(r);
  std::vector<uint8_t> room(room_frames * c.channels * 4);
  std::vector<std::unique_ptr<Resampler>> convs(std::size(kKinds));
  std::vector<size_t> timed;
  for (size_t ki = 0; ki < std::size(kKinds); ++ki) {
    if (kKinds[ki].measure != Measure::Quality && torqen_bench::kindRuns(kKinds[ki])) {
      convs[ki] = makeResampler(kKinds[ki], r, c.channels, c.bits);
      streamInto(*convs[ki], in_bytes.data(), frames, c.channels, c.bits, room.data(), room_frames);
      timed.push_back(ki);
    }
  }
  SpeedCase s;
  s.rates.assign(std::size(kKinds), std::vector<double>(kRounds, NAN));
  for (int round = 0; round < kRounds; ++round) {
    for (size_t i = 0; i < timed.size(); ++i) {
      const size_t ki = timed[(i + static_cast<size_t>(round)) % timed.size()];
      const double start = threadSeconds();
      const size_t out = streamInto(*convs[ki], in_bytes.data(), frames, c.channels, c.bits, room.data(), room_frames);
      s.rates[ki][static_cast<size_t>(round)] = static_cast<double>(out) / (threadSeconds() - start);
    }
  }
  return s;
}

// The median of the per-round ratios of kind a to kind b.
double ratio(const SpeedCase& s, size_t a, size_t b) {
  std::vector<double> v;
  for (int round = 0; round < kRounds; ++round) {
    v.push_back(s.rates[a][static_cast<size_t>(round)] / s.rates[b][static_cast<size_t>(round)]);
  }
  return median(v);
}

// ---- instruction counts ---------------------------------------------------------------------------

// Only this stream is counted by callgrind: the converter is opened and warmed, and its input and
// output room allocated, before it.
template <typename Sample>
size_t countedStream(const ConverterKind& k, const RatePair& r, uint32_t channels) {
  const size_t frames = r.in / 10;
  const auto in = noiseInput<Sample>(frames, channels);
  auto conv = makeResampler(k, r, channels, sizeof(Sample) * 8);
  const size_t room_frames = outputRoom(r);
  std::vector<Sample> room(room_frames * channels);
  streamInto(*conv, in.data(), frames / 2, channels, sizeof(Sample) * 8, room.data(), room_frames);
  CALLGRIND_TOGGLE_COLLECT;
  const size_t out = streamInto(*conv, in.data(), frames, channels, sizeof(Sample) * 8, room.data(), room_frames);
  CALLGRIND_TOGGLE_COLLECT;
  return out;
}

int countMain(int argc, char** argv) {
  if (argc != 6) {
    return 2;
  }
  const ConverterKind& k = kKinds[std::stoul(argv[2])];
  const RatePair& r = kPairs[std::stoul(argv[3])];
  const int bits = std::stoi(argv[4]);
  const auto channels = static_cast<uint32_t>(std::stoul(argv[5]));
  const size_t frames = bits == 16 ? countedStream<int16_t>(k, r, channels) : countedStream<int32_t>(k, r, channels);
  std::printf("%zu\n", frames);
  return 0;
}

struct CountJob {
  size_t kind, pair, column;
  double result = NAN;
};

// Instructions per output frame: this program run once under callgrind for the job.
double instructionsPerFrame(const CountJob& j, size_t serial) {
  const Column& c = kCountColumns[j.column];
  const std::string out_file = "/tmp/torqen_bench.callgrind." + std::to_string(getpid()) + "." + std::to_string(serial);
  std::ostringstream cmd;
  cmd << "valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=" << out_file << " /proc/" << getpid()
      << "/exe --count " << j.kind << ' ' << j.pair << ' ' << c.bits << ' ' << c.channels << " 2>/dev/null";
  FILE* p = popen(cmd.str().c_str(), "r");
  if (p == nullptr) {
    return NAN;
  }
  size_t frames = 0;
  if (std::fscanf(p, "%zu", &frames) != 1) {
    frames = 0;
  }
  pclose(p);
  std::ifstream f(out_file);
  std::string line;
  double ir = NAN;
  while (std::getline(f, line)) {
    if (line.rfind("totals:", 0) == 0 || line.rfind("summary:", 0) == 0) {
      ir = std::stod(line.substr(line.find(':') + 1));
    }
  }
  std::remove(out_file.c_str());
  return frames != 0 ? ir / static_cast<double>(frames) : NAN;
}

// The counts repeat exactly whatever the machine does, so they run a few at a time.
void runCounts(std::vector<CountJob>* jobs) {
  std::atomic<size_t> next{0};
  const unsigned workers = std::max(1u, std::min(4u, std::thread::hardware_concurrency() / 2));
  std::vector<std::thread> pool;
  for (unsigned w = 0; w < workers; ++w) {
    pool.emplace_back([&] {
      for (size_t i = next++; i < jobs->size(); i = next++) {
        (*jobs)[i].result = instructionsPerFrame((*jobs)[i], i);
      }
    });
  }
  for (auto& t : pool) {
    t.join();
  }
}

// ---- report ---------------------------------------------------------------------------------------

std::string pairName(const RatePair& r) {
  auto k = [](uint32_t hz) {
    std::ostringstream s;
    s << hz / 1000.0 << "k";
    return s.str();
  };
  return k(r.in) + " → " + k(r.out);
}

std::string fmt(double v, int digits) {
  if (std::isnan(v)) {
    return "–";
  }
  char b[32];
  std::snprintf(b, sizeof b, "%.*f", digits, v);
  return b;
}

// Instructions per output frame of the board's build under qemu, one instruction per translation
// block and every block traced: two streams of different lengths, so that start-up cancels out.
double boardInstructionsPerFrame(const std::string& count_program, const RatePair& r, int bits,
                                 torqen_signal::KernelVariant v) {
  const std::string frames_file = "/tmp/torqen_bench.frames." + std::to_string(getpid());
  double instructions[2] = {};
  double frames[2] = {};
  for (int i = 0; i < 2; ++i) {
    std::ostringstream cmd;
    cmd << "qemu-arm-static -L /usr/arm-linux-gnueabihf -E LD_LIBRARY_PATH=/usr/arm-linux-gnueabihf/lib"
        << " -singlestep -d exec,nochain " << count_program << ' ' << r.in << ' ' << r.out << ' ' << bits << " 2 "
        << static_cast<int>(v) << ' ' << (i + 1) * (r.in / 12) << " 2>&1 >" << frames_file << " | grep -c '^Trace'";
    FILE* p = popen(cmd.str().c_str(), "r");
    if (p == nullptr) {
      return NAN;
    }
    if (std::fscanf(p, "%lf", &instructions[i]) != 1) {
      instructions[i] = NAN;
    }
    pclose(p);
    std::ifstream f(frames_file);
    if (!(f >> frames[i])) {
      frames[i] = NAN;
    }
  }
  std::remove(frames_file.c_str());
  const double out = frames[1] - frames[0];
  return out > 0 ? (instructions[1] - instructions[0]) / out : NAN;
}

std::string boardReport(const std::string& count_program) {
  std::ostringstream b;
  b << "\n### On the board's processor\n\n"
    << "libtorqen32 built for 32-bit ARM, instructions per output frame under qemu (stereo; repeatable), with "
       "the scalar kernels and with NEON.\n\n"
    << "| pair | scalar 16-bit | NEON 16-bit | scalar 32-bit | NEON 32-bit |\n|---|---:|---:|---:|---:|\n";
  for (const RatePair& r : kPairs) {
    std::fprintf(stderr, "%s, libtorqen32 on the board\n", pairName(r).c_str());
    b << "| " << pairName(r);
    for (int bits : {16, 32}) {
      for (torqen_signal::KernelVariant v :
           {torqen_signal::KernelVariant::kScalar, torqen_signal::KernelVariant::kNeon}) {
        b << " | " << fmt(boardInstructionsPerFrame(count_program, r, bits, v), 0);
      }
    }
    b << " |\n";
  }
  return b.str();
}

// The variant a converter chooses at open on this processor.
size_t oursIndex() {
  for (size_t ki = 0; ki < std::size(kKinds); ++ki) {
    if (kKinds[ki].family == Family::Torqen && kKinds[ki].measure == Measure::Speed &&
        torqen_bench::kindRuns(kKinds[ki])) {
      return ki;
    }
  }
  return 0;
}

std::string loadLine() {
  double load[3] = {};
  getloadavg(load, 3);
  std::ostringstream s;
  s << fmt(load[0], 1) << " (1 min), " << fmt(load[1], 1) << " (5 min) on " << std::thread::hardware_concurrency()
    << " cores";
  return s.str();
}

// Speed: one case per pair and column, every converter of the case in turn, round after round.
// `classes` names each converter's class on each pair, or is empty.
std::string speedReport(const std::vector<std::vector<std::string>>& classes) {
  const size_t ours = oursIndex();
  std::vector<std::vector<SpeedCase>> speed(std::size(kPairs));
  for (size_t pi = 0; pi < std::size(kPairs); ++pi) {
    for (const Column& c : kSpeedColumns) {
      std::fprintf(stderr, "speed: %s, %d-bit, %u channels\n", pairName(kPairs[pi]).c_str(), c.bits, c.channels);
      speed[pi].push_back(measureSpeed(kPairs[pi], c));
    }
  }
  std::ostringstream s;
  s << "| converter | pair | class";
  for (const Column& c : kSpeedColumns) {
    s << " | " << c.title;
  }
  s << " |\n|---|---|---";
  for (size_t i = 0; i < std::size(kSpeedColumns); ++i) {
    s << "|---:";
  }
  s << "|\n";
  std::ostringstream ratios;
  ratios << "| pair | against";
  for (const Column& c : kSpeedColumns) {
    ratios << " | " << c.title;
  }
  ratios << " |\n|---|---";
  for (size_t i = 0; i < std::size(kSpeedColumns); ++i) {
    ratios << "|---:";
  }
  ratios << "|\n";
  for (size_t pi = 0; pi < std::size(kPairs); ++pi) {
    for (size_t ki = 0; ki < std::size(kKinds); ++ki) {
      if (kKinds[ki].measure == Measure::Quality || !torqen_bench::kindRuns(kKinds[ki])) {
        continue;
      }
      s << "| " << kKinds[ki].name << " | " << pairName(kPairs[pi]) << " | "
        << (classes.empty() ? std::string("–") : classes[pi][ki]);
      for (const SpeedCase& sc : speed[pi]) {
        s << " | " << fmt(median(sc.rates[ki]) / 1e6, 2) << " ±" << fmt(100 * spread(sc.rates[ki]), 0) << " %";
      }
      s << " |\n";
    }
    for (size_t peer : {kQuick, kHigh}) {
      ratios << "| " << pairName(kPairs[pi]) << " | " << kKinds[peer].name;
      for (const SpeedCase& sc : speed[pi]) {
        ratios << " | " << fmt(ratio(sc, ours, peer), 2);
      }
      ratios << " |\n";
    }
  }
  std::ostringstream text;
  text << s.str() << "\nlibtorqen32 (" << kKinds[ours].name
       << ") against soxr quick and soxr's default setting: the median of the per-round ratios of frames per "
          "second.\n\n"
       << ratios.str();
  return text.str();
}

// One case of the speed table, for trying a kernel change without the whole report.
int caseMain(char** argv) {
  const RatePair& r = kPairs[std::stoul(argv[2])];
  const Column c{std::stoi(argv[3]), static_cast<uint32_t>(std::stoul(argv[4])), ""};
  const SpeedCase sc = measureSpeed(r, c);
  std::printf("%s, %d-bit, %u channels; machine load: %s\n", pairName(r).c_str(), c.bits, c.channels,
              loadLine().c_str());
  for (size_t ki = 0; ki < std::size(kKinds); ++ki) {
    if (!std::isnan(median(sc.rates[ki]))) {
      std::printf("%-28s %8.2f ±%.0f %%\n", kKinds[ki].name, median(sc.rates[ki]) / 1e6, 100 * spread(sc.rates[ki]));
    }
  }
  for (size_t peer : {kQuick, kHigh}) {
    std::printf("against %s: %.2f\n", kKinds[peer].name, ratio(sc, oursIndex(), peer));
  }
  return 0;
}

int reportMain(const std::string& dir, const std::string& count_program) {
  const std::string load_before = loadLine();
  std::ofstream csv(dir + "/response.csv");
  csv << "converter,pair,freq,gain_db,leakage_db\n";
  // Quality, and each converter's class on each pair.
  std::vector<std::vector<std::string>> classes(std::size(kPairs), std::vector<std::string>(std::size(kKinds)));
  std::ostringstream q;
  q << "| converter | pair | class | ripple dB | −3 dB edge | rejection dB | THD+N 1 kHz 16-bit dB | 32-bit dB"
    << " | THD+N 18 kHz dB | droop at 18 kHz dB | alias tone kHz | alias dB | latency frames |\n"
    << "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (size_t pi = 0; pi < std::size(kPairs); ++pi) {
    const RatePair& r = kPairs[pi];
    for (size_t ki = 0; ki < std::size(kKinds); ++ki) {
      const ConverterKind& k = kKinds[ki];
      if (k.measure == Measure::Speed) {
        classes[pi][ki] = "libtorqen32";
        continue;
      }
      std::fprintf(stderr, "quality: %s, %s\n", pairName(r).c_str(), k.name);
      std::vector<torqen_bench::ResponsePoint> points;
      const torqen_bench::Quality qu = measureQuality(k, r, &points);
      for (const auto& p : points) {
        csv << k.name << ',' << r.in << '-' << r.out << ',' << p.freq << ',' << p.gain_db << ',' << p.leakage_db
            << '\n';
      }
      classes[pi][ki] = k.family == Family::Torqen ? "libtorqen32" : torqen_bench::classOf(qu);
      q << "| " << k.name << " | " << pairName(r) << " | " << classes[pi][ki] << " | " << fmt(qu.ripple_db, 2) << " | "
        << fmt(qu.edge, 3) << " | " << fmt(qu.rejection_db, 1) << " | " << fmt(qu.thdn16_db, 1) << " | "
        << fmt(qu.thdn32_db, 1) << " | " << fmt(qu.thdn18k_db, 1) << " | " << fmt(qu.droop18k_db, 2) << " | "
        << fmt(qu.alias_freq / 1000, 2) << " | " << fmt(qu.alias_db, 1) << " | " << fmt(qu.latency, 0) << " |\n";
    }
  }

  const std::string speed = speedReport(classes);
  std::vector<CountJob> jobs;
  for (size_t pi = 0; pi < std::size(kPairs); ++pi) {
    for (size_t ki = 0; ki < std::size(kKinds); ++ki) {
      if (kKinds[ki].measure != Measure::Quality && torqen_bench::kindRuns(kKinds[ki])) {
        for (size_t ci = 0; ci < std::size(kCountColumns); ++ci) {
          jobs.push_back({ki, pi, ci});
        }
      }
    }
  }
  std::fprintf(stderr, "instruction counts: %zu streams under callgrind\n", jobs.size());
  runCounts(&jobs);
  std::ostringstream n;
  n << "| converter | pair";
  for (const Column& c : kCountColumns) {
    n << " | " << c.title;
  }
  n << " |\n|---|---";
  for (size_t i = 0; i < std::size(kCountColumns); ++i) {
    n << "|---:";
  }
  n << "|\n";
  for (size_t j = 0; j < jobs.size(); j += std::size(kCountColumns)) {
    n << "| " << kKinds[jobs[j].kind].name << " | " << pairName(kPairs[jobs[j].pair]);
    for (size_t ci = 0; ci < std::size(kCountColumns); ++ci) {
      n << " | " << fmt(jobs[j + ci].result, 0);
    }
    n << " |\n";
  }

  std::ofstream md(dir + "/results.md");
  md << "### Quality\n\n"
     << "Ripple: gain spread from 20 Hz to 0.8 of the lower Nyquist frequency. −3 dB edge: as a fraction of the "
        "lower Nyquist frequency. Rejection: the strongest alias, image or distortion of a tone below 0.8 or "
        "above 1.2 of the lower Nyquist frequency, below the tone. Class: a rejection below "
     << torqen_bench::kLighterBelowDb << " dB is a lighter filter than libtorqen32's, above "
     << torqen_bench::kHeavierAboveDb
     << " dB a heavier one. THD+N: a sine at −1 dBFS, everything but the sine against the sine. Droop: the gain "
        "of an 18 kHz tone against a 1 kHz tone. Alias: a tone just above the output's Nyquist frequency (when "
        "downsampling), what it leaves in the output against the tone. Latency: output frames from an impulse "
        "entering (in blocks of 16 frames) to its peak leaving.\n\n"
     << q.str() << "\n### Speed\n\n"
     << "Output frames per second (millions) on one core, the median of " << kRounds
     << " rounds and half their range: 16-bit or 32-bit samples, blocks of " << kBlock
     << " input frames, every converter opened and warmed first, its output written over room allocated once, "
        "the CPU time of the converting thread counted. In each round the converters of a column take turns "
        "on the same "
     << kStreamSeconds
     << " s of input, so that a busy machine slows them alike; frames per second vary with the machine, the "
        "ratios much less. libtorqen32 runs the kernel variant it chooses at open; each variant this processor "
        "runs is listed. Machine load while measuring: "
     << load_before << " at the start, " << loadLine() << " at the end.\n\n"
     << speed << "\n### Instructions per output frame\n\n"
     << "Counted by callgrind over a 0.1 s stream after the converter was opened and warmed, with its output "
        "room allocated outside the counted region (repeatable).\n\n"
     << n.str();
  if (!count_program.empty()) {
    md << boardReport(count_program);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--count") == 0) {
    return countMain(argc, argv);
  }
  if (argc == 5 && std::strcmp(argv[1], "--case") == 0) {
    return caseMain(argv);
  }
  if (argc == 2 && std::strcmp(argv[1], "--speed") == 0) {
    std::printf("Machine load: %s\n\n%s", loadLine().c_str(), speedReport({}).c_str());
    return 0;
  }
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s <report dir> [torqen_count for the board]\n", argv[0]);
    return 2;
  }
  return reportMain(argv[1], argc == 3 ? argv[2] : "");
}
