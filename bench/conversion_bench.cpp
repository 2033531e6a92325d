// A style conversion's tune: the material file read again, its chords
// analysed, its melody and chords built (PrepareConversionTune), then the tune
// composed around them, for a three-minute file using all 16 channels. The
// baseline is the same style composed at the same seeds without material.
// The counters give the median (p50) and the largest time of one tune in ms.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "accomp/backing_generators.h"
#include "baseline_ratio.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "compose/conversion_material.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "platform/clock.h"
#include "platform/message_sink.h"
#include "platform/paths.h"
#include "preset_styles.h"
#include "style/style_table.h"

namespace {

constexpr int kDivision = 480;
constexpr int kBars = 90;  // three minutes of 4/4 at 120 quarters a minute

struct AcceptRoles : ChannelRoleDialogService {
    int Run(MidiF0Data&, TuneStructure& s, MaterialRange& range) override {
        range = RangeFromFields(1, s.barCount, s.barCount);
        return 1;
    }
};

void PutVar(std::vector<std::uint8_t>& b, long long v) {
    std::uint8_t tmp[5];
    int n = 0;
    do {
        tmp[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0 && n < 5);
    while (n-- > 0)
        b.push_back(static_cast<std::uint8_t>(tmp[n] | (n > 0 ? 0x80 : 0)));
}

// A format-0 file: a melody in quarters on channel 0 over triads on 1, a
// bass on 2, drums on 9 and a sustained voice on each other channel.
std::string WriteMaterial(const std::string& folder) {
    struct Ev {
        long long t;
        std::uint8_t s, d1, d2;
    };
    std::vector<Ev> evs;
    const int roots[4] = {60, 65, 67, 57};
    auto note = [&](long long t, long long len, int ch, int pitch) {
        evs.push_back({t + len, static_cast<std::uint8_t>(0x80 | ch), static_cast<std::uint8_t>(pitch), 0});
        evs.push_back({t, static_cast<std::uint8_t>(0x90 | ch), static_cast<std::uint8_t>(pitch), 90});
    };
    for (int b = 0; b < kBars; ++b) {
        const long long t0 = 4LL * kDivision * b;
        const int r = roots[b % 4];
        for (int k : {0, 4, 7})
            note(t0, 4 * kDivision, 1, r - 12 + k);
        note(t0, 4 * kDivision, 2, r - 24);
        for (int q = 0; q < 4; ++q) {
            note(t0 + q * kDivision, kDivision, 0, r + 12 + (q % 3) * 2);
            note(t0 + q * kDivision, kDivision / 2, 9, 42);
        }
        for (int c = 3; c < 16; ++c)
            if (c != 9) note(t0, 4 * kDivision, c, 40 + c);
    }
    std::stable_sort(evs.begin(), evs.end(), [](const Ev& a, const Ev& b) { return a.t < b.t; });
    std::vector<std::uint8_t> body;
    long long at = 0;
    for (const Ev& e : evs) {
        PutVar(body, e.t - at);
        at = e.t;
        body.push_back(e.s);
        body.push_back(e.d1);
        body.push_back(e.d2);
    }
    for (std::uint8_t x : {0x00, 0xFF, 0x2F, 0x00})
        body.push_back(x);
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
                                      kDivision >> 8, kDivision & 0xFF, 'M', 'T', 'r', 'k'};
    const std::size_t n = body.size();
    for (int s = 24; s >= 0; s -= 8)
        file.push_back(static_cast<std::uint8_t>(n >> s));
    for (std::uint8_t x : body)
        file.push_back(x);
    const std::string path = folder + "material.mid";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return path;
}

bool SetUp() {
    static bool ready = false;
    if (ready) return true;
    platform::SetMessageSink(std::make_shared<platform::RecordingMessageSink>());
    platform::SetClock(std::make_shared<platform::FakeClock>());
    InitDefaultSettings();
    InitSharedShellValues();
    std::string folder = platform::TemporaryDirectory() + "conversion_bench_XXXXXX";
    std::vector<char> name(folder.begin(), folder.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) return false;
    folder = std::string(name.data()) + "/";
    std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder.c_str());
    std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s", folder.c_str());
    ConversionOutputPath.Set(folder + "converted.mid");
    TheComposerState.outputType = 2;
    InstallBackingGenerators();
    SetChannelRoleDialog(std::make_shared<AcceptRoles>());
    CurrentTuneStructure = std::make_unique<TuneStructure>();
    PanelMode = kPanelModeConvert;
    ready = SelectConversionMaterial(WriteMaterial(folder)) == 1;
    return ready;
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

void RunTunes(benchmark::State& state, bool convert) {
    if (!SetUp()) {
        state.SkipWithError("the material was not loaded");
        return;
    }
    MusicStyle style = Presets()[0];
    style.chordGenerationMethod = convert ? 8 : style.chordGenerationMethod;
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::vector<double> times;
    long long failed = 0;
    for (auto _ : state) {
        for (int seed = 1; seed <= 10; ++seed) {
            state.PauseTiming();
            PanelMode = convert ? kPanelModeConvert : kPanelModeCompose;
            SetWorkingStyle(style);
            SeedRandomWith(seed);
            ResetComposerState();
            state.ResumeTiming();
            const auto start = std::chrono::steady_clock::now();
            if (convert) failed += !PickConversionInput();
            std::size_t length = 0;
            failed += ComposeOneTune(buffer.data(), &length) != 1;
            const auto end = std::chrono::steady_clock::now();
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    state.counters["p50_ms"] = Percentile(times, 0.5);
    state.counters["max_ms"] = Percentile(times, 1.0);
    std::printf("%s: p50 %.2f ms, max %.2f ms per tune\n",
                convert ? "conversion of a 3-minute 16-channel file" : "style alone (baseline)",
                Percentile(times, 0.5), Percentile(times, 1.0));
    if (failed != 0) state.SkipWithError("a tune failed");
}

void BM_ConversionTune(benchmark::State& state) {
    RunTunes(state, true);
}
void BM_StyleAloneBaseline(benchmark::State& state) {
    RunTunes(state, false);
}

}  // namespace

BENCHMARK(BM_ConversionTune)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StyleAloneBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv,
                                        {{"BM_ConversionTune", "BM_StyleAloneBaseline"}});
}
