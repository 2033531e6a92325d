// A note track built from arbitrary bytes (any deltas, lengths 0..800, keys,
// velocities, controllers and bends on two channels), an ornament kind and an
// effect value of 0..25, through the part effects and both clash passes.
// The track is closed after its last sound, as the part writer closes it.
// Every event must stay valid (data bytes 0..127, lengths and deltas not
// negative); the effects must leave the track's end where it was, and the
// clash passes, which go through note-ons and note-offs, end it where its
// last sound ends if that is later.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "compose/clash_removal.h"
#include "compose/composer_state.h"
#include "compose/part_effects.h"
#include "compose/part_track.h"
#include "core/utilities.h"
#include "fuzz/quiet_platform.h"
#include "midi/f0_data.h"
#include "style/style_table.h"

namespace {

constexpr std::size_t kHeader = 4;
constexpr std::size_t kRecord = 7;
constexpr std::size_t kMaxRecords = 400;

bool Byte(int v) {
    return v >= 0 && v <= 127;
}

void CheckEvents(const MidiTrackData& track) {
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (e->delta < 0) std::abort();
        if (e->IsNoteWithLength() || e->IsNoteOn() || e->IsNoteOff()) {
            if (!Byte(e->note) || !Byte(e->velocity) || e->length < 0) std::abort();
        } else if (e->kind == event_kind::kControlChange) {
            if (!Byte(e->subtype) || !Byte(e->value)) std::abort();
        } else if (e->kind == event_kind::kPitchBend) {
            if (!Byte(e->note) || !Byte(e->value)) std::abort();
        }
    }
}

long long EndTime(const MidiTrackData& track) {
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i)
        t += track.Event(i)->delta;
    return t;
}

// Where the last sounding note ends: the note-on/off form closes the track
// after it.
long long SoundEnd(const MidiTrackData& track) {
    long long t = 0, end = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (e->IsNoteWithLength() && e->velocity > 0 && e->length > 0 && t + e->length > end)
            end = t + e->length;
    }
    return end;
}

void SetUpStyle(const std::uint8_t* h, int partKind) {
    static const bool ready = [] {
        InitMusicStyle(WorkingStyle);
        return true;
    }();
    (void)ready;
    for (MelodySettings& m : WorkingStyle.melody) {
        m.ornament = 0;
        m.effect = 0;
        m.lowerLimit = 36 + h[2] % 24;
        m.upperLimit = m.lowerLimit + 12 + h[3] % 36;
    }
    WorkingStyle.melody[kPartMelody].ornament = h[0] % 26;
    WorkingStyle.melody[partKind].effect = h[1] % 26;
    WorkingStyle.basicBeat = (h[2] & 0x80) ? 3 : 0;
    WorkingStyle.tempo = (h[3] & 0x80) ? 800000 : 500000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    if (size < kHeader) return 0;
    static constexpr int kKinds[] = {kPartKindMelody, kPartKindObbligato, kPartKindSubMelody,
                                     kPartKindSecondMelody};
    const int partKind = kKinds[data[2] & 3];
    SetUpStyle(data, partKind);
    ResetComposerState();
    SeedRandomWith(data[0] * 256 + data[1]);

    PartTrack track;
    track.AddProgramChange(0, (data[3] & 0x40) ? 40 : 0);
    std::size_t records = (size - kHeader) / kRecord;
    if (records > kMaxRecords) records = kMaxRecords;
    int lastDelta = 0;
    for (std::size_t r = 0; r < records; ++r) {
        const std::uint8_t* b = data + kHeader + r * kRecord;
        const int channel = (b[0] >> 4) & 1;
        const int delta = b[1] | ((b[2] & 3) << 8);
        lastDelta = delta;
        MidiEvent* e = nullptr;
        switch (b[0] & 3) {
            case 0:
            case 1:
                e = track.AddNote(channel, delta, b[3] & 0x7F, b[4] & 0x7F,
                                  ((b[5] << 8) | b[6]) % 801);
                break;
            case 2:
                e = track.AddControlChange(channel, b[3] & 0x7F, b[4] & 0x7F);
                if (e) e->delta = delta;
                break;
            default:
                e = track.AddNote(channel, delta, 0, 0, 0);
                if (e) {
                    e->kind = event_kind::kPitchBend;
                    e->note = b[3] & 0x7F;
                    e->value = b[4] & 0x7F;
                    e->length = 0;
                    e->FreeData();
                }
                break;
        }
    }
    // Closed after its last sound, as the part writer closes every part.
    const long long last = EndTime(track);
    track.AppendEndOfTrackAt(
        static_cast<int>(std::max<long long>(lastDelta, SoundEnd(track) - last)));
    const long long end = EndTime(track);

    ApplyPartEffects(track, partKind);
    CheckEvents(track);
    if (EndTime(track) != end) std::abort();

    const long long closed = std::max(end, SoundEnd(track));
    MidiF0Data tune(track, 96);
    RemoveClashes(tune, 0, 1);
    SoftenClashes(tune, 1, 0);
    if (!tune.Track()) std::abort();
    CheckEvents(*tune.Track());
    if (EndTime(*tune.Track()) != closed) std::abort();
    return 0;
}
