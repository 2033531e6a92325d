// Composing one whole tune, as the compose worker does for each tune: every
// built-in style once per iteration at fixed seeds, into a scratch work and
// output folder. The counters give the median (p50) and the largest time of
// one tune in milliseconds; the baseline is the chord progression with its
// length fitting of the same styles and seeds, the first stage of each tune.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "accomp/backing_generators.h"
#include "baseline_ratio.h"
#include "compose/chord_progression.h"
#include "compose/compose_info.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "compose/knowledge_base.h"
#include "compose/length_fitting.h"
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

std::shared_ptr<platform::RecordingMessageSink> g_sink;

void SetUp() {
    if (g_sink) return;
    g_sink = std::make_shared<platform::RecordingMessageSink>();
    platform::SetMessageSink(g_sink);
    platform::SetClock(std::make_shared<platform::FakeClock>());
    InitDefaultSettings();
    InitSharedShellValues();
    std::string folder = platform::TemporaryDirectory() + "compose_tune_bench_XXXXXX";
    std::vector<char> name(folder.begin(), folder.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) return;
    folder = std::string(name.data()) + "/";
    std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder.c_str());
    std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s", folder.c_str());
    TheComposerState.outputType = 2;
    PanelMode = kPanelModeCompose;
    InstallBackingGenerators();
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

// One tune (or, as the baseline, one fitted progression) of every preset per
// iteration, each timed on its own.
void RunAllPresets(benchmark::State& state, bool wholeTune) {
    SetUp();
    std::vector<MusicStyle>& presets = Presets();
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::vector<double> times;
    long long failed = 0;
    long long bytes = 0;
    for (auto _ : state) {
        for (std::size_t p = 0; p < presets.size(); ++p) {
            state.PauseTiming();
            SetWorkingStyle(presets[p]);
            SeedRandomWith(static_cast<std::int32_t>(p + 1));
            ResetComposerState();
            std::memcpy(CurrentChordCode, "CMPS", 5);
            state.ResumeTiming();
            const auto start = std::chrono::steady_clock::now();
            std::size_t length = 0;
            if (wholeTune) {
                failed += ComposeOneTune(buffer.data(), &length) != 1;
                bytes += static_cast<long long>(length);
                failed += length == 0;
            } else {
                failed += LoadKnowledgeBase() != 1;
                ComposeInfo.Reset();
                GenerateChordProgression();
                FitToTuneLength();
                failed += ComposeInfo.chordCount == 0;
            }
            const auto end = std::chrono::steady_clock::now();
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    const double median = Percentile(times, 0.5);
    const double largest = Percentile(times, 1.0);
    state.counters["p50_ms"] = median;
    state.counters["max_ms"] = largest;
    if (wholeTune) state.counters["bytes_per_tune"] = static_cast<double>(bytes) / times.size();
    std::printf("%s over %zu presets: p50 %.2f ms, max %.2f ms per tune\n",
                wholeTune ? "whole tune" : "progression with fitting (baseline)", presets.size(),
                median, largest);
    if (failed != 0 || presets.size() != 158) state.SkipWithError("the work was not done");
}

void BM_ComposeOneTune_AllPresets(benchmark::State& state) {
    RunAllPresets(state, true);
}
void BM_ProgressionBaseline_AllPresets(benchmark::State& state) {
    RunAllPresets(state, false);
}

}  // namespace

BENCHMARK(BM_ComposeOneTune_AllPresets)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ProgressionBaseline_AllPresets)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(
        argc, argv, {{"BM_ComposeOneTune_AllPresets", "BM_ProgressionBaseline_AllPresets"}});
}
