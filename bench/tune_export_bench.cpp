// The tune export's render speed against the fluidsynth command line on the
// same file, and its peak memory for a 3- and a 30-minute tune (each export
// in a child process of its own, so the peaks do not mix).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "baseline_ratio.h"
#include "convert/audio/tune_export.h"
#include "platform/software_synth.h"

namespace {

constexpr const char* kChildFlag = "--export-child";

void PutVlq(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value && n < 5);
    while (n-- > 0) out.push_back(static_cast<std::uint8_t>(bytes[n] | (n ? 0x80 : 0)));
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t delta, std::uint8_t a, std::uint8_t b,
         std::uint8_t c) {
    PutVlq(out, delta);
    out.push_back(a);
    out.push_back(b);
    out.push_back(c);
}

// A tune of the given minutes at 120 bpm: a chord and a bass note on every
// beat, a hi-hat on every half beat.
std::string WriteTune(int minutes) {
    std::vector<std::uint8_t> t;
    Put(t, 0, 0xC0, 0, 0);
    t.pop_back();
    Put(t, 0, 0xC1, 33, 0);
    t.pop_back();
    static constexpr std::uint8_t kChords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    for (int beat = 0; beat < minutes * 120; ++beat) {
        const auto& chord = kChords[(beat / 4) % 4];
        for (std::uint8_t key : chord) Put(t, 0, 0x90, key, 80);
        Put(t, 0, 0x91, static_cast<std::uint8_t>(chord[0] - 24), 90);
        Put(t, 0, 0x99, 42, 70);
        Put(t, 48, 0x99, 42, 0);
        Put(t, 0, 0x99, 42, 60);
        Put(t, 44, 0x99, 42, 0);
        for (std::uint8_t key : chord) Put(t, 0, 0x80, key, 0);
        Put(t, 0, 0x81, static_cast<std::uint8_t>(chord[0] - 24), 0);
        PutVlq(t, 4);
        t.push_back(0xB0);  // a volume touch keeps the gap an event
        t.push_back(7);
        t.push_back(100);
    }
    for (std::uint8_t b : {0x00, 0xFF, 0x2F, 0x00}) t.push_back(b);
    std::vector<std::uint8_t> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8) smf.push_back(static_cast<std::uint8_t>(t.size() >> shift));
    smf.insert(smf.end(), t.begin(), t.end());
    const std::string path = "/tmp/zaw_bench_tune_" + std::to_string(minutes) + ".mid";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(smf.data()), static_cast<std::streamsize>(smf.size()));
    return path;
}

void BM_ExportThreeMinutes(benchmark::State& state) {
    const std::string tune = WriteTune(3);
    for (auto _ : state) {
        if (ExportMovieToFile(tune, "/tmp/zaw_bench_tune.aiff") != 1) state.SkipWithError("export failed");
    }
    state.counters["x_realtime"] = benchmark::Counter(
        180.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExportThreeMinutes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same tune through the command line, reverb and chorus off.
void BM_FluidsynthCliThreeMinutes(benchmark::State& state) {
    const std::string tune = WriteTune(3);
    const std::string command = std::string("fluidsynth -ni -q -R 0 -C 0 -r 44100 -T aiff -F ") +
                                "/tmp/zaw_bench_fluid.aiff " + platform::kDefaultSoundFont + " " +
                                tune + " > /dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("fluidsynth failed");
    }
    state.counters["x_realtime"] = benchmark::Counter(
        180.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FluidsynthCliThreeMinutes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Peak resident memory (kB) of a fresh process that exports the tune (run
// anew with exec: a forked copy of a process with synth threads can hang).
long ChildPeakKb(const std::string& tune) {
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", "bench_tune_export", kChildFlag, tune.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || status != 0) return -1;
    return usage.ru_maxrss;
}

void BM_PeakMemoryThreeAndThirtyMinutes(benchmark::State& state) {
    const std::string shortTune = WriteTune(3), longTune = WriteTune(30);
    long shortKb = 0, longKb = 0;
    for (auto _ : state) {
        shortKb = ChildPeakKb(shortTune);
        longKb = ChildPeakKb(longTune);
    }
    state.counters["peak_kb_3min"] = static_cast<double>(shortKb);
    state.counters["peak_kb_30min"] = static_cast<double>(longKb);
    state.counters["difference_kb"] = static_cast<double>(longKb - shortKb);
    if (shortKb < 0 || longKb < 0) state.SkipWithError("export failed");
}
BENCHMARK(BM_PeakMemoryThreeAndThirtyMinutes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == kChildFlag)
        return ExportMovieToFile(argv[2], std::string(argv[2]) + ".aiff") == 1 ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    bench::BaselineRatioReporter reporter(
        {{"BM_ExportThreeMinutes", "BM_FluidsynthCliThreeMinutes"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
