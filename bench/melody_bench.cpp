// Melody parts: the note length and the table-driven note choice per note,
// the clash removal on a 40-bar, two-part tune, and the part effects per
// effect value on a 40-bar melody (value 0, no effect, is the baseline of
// the copy every run starts from).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "baseline_ratio.h"
#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "compose/clash_removal.h"
#include "compose/composer_state.h"
#include "compose/melody_rhythm.h"
#include "compose/note_choice.h"
#include "compose/part_effects.h"
#include "compose/part_track.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "platform/message_sink.h"
#include "style/music_style.h"
#include "style/style_table.h"

namespace {

constexpr int kBars = 40;
constexpr int kBar = 384;

void SetUpStyle(int noteLength) {
    InitMusicStyle(WorkingStyle);
    WorkingStyle.scale = 1;
    WorkingStyle.key = 1;
    WorkingStyle.keyOffset = 0;
    WorkingStyle.basicBeat = 0;
    for (MelodySettings& m : WorkingStyle.melody) {
        m.noteLength = noteLength;
        m.lowerLimit = 60;
        m.upperLimit = 84;
        m.ornament = 0;
        m.effect = 0;
    }
    ResetComposerState();
    SeedRandomWith(11);
}

HarmonyStructureEntry Entry(const char* code, int length) {
    HarmonyStructureEntry e{};
    e.lengthHigh = static_cast<std::uint8_t>(length >> 8);
    e.lengthLow = static_cast<std::uint8_t>(length & 0xFF);
    for (int i = 0; i < 4; ++i)
        e.chord.text[i] = code[i];
    return e;
}

// Walks chords of one bar, as the melody writer does; the ticks walked.
long long WalkBars(int bars, std::vector<int>* lengths) {
    long long ticks = 0;
    int previousClass = 0;
    for (int bar = 0; bar < bars; ++bar) {
        for (int p = 0; p < kBar;) {
            int length = NextNoteLength(kPartMelody, p, kBar, kBar, previousClass);
            length = std::min(length, kBar - p);
            if (lengths) lengths->push_back(length);
            previousClass = length / 24;
            p += length;
            ticks += length;
        }
    }
    return ticks;
}

// Arguments: the note-length style.
void BM_NextNoteLength(benchmark::State& state) {
    SetUpStyle(static_cast<int>(state.range(0)));
    long long notes = 0, ticks = 0, bars = 0;
    std::vector<int> lengths;
    for (auto _ : state) {
        lengths.clear();
        ticks += WalkBars(kBars, &lengths);
        notes += static_cast<long long>(lengths.size());
        bars += kBars;
    }
    if (ticks != bars * kBar) state.SkipWithError("the lengths did not fill the bars");
    state.SetItemsProcessed(notes);
    state.counters["ns/note"] = benchmark::Counter(
        static_cast<double>(notes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_NoteChoiceFive(benchmark::State& state) {
    SetUpStyle(1);
    const char* codes[] = {"CMPS", "AmPs", "FMPS", "GMPs"};
    std::vector<ChordRecord> chords;
    std::vector<ScaleString> weights(4);
    for (int i = 0; i < 4; ++i) {
        chords.emplace_back(Entry(codes[i], kBar), nullptr);
        GetChordScaleWeights(codes[i], weights[static_cast<std::size_t>(i)]);
    }
    static constexpr int kLengths[] = {96, 48, 48, 96, 24, 72};
    long long notes = 0, sounding = 0;
    int previous = 0, before = 0, previousClass = 0, k = 0, chord = 0, p = 0;
    for (auto _ : state) {
        const int length = std::min(kLengths[k++ % 6], kBar - p);
        const auto c = static_cast<std::size_t>(chord);
        int pitch = NoteChoiceFive(previous, weights[c], length, p, chords[c], previousClass,
                                   before, kBar, kPartMelody);
        sounding += pitch > 0;
        if (pitch != previous) {
            before = previous;
            previous = pitch;
        }
        previousClass = length / 24;
        p += length;
        if (p >= kBar) {
            p = 0;
            chord = (chord + 1) % 4;
        }
        ++notes;
    }
    if (sounding == 0) state.SkipWithError("no note sounded");
    state.SetItemsProcessed(notes);
}

// A 40-bar melody in eighths and quarters on channel 0 and a second part in
// quarters on channel 1, as notes with length.
std::unique_ptr<MidiF0Data> TwoPartTune() {
    SetUpStyle(1);
    MidiTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    long long last = 0;
    for (long long t = 0; t < kBars * kBar; t += 48) {
        track.AddNote(0, static_cast<int>(t - last), RandomInRange(60, 84), 90,
                      RandomInRange(1, 2) * 45);
        last = t;
        if (t % 96 == 0) track.AddNote(1, 0, RandomInRange(55, 79), 80, 90);
    }
    track.AppendEndOfTrackAt(96);
    return std::make_unique<MidiF0Data>(track, 96);
}

int CountNotes(const MidiF0Data& tune) {
    return tune.Track()->CountNotes();
}

void BM_RemoveClashes(benchmark::State& state) {
    const auto source = TwoPartTune();
    const int before = CountNotes(*source);
    int after = before;
    for (auto _ : state) {
        state.PauseTiming();
        MidiF0Data tune(*source);
        state.ResumeTiming();
        RemoveClashes(tune, 0, 1);
        after = CountNotes(tune);
    }
    if (after >= before || after == 0) state.SkipWithError("no clash was removed");
    state.counters["notes"] = before;
    state.counters["removed"] = before - after;
}

void CopyTrack(PartTrack& out, const PartTrack& in) {
    for (int i = 0; i < in.EventCount(); ++i)
        out.AppendEvent(new MidiEvent(*in.Event(i)));
}

// A 40-bar melody from the rhythm and the note choice, on a bendable voice,
// closed as the part writer closes it.
std::unique_ptr<PartTrack> Melody() {
    SetUpStyle(1);
    auto track = std::make_unique<PartTrack>();
    track->AddProgramChange(0, 40);
    ChordRecord chord(Entry("CMPS", kBar), nullptr);
    ScaleString weights;
    GetChordScaleWeights("CMPS", weights);
    std::vector<int> lengths;
    WalkBars(kBars, &lengths);
    int previous = 0, before = 0, delta = 0, previousClass = 0, p = 0;
    for (int length : lengths) {
        int pitch = NoteChoiceFive(previous, weights, length, p % kBar, chord, previousClass,
                                   before, kBar, kPartMelody);
        track->AddNoteEvent(0, delta, pitch, 64, length - 3);
        before = previous;
        previous = pitch;
        previousClass = length / 24;
        delta = length;
        p += length;
    }
    PadTrackEnd(*track);
    return track;
}

// Arguments: the effect value (8, 9 and 12 are the melody's special effects).
void BM_ApplyPartEffects(benchmark::State& state) {
    platform::SetMessageSink(std::make_shared<platform::RecordingMessageSink>());
    const auto source = Melody();
    const int value = static_cast<int>(state.range(0));
    int events = 0;
    for (auto _ : state) {
        state.PauseTiming();
        WorkingStyle.melody[kPartMelody].effect = value;
        PartTrack track;
        CopyTrack(track, *source);
        state.ResumeTiming();
        ApplyPartEffects(track, kPartKindMelody);
        events = track.EventCount();
    }
    if (value != 0 && events == source->EventCount()) state.SkipWithError("the effect did nothing");
    state.counters["events"] = source->EventCount();
    state.counters["after"] = events;
    platform::SetMessageSink(nullptr);
}

}  // namespace

BENCHMARK(BM_NextNoteLength)->Arg(1)->Arg(7)->Arg(8)->Arg(9)->Arg(10);
BENCHMARK(BM_NoteChoiceFive);
BENCHMARK(BM_RemoveClashes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyPartEffects)
    ->Arg(0)
    ->Arg(5)
    ->Arg(8)
    ->Arg(9)
    ->Arg(10)
    ->Arg(12)
    ->Arg(13)
    ->Arg(17)
    ->Arg(18)
    ->Arg(19)
    ->Arg(20)
    ->Arg(21)
    ->Arg(22)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv,
                                        {{"BM_ApplyPartEffects", "BM_ApplyPartEffects/0"}});
}
