// MFi throughput on a 20,000-byte sixteen-channel song: the single-track
// type 4 and the 64-voice multi-track type 32 written from the ringtone
// model and read back into it, beside the MIDI file loader reading the same
// song (the baseline of the same run).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "convert/multi_mobile_track_data.h"
#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/multi_mfi_data.h"
#include "midi/file_loader.h"
#include "platform/clock.h"
#include "platform/message_sink.h"

namespace {

constexpr std::size_t kSongBytes = 20000;
constexpr int kChannels = 16;

// One chunk per channel, monophonic notes of a quarter at 96 per quarter,
// a tempo at the start of the first.
std::vector<std::uint8_t> MakeSong(long long* notes) {
    std::vector<std::uint8_t> f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, kChannels, 0, 96};
    const std::size_t perChunk = (kSongBytes - f.size()) / kChannels;
    for (int ch = 0; ch < kChannels; ++ch) {
        std::vector<std::uint8_t> c = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
        if (ch == 0) c.insert(c.end(), {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
        const auto s = static_cast<std::uint8_t>(ch);
        c.insert(c.end(), {0x00, static_cast<std::uint8_t>(0xC0 | s), static_cast<std::uint8_t>(ch * 7)});
        c.insert(c.end(), {0x00, static_cast<std::uint8_t>(0xB0 | s), 7, 100});
        for (int i = 0; c.size() + 12 < perChunk; ++i) {
            const auto key = static_cast<std::uint8_t>(40 + (i * 7 + ch) % 40);
            c.insert(c.end(), {0x00, static_cast<std::uint8_t>(0x90 | s), key, 100});
            c.insert(c.end(), {0x60, static_cast<std::uint8_t>(0x80 | s), key, 0x40});
            ++*notes;
        }
        c.insert(c.end(), {0x00, 0xFF, 0x2F, 0x00});
        WriteBigEndian32(c.data() + 4, static_cast<std::uint32_t>(c.size() - 8));
        f.insert(f.end(), c.begin(), c.end());
    }
    return f;
}

struct Song {
    long long notes = 0;
    std::vector<std::uint8_t> bytes;
    MidiFileLoader loader;
    Song() {
        // The boxes of the conversion (none expected) are recorded, not shown.
        platform::SetMessageSink(std::make_shared<platform::RecordingMessageSink>());
        platform::SetClock(std::make_shared<platform::FakeClock>());
        bytes = MakeSong(&notes);
        loader.LoadImage(bytes.data(), bytes.size());
    }
};

Song& TheSong() {
    static Song song;
    return song;
}

long long CountNotes(const MobileData& model) {
    long long n = 0;
    for (int i = 0; i < model.Count(); ++i)
        for (int k = 0; k < model.Slot(i)->Count(); ++k)
            n += model.Slot(i)->Event(k)->kind == mobile_kind::kNote;
    return n;
}

void BM_MidiFileLoader(benchmark::State& state) {
    Song& song = TheSong();
    for (auto _ : state) {
        MidiFileLoader loader;
        loader.LoadImage(song.bytes.data(), song.bytes.size());
        benchmark::DoNotOptimize(loader.Tune1());
    }
    state.counters["file_bytes"] = static_cast<double>(song.bytes.size());
}

void BM_MfiType4WriteRead(benchmark::State& state) {
    Song& song = TheSong();
    // As the driver does: the first sixteen slots (the drum channel makes a
    // slot per drum note) take part.
    MobileData model(*song.loader.Tune1(), kMusicDataCapacity);
    model.KeepFirstEnabledSlots(MobileData::kMaxPlayedSlots, 0);
    long long written = 0;
    for (int i = 0; i < model.Count(); ++i)
        if (model.Slot(i)->enabled)
            for (int k = 0; k < model.Slot(i)->Count(); ++k)
                written += model.Slot(i)->Event(k)->kind == mobile_kind::kNote;
    long long read = 0;
    int bytes = 0;
    for (auto _ : state) {
        MFiData mfi(model, mfi_voice::kMelo4);
        mfi.EnsureMasterVolume();
        mfi.SplitLongDeltas();
        mfi.Serialise(0);
        MFiData back(mfi.Data(), mfi.Length());
        MobileData out(kMusicDataCapacity);
        back.ToMobileData(out);
        read = CountNotes(out);
        bytes = mfi.Length();
    }
    if (read != written) state.SkipWithError("the type-4 round trip lost notes");
    state.counters["notes"] = static_cast<double>(read);
    state.counters["mfi_bytes"] = bytes;
}

void BM_MfiType32WriteRead(benchmark::State& state) {
    Song& song = TheSong();
    MultiMobileTrackData model(*song.loader.Tune1());
    long long read = 0;
    int bytes = 0;
    for (auto _ : state) {
        MultiMFiData mfi(model, mfi_voice::kMulti32);
        mfi.ArrangeForTerminal(0);
        mfi.SplitLongDeltas();
        mfi.Serialise(0);
        MultiMFiData back(mfi.Data(), mfi.Length(), mfi_voice::kMulti32);
        MultiMobileTrackData out;
        back.ToMultiMobileTrackData(out);
        read = CountNotes(out);
        bytes = mfi.Length();
    }
    if (read != song.notes) state.SkipWithError("the type-32 round trip lost notes");
    state.counters["notes"] = static_cast<double>(read);
    state.counters["mfi_bytes"] = bytes;
}

}  // namespace

BENCHMARK(BM_MidiFileLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MfiType4WriteRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MfiType32WriteRead)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
