// Drives the drum generator with style bytes taken from the input (pattern,
// beat, metre, drum set, density, sound module, the beat field at 716, the
// custom drum grid and the created rows) over a label list of random spans
// (1..1600 ticks). Aborts on any broken rule of a drum track: a note off
// channel 9, a negative delta, a hit outside its span, a span whose time
// does not pass whole, and after the track is closed a note under one tick,
// a velocity outside 1..127 or an End of Track off the next beat.
//
// The same input then drives the bass (every type), the custom harmony
// (type 47 in its variants), the sub-harmony and the environmental-sound
// builders over a chord list of random lengths (1..3000 ticks) with missing
// tones, with the same rules on each of their tracks.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "accomp/bass_track.h"
#include "accomp/drum_track.h"
#include "accomp/harmony_track.h"
#include "compose/compose_info.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "fuzz/quiet_platform.h"
#include "style/style_table.h"

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int Next() { return at_ < size_ ? data_[at_++] : 0; }
    int Next16() { return Next() * 256 + Next(); }
    bool More() const { return at_ < size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void Check(bool ok) {
    if (!ok) std::abort();
}

long long CeilBeat(long long t) {
    return (t + 95) / 96 * 96;
}

// The rules of a closed track: notes on channel 9, at least one tick, of
// velocity 1..127, in time order, ending in End of Track at `end`.
void CheckClosed(const ComposeTrackData& track, long long end, int channel = kDrumChannel) {
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        Check(e->delta >= 0);
        t += e->delta;
        if (e->IsEndOfTrack()) {
            Check(i == track.EventCount() - 1);
            Check(t == end);
        } else if (e->IsNoteWithLength()) {
            Check(e->channel == channel);
            Check(e->length >= 1 && e->velocity >= 1 && e->velocity <= 127);
            Check(e->note >= 13 && e->note <= 127);
        }
    }
    Check(track.LastEvent() && track.LastEvent()->IsEndOfTrack());
}

// A backing track as built: events in time order, every note on the channel;
// once closed, the rules of CheckClosed at the next beat after the last
// sound or silent step (no more than two bars past the last event).
void CheckBacking(const ComposeTrackData& track, int channel) {
    long long t = 0;
    long long reach = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        Check(e->delta >= 0);
        t += e->delta;
        reach = std::max(reach, t);
        if (e->IsNoteWithLength()) {
            Check(e->channel == channel);
            const bool rest = e->note == 0 || e->velocity == 0;
            reach = std::max(reach, rest ? t + std::max(e->length - 1, 0) : t + e->length);
        }
    }
    ComposeTrackData closed(note_mode::kLength, static_cast<int>(WorkBufferSize));
    for (int i = 0; i < track.EventCount(); ++i)
        closed.AppendEvent(new MidiEvent(track.Event(i)));
    PadTrackEnd(closed);
    CheckClosed(closed, std::min(CeilBeat(reach), t + 768), channel);
}

const char* const kCodes[] = {"CMPS", "AmPs", "FMPd", "GMPs", "DmPd", "EmPs", "BmCd", "NoCd"};

// The chord list of ComposeInfo from the input: lengths 1..3000, tones
// sometimes missing.
void FuzzChords(Bytes& in) {
    ComposeInfo.ClearChords();
    const int count = in.Next() % 40;
    for (int i = 0; i < count; ++i) {
        const int length = 1 + in.Next16() % 3000;
        HarmonyStructureEntry entry{};
        entry.lengthHigh = static_cast<std::uint8_t>(length >> 8);
        entry.lengthLow = static_cast<std::uint8_t>(length & 0xFF);
        entry.chord.Set(kCodes[in.Next() % 8]);
        if (!ComposeInfo.AddChord(entry, 0)) break;
        ChordRecord* c = ComposeInfo.chords[ComposeInfo.chordCount - 1];
        const int missing = in.Next();
        if (missing & 1) c->third = 0;
        if (missing & 2) c->fifth = 0;
        if (missing & 4) c->seventh = 0;
        if (missing & 8) c->bass = static_cast<std::uint8_t>(missing >> 4);
    }
}

void RunBacking(Bytes& in) {
    FuzzChords(in);
    WorkingStyle.voice[kPartBass] = in.Next() % 2 ? 33 : kVoiceNotUsed;
    WorkingStyle.harmonyPattern = in.Next() % 2 ? kFixedRiffHarmonyPattern : kHarmonyTypeCustom;
    WorkingStyle.subHarmonyPattern = kHarmonyTypeCustom;
    CustomHarmonyBlock& block = WorkingStyle.customHarmony;
    for (int set = 0; set < 2; ++set)
        for (int part = 0; part < kGridParts; ++part) {
            GridPart& grid = block.grid[set][part];
            for (int row = 0; row < kGridRows; ++row) {
                grid.pnInterval[row] = in.Next() - 40;
                const int bits = in.Next16();
                for (int step = 0; step < kGridSteps; ++step)
                    grid.Cell(row, step) = (bits >> step) & 1;
            }
            const int bits = in.Next16();
            for (int step = 0; step < kGridSteps; ++step)
                grid.pnContinuem[step] = (bits >> step) & 1;
        }
    block.useX[kGridHarmony] = in.Next() % 4;
    block.continueMajor[kGridHarmony] = block.continueMajor[kGridSubHarmony] = in.Next() % 2;
    block.stroke[kGridHarmony] = block.stroke[kGridSubHarmony] = in.Next() % 2;
    for (std::size_t i = 0; i < kRiffBytes; ++i)
        WorkingStyle.riff[i] = static_cast<std::uint8_t>(in.Next());
    const int density = in.Next();
    const int environment = in.Next() % 4;
    WorkingStyle.voice[kPartEnvironment] = environment == 0   ? kSeashore
                                           : environment == 1 ? kBirdTweet
                                                              : kApplause;

    for (int type = 0; type <= kBassTypeCount + 1; ++type) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        GenerateBassPattern(kBassChannel, track, type, density, ComposeChords());
        CheckBacking(track, kBassChannel);
    }
    const NoteList melody;
    WorkingStyle.melody[3].ornament = in.Next() % 2 ? 3 : 0;
    for (int type = 1; type <= kHarmonyTypeCount; ++type)
        for (int channel : {kHarmonyChannel, kSubHarmonyChannel}) {
            ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
            GenerateHarmonyPattern(channel, track, type, 0, density, melody, ComposeChords(),
                                   ComposeInfo.labels);
            CheckBacking(track, channel);
        }
    ComposeTrackData environmentTrack(note_mode::kLength, static_cast<int>(WorkBufferSize));
    GenerateEnvironmentSound(environmentTrack, ComposeChords());
    CheckBacking(environmentTrack, kEnvironmentChannel);

    // The builders as the composer runs them.
    WorkingStyle.voice[kPartHarmony] = 24;
    WorkingStyle.voice[kPartSubHarmony] = 48;
    WorkingStyle.mix[kPartHarmony].delay = static_cast<std::uint8_t>(in.Next() % 3 * 5);
    WorkingStyle.mix[kPartHarmony].panpot = static_cast<std::uint8_t>(in.Next() % 128);
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    BuildBassTrack(tracks, count);
    BuildHarmonyTrack(count, tracks, melody);
    BuildSubHarmonyTrack(count, tracks, melody);
    BuildEnvironmentTrack(count, tracks);
    Check(static_cast<int>(tracks.size()) == count);
    for (ComposeTrackData* built : tracks) {
        Check(built->LastEvent() && built->LastEvent()->IsEndOfTrack());
        delete built;
    }
    ComposeInfo.ClearChords();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    Bytes in(data, size);
    InitMusicStyle(WorkingStyle);
    WorkingStyle.rhythmPattern = in.Next() % 41;
    WorkingStyle.basicBeat = in.Next() % 4;
    WorkingStyle.timeSignature = in.Next() % 4;
    const int set = in.Next() % 7;
    WorkingStyle.voice[kPartDrum] = set == 6 ? kVoiceNotUsed : set;
    WorkingStyle.density[kPartDrum] = in.Next();
    AppSettings.ComposeOutputType = in.Next() % 3;
    WorkingStyle.setting716 = static_cast<std::uint16_t>(in.Next() % 4);
    AppSettings.StartAt2ndBar = in.Next() % 2;
    PanelMode = kPanelModeCompose;
    GridPart& grid = WorkingStyle.customHarmony.grid[0][kGridDrum];
    for (int row = 0; row < kGridRows; ++row) {
        grid.pnInterval[row] = in.Next() - 64;
        const int bits = in.Next16();
        for (int step = 0; step < kGridSteps; ++step)
            grid.Cell(row, step) = (bits >> step) & 1;
    }
    {
        std::lock_guard<std::mutex> lock(CreatedDrumPatternsMutex());
        for (auto& row : CreatedDrumPatterns)
            for (int& k : row)
                k = in.Next() % 56;
    }
    const std::int32_t seed = static_cast<std::int32_t>(in.Next16());

    // Spans of 1..1600 ticks with block letters, 'E' marks and the
    // creator's preview byte.
    NoteList& labels = ComposeInfo.labels;
    labels.Clear();
    std::vector<int> spans;
    long long total = 0;
    while (in.More() && spans.size() < 200) {
        const int length = 1 + in.Next16() % 1600;
        const int letter = in.Next();
        const int mark = in.Next();
        const char label[4] = {static_cast<char>(letter % 8 == 0 ? 'x' : '@' + letter % 8),
                               static_cast<char>(mark % 5 == 0 ? 'E' : mark % 5 - 1), 'X', 'X'};
        labels.AppendLabel(length, label);
        spans.push_back(length);
        total += length;
    }

    // The style run with its spans logged.
    SeedRandomWith(seed);
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    DrumSpanLog log;
    GenerateDrumPattern(kDrumChannel, labels, track, WorkingStyle.density[kPartDrum], &log);
    const int style = WorkingStyle.rhythmPattern;
    if (style >= 1 && style <= kDrumStyleCount) {
        Check(log.spanEventEnd.size() == spans.size());
        const bool overhang = style == 1 && WorkingStyle.basicBeat == kTripletBeat &&
                              WorkingStyle.timeSignature == kMetre34 && !spans.empty();
        long long t = 0, start = 0, reach = 0;
        std::size_t span = 0;
        for (int i = 0; i < track.EventCount(); ++i) {
            const MidiEvent* e = track.Event(i);
            Check(e->IsNoteWithLength() && e->channel == kDrumChannel && e->delta >= 0);
            t += e->delta;
            while (span < spans.size() && i >= log.spanEventEnd[span])
                start += spans[span++];
            const bool rest = e->note == 0 || e->velocity == 0;
            reach = std::max(reach, rest ? t + std::max(e->length - 1, 0) : t + e->length);
            if (span < spans.size()) {
                Check(t >= start && t < start + spans[span]);
            } else if (!overhang) {
                Check(rest && t == total);
            }
        }
        Check(t == (overhang ? total + spans.back() + 288 : total));
        PadTrackEnd(track);
        CheckClosed(track, CeilBeat(reach));
    } else {
        Check(track.EventCount() == 0);
    }

    // The whole frame as the composer runs it.
    SeedRandomWith(seed);
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    BuildDrumTrack(tracks, count);
    Check(static_cast<int>(tracks.size()) == count);
    Check(count == (WorkingStyle.voice[kPartDrum] == kVoiceNotUsed ? 0 : 1));
    for (ComposeTrackData* built : tracks) {
        Check(built->GetTotalTicks() % 96 == 0 || built->GetTotalTicks() == GetLeadInTicks());
        delete built;
    }
    // The backing builders read the input afresh.
    Bytes backing(data, size);
    RunBacking(backing);
    labels.Clear();
    return 0;
}
