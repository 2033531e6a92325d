// Melody pitch generation and the part-track writers: one block's melody per
// algorithm 1-7, the pink-noise step sequence from the sine table (against
// the direct sum of 250000 sines as the baseline of the same run), a 40-bar
// melody through RenderPartTrack, and the header track of 100 chords.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "baseline_ratio.h"
#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "compose/melody_pitch.h"
#include "compose/part_effects.h"
#include "compose/part_writer.h"
#include "compose/tune_header.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "platform/message_sink.h"
#include "style/music_style.h"
#include "style/style_table.h"

namespace {

class SilentSink : public platform::MessageSink {
public:
    int Show(platform::BoxKind, const std::string&) override { return platform::kIdOk; }
};

void SetUpStyle(int algorithm) {
    static const bool once = [] {
        platform::SetMessageSink(std::make_shared<SilentSink>());
        BuildChordCodeTable();
        return true;
    }();
    (void)once;
    InitMusicStyle(WorkingStyle);
    WorkingStyle.scale = 1;
    WorkingStyle.key = 1;
    WorkingStyle.keyOffset = 0;
    WorkingStyle.basicBeat = 0;
    for (MelodySettings& m : WorkingStyle.melody) {
        m = MelodySettings{};
        m.noteLength = 3;
        m.lowerLimit = 55;
        m.upperLimit = 84;
        m.algorithm = algorithm;
        m.dissonance = 4;
    }
    ResetComposerState();
}

void FillChords(NoteList& chords, int bars) {
    static constexpr const char* kCodes[4] = {"CMPS", "AmPs", "FMPS", "GMPs"};
    chords.Clear();
    for (int i = 0; i < bars; ++i) {
        HarmonyStructureEntry e{};
        e.lengthHigh = 1;
        e.lengthLow = 128;  // 384
        e.chord.Set(kCodes[i % 4]);
        ChordRecord chord(e, "00");
        chords.AppendChord(&chord);
    }
}

int CountNotes(const NoteList& list) {
    int n = 0;
    for (int i = 0; i < list.Count(); ++i)
        n += list.Event(i)->kind == note_kind::kNote;
    return n;
}

void BM_BlockMelody(benchmark::State& state) {
    const int algorithm = static_cast<int>(state.range(0));
    SetUpStyle(algorithm);
    SeedRandomWith(11);
    NoteList chords, out;
    FillChords(chords, 4);
    long notes = 0;
    for (auto _ : state) {
        GenerateMelodyPart(kPartMelody, chords, out);
        notes += CountNotes(out);
    }
    if (notes < state.iterations() * 4) state.SkipWithError("the block was not written");
    state.counters["notes/block"] = static_cast<double>(notes) / state.iterations();
}
BENCHMARK(BM_BlockMelody)->DenseRange(1, 7)->Unit(benchmark::kMicrosecond);

void BM_BuildStepSequence(benchmark::State& state) {
    SetUpStyle(3);
    SeedRandomWith(5);
    StepSequence sequence{};
    long nonZero = 0;
    for (auto _ : state) {
        BuildStepSequence(sequence);
        for (int v : sequence)
            nonZero += v != 0;
    }
    if (nonZero == 0) state.SkipWithError("no steps");
}
BENCHMARK(BM_BuildStepSequence)->Unit(benchmark::kMicrosecond);

// Baseline: the same values from 250000 calls of the sine.
void BM_StepSequenceDirectSines(benchmark::State& state) {
    SeedRandomWith(5);
    StepSequence sequence{};
    long nonZero = 0;
    for (auto _ : state) {
        double phase[501];
        for (int k = 1; k <= 500; ++k)
            phase[k] = 2.0 * std::numbers::pi * RandomInRange(0, 10000) / 10000.0;
        for (int j = 0; j < 500; ++j) {
            double sum = 0;
            for (int k = 1; k <= 500; ++k)
                sum += std::sin(k * j * 2.0 * std::numbers::pi / 500 - phase[k]) / std::sqrt(k);
            sequence[j] = std::clamp(static_cast<int>(std::lround(sum)), -10, 10);
        }
        for (int v : sequence)
            nonZero += v != 0;
    }
    if (nonZero == 0) state.SkipWithError("no steps");
}
BENCHMARK(BM_StepSequenceDirectSines)->Unit(benchmark::kMicrosecond);

void BM_RenderPartTrack40Bars(benchmark::State& state) {
    SetUpStyle(6);
    AppSettings.StartAt2ndBar = 1;
    WorkingStyle.melody[kPartMelody].ornament = static_cast<int>(state.range(0));
    SeedRandomWith(3);
    NoteList chords, melody;
    FillChords(chords, 40);
    GenerateMelodyPart(kPartMelody, chords, melody);
    long events = 0;
    for (auto _ : state) {
        state.PauseTiming();
        NoteList copy;
        copy.CopyFrom(melody);
        state.ResumeTiming();
        PartTrack track;
        RenderPartTrack(copy, track, kPartKindMelody);
        events += track.EventCount();
    }
    if (events < state.iterations() * 40) state.SkipWithError("the track was not written");
    state.counters["events"] = static_cast<double>(events) / state.iterations();
}
BENCHMARK(BM_RenderPartTrack40Bars)->Arg(0)->Arg(1)->Arg(15)->Unit(benchmark::kMicrosecond);

void BM_BuildHeaderTrack100Chords(benchmark::State& state) {
    SetUpStyle(6);
    AppSettings.WriteChords = 1;
    AppSettings.StartAt2ndBar = 1;
    ComposeInfo.Reset();
    ComposeInfo.ClearChords();
    static constexpr const char* kCodes[5] = {"CMPS", "AmPs", "FMPS", "GMPs", "bmds"};
    for (int i = 0; i < 100; ++i) {
        HarmonyStructureEntry e{};
        e.lengthHigh = 1;
        e.lengthLow = 128;
        e.chord.Set(kCodes[i % 5]);
        ComposeInfo.AddChord(e, i % 7 == 0 ? 4 : 0);
    }
    long markers = 0;
    for (auto _ : state) {
        TrackList tracks;
        int count = 0;
        BuildHeaderTrack(tracks, count);
        for (int i = 0; i < tracks[0]->EventCount(); ++i)
            markers += tracks[0]->Event(i)->IsMeta(meta_type::kMarker);
        delete tracks[0];
    }
    if (markers < state.iterations() * 100) state.SkipWithError("chords were not named");
}
BENCHMARK(BM_BuildHeaderTrack100Chords)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv,
                                        {{"BM_BuildStepSequence", "BM_StepSequenceDirectSines"}});
}
