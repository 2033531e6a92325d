// Ringtone conversion throughput on a 20,000-byte, 16-channel song: the
// single model's build and the slot passes a single-model driver runs, the
// multi-track model's build, range copy and voice count, each from the
// loaded tune, and the MFi files of types 4 and 32 written from the models
// and read back into them. Loading the same bytes is the baseline each road
// adds to.
#include <benchmark/benchmark.h>

#include <memory>

#include "baseline_ratio.h"
#include "bench/ringtone_song.h"
#include "convert/mobile_data.h"
#include "convert/multi_mobile_track_data.h"
#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/multi_mfi_data.h"
#include "convert/ringtone/smaf_data.h"
// MFM and MA-1.
#include "convert/ringtone/ma1_data.h"
#include "convert/ringtone/mfm_data.h"
#include "midi/file_loader.h"
#include "platform/message_sink.h"

namespace {

// Boxes the passes may show (drum range, tempo questions) go nowhere.
class DiscardingSink : public platform::MessageSink {
public:
    int Show(platform::BoxKind, const std::string&) override { return platform::kIdOk; }
};

void Quiet() {
    static const bool installed = [] {
        platform::SetMessageSink(std::make_shared<DiscardingSink>());
        return true;
    }();
    (void)installed;
}

const ringtone_bench::Song& TheSong() {
    static const ringtone_bench::Song song = ringtone_bench::MakeSong();
    return song;
}

std::unique_ptr<MidiFileLoader> Load(const ringtone_bench::Song& song) {
    auto loader = std::make_unique<MidiFileLoader>();
    loader->LoadImage(song.bytes.data(), song.bytes.size());
    return loader;
}

long long CountNotes(const MobileData& model) {
    long long notes = 0;
    for (int s = 0; s < model.Count(); ++s)
        for (int k = 0; k < model.Slot(s)->Count(); ++k)
            notes += model.Slot(s)->Event(k)->kind == mobile_kind::kNote;
    return notes;
}

void EnableFirst16(MobileData& model) {
    for (int s = 0; s < model.Count(); ++s)
        model.Slot(s)->enabled = s < 16;
}

void BM_LoadSong(benchmark::State& state) {
    Quiet();
    const auto& song = TheSong();
    long long notes = 0;
    for (auto _ : state) {
        auto loader = Load(song);
        const MidiF1Data* tune = loader->Tune1();
        notes = 0;
        for (int t = 0; tune && t < tune->TrackCount(); ++t)
            for (int i = 0; i < tune->Track(t)->EventCount(); ++i)
                notes += tune->Track(t)->Event(i)->kind == event_kind::kNote;
        benchmark::DoNotOptimize(notes);
    }
    if (notes != song.notes) state.SkipWithError("the loader lost notes");
    state.counters["song_bytes"] = static_cast<double>(song.bytes.size());
    state.counters["notes"] = static_cast<double>(notes);
}

// Build, then the single-model driver's passes: pitch bends out, slots
// sorted, rhythm first, repeated instruments last, the first 16 enabled, the
// whole length copied, drums first, tempo kept in the first slot, monophonic.
void BM_SingleModelRoad(benchmark::State& state) {
    Quiet();
    const auto& song = TheSong();
    auto loader = Load(song);
    const MidiF1Data& tune = *loader->Tune1();
    long long built = 0;
    long long kept = 0;
    for (auto _ : state) {
        MobileData model(tune, 0x60000);
        built = CountNotes(model);
        model.RemovePitchBends();
        model.SortSlotsByEventCount();
        model.MoveRhythmSlotsFirst();
        model.MoveRepeatedProgramsLast();
        EnableFirst16(model);
        const long long end =
            static_cast<long long>(model.GetLengthInMeasures()) * model.GetMeasureTicks();
        MobileData range(model, 0, end, 0x60000);
        range.MoveDrumSlotsFirst();
        range.KeepTempoInFirstSlot();
        range.MakeSlotsMonophonic();
        kept = CountNotes(range);
        benchmark::DoNotOptimize(kept);
    }
    if (built != song.notes || kept <= 0 || kept > built)
        state.SkipWithError("the single model lost or invented notes");
    state.counters["model_notes"] = static_cast<double>(built);
    state.counters["monophonic_notes"] = static_cast<double>(kept);
}

// Build of the multi-track model, its first 16 slots enabled, the whole
// length copied and the voice count taken.
void BM_MultiTrackRoad(benchmark::State& state) {
    Quiet();
    const auto& song = TheSong();
    auto loader = Load(song);
    const MidiF1Data& tune = *loader->Tune1();
    int voices = 0;
    long long notes = 0;
    for (auto _ : state) {
        MultiMobileTrackData model(tune);
        EnableFirst16(model);
        const long long end =
            static_cast<long long>(model.GetLengthInMeasures()) * model.GetMeasureTicks();
        MultiMobileTrackData range(model, 0, end);
        voices = range.GetVoiceCount();
        range.KeepTempoInFirstSlot();
        notes = CountNotes(range);
        benchmark::DoNotOptimize(voices);
    }
    // Sixteen channels, chords on the fifteen melodic ones: at least 16 and
    // at most 31 notes sound at once.
    if (notes != song.notes || voices < 16 || voices > 31)
        state.SkipWithError("the multi-track model lost notes or miscounted voices");
    state.counters["voices"] = voices;
    state.counters["notes"] = static_cast<double>(notes);
}

long long CountEnabledNotes(const MobileData& model) {
    long long notes = 0;
    for (int s = 0; s < model.Count(); ++s)
        for (int k = 0; model.Slot(s)->enabled && k < model.Slot(s)->Count(); ++k)
            notes += model.Slot(s)->Event(k)->kind == mobile_kind::kNote;
    return notes;
}

// The single model's first 16 slots written as an MFi file of type 4 and
// read back.
void BM_MfiType4WriteRead(benchmark::State& state) {
    Quiet();
    auto loader = Load(TheSong());
    MobileData model(*loader->Tune1(), kMusicDataCapacity);
    model.KeepFirstEnabledSlots(MobileData::kMaxPlayedSlots, 0);
    const long long written = CountEnabledNotes(model);
    long long read = 0;
    int bytes = 0;
    for (auto _ : state) {
        MFiData mfi(model, mfi_voice::kMelo4);
        mfi.EnsureMasterVolume();
        mfi.SplitLongDeltas();
        mfi.Serialise(0);
        ReadLog log;
        MFiData back(mfi.Data(), mfi.Length(), log);
        log.ShowAll();
        MobileData out(kMusicDataCapacity);
        back.ToMobileData(out);
        read = CountNotes(out);
        bytes = mfi.Length();
    }
    if (read != written || written == 0) state.SkipWithError("the type-4 round trip lost notes");
    state.counters["notes"] = static_cast<double>(read);
    state.counters["mfi_bytes"] = bytes;
}

// The multi-track model written as a 64-voice multi-track MFi file of type
// 32 and read back.
void BM_MfiType32WriteRead(benchmark::State& state) {
    Quiet();
    const auto& song = TheSong();
    auto loader = Load(song);
    MultiMobileTrackData model(*loader->Tune1());
    long long read = 0;
    int bytes = 0;
    for (auto _ : state) {
        MultiMFiData mfi(model, mfi_voice::kMulti32);
        mfi.ArrangeForTerminal(0);
        mfi.SplitLongDeltas();
        mfi.Serialise(0);
        ReadLog log;
        MultiMFiData back(mfi.Data(), mfi.Length(), log, mfi_voice::kMulti32);
        log.ShowAll();
        MultiMobileTrackData out;
        back.ToMultiMobileTrackData(out);
        read = CountNotes(out);
        bytes = mfi.Length();
    }
    if (read != song.notes) state.SkipWithError("the type-32 round trip lost notes");
    state.counters["notes"] = static_cast<double>(read);
    state.counters["mfi_bytes"] = bytes;
}


// ---- SMAF ----

// Sixteen channels striking together every 4 ticks at 120 per minute for
// eight seconds: about 48 chords of 16 notes per 200-unit window, too dense
// for every note limit, so all seven thinning passes run.
std::unique_ptr<MultiMobileTrackData> DenseSmafTune() {
    auto model = std::make_unique<MultiMobileTrackData>();
    for (int c = 0; c < 16; ++c) {
        auto slot = std::make_unique<MobileChanelData>(c, c == 9 ? MobileChanelData::kKindDrum
                                                                 : MobileChanelData::kKindMelodic,
                                                       kMusicDataCapacity);
        slot->enabled = 1;
        if (c == 0) slot->AppendControl(0, mobile_code::kTempo, 500000);
        slot->AppendControl(0, mobile_code::kProgram, c * 8);
        slot->AppendControl(0, mobile_code::kVolume, 100);
        for (int k = 0; k < 384; ++k)
            slot->AppendNote(k == 0 ? 0 : 4, 40 + (c * 3 + k) % 40, 2, 1 + (k * 7 + c) % 127);
        model->AddSlot(std::move(slot));
    }
    return model;
}

void BM_SmafMa3DenseWrite(benchmark::State& state) {
    Quiet();
    auto model = DenseSmafTune();
    long long kept = 0;
    int bytes = 0;
    for (auto _ : state) {
        SmafMa3Data smaf(*model, SmafMa3Data::kVariant32);
        smaf.Write(SmafMa3Data::kVariant32);
        bytes = smaf.Length();
        kept = 0;
        const MobileTrackData& events = *smaf.Score()->events;
        for (int i = 0; i < events.Count(); ++i)
            kept += events.Event(i)->kind == mobile_kind::kNote;
        benchmark::DoNotOptimize(bytes);
    }
    // After the last pass only the five spared channels sound in each chord.
    if (kept != 384 * 5) state.SkipWithError("the thinning did not run all its passes");
    state.counters["notes_kept"] = static_cast<double>(kept);
    state.counters["smaf_bytes"] = bytes;
}

// The 16-voice compact form of the single model's first 16 slots, read back
// into the model.
void BM_SmafCompactRead(benchmark::State& state) {
    Quiet();
    auto loader = Load(TheSong());
    MobileData model(*loader->Tune1(), kMusicDataCapacity);
    model.KeepFirstEnabledSlots(MobileData::kMaxPlayedSlots, 0);
    const long long written = CountEnabledNotes(model);
    SmafData smaf(model, SmafData::kVoices16);
    smaf.Write(SmafData::kVoices16);
    long long read = 0;
    for (auto _ : state) {
        SmafFileLoader back(std::span<const std::uint8_t>(smaf.Data(), static_cast<std::size_t>(smaf.Length())));
        auto out = back.Data()->ToMobileData();
        read = CountNotes(*out);
        benchmark::DoNotOptimize(read);
    }
    if (read != written || written == 0) state.SkipWithError("the compact read lost notes");
    state.counters["notes"] = static_cast<double>(read);
    state.counters["smaf_bytes"] = smaf.Length();
}

// The multi-track model written in the 32-voice form, read back into a
// multi-track model.
void BM_SmafMa3Read(benchmark::State& state) {
    Quiet();
    const auto& song = TheSong();
    auto loader = Load(song);
    MultiMobileTrackData model(*loader->Tune1());
    SmafMa3Data smaf(model, SmafMa3Data::kVariant32);
    smaf.Write(SmafMa3Data::kVariant32);
    long long read = 0;
    for (auto _ : state) {
        SmafFileLoader back(std::span<const std::uint8_t>(smaf.Data(), static_cast<std::size_t>(smaf.Length())));
        auto out = back.Ma3Data()->ToMultiMobileTrackData();
        read = CountNotes(*out);
        benchmark::DoNotOptimize(read);
    }
    if (read != song.notes) state.SkipWithError("the 32-voice read lost notes");
    state.counters["notes"] = static_cast<double>(read);
    state.counters["smaf_bytes"] = smaf.Length();
}

// ---- MFM and MA-1 ----

// The multi-track model written as an MFM file (long waits split, then
// serialised).
void BM_MfmWrite(benchmark::State& state) {
    Quiet();
    auto loader = Load(TheSong());
    MultiMobileTrackData model(*loader->Tune1());
    int bytes = 0;
    for (auto _ : state) {
        MFMData mfm(model);
        mfm.SplitLongWaits();
        mfm.Serialise();
        bytes = mfm.Length();
        benchmark::DoNotOptimize(bytes);
    }
    if (bytes <= 0) state.SkipWithError("no MFM image");
    state.counters["mfm_bytes"] = bytes;
}

// That MFM file read back into a ringtone model.
void BM_MfmRead(benchmark::State& state) {
    Quiet();
    const auto& song = TheSong();
    auto loader = Load(song);
    MultiMobileTrackData model(*loader->Tune1());
    MFMData mfm(model);
    mfm.SplitLongWaits();
    mfm.Serialise();
    long long read = 0;
    for (auto _ : state) {
        ReadLog log;
        MFMData back(mfm.Data(), static_cast<std::size_t>(mfm.Length()), log);
        log.ShowAll();
        MobileData out(kMusicDataCapacity);
        back.ToMobileData(out);
        read = CountNotes(out);
        benchmark::DoNotOptimize(read);
    }
    // Gates above 255 come back as chains: at least the song's notes.
    if (read < song.notes) state.SkipWithError("the MFM file lost notes");
    state.counters["notes"] = static_cast<double>(read);
}

// The single model's first four melodic slots, as the MA-1 driver keeps
// them, written as an MA-1 file.
void BM_Ma1Write(benchmark::State& state) {
    Quiet();
    auto loader = Load(TheSong());
    MobileData model(*loader->Tune1(), kMusicDataCapacity);
    model.KeepFirstEnabledSlots(MA1::kChannels, 1);
    int events = 0;
    for (auto _ : state) {
        MA1 ma1(model);
        events = ma1.EventCount();
        benchmark::DoNotOptimize(events);
    }
    if (events <= 0) state.SkipWithError("no MA-1 events");
    state.counters["ma1_events"] = events;
}

// That MA-1 file read back into a ringtone track.
void BM_Ma1Read(benchmark::State& state) {
    Quiet();
    auto loader = Load(TheSong());
    MobileData model(*loader->Tune1(), kMusicDataCapacity);
    model.KeepFirstEnabledSlots(MA1::kChannels, 1);
    MA1 ma1(model);
    long long read = 0;
    for (auto _ : state) {
        auto track = ReadMa1Track(std::span(ma1.Data(), static_cast<std::size_t>(ma1.Length())));
        read = track ? track->Count() : 0;
        benchmark::DoNotOptimize(read);
    }
    if (read <= 0) state.SkipWithError("the MA-1 file read as nothing");
    state.counters["ma1_bytes"] = ma1.Length();
    state.counters["events"] = static_cast<double>(read);
}

}  // namespace

BENCHMARK(BM_LoadSong)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SingleModelRoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiTrackRoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MfiType4WriteRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MfiType32WriteRead)->Unit(benchmark::kMicrosecond);
// SMAF
BENCHMARK(BM_SmafMa3DenseWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmafCompactRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmafMa3Read)->Unit(benchmark::kMillisecond);
// MFM and MA-1.
BENCHMARK(BM_MfmWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MfmRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ma1Write)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ma1Read)->Unit(benchmark::kMicrosecond);
int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(
        argc, argv, {{"BM_SingleModelRoad", "BM_LoadSong"}, {"BM_MultiTrackRoad", "BM_LoadSong"}});
}
