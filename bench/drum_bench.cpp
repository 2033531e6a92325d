// Drum tracks: each of the 39 styles over a 40-bar 4/4 label list (one
// chord per bar, blocks of eight bars, the closing entries), straight and
// triplet, in microseconds per track. The bass tracks of the 23 bass types
// and the custom harmony (type 47) run over the same 40 bars as chords. The goal is under 1 ms a
// track, which leaves the 20 ms of a whole tune its room. Each run checks it wrote notes up to the
// end of the label list.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>

#include "accomp/bass_track.h"
#include "accomp/drum_track.h"
#include "accomp/harmony_track.h"
#include "baseline_ratio.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

void FortyBars(NoteList& labels) {
    labels.Clear();
    for (int bar = 0; bar < 40; ++bar) {
        const char label[4] = {static_cast<char>('A' + bar / 8), bar % 8 == 7 ? 'E' : 'X', 'X',
                               'X'};
        labels.AppendLabel(384, label);
    }
    const char last[4] = {'E', 'E', 'X', 'X'};
    labels.AppendLabel(384, last);
    labels.AppendLabel(384, last);
}

void SetUpStyle(int style, int beat) {
    InitMusicStyle(WorkingStyle);
    WorkingStyle.rhythmPattern = style;
    WorkingStyle.basicBeat = beat;
    WorkingStyle.timeSignature = kMetre44;
    WorkingStyle.voice[kPartDrum] = kElectricSet;
    WorkingStyle.density[kPartDrum] = 100;
    GridPart& grid = WorkingStyle.customHarmony.grid[0][kGridDrum];
    for (int step = 0; step < kGridSteps; step += 2)
        grid.Cell(step % kGridRows, step) = 1;
    std::lock_guard<std::mutex> lock(CreatedDrumPatternsMutex());
    for (auto& row : CreatedDrumPatterns)
        for (int& k : row)
            k = RandomInRange(1, 50);
}

// One whole drum track as the composer builds it: frame, style, end.
void BM_DrumTrack(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    const int beat = static_cast<int>(state.range(1));
    SeedRandomWith(1);
    SetUpStyle(style, beat);
    FortyBars(ComposeInfo.labels);
    const long long tune = 42 * 384;
    for (auto _ : state) {
        std::vector<ComposeTrackData*> tracks;
        int count = 0;
        BuildDrumTrack(tracks, count);
        if (count != 1 || tracks[0]->GetTotalTicks() < tune - 384) {
            state.SkipWithError("the track does not reach the end of the tune");
        }
        benchmark::DoNotOptimize(tracks[0]->EventCount());
        for (ComposeTrackData* t : tracks)
            delete t;
    }
    state.SetLabel(std::string(beat == kTripletBeat ? "triplet" : "straight"));
}

// The baseline of the same run: a track with its channel set up and closed,
// without a style.
void BM_DrumTrackFrameOnly(benchmark::State& state) {
    SetUpStyle(2, 0);
    for (auto _ : state) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        SetupChannel(track, kDrumChannel, 0, WorkingStyle.mix[kPartDrum], 0);
        PadTrackEnd(track);
        benchmark::DoNotOptimize(track.EventCount());
    }
}

// Forty one-bar chords in ComposeInfo.
void FortyChords() {
    static const char* const kCodes[] = {"CMPS", "AmPs", "FMPd", "GMPs"};
    ComposeInfo.ClearChords();
    for (int bar = 0; bar < 40; ++bar) {
        HarmonyStructureEntry entry{};
        entry.lengthHigh = 384 >> 8;
        entry.lengthLow = 384 & 0xFF;
        entry.chord.Set(kCodes[bar % 4]);
        ComposeInfo.AddChord(entry, 0);
    }
}

// One whole bass track as the composer builds it.
void BM_BassTrack(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const int beat = static_cast<int>(state.range(1));
    SeedRandomWith(1);
    SetUpStyle(2, beat);
    WorkingStyle.voice[kPartBass] = 33;
    WorkingStyle.bassPattern = type;
    GridPart& grid = WorkingStyle.customHarmony.grid[0][kGridBass];
    for (int row = 0; row < kGridRows; ++row) {
        grid.pnInterval[row] = 7 + row;
        grid.Cell(row, row % kGridSteps) = 1;
    }
    FortyChords();
    for (auto _ : state) {
        std::vector<ComposeTrackData*> tracks;
        int count = 0;
        BuildBassTrack(tracks, count);
        if (count != 1 || tracks[0]->CountNotes() < 40) {
            state.SkipWithError("the bass track does not play every chord");
        }
        for (ComposeTrackData* t : tracks)
            delete t;
    }
    state.SetLabel(std::string(beat == kTripletBeat ? "triplet" : "straight"));
}

// The harmony track of the custom grid, every variant.
void BM_CustomHarmonyTrack(benchmark::State& state) {
    SeedRandomWith(1);
    SetUpStyle(2, 0);
    WorkingStyle.voice[kPartHarmony] = 24;
    WorkingStyle.mix[kPartHarmony].delay = 0;
    WorkingStyle.harmonyPattern = kHarmonyTypeCustom;
    CustomHarmonyBlock& block = WorkingStyle.customHarmony;
    block.useX[kGridHarmony] = static_cast<int>(state.range(0));
    for (GridPart& grid :
         {std::ref(block.grid[0][kGridHarmony]), std::ref(block.grid[1][kGridHarmony])}) {
        for (int row = 0; row < kGridRows; ++row) {
            grid.pnInterval[row] = 7 + row;
            for (int step = row % 3; step < kGridSteps; step += 3)
                grid.Cell(row, step) = 1;
        }
    }
    FortyChords();
    const NoteList melody;
    for (auto _ : state) {
        std::vector<ComposeTrackData*> tracks;
        int count = 0;
        BuildHarmonyTrack(count, tracks, melody);
        if (count != 1 || tracks[0]->CountNotes() < 40 * 16) {
            state.SkipWithError("the harmony track does not fill every step");
        }
        for (ComposeTrackData* t : tracks)
            delete t;
    }
}

BENCHMARK(BM_DrumTrackFrameOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrumTrack)
    ->ArgsProduct({benchmark::CreateDenseRange(1, kDrumStyleCount, 1), {0, kTripletBeat}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BassTrack)
    ->ArgsProduct({benchmark::CreateDenseRange(1, kBassTypeCount, 1), {0, kTripletBeat}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CustomHarmonyTrack)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv, {{"BM_DrumTrack", "BM_DrumTrackFrameOnly"}});
}
