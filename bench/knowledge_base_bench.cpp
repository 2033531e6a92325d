// Knowledge base: the load of the four shipped files before every tune, and
// a time-chart pick per block. The load runs beside its parts from the same
// run: the texts taken from memory (no file reads) and the rebuild of the
// chord weight table alone; the time-chart read beside the bare entry pick.
// Every run checks it did the work and that no box was shown.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "baseline_ratio.h"
#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "compose/knowledge_base.h"
#include "core/utilities.h"
#include "platform/message_sink.h"
#include "style/key_setup.h"
#include "style/music_style.h"
#include "style/style_table.h"

namespace {

std::shared_ptr<platform::RecordingMessageSink> g_sink;

// The major 4/4 set-up: PATTERN.DB, RESOLUT.DB, TIMECHT.DB, RESTIME.DB.
void SetUpStyle() {
    if (!g_sink) {
        g_sink = std::make_shared<platform::RecordingMessageSink>();
        platform::SetMessageSink(g_sink);
    }
    g_sink->Clear();
    InitMusicStyle(WorkingStyle);
    SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
    SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
    WorkingStyle.timeSignature = kMetre44;
    SetupMajorKey();
}

bool Finish(benchmark::State& state, bool ok) {
    if (!ok) {
        state.SkipWithError("the work was not done");
        return false;
    }
    if (g_sink->Count() != 0) {
        state.SkipWithError(g_sink->Texts()[0].c_str());
        return false;
    }
    return true;
}

void BM_LoadKnowledgeBase(benchmark::State& state) {
    SetUpStyle();
    long long failed = 0;
    for (auto _ : state) {
        PatternText[0] = '\0';
        failed += LoadKnowledgeBase() != 1 || PatternText[0] == '\0' || TimeChartText[0] == '\0';
        benchmark::ClobberMemory();
    }
    Finish(state, failed == 0 && TransitionCountScale >= 8);
}

// Part of the load: the texts from memory, the count scale and the table.
void BM_LoadKnowledgeTexts_FromMemory(benchmark::State& state) {
    SetUpStyle();
    if (LoadKnowledgeBase() != 1) return void(state.SkipWithError("no knowledge files"));
    const std::string pattern = PatternText, cadence = CadenceText, chart = TimeChartText,
                      cadenceChart = CadenceTimeChartText;
    const int scale = TransitionCountScale;
    long long wrong = 0;
    for (auto _ : state) {
        TransitionCountScale = 0;
        LoadKnowledgeTexts(pattern, cadence, chart, cadenceChart);
        wrong += TransitionCountScale != scale;
    }
    Finish(state, wrong == 0);
}

// Part of the load: the chord weight table alone.
void BM_BuildChordCodeTable(benchmark::State& state) {
    SetUpStyle();
    long long wrong = 0;
    for (auto _ : state) {
        ChordWeightTable[0] = '\0';
        BuildChordCodeTable();
        wrong += ChordWeightTable[0] != 'C';
    }
    Finish(state, wrong == 0);
}

void BM_ReadTimeChart(benchmark::State& state) {
    SetUpStyle();
    if (LoadKnowledgeBase() != 1) return void(state.SkipWithError("no knowledge files"));
    SeedRandomWith(1);
    int chart[kTimeChartSlots];
    long long lengths = 0, empty = 0;
    for (auto _ : state) {
        int n = ReadTimeChart(chart, TimeChartText);
        lengths += n;
        empty += n < 1 || chart[0] == 0;
    }
    state.counters["lengths/pick"] =
        benchmark::Counter(static_cast<double>(lengths) / static_cast<double>(state.iterations()));
    Finish(state, empty == 0);
}

// The baseline: the entry pick without splitting it into lengths.
void BM_PickCountedEntry(benchmark::State& state) {
    SetUpStyle();
    if (LoadKnowledgeBase() != 1) return void(state.SkipWithError("no knowledge files"));
    SeedRandomWith(1);
    char entry[64];
    long long none = 0;
    for (auto _ : state) {
        int length = 0;
        none += PickCountedEntry(TimeChartText, entry, sizeof entry, length) < 1 || length == 0;
        benchmark::DoNotOptimize(entry);
    }
    Finish(state, none == 0);
}

}  // namespace

BENCHMARK(BM_LoadKnowledgeBase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadKnowledgeTexts_FromMemory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildChordCodeTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadTimeChart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PickCountedEntry)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv, {{"BM_ReadTimeChart", "BM_PickCountedEntry"}});
}
