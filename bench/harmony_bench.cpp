// Harmony tracks: every built-in harmony type (1..61 but 48) over a 40-bar
// 4/4 tune of one chord a bar, straight and triplet, in microseconds per
// track; and the whole accompaniment of that tune (bass, harmony,
// sub-harmony, drums and environmental sound) as the composer builds it,
// with a goal of under 5 ms. Each run checks its tracks were built and
// closed; the baseline is a harmony track with its channel set up and
// closed but no pattern.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "accomp/bass_track.h"
#include "accomp/drum_track.h"
#include "accomp/harmony_track.h"
#include "baseline_ratio.h"
#include "compose/compose_info.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kBars = 40;

// Forty one-bar chords in ComposeInfo, with block labels of eight bars.
void FortyBarTune() {
    static const char* const kCodes[] = {"CMPS", "AmPs", "FMPd", "GMPs"};
    ComposeInfo.ClearChords();
    ComposeInfo.labels.Clear();
    for (int bar = 0; bar < kBars; ++bar) {
        HarmonyStructureEntry entry{};
        entry.lengthHigh = 384 >> 8;
        entry.lengthLow = 384 & 0xFF;
        entry.chord.Set(kCodes[bar % 4]);
        ComposeInfo.AddChord(entry, 0);
        const char label[4] = {static_cast<char>('A' + bar / 8 % 4), bar % 8 == 7 ? 'E' : 'X', 'X',
                               'X'};
        ComposeInfo.labels.AppendLabel(384, label);
    }
}

void SetUpStyle(int beat) {
    InitMusicStyle(WorkingStyle);
    WorkingStyle.basicBeat = beat;
    WorkingStyle.timeSignature = kMetre44;
    WorkingStyle.voice[kPartBass] = 33;
    WorkingStyle.voice[kPartHarmony] = 24;
    WorkingStyle.voice[kPartSubHarmony] = 48;
    WorkingStyle.voice[kPartDrum] = kElectricSet;
    WorkingStyle.voice[kPartEnvironment] = kSeashore;
    WorkingStyle.mix[kPartHarmony].delay = 0;
    WorkingStyle.rhythmPattern = 2;
    WorkingStyle.bassPattern = 1;
    WorkingStyle.density[kPartDrum] = 100;
    AppSettings.StartAt2ndBar = 0;
    FortyBarTune();
}

// One harmony track of a type as the composer builds it.
void BM_HarmonyTrack(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const int beat = static_cast<int>(state.range(1));
    SeedRandomWith(1);
    SetUpStyle(beat);
    WorkingStyle.harmonyPattern = type;
    WorkingStyle.density[kPartHarmony] = 100;
    const NoteList melody;
    for (auto _ : state) {
        std::vector<ComposeTrackData*> tracks;
        int count = 0;
        BuildHarmonyTrack(count, tracks, melody);
        if (count != 1 || !tracks[0]->LastEvent() || !tracks[0]->LastEvent()->IsEndOfTrack())
            state.SkipWithError("the harmony track was not built and closed");
        benchmark::DoNotOptimize(tracks[0]->EventCount());
        for (ComposeTrackData* t : tracks)
            delete t;
    }
    state.SetLabel(std::string(beat == kTripletBeat ? "triplet" : "straight"));
}

// The baseline: the harmony part's set-up and end, without a pattern.
void BM_HarmonyFrameOnly(benchmark::State& state) {
    SetUpStyle(0);
    for (auto _ : state) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        SetupChannel(track, kHarmonyChannel, 24, WorkingStyle.mix[kPartHarmony], 0);
        PadTrackEnd(track);
        benchmark::DoNotOptimize(track.EventCount());
    }
}

// The whole accompaniment of the tune: bass, harmony, sub-harmony, drums and
// the environmental sound.
void BM_WholeAccompaniment(benchmark::State& state) {
    SeedRandomWith(1);
    SetUpStyle(0);
    WorkingStyle.harmonyPattern = static_cast<int>(state.range(0));
    WorkingStyle.subHarmonyPattern = static_cast<int>(state.range(1));
    WorkingStyle.density[kPartHarmony] = 100;
    WorkingStyle.density[kPartSubHarmony] = 100;
    const NoteList melody;
    for (auto _ : state) {
        std::vector<ComposeTrackData*> tracks;
        int count = 0;
        BuildBassTrack(tracks, count);
        BuildHarmonyTrack(count, tracks, melody);
        BuildSubHarmonyTrack(count, tracks, melody);
        BuildDrumTrack(tracks, count);
        BuildEnvironmentTrack(count, tracks);
        if (count != 5 || static_cast<int>(tracks.size()) != 5)
            state.SkipWithError("the accompaniment lacks a track");
        long long notes = 0;
        for (ComposeTrackData* t : tracks)
            notes += t->CountNotes();
        if (notes < kBars * 4) state.SkipWithError("the accompaniment is nearly silent");
        benchmark::DoNotOptimize(notes);
        for (ComposeTrackData* t : tracks)
            delete t;
    }
}

void EveryType(benchmark::internal::Benchmark* b) {
    for (int type = 1; type <= kHarmonyTypeCount; ++type) {
        if (type == 48) continue;
        b->Args({type, 0});
        b->Args({type, kTripletBeat});
    }
}

BENCHMARK(BM_HarmonyFrameOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HarmonyTrack)->Apply(EveryType)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeAccompaniment)
    ->Args({1, 3})
    ->Args({2, 8})
    ->Args({4, 34})
    ->Args({12, 25})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv, {{"BM_HarmonyTrack", "BM_HarmonyFrameOnly"}});
}
