// Composer records: chord-scale weight lookups from the table index against
// reading the table text token by token, chord-record construction, the
// reset of the compose information after a composition and when empty, and
// the memory a fresh compose information holds.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "baseline_ratio.h"
#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "style/music_style.h"
#include "style/style_table.h"

namespace {

std::vector<std::string> TableCodes() {
    std::vector<std::string> codes;
    for (char r : std::string("CdDeEFgGaAbB"))
        for (char t : std::string("Mm4"))
            for (char f : std::string("PAd"))
                for (char s : std::string("Ssdo69"))
                    codes.push_back(std::string{r, t, f, s});
    return codes;
}

void SetUpStyle() {
    InitMusicStyle(WorkingStyle);
    WorkingStyle.scale = 1;
    WorkingStyle.key = 1;
    WorkingStyle.keyOffset = 2;
    WorkingStyle.fixedBass = 0;
    WorkingStyle.adjustToChordTone = 0;
}

// The combined weights the way the table text is read without an index.
void ChordScaleWeightsByScan(const char* code, ScaleString& out) {
    ScaleString scale, chord{};
    GetScaleWeights(WorkingStyle.scale, scale);
    ScanChordWeightTable(code, chord);
    CombineWeights(out, chord, scale);
}

std::vector<ScaleString> ExpectedByScan(const std::vector<std::string>& codes) {
    std::vector<ScaleString> expected(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i)
        ChordScaleWeightsByScan(codes[i].c_str(), expected[i]);
    return expected;
}

// Both runs check each answer against the text scan's, computed first.
void BM_ChordScaleWeights_Index(benchmark::State& state) {
    SetUpStyle();
    const auto codes = TableCodes();
    const auto expected = ExpectedByScan(codes);
    std::size_t i = 0;
    long long wrong = 0;
    for (auto _ : state) {
        ScaleString w;
        GetChordScaleWeights(codes[i].c_str(), w);
        wrong += std::memcmp(w.text, expected[i].text, 16) != 0;
        if (++i == codes.size()) i = 0;
    }
    if (wrong != 0) state.SkipWithError("index and text scan disagree");
}

// The baseline: the table text read token by token on every call.
void BM_ChordScaleWeights_TextScan(benchmark::State& state) {
    SetUpStyle();
    const auto codes = TableCodes();
    const auto expected = ExpectedByScan(codes);
    std::size_t i = 0;
    long long wrong = 0;
    for (auto _ : state) {
        ScaleString w;
        ChordScaleWeightsByScan(codes[i].c_str(), w);
        wrong += std::memcmp(w.text, expected[i].text, 16) != 0;
        if (++i == codes.size()) i = 0;
    }
    if (wrong != 0) state.SkipWithError("text scan not repeatable");
}

void BM_ChordRecordConstruction(benchmark::State& state) {
    SetUpStyle();
    SeedRandomWith(7);
    std::vector<HarmonyStructureEntry> entries;
    for (const std::string& code : TableCodes()) {
        HarmonyStructureEntry e{1, 128, {}};
        std::memcpy(e.chord.text, code.data(), 4);
        entries.push_back(e);
    }
    std::size_t i = 0;
    long long roots = 0;
    for (auto _ : state) {
        ChordRecord c(entries[i], "04");
        roots += c.root != 0;
        benchmark::DoNotOptimize(c);
        if (++i == entries.size()) i = 0;
    }
    if (roots != state.iterations()) state.SkipWithError("records without roots");
}

// A composition's worth of lists: the per-block chord lists of 200 blocks
// and the joined melody, second-melody and label lists, each of the latter
// at range(0) events (16383 is one short of full, the most a list takes
// without its message box).
void FillLists(ComposeInformation& info, int joined, int perBlock) {
    for (int b = 0; b < kMaxBlocks; ++b)
        for (int n = 0; n < perBlock; ++n)
            info.blockChords[b]->AppendValue(384, n);
    for (int n = 0; n < joined; ++n) {
        info.melody.AppendNote(48, 60 + n % 24);
        info.secondMelody.AppendNote(48, 55 + n % 24);
        info.labels.AppendLabel(384, "B001");
    }
}

int ListedEvents(ComposeInformation& info) {
    int n = info.melody.Count() + info.secondMelody.Count() + info.labels.Count();
    for (NoteList* list : info.blockChords)
        n += list->Count();
    return n;
}

void BM_ResetAfterComposition(benchmark::State& state) {
    const int joined = static_cast<int>(state.range(0));
    const int perBlock = static_cast<int>(state.range(1));
    auto info = std::make_unique<ComposeInformation>();
    int cleared = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillLists(*info, joined, perBlock);
        cleared = ListedEvents(*info);
        state.ResumeTiming();
        info->Reset();
    }
    if (ListedEvents(*info) != 0) state.SkipWithError("lists not empty");
    state.counters["events_cleared"] = cleared;
}

void BM_ResetEmpty(benchmark::State& state) {
    auto info = std::make_unique<ComposeInformation>();
    for (auto _ : state) {
        info->Reset();
        benchmark::ClobberMemory();
    }
    if (ListedEvents(*info) != 0) state.SkipWithError("lists not empty");
}

double ResidentMegabytes() {
    long pages = 0, resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
    std::fclose(f);
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Resident memory a fresh compose information adds, against what its slots
// would hold if every one of them were touched.
void PrintComposeInfoMemory() {
    const double before = ResidentMegabytes();
    auto* info = new ComposeInformation();
    const double after = ResidentMegabytes();
    const int lists = 3 * kMaxBlocks + 3;
    const double allSlots = lists * kNoteListCapacity * sizeof(NoteEvent*) / 1e6;
    std::printf(
        "ComposeInformation: %.2f MB resident after construction (process %.2f MB); "
        "its %d lists hold %.1f MB of slots if touched\n",
        after - before, after, lists, allSlots);
    delete info;
}

}  // namespace

BENCHMARK(BM_ChordScaleWeights_Index);
BENCHMARK(BM_ChordScaleWeights_TextScan);
BENCHMARK(BM_ChordRecordConstruction);
// Arguments: events in each joined list, events in each block's chord list.
BENCHMARK(BM_ResetAfterComposition)
    ->Args({2000, 16})
    ->Args({kNoteListCapacity - 1, 64})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResetEmpty)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    PrintComposeInfoMemory();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::BaselineRatioReporter reporter(
        {{"BM_ChordScaleWeights_Index", "BM_ChordScaleWeights_TextScan"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
