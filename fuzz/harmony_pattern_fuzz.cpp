// Drives every harmony pattern type 1..61 on the harmony and sub-harmony
// channels with the feel, metre, beat field, density, bass, pattern field,
// ornament, hold pedal, block labels and chord list (lengths 1..2000 ticks,
// tones sometimes missing) taken from the input. Aborts on any broken rule
// of a backing track: an event off the channel, a negative delta, a sound
// starting outside the tune (the last chord's ending may run on), and after
// the track is closed a note under one tick, a velocity outside 1..127 or an
// End of Track off the next beat after the last sound (or two bars after
// the last event, the most a close reaches).
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "accomp/harmony_track.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "fuzz/quiet_platform.h"
#include "style/style_table.h"

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int Next() { return at_ < size_ ? data_[at_++] : 0; }
    int Next16() { return Next() * 256 + Next(); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void Check(bool ok) {
    if (!ok) std::abort();
}

constexpr int kRunOn = 1200;  // the most a last chord's ending runs on

void CheckTrack(ComposeTrackData& track, int channel, long long total, long long lastStart) {
    long long t = 0;
    long long reach = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        Check(e->delta >= 0);
        t += e->delta;
        reach = std::max(reach, t);
        Check(e->channel == channel);
        if (!e->IsNoteWithLength()) continue;
        if (e->note == 0 || e->velocity == 0) {
            reach = std::max(reach, t + std::max(e->length - 1, 0));
            continue;
        }
        reach = std::max(reach, t + e->length);
        Check(t < total || (t >= lastStart && t < total + kRunOn));
    }
    // The close stands at most two bars of 4/4 past the last event.
    const long long end = std::min((reach + 95) / 96 * 96, t + 768);
    PadTrackEnd(track);
    t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (e->IsNoteWithLength())
            Check(e->length >= 1 && e->velocity >= 1 && e->velocity <= 127 && e->note >= 13 &&
                  e->note <= 127);
        if (e->IsEndOfTrack()) Check(t == end);
    }
    Check(track.LastEvent() && track.LastEvent()->IsEndOfTrack());
}

const char* const kCodes[] = {"CMPS", "AmPs", "FMPd", "GMPs", "DmPd", "EmPs", "BmCd", "NoCd"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    Bytes in(data, size);
    InitMusicStyle(WorkingStyle);
    WorkingStyle.basicBeat = in.Next() % 2 ? 3 : 0;
    WorkingStyle.timeSignature = in.Next() % 4;
    WorkingStyle.setting716 = static_cast<std::uint16_t>(in.Next() % 4);
    WorkingStyle.voice[kPartBass] = in.Next() % 2 ? 33 : kVoiceNotUsed;
    WorkingStyle.harmonyPattern = in.Next() % 2 ? 2 : 1;
    WorkingStyle.melody[3].ornament = in.Next() % 2 ? 3 : 0;
    WorkingStyle.tempo = 400000 + in.Next() * 4000;
    WorkingStyle.octave[kHarmonyChannel] = in.Next() % 5 - 2;
    const int pedal = in.Next() % 2 ? 100 : 0;
    WorkingStyle.mix[kHarmonyChannel].holdPedal = static_cast<std::uint8_t>(pedal);
    WorkingStyle.mix[kSubHarmonyChannel].holdPedal = static_cast<std::uint8_t>(pedal);
    MelodySettings& melodyPart = WorkingStyle.melody[kPartMelody];
    melodyPart.lowerLimit = in.Next();
    melodyPart.upperLimit = in.Next();
    const int density = in.Next();
    const std::int32_t seed = static_cast<std::int32_t>(in.Next16());
    const int program = in.Next() % 128;

    ComposeInfo.ClearChords();
    NoteList labels;
    const int count = in.Next() % 48;
    long long total = 0;
    long long lastStart = 0;
    for (int i = 0; i < count; ++i) {
        const int length = 1 + in.Next16() % 2000;
        HarmonyStructureEntry entry{};
        entry.lengthHigh = static_cast<std::uint8_t>(length >> 8);
        entry.lengthLow = static_cast<std::uint8_t>(length & 0xFF);
        const int code = in.Next();
        entry.chord.Set(kCodes[code % 8]);
        if (!ComposeInfo.AddChord(entry, 0)) break;
        ChordRecord* c = ComposeInfo.chords[ComposeInfo.chordCount - 1];
        const int missing = in.Next();
        if (missing & 1) c->third = 0;
        if (missing & 2) c->fifth = 0;
        if (missing & 4) c->seventh = 0;
        const char label[4] = {static_cast<char>('A' + (code >> 3) % 5), 'X', 'X', 'X'};
        labels.AppendLabel(length, label);
        lastStart = total;
        total += length;
    }

    const NoteList melody;
    for (int type = 1; type <= kHarmonyTypeCount; ++type)
        for (int channel : {kHarmonyChannel, kSubHarmonyChannel}) {
            SeedRandomWith(seed);
            ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
            // The voice decides whether bent notes bend or take a grace note.
            SetProgram(track, channel, program);
            GenerateHarmonyPattern(channel, track, type, 0, density, melody, ComposeChords(),
                                   labels);
            CheckTrack(track, channel, total, lastStart);
        }
    ComposeInfo.ClearChords();
    return 0;
}
