#include "compose/part_effects.h"

#include <algorithm>
#include <vector>

#include "compose/composer_state.h"
#include "core/utilities.h"
#include "midi/f1_track_data.h"
#include "style/style_table.h"

namespace {

bool Chance(int n) {
    return RandomInRange(1, n) == 1;
}

constexpr int kBrightness = 74;
constexpr int kSilentPipeBrightness = 84;

// The sounding notes as they are before an effect starts; the effect finds
// each again by walking on from the last one, since what it adds never goes
// before a note it has passed.
class NoteWalk {
public:
    explicit NoteWalk(const PartTrack& track) : track_(track) {
        for (int i = 0; i < track.EventCount(); ++i)
            if (track.IsSoundingNote(i)) notes_.push_back(track.Event(i));
    }

    // Calls f(index) for each of the notes.
    template <typename F>
    void ForEach(F f) {
        int at = 0;
        for (const MidiEvent* note : notes_) {
            while (at < track_.EventCount() && track_.Event(at) != note)
                ++at;
            if (at >= track_.EventCount()) return;
            at = f(at);
        }
    }

private:
    const PartTrack& track_;
    std::vector<const MidiEvent*> notes_;
};

// The first key from `from` on (by step) whose "Scale Notes" digit is above 5;
// 0 when none lies within an octave.
int NextScaleKey(int from, int step) {
    for (int k = 0; k < 12; ++k) {
        int key = from + k * step;
        if (key < 0 || key > 127) return 0;
        int pc = key % 12;
        char c = WorkingStyle.scaleNotes[4 + pc];
        if (c > '5' && c <= '9') return key;
    }
    return 0;
}

}  // namespace

int JitterVelocity(int velocity) {
    return PartTrack::LimitVelocity(velocity + RandomInRange(1, 20) - 10);
}

void EffectShortBends(PartTrack& track) {
    NoteWalk(track).ForEach([&](int i) {
        if (Chance(2)) track.BendAttack(i, track.Event(i)->length / 10);
        return i;
    });
}

void EffectHalfBends(PartTrack& track) {
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        e->length = std::max(e->length / 2, 1);
        track.BendAttack(i, e->length / 2);
        return i;
    });
}

void EffectWobble(PartTrack& track) {
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        e->velocity = JitterVelocity(e->velocity);
        bool bend = e->length > 83 ? Chance(7) : Chance(8);
        if (bend) track.BendAttack(i, e->length / RandomInRange(7, 10));
        return i;
    });
}

void EffectDoubleAttack(PartTrack& track) {
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        e->velocity = JitterVelocity(e->velocity);
        track.AddBendAccent(i);
        return i;
    });
}

void EffectScaleTrill(PartTrack& track, int lower, int upper) {
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        if (e->length <= 71 || !Chance(2)) {
            e->velocity = JitterVelocity(e->velocity);
            track.AddBendAccent(i);
            return i;
        }
        const int key = e->note;
        const int length = e->length;
        const int copies = track.SplitIntoRepeats(i, 24);
        const int pieces = copies + 1;
        // Pieces counted from 1: the even ones take the scale key a fifth or
        // more above, else the odd ones the one a fifth or more below.
        int above = NextScaleKey(key + 7, 1);
        int first = 2;
        int trill = above;
        if (above == 0 || above > upper) {
            trill = NextScaleKey(key - 7, -1);
            first = 1;
            if (trill < std::max(lower, 13)) trill = 0;
        }
        if (trill != 0) {
            for (int k = first; k <= pieces; k += 2)
                track.Event(i + k - 1)->note = trill;
        }
        if (pieces == 3 && Chance(2)) {
            for (int k = 0; k < copies; ++k)
                track.DeleteEvent(i + 1);
            e->note = key;
            e->length = length;
            return i;
        }
        // From the last piece back, so a grace note added to one piece does
        // not move the ones still to come.
        for (int k = pieces - 1; k >= 0; --k)
            track.BendAttack(i + k, 12);
        return i;
    });
}

void EffectVibratoRise(PartTrack& track) {
    int added = 0;
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        e->velocity = JitterVelocity(e->velocity);
        added += track.AddVibratoRise(i, false);
        return i;
    });
    if (added > 0) {
        track.RemoveRedundantPitchBends();
        track.MoveToSlotStart(event_kind::kPitchBend, -1, "");
    }
}

void EffectLongBend(PartTrack& track) {
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        if (e->length <= 83 || !Chance(3)) return i;
        if (e->length >= 180 && Chance(2)) return track.AddVibratoSetup(i);
        track.BendAttack(i, e->length / RandomInRange(7, 10));
        return i;
    });
}

void EffectExpressive(PartTrack& track) {
    for (int i = 0; i < track.EventCount(); ++i) {
        MidiEvent* e = track.Event(i);
        if (e->kind == event_kind::kControlChange &&
            (e->subtype == 1 || e->subtype == 64 || e->subtype == 11))
            e->Clear();
    }
    track.RemoveClearedEvents();
    track.LimitNoteLengths(384);
    track.ApplyPitchBendToNotes(track.GetPitchBendRange());
    track.DeletePitchBends();
    track.RemovePitchBendRange();
    track.SetPitchBendRange(12);
    track.AddPitchGlide(24, 8, 12);
    track.AddDelayedVibrato(96);
    track.AddExpressionSwell(48, 4);
}

void EffectRepeatNotes(PartTrack& track) {
    const bool triplet = WorkingStyle.basicBeat == 3;
    const bool slow = WorkingStyle.tempo >= 750000;
    const int b = slow ? (triplet ? 16 : 12) : (triplet ? 32 : 24);
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        const int gap = track.GapAfter(i);
        if (e->velocity <= 16 || e->length <= b || gap < 48) return i;
        const int end = std::min(e->length, gap);
        e->length = b;
        int at = i;
        for (int start = b; end - start > b; start += b) {
            MidiEvent* repeat = track.NewNoteLike(i, e->note, e->velocity, b / 2);
            if (!repeat) break;
            int placed = track.InsertAtOffset(at, b, repeat);
            if (placed < 0) break;
            at = placed;
        }
        return i;
    });
}

void ApplyEffectValue(PartTrack& track, int value, int partKind) {
    switch (value) {
        case 5:
            EffectWobble(track);
            break;
        case 10:
            EffectLongBend(track);
            break;
        case 13:
            EffectDoubleAttack(track);
            break;
        case 17:
            EffectShortBends(track);
            break;
        case 18:
            EffectHalfBends(track);
            break;
        case 19:
            EffectVibratoRise(track);
            break;
        case 20: {
            const MelodySettings* m = partKind >= 0 && partKind < kStylePartSlots
                                          ? &WorkingStyle.melody[partKind]
                                          : nullptr;
            EffectScaleTrill(track, m ? m->lowerLimit : 0, m ? m->upperLimit : 127);
            break;
        }
        case 21:
            EffectExpressive(track);
            break;
        case 22:
            EffectRepeatNotes(track);
            break;
        default:
            break;
    }
}

void ApplyPartEffects(PartTrack& track, int partKind) {
    switch (WorkingStyle.melody[kPartMelody].ornament) {
        case 5:
            EffectWobble(track);
            break;
        case 13:
            EffectDoubleAttack(track);
            break;
        case 19:
            EffectVibratoRise(track);
            break;
        case 10:
            EffectLongBend(track);
            break;
        default:
            break;
    }
    if (partKind >= 0 && partKind < kStylePartSlots)
        ApplyEffectValue(track, WorkingStyle.melody[partKind].effect, partKind);
    if (partKind == kPartKindMelody) MelodySpecialEffect(track);
}

// ---- Special effects of the melody ----

void MelodySpecialEffect(PartTrack& track) {
    ComposerState& s = TheComposerState;
    MelodySettings& m = WorkingStyle.melody[kPartMelody];
    auto special = [](int v) { return v == 9 || v == 12; };
    if (special(m.ornament) || special(m.effect)) {
        if (!s.specialEffectAsked) {
            s.specialEffectAsked = true;
            s.specialEffectRefused = AskConfirm(kSpecialEffectQuestion) != IDOK;
        }
        if (s.specialEffectRefused) {
            m.ornament = 0;
            m.effect = 0;
        }
    }
    int value = m.effect;
    if (value != 8 && !special(value) && special(m.ornament)) value = m.ornament;
    switch (value) {
        case 8:
            EffectGraceRun(track);
            break;
        case 12:
            EffectSwell(track);
            break;
        case 9:
            EffectSilentPipe(track, m.lowerLimit - 12);
            break;
        default:
            break;
    }
}

void EffectGraceRun(PartTrack& track) {
    int base = 0;
    int copies = 0;
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        e->length = 2;
        if (track.GapAfter(i) - 2 < 4) {
            copies = 0;
            return i;
        }
        if (copies == 0) base = e->note;
        MidiEvent* copy = track.NewNoteLike(i, base + copies % 12, e->velocity, 4);
        ++copies;
        if (copy) track.InsertAtOffset(i, 2, copy);
        return i;
    });
}

void EffectSwell(PartTrack& track) {
    NoteWalk(track).ForEach([&](int i) {
        if (i + 1 >= track.EventCount()) return i;
        int length = track.GapAfter(i) - 1;
        if (length > 384) length -= 192;
        // A note with the next event at its own tick still lasts a tick.
        track.Event(i)->length = std::max(length, 1);
        return i;
    });
    int value = 64;
    bool rising = true;
    // Each brightness change lies at least 9 ticks after the event before
    // it, so the walk ends; a full track stops it too.
    for (int i = 0; i + 1 < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        bool swells = track.IsSoundingNote(i) ||
                      (e->kind == event_kind::kControlChange && e->subtype == kBrightness);
        if (!swells) continue;
        const int d = RandomInRange(9, 18);
        if (track.GapAfter(i) < d) continue;
        value += rising ? RandomInRange(3, 5) : -RandomInRange(3, 5);
        if (rising && value > 75) rising = false;
        if (!rising && value < 48) rising = true;
        value = std::clamp(value, 0, 127);
        if (track.InsertAtOffset(i, d, NewControlChange(e->channel, kBrightness, value)) < 0) break;
    }
}

void EffectSilentPipe(PartTrack& track, int lowest) {
    int count = 0;
    int previousB = -1;
    NoteWalk(track).ForEach([&](int i) {
        MidiEvent* e = track.Event(i);
        ++count;
        int b = RandomInRange(3, 6);
        if (previousB >= 0 && b > previousB + 1) --b;
        previousB = b;
        e->length = 2 * b;
        const int gap = track.GapAfter(i);
        if (gap < 2 * b) {
            if (gap < b) return i;
            track.InsertAtOffset(i, b,
                                 NewControlChange(e->channel, kBrightness, kSilentPipeBrightness));
            if (e->note - 12 > 12) e->note -= 12;
            return i;
        }
        if (Chance(2)) {
            const int m = count % 12;
            const int msb = m <= 8 ? 64 - 2 * m : 2 * m + 44;
            track.InsertAtOffset(i, b, PartTrack::NewPitchBend(e->channel, msb, 0));
            return i;
        }
        // The lower copy sinks and fades with every note; once it would
        // sink under the lowest key given (where the instrument still
        // plays), leave the keys or fall silent it is not written.
        const int echo = e->note - 12 - count / 2;
        MidiEvent* copy =
            echo >= lowest ? track.NewNoteLike(i, echo, e->velocity - count, b) : nullptr;
        if (copy) track.InsertAtOffset(i, b, copy);
        return i;
    });
}
