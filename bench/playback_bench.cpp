// Timing accuracy of playback on the real clock: a dense tune of ten and a
// half seconds is played on a recording device, and each note message's time is
// compared with the time the tempo map gives it (from the note that came
// least late). Prints the lateness at the median, the 99th percentile and the
// worst, in microseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "midi/f0_data.h"
#include "platform/recording_midi_out.h"
#include "play/midi_player.h"

namespace {

using Kind = platform::RecordedMidiMessage::Kind;

constexpr int kDivision = 96;
constexpr int kStep = 12;  // a 32nd note
constexpr int kSteps = 12 * 16;

// Four voices on every 32nd note for 96 steps at 120 bpm, then 96 steps at
// 160 bpm (0.0625 s and 0.047 s a step: about 10.5 s in all), with
// overlapping lengths.
std::unique_ptr<MidiF0Data> MakeDenseTune() {
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, kDivision);
    MidiTrackData* track = song->Track();
    track->AppendTempo(500000);
    for (int ch = 0; ch < 4; ++ch)
        track->AddProgramChange(ch, ch * 8);
    for (int step = 0; step < kSteps; ++step) {
        if (step == kSteps / 2) {
            MidiEvent* tempo = track->AppendTempo(375000);
            tempo->delta = kStep;
        }
        for (int ch = 0; ch < 4; ++ch) {
            int delta = ch == 0 && step > 0 && step != kSteps / 2 ? kStep : 0;
            track->AddNote(ch, delta, 48 + ch * 7 + step % 12, 90, kStep * (1 + ch % 2));
        }
    }
    track->AppendEndOfTrackAt(0);
    song->ConvertToNoteOnOff();
    return song;
}

// Tempo-map times in nanoseconds of the note events, in track order.
std::vector<double> ExpectedNoteTimes(const MidiF0Data& song) {
    std::vector<double> out;
    const MidiTrackData* track = song.Track();
    double t = 0;
    int bpm = 120;
    for (int i = 0; i < track->EventCount(); ++i) {
        const MidiEvent* e = track->Event(i);
        t += e->delta * 60e9 / (static_cast<double>(kDivision) * bpm);
        if (e->IsMeta(meta_type::kTempo)) bpm = 60000 / (e->value / 1000);
        if (e->kind == event_kind::kNoteOn || e->kind == event_kind::kNoteOff) out.push_back(t);
    }
    return out;
}

struct Lateness {
    double p50, p99, max;
    double seconds;
};

template <typename Play>
Lateness Measure(Play play) {
    auto recorder = std::make_shared<platform::RecordingMidiOut>();
    auto previous = platform::SetMidiOutSystem(recorder);
    auto song = MakeDenseTune();
    std::vector<double> expected = ExpectedNoteTimes(*song);
    play(song.get());
    platform::SetMidiOutSystem(previous);

    std::vector<double> actual;
    for (const auto& m : recorder->Messages(Kind::Short)) {
        int kind = m.bytes[0] & 0xF0;
        if (kind == 0x80 || kind == 0x90) actual.push_back(static_cast<double>(m.time.count()));
    }
    // The origin is the note that came least late, so every lateness is
    // measured from the earliest instant the tune could have started.
    std::size_t n = std::min(actual.size(), expected.size());
    double origin = 0;
    for (std::size_t i = 0; i < n; ++i)
        origin = i == 0 ? actual[i] - expected[i] : std::min(origin, actual[i] - expected[i]);
    std::vector<double> late;
    for (std::size_t i = 0; i < n; ++i)
        late.push_back((actual[i] - expected[i] - origin) / 1000.0);
    std::sort(late.begin(), late.end());
    Lateness out{};
    if (late.empty()) return out;
    out.p50 = late[late.size() / 2];
    out.p99 = late[std::min(late.size() - 1, late.size() * 99 / 100)];
    out.max = late.back();
    out.seconds = (expected.back() - expected.front()) / 1e9;
    return out;
}

void Report(benchmark::State& state, const char* name, const Lateness& l) {
    state.counters["p50_us"] = l.p50;
    state.counters["p99_us"] = l.p99;
    state.counters["max_us"] = l.max;
    std::printf("%s: %.1f s of notes, lateness p50 %.0f us, p99 %.0f us, max %.0f us\n", name,
                l.seconds, l.p50, l.p99, l.max);
}

void WaitForEnd() {
    while (PlayerPlaying.load() != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void BM_PlainPlayerLateness(benchmark::State& state) {
    for (auto _ : state) {
        Lateness l = Measure([](MidiF0Data* song) {
            MidiPlayer player(song, platform::kMidiMapper);
            WaitForEnd();
        });
        Report(state, "MidiPlayer", l);
    }
}
BENCHMARK(BM_PlainPlayerLateness)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int CountEvent(int, long long, MidiEvent*) {
    return 0;
}

void BM_CallBackPlayerLateness(benchmark::State& state) {
    for (auto _ : state) {
        Lateness l = Measure([](MidiF0Data* song) {
            CallBackPlayer player(song, platform::kMidiMapper, CountEvent, 0, 0, -1);
            WaitForEnd();
        });
        Report(state, "CallBackPlayer", l);
    }
}
BENCHMARK(BM_CallBackPlayerLateness)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
