// Track model throughput: making events the way the file reader does, note
// mode conversions and merges.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "midi/track_data.h"
#include "platform/message_sink.h"

namespace {

constexpr int kNotes = 60000;

void FillTrack(MidiTrackData& track, int notes, int channel) {
    track.SetNoteMode(note_mode::kLength);
    for (int i = 0; i < notes; ++i)
        track.AddNote(channel, i % 3 == 0 ? 0 : 24, 40 + i % 40, 100, 48 + i % 5);
    track.AppendEndOfTrack();
}

// What the reader does per channel message: a new event with its bytes,
// appended; 3.3 file bytes per event is a typical note stream.
void BM_MakeChannelEvents(benchmark::State& state) {
    const std::uint8_t bytes[3] = {0x90, 60, 100};
    for (auto _ : state) {
        state.PauseTiming();
        auto track = std::make_unique<MidiTrackData>(note_mode::kNoteOnOff, kMusicDataCapacity);
        state.ResumeTiming();
        for (int i = 0; i < 2 * kNotes; ++i) {
            auto* e = new MidiEvent(i & 1);
            e->kind = event_kind::kNoteOn;
            e->channel = 0;
            e->note = 60;
            e->velocity = 100;
            e->SetData(bytes, 3);
            track->AppendEvent(e);
        }
        benchmark::DoNotOptimize(track->EventCount());
        state.PauseTiming();
        track.reset();  // freeing is not part of reading
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 2 * kNotes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2 * kNotes * 3.3));
}
BENCHMARK(BM_MakeChannelEvents)->Unit(benchmark::kMillisecond);

void BM_ConvertRoundTrip(benchmark::State& state) {
    MidiTrackData track;
    FillTrack(track, kNotes, 0);
    for (auto _ : state) {
        track.ConvertToNoteOnOff();
        track.ConvertToNoteLength();
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_ConvertRoundTrip)->Unit(benchmark::kMillisecond);

void BM_MergeSixteenTracks(benchmark::State& state) {
    std::vector<std::unique_ptr<MidiTrackData>> tracks;
    std::vector<MidiTrackData*> pointers;
    for (int ch = 0; ch < 16; ++ch) {
        tracks.push_back(std::make_unique<MidiTrackData>());
        FillTrack(*tracks.back(), kNotes / 16, ch);
        pointers.push_back(tracks.back().get());
    }
    for (auto _ : state) {
        MidiTrackData merged;
        merged.MergeTracks(pointers.data(), 16);
        benchmark::DoNotOptimize(merged.EventCount());
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_MergeSixteenTracks)->Unit(benchmark::kMillisecond);

void BM_FixDuplicateNotes(benchmark::State& state) {
    MidiTrackData track;
    FillTrack(track, kNotes, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(track.FixDuplicateNotes(1));
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_FixDuplicateNotes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Boxes from the operations are counted, not shown.
    platform::SetMessageSink(std::make_shared<platform::RecordingMessageSink>());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
