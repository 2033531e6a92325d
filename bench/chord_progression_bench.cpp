// Chord progression: one whole progression with its length fitting for each
// of the 158 built-in styles (a tune's budget is 20 ms), the progression
// without fitting as its baseline, and the chord timeline that every fitting
// step rebuilds. The knowledge base is loaded outside the timing (it has a
// benchmark of its own). Every run checks it made blocks and chords; error
// boxes are counted, and their pause is not waited for.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "baseline_ratio.h"
#include "compose/chord_progression.h"
#include "compose/compose_info.h"
#include "compose/knowledge_base.h"
#include "compose/length_fitting.h"
#include "core/utilities.h"
#include "platform/clock.h"
#include "platform/message_sink.h"
#include "preset_styles.h"
#include "style/key_setup.h"
#include "style/style_table.h"

namespace {

std::shared_ptr<platform::RecordingMessageSink> g_sink;

void Quiet() {
    if (g_sink) return;
    g_sink = std::make_shared<platform::RecordingMessageSink>();
    platform::SetMessageSink(g_sink);
    platform::SetClock(std::make_shared<platform::FakeClock>());
}

bool MadeProgression() {
    return ComposeInfo.blockCount >= 1 && ComposeInfo.chordCount > 0 &&
           ComposeInfo.blockChords[ComposeInfo.blockCount - 1]->Count() > 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Per iteration, one progression of every preset; the counters give the
// median and the largest of the per-preset medians in microseconds.
void RunAllPresets(benchmark::State& state, bool fit) {
    Quiet();
    std::vector<MusicStyle>& presets = Presets();
    std::vector<std::vector<double>> times(presets.size());
    long long missing = 0;
    std::int32_t seed = 1;
    for (auto _ : state) {
        for (std::size_t p = 0; p < presets.size(); ++p) {
            state.PauseTiming();
            SetWorkingStyle(presets[p]);
            missing += LoadKnowledgeBase() != 1;
            SeedRandomWith(seed++);
            std::memcpy(CurrentChordCode, "CMPS", 5);
            state.ResumeTiming();
            const auto start = std::chrono::steady_clock::now();
            ComposeInfo.Reset();
            GenerateChordProgression();
            if (fit)
                FitToTuneLength();
            else
                MeasureTuneLength();
            const auto end = std::chrono::steady_clock::now();
            times[p].push_back(std::chrono::duration<double, std::micro>(end - start).count());
            missing += !MadeProgression();
        }
    }
    std::vector<double> medians;
    for (const auto& t : times)
        medians.push_back(Median(t));
    const double median = Median(medians);
    const double largest = *std::max_element(medians.begin(), medians.end());
    state.counters["median_us"] = median;
    state.counters["max_us"] = largest;
    state.counters["boxes"] = static_cast<double>(g_sink->Count());
    std::printf("%s over %zu presets: median %.1f us, max %.1f us\n",
                fit ? "progression with fitting" : "progression alone (baseline)", presets.size(),
                median, largest);
    if (missing != 0 || presets.size() != 158) state.SkipWithError("the work was not done");
    if (g_sink->Count() != 0) state.SkipWithError(g_sink->Texts()[0].c_str());
}

void BM_ProgressionWithFitting_AllPresets(benchmark::State& state) {
    RunAllPresets(state, true);
}

void BM_ProgressionAlone_AllPresets(benchmark::State& state) {
    RunAllPresets(state, false);
}

// The timeline of one generated progression of a 4/4 preset, as a fitting
// step rebuilds it; the baseline clears and refills the same chords without
// the key-change marks and the block replay.
void BM_BuildChordTimeline(benchmark::State& state) {
    Quiet();
    SetWorkingStyle(Presets()[0]);
    if (LoadKnowledgeBase() != 1) return void(state.SkipWithError("no knowledge files"));
    SeedRandomWith(5);
    ComposeInfo.Reset();
    GenerateChordProgression();
    const int quarters = BuildChordTimeline();
    const int chords = ComposeInfo.chordCount;
    long long wrong = 0;
    for (auto _ : state)
        wrong += BuildChordTimeline() != quarters || ComposeInfo.chordCount != chords;
    state.counters["chords"] = chords;
    if (wrong != 0 || chords < 2) state.SkipWithError("the work was not done");
}

void BM_AddChords_Baseline(benchmark::State& state) {
    Quiet();
    SetWorkingStyle(Presets()[0]);
    if (LoadKnowledgeBase() != 1) return void(state.SkipWithError("no knowledge files"));
    SeedRandomWith(5);
    ComposeInfo.Reset();
    GenerateChordProgression();
    BuildChordTimeline();
    std::vector<HarmonyStructureEntry> entries;
    for (int c = 0; c < ComposeInfo.chordCount; ++c)
        entries.push_back(ComposeInfo.chords[c]->source);
    long long wrong = 0;
    for (auto _ : state) {
        ComposeInfo.ClearChords();
        for (const HarmonyStructureEntry& e : entries)
            ComposeInfo.AddChord(e, 0);
        wrong += ComposeInfo.chordCount != static_cast<int>(entries.size());
    }
    state.counters["chords"] = static_cast<double>(entries.size());
    if (wrong != 0) state.SkipWithError("the work was not done");
}

}  // namespace

BENCHMARK(BM_ProgressionWithFitting_AllPresets)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ProgressionAlone_AllPresets)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_BuildChordTimeline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddChords_Baseline)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(
        argc, argv,
        {
            {"BM_ProgressionWithFitting_AllPresets", "BM_ProgressionAlone_AllPresets"},
            {"BM_BuildChordTimeline", "BM_AddChords_Baseline"},
        });
}
