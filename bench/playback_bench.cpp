// Timing accuracy of playback on the real clock, by the program's own road:
// a tune of some 2300 distinct instants, with tempo changes inside beats, is
// played through its play thread and TheMusicPlayer (as a play copy on the
// plain player, and with an event callback on the callback player) onto a
// recording device. Every message must arrive once and in order; each note
// message's time is compared with the time the tempo map gives it, from the
// one that came least late (the events before the first note are sent at
// once, before the timers start, and are not timed). Beside each player, a bare loop sleeping to
// the same instants on absolute deadlines (clock_nanosleep, TIMER_ABSTIME, CLOCK_MONOTONIC) at the
// timer thread's scheduling shows what the machine allows in the same run. Prints the lateness at
// the median, the 99th percentile and the worst, in microseconds.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "midi/f0_data.h"
#include "platform/recording_midi_out.h"
#include "platform/timer.h"
#include "play/music_player.h"

namespace {

using Kind = platform::RecordedMidiMessage::Kind;
using Bytes = std::vector<std::uint8_t>;

constexpr int kDivision = 96;
constexpr int kNoteInstants = 1400;
constexpr int kInstantsPerTempo = 37;
// Microseconds per quarter note, few of them whole bpm.
constexpr int kTempos[] = {250000, 230769, 272727, 208333, 312500, 241000, 199999};
constexpr int kTemposCount = sizeof kTempos / sizeof kTempos[0];
constexpr int kMinDistinctInstants = 2000;

// Four channels of short notes 1 to 3 ticks apart (2.1 ms to 9.8 ms), the
// tempo changing every 37 note instants, wherever in the beat that falls.
std::unique_ptr<MidiF0Data> MakeTune() {
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, kDivision);
    MidiTrackData* track = song->Track();
    track->AppendTempo(kTempos[0]);
    for (int ch = 0; ch < 4; ++ch)
        track->AddProgramChange(ch, ch * 8);
    int delta = 0;
    for (int i = 0; i < kNoteInstants; ++i) {
        if (i > 0 && i % kInstantsPerTempo == 0) {
            MidiEvent* tempo = track->AppendTempo(kTempos[(i / kInstantsPerTempo) % kTemposCount]);
            tempo->delta = delta;
            delta = 0;
        }
        const int ch = i % 4;
        track->AddNote(ch, delta, 48 + (i * 5) % 36, 90, 1 + (i * 7) % 5);
        if (i % 3 == 0) track->AddNote((ch + 2) % 4, 0, 60 + (i * 11) % 24, 70, 2 + i % 4);
        delta = 1 + (i * 7) % 3;
    }
    track->AppendEndOfTrackAt(0);
    return song;
}

// The short messages a tune in note-on/off form sends, with their times in
// nanoseconds by its tempo map (microseconds per quarter times ticks, exact).
struct Expected {
    std::vector<Bytes> messages;
    std::vector<long long> times;
    std::vector<long long> noteTimes;  // of the note messages only
    int tempoChangesInsideBeats = 0;
};

bool IsNoteMessage(const Bytes& bytes) {
    const int kind = bytes[0] & 0xF0;
    return kind == 0x80 || kind == 0x90;
}

Expected ExpectedOf(const MidiF0Data& song) {
    Expected out;
    const MidiTrackData* track = song.Track();
    long long usTicks = 0;
    long long ticks = 0;
    long long tempo = 500000;
    for (int i = 0; i < track->EventCount(); ++i) {
        const MidiEvent* e = track->Event(i);
        usTicks += e->delta * tempo;
        ticks += e->delta;
        if (e->IsMeta(meta_type::kTempo)) {
            tempo = e->value;
            if (ticks % song.division != 0) ++out.tempoChangesInsideBeats;
        }
        Bytes bytes;
        const auto ch = static_cast<std::uint8_t>(e->channel);
        if (e->kind == event_kind::kNoteOn) {
            bytes = {static_cast<std::uint8_t>(0x90 | ch), static_cast<std::uint8_t>(e->note),
                     static_cast<std::uint8_t>(e->velocity)};
        } else if (e->kind == event_kind::kNoteOff) {
            bytes = {static_cast<std::uint8_t>(0x80 | ch), static_cast<std::uint8_t>(e->note), 0};
        } else if (e->kind == event_kind::kProgramChange) {
            bytes = {static_cast<std::uint8_t>(0xC0 | ch), static_cast<std::uint8_t>(e->value)};
        } else {
            continue;
        }
        const long long ns = usTicks * 1000 / song.division;
        if (IsNoteMessage(bytes)) out.noteTimes.push_back(ns);
        out.messages.push_back(bytes);
        out.times.push_back(ns);
    }
    return out;
}

struct Lateness {
    double p50 = 0, p99 = 0, max = 0;
};

// Lateness in microseconds of each actual time against its expected one,
// from the one that came least late.
Lateness LatenessOf(const std::vector<long long>& actual, const std::vector<long long>& expected) {
    std::vector<long long> offsets;
    for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i)
        offsets.push_back(actual[i] - expected[i]);
    Lateness out;
    if (offsets.empty()) return out;
    const long long origin = *std::min_element(offsets.begin(), offsets.end());
    std::vector<double> late;
    for (long long o : offsets)
        late.push_back(static_cast<double>(o - origin) / 1000.0);
    std::sort(late.begin(), late.end());
    out.p50 = late[late.size() / 2];
    out.p99 = late[std::min(late.size() - 1, late.size() * 99 / 100)];
    out.max = late.back();
    return out;
}

// Sleeps to origin + each instant on absolute deadlines, at the scheduling
// the timer thread asks for, and returns the times it woke.
std::vector<long long> BareSleepLoop(const std::vector<long long>& instants, bool* realTime) {
    std::vector<long long> woke;
    woke.reserve(instants.size());
    std::thread([&] {
        *realTime = platform::RequestRealTimeScheduling(platform::kTimerThreadPriority);
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long long origin = now.tv_sec * 1000000000LL + now.tv_nsec + 5000000;
        for (long long instant : instants) {
            const long long deadline = origin + instant;
            timespec ts;
            ts.tv_sec = static_cast<time_t>(deadline / 1000000000LL);
            ts.tv_nsec = static_cast<long>(deadline % 1000000000LL);
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
            }
            clock_gettime(CLOCK_MONOTONIC, &now);
            woke.push_back(now.tv_sec * 1000000000LL + now.tv_nsec - origin);
        }
    }).join();
    return woke;
}

void WaitForIdlePlayer() {
    while (TheMusicPlayer.idle.load() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

int CountEvent(int, long long, MidiEvent*) {
    return 0;
}

enum class Road { PlayCopy, WithEventCallback };

// Plays the tune by the road onto a recording device, checks that every
// message arrived once and in order, and reports the player's lateness
// beside the bare loop's.
void MeasureRoad(benchmark::State& state, Road road) {
    auto recorder = std::make_shared<platform::RecordingMidiOut>();
    auto previous = platform::SetMidiOutSystem(recorder);
    auto song = MakeTune();
    std::unique_ptr<MidiF0Data> own;  // the note-on/off tune of the callback road
    const MidiF0Data* played = nullptr;
    int started = 0;
    if (road == Road::PlayCopy) {
        started = song->PlayCopy(nullptr);
        WaitForIdlePlayer();
        played = song->PlayCopyData();
    } else {
        own = std::make_unique<MidiF0Data>(*song);
        own->ConvertToNoteOnOff();
        started = own->PlayWithOptions(nullptr, CountEvent, 0, 0);
        WaitForIdlePlayer();
        played = own.get();
    }
    platform::SetMidiOutSystem(previous);
    if (started != 1 || !played) {
        state.SkipWithError("the tune did not play");
        return;
    }

    const Expected expected = ExpectedOf(*played);
    std::vector<Bytes> arrived;
    std::vector<long long> noteTimes;
    for (const auto& m : recorder->Messages(Kind::Short)) {
        const int kind = m.bytes[0] & 0xF0;
        if (kind != 0x80 && kind != 0x90 && kind != 0xC0) continue;
        arrived.push_back(m.bytes);
        if (IsNoteMessage(m.bytes)) noteTimes.push_back(m.time.count());
    }
    if (arrived != expected.messages || recorder->Messages(Kind::Long).size() != 1) {
        state.SkipWithError("a message was lost, repeated or out of order");
        return;
    }
    const std::set<long long> distinct(expected.noteTimes.begin(), expected.noteTimes.end());
    if (static_cast<int>(distinct.size()) < kMinDistinctInstants ||
        expected.tempoChangesInsideBeats == 0) {
        state.SkipWithError("the tune has too few instants or no tempo change inside a beat");
        return;
    }

    // The bare loop sleeps to each instant once; its lateness is read the
    // same way.
    const std::vector<long long> instants(distinct.begin(), distinct.end());
    bool realTime = false;
    const std::vector<long long> woke = BareSleepLoop(instants, &realTime);
    const Lateness player = LatenessOf(noteTimes, expected.noteTimes);
    const Lateness bare = LatenessOf(woke, instants);

    state.counters["player_p50_us"] = player.p50;
    state.counters["player_p99_us"] = player.p99;
    state.counters["player_max_us"] = player.max;
    state.counters["bare_p50_us"] = bare.p50;
    state.counters["bare_p99_us"] = bare.p99;
    state.counters["bare_max_us"] = bare.max;
    const char* name = road == Road::PlayCopy ? "MidiPlayer (play copy)" : "CallBackPlayer";
    std::printf(
        "%s: %zu messages at %zu instants over %.1f s, %d tempo changes inside beats, "
        "real-time scheduling %s\n",
        name, arrived.size(), distinct.size(), static_cast<double>(expected.times.back()) / 1e9,
        expected.tempoChangesInsideBeats, realTime ? "granted" : "refused");
    std::printf("  player lateness   p50 %6.0f us  p99 %6.0f us  max %6.0f us\n", player.p50,
                player.p99, player.max);
    std::printf("  bare sleep loop   p50 %6.0f us  p99 %6.0f us  max %6.0f us\n", bare.p50,
                bare.p99, bare.max);
}

void BM_PlayCopyLateness(benchmark::State& state) {
    for (auto _ : state)
        MeasureRoad(state, Road::PlayCopy);
}
BENCHMARK(BM_PlayCopyLateness)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_CallBackPlayerLateness(benchmark::State& state) {
    for (auto _ : state)
        MeasureRoad(state, Road::WithEventCallback);
}
BENCHMARK(BM_CallBackPlayerLateness)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
