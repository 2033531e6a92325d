#include "compose/part_writer.h"

#include <algorithm>

#include "compose/chord_weights.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "compose/conversion_material.h"
#include "compose/melody_pitch.h"
#include "compose/melody_stages.h"
#include "compose/part_effects.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "style/style_table.h"

int TuneMelodyProgram = 0;

namespace {

constexpr int kPanController = 10;
constexpr int kDelayChannel = 10;
constexpr int kPulsePitch = 60;

bool Chance(int n) {
    return RandomInRange(1, n) == 1;
}
int PitchClass(int pitch) {
    return ((pitch % 12) + 12) % 12;
}
int Clamp7(int v) {
    return std::clamp(v, 0, 127);
}
int Velocity(int v) {
    return std::clamp(v, 1, 127);
}

void Note(OrnamentPlace& place, int delta, int pitch, int velocity, int length) {
    place.track->AddNoteEvent(place.channel, delta, Clamp7(pitch), velocity, length);
}

// A figure of notes spaced apart, the last one followed by the note of the
// rest of the slot; returns what is left of the slot after the last start.
int WriteRun(OrnamentPlace& place, int delta, const int* pitches, int n, int each, int spacing,
             int velocity, int slot) {
    int used = 0;
    for (int i = 0; i < n; ++i) {
        Note(place, i == 0 ? delta : spacing, pitches[i], velocity, each);
        if (i > 0) used += spacing;
    }
    return std::max(slot - used, 0);
}

// The nearest pitch below whose chord-scale weight is 8 or more (at most an
// octave down).
int StepPitchDownToChordScale(const ScaleString& weights, int pitch) {
    for (int p = pitch - 1; p >= pitch - 12 && p > 0; --p)
        if (WeightOf(weights, p) >= 8) return p;
    return pitch - 1;
}

const MelodySettings& MelodyPart() {
    return WorkingStyle.melody[kPartMelody];
}

// Sets every pan controller of the track to value.
void SetPans(MidiTrackData& track, int value) {
    for (int i = 0; i < track.EventCount(); ++i) {
        MidiEvent* e = track.Event(i);
        if (e->kind == event_kind::kControlChange && e->subtype == kPanController)
            e->value = Clamp7(value);
    }
}

// Keeps the melody ornament kind over a writer that sets it for its part.
class OrnamentKeeper {
public:
    OrnamentKeeper() : saved_(WorkingStyle.melody[kPartMelody].ornament) {
        if (saved_ == 4) WorkingStyle.melody[kPartMelody].ornament = 0;
    }
    ~OrnamentKeeper() { WorkingStyle.melody[kPartMelody].ornament = saved_; }
    OrnamentKeeper(const OrnamentKeeper&) = delete;
    OrnamentKeeper& operator=(const OrnamentKeeper&) = delete;

private:
    int saved_;
};

void FinishPartTrack(PartTrack* track, int part, int kind, TrackList& tracks, int& count) {
    (void)kind;
    // Held to ten octaves (every pitch folds the same past them), so a
    // style's shift cannot overflow.
    const int octave = std::clamp(WorkingStyle.octave[part], -10, 10);
    if (octave != 0) track->Transpose(part, octave * 12);
    tracks.push_back(track);
    ++count;
}

}  // namespace

// ---- Renderers ----

// A note of a slot of length ticks sounding all but the last gap ticks of it;
// a slot no longer than the gap sounds whole, and a slot of no length is left
// silent, so no note of no length is written.
int SlotNote(OrnamentPlace& place, int delta, int pitch, int velocity, int length, int gap) {
    if (length <= 0) velocity = 0;
    Note(place, delta, pitch, velocity, length > gap ? length - gap : length);
    return length;
}

int RenderPlainNote(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    return SlotNote(place, delta, pitch, pitch > 0 ? velocity : 0, length, 3);
}

int RenderOrnamentClassical(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    if (place.kind != kPartKindMelody || !(WorkingStyle.density[kPartMelody] < 80 || Chance(2)) ||
        length != 96 || place.partTime <= 192 || !place.chord.IsTriadPitch(pitch))
        return RenderPlainNote(delta, pitch, length, velocity, place);
    const int pc = PitchClass(pitch);
    int below = 0;
    int each = 9;
    if (pc == 0 || pc == 5) {
        below = 1;
    } else if ((pc == 2 || pc == 7) && Chance(2)) {
        below = 2;
        each = 10;
    } else {
        return RenderPlainNote(delta, pitch, length, velocity, place);
    }
    const int figure[8] = {pitch - below, pitch, pitch - below, pitch,
                           pitch - below, pitch, pitch - 3,     pitch - 1};
    place.carriedPitch = pitch;
    return WriteRun(place, delta, figure, 8, each, 12, velocity, length);
}

int RenderOrnamentCrazyTrill(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    if (length != 48) return RenderPlainNote(delta, pitch, length, velocity, place);
    const int figure[4] = {pitch - 1, pitch, pitch - 1, pitch};
    return WriteRun(place, delta, figure, 4, 9, 12, velocity, length);
}

int RenderOrnamentBlues(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    bool& running = TheComposerState.BluesRunning;
    if (length != 64 || !(Chance(50) || (running && Chance(2)))) {
        running = false;
        return RenderPlainNote(delta, pitch, length, velocity, place);
    }
    running = RandomInRange(1, 4) <= 3;
    if (IsFlatDegree(pitch + 1)) {
        const int figure[4] = {pitch + 1, pitch, pitch + 1, pitch};
        return WriteRun(place, delta, figure, 4, 13, 16, velocity, length);
    }
    if (IsFlatDegree(pitch)) {
        const int figure[2] = {pitch - 1, pitch};
        return WriteRun(place, delta, figure, 2, 29, 32, velocity, length);
    }
    int figure[4];
    const int r = RandomInRange(1, 4);
    if (r <= 2) {
        const int dir = r == 1 ? -1 : 1;
        int p = pitch;
        for (int i = 0; i < 3; ++i) {
            p = StepPitchToC7Scale(p, dir);
            figure[2 - i] = p;
        }
        figure[3] = pitch;
    } else if (r == 3) {
        figure[0] = pitch - 3, figure[1] = pitch - 2, figure[2] = pitch - 3, figure[3] = pitch;
    } else {
        figure[0] = pitch + 3, figure[1] = pitch + 2, figure[2] = pitch + 3, figure[3] = pitch;
    }
    return WriteRun(place, delta, figure, 4, 13, 16, velocity, length);
}

int RenderOrnamentUnstable(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    if (length <= 47 || !Chance(2)) return RenderPlainNote(delta, pitch, length, velocity, place);
    if (pitch < 12 && velocity > 0) ShowErrorMessage(kUnstableFigureError);
    if (Chance(2)) {
        // Alternating notes 16 apart while more than 40 ticks remain, then
        // the pitch for the rest of the slot.
        int k = 0;
        for (; length - 16 * k > 40; ++k)
            Note(place, k == 0 ? delta : 16, k % 2 ? pitch - 1 : pitch, velocity, 13);
        Note(place, k == 0 ? delta : 16, pitch, velocity, length - 16 * k - 3);
        return length - 16 * k;
    }
    if (Chance(2)) {
        const int third = length / 3;
        Note(place, delta, pitch, velocity, third);
        Note(place, third, pitch - 1, velocity, third);
        Note(place, third, pitch, velocity, length - 2 * third - 3);
        return length - 2 * third;
    }
    Note(place, delta, pitch + 1, velocity, 5);
    Note(place, 8, pitch - 1, velocity, 5);
    Note(place, 8, pitch, velocity, length - 16 - 3);
    return length - 16;
}

int RenderOrnamentPercussive(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    const int i = place.eventIndex;
    if (i % 80 >= 40 && Chance(2) && (length == 48 || length == 64 || length == 96)) {
        static constexpr int kPieces[3] = {4, 6, 8};
        const int n = kPieces[RandomInRange(0, 2)];
        const int each = length / n;
        const int fall = Chance(2) ? 15 : 5;
        // The velocity falls piece by piece: by 25 after a low piece, by 15
        // or 5 after the note itself; it stays a sounding velocity.
        int v = velocity;
        for (int k = 0; k < n; ++k) {
            const bool low = k % 2 == 0;
            Note(place, k == 0 ? delta : each, low ? pitch - 5 : pitch, Velocity(v), each - 1);
            v -= low ? 25 : fall;
        }
        return length - each * (n - 1);
    }
    if (i % 40 >= 20 && Chance(2) && length >= 48) {
        Note(place, delta, pitch - 1, Velocity(velocity - 25), 23);
        Note(place, 24, pitch, velocity, length - 24 - 3);
        return length - 24;
    }
    return RenderPlainNote(delta, pitch, length, velocity, place);
}

int RenderOrnamentVaried(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    const int varied = VaryPitch(pitch);
    return RenderPlainNote(delta, varied, length, varied > 0 ? velocity : 0, place);
}

int RenderOrnamentPops(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    // A handset tune converted from a file keeps the file's notes as they are.
    if (RingtoneConversionRunning()) return RenderPlainNote(delta, pitch, length, velocity, place);
    if ((length != 192 && length != 96) || !Chance(3))
        return RenderPlainNote(delta, pitch, length, velocity, place);
    if (Chance(2)) {
        const int leads = RandomInRange(1, 2);
        int figure[3];
        int n = 0;
        if (Chance(2)) {
            figure[n++] = pitch - 1;
        } else {
            int p = pitch;
            int below[2];
            for (int k = 0; k < leads; ++k)
                below[k] = p = StepPitchDownToChordScale(place.weights, p);
            for (int k = leads - 1; k >= 0; --k)
                figure[n++] = below[k];
        }
        for (int k = 0; k < n; ++k)
            Note(place, k == 0 ? delta : 10, figure[k], velocity, 7);
        Note(place, 10, pitch, velocity, length - 10 * n - 3);
        return length - 10 * n;
    }
    int steps[4];
    steps[3] = pitch;
    for (int k = 2; k >= 0; --k)
        steps[k] = StepPitchDownToChordScale(place.weights, steps[k + 1]);
    const int quarter = length / 4;
    return WriteRun(place, delta, steps, 4, quarter - 3, quarter, velocity, length);
}

int RenderOrnamentRapVoice(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    if (length != 96 || !Chance(2)) return RenderPlainNote(delta, pitch, length, velocity, place);
    const bool firstRest = Chance(2);
    Note(place, delta, firstRest ? 0 : pitch, firstRest ? 0 : velocity, 21);
    Note(place, 24, pitch, velocity, 21);
    Note(place, 24, pitch + 5, velocity, 21);
    Note(place, 24, pitch, velocity, 21);
    return length - 72;
}

// The grace figures sit inside the note's slot; on a note too short to hold
// one (triplet runs leave notes of a few ticks at a chord's end) the note is
// played plain, so the next event never comes before the figure's last note.
int RenderOrnamentAndes(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    constexpr int kGraceFits = 8;
    constexpr int kRunFits = 13;
    if (Chance(2)) {
        if (length < kGraceFits) return SlotNote(place, delta, pitch, velocity, length, 2);
        Note(place, delta, pitch - 1, velocity, 3);
        Note(place, 4, pitch, velocity, length / 2);
        return length - 4;
    }
    if (Chance(3) && length >= kRunFits) {
        const int figure[4] = {pitch - 3, pitch - 2, pitch - 1, pitch};
        for (int k = 0; k < 3; ++k)
            Note(place, k == 0 ? delta : 3, figure[k], velocity, 2);
        Note(place, 3, pitch, velocity, length - 9 - 3);
        return length - 9;
    }
    return SlotNote(place, delta, pitch, velocity, length, 2);
}

int RenderOrnamentScotland(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    (void)velocity;
    constexpr int kBendFits = 4;
    constexpr int kGraceFits = 8;
    const int v = 64;
    if (Chance(3)) {
        if (length < kBendFits) return SlotNote(place, delta, pitch, v, length, 3);
        const int step = std::max(length - 3, 0) / RandomInRange(6, 8);
        const int used =
            AddNoteBendFromBelow(delta, pitch, v, length - 3, step, place.channel, *place.track);
        return std::max(length - used, 0);
    }
    const int grace = Chance(3) ? pitch + 1 : pitch;
    if (length < kGraceFits) return SlotNote(place, delta, pitch, v, length, 3);
    Note(place, delta, grace, v, 3);
    Note(place, 4, pitch, v, length - 4 - 3);
    return length - 4;
}

int RenderOrnamentScale(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    if (place.kind != kPartKindMelody)
        return RenderPlainNote(delta, pitch, length, velocity, place);
    if (length == 192 && Chance(6)) {
        const int n = Chance(3) ? 8 : (Chance(6) ? 12 : 6);
        const int spacing = 192 / n;
        int figure[12];
        const int shape = RandomInRange(1, 4);
        int p = pitch;
        if (shape == 4) p = pitch - (Chance(6) ? 9 : 7);
        for (int k = 0; k < n; ++k) {
            figure[k] = p;
            if (shape == 1) {
                p = StepPitchToKeyScale(p - 1, -1);
            } else if (shape == 2) {
                p = Chance(4) ? StepPitchToKeyScale(p + 1, 1) : StepPitchToKeyScale(p - 1, -1);
            } else if (shape == 3) {
                p = StepPitchToKeyScale(p + 1, 1);
            } else {
                p = p + 1;
            }
        }
        int used = 0;
        for (int k = 0; k < n; ++k) {
            Note(place, k == 0 ? delta : spacing, figure[k], Velocity(40 - 2 * k), spacing - 1);
            if (k > 0) used += spacing;
        }
        return length - used;
    }
    if (Chance(3)) return RenderOrnamentClassical(delta, pitch, length, velocity, place);
    return RenderPlainNote(delta, pitch, length, velocity, place);
}

int RenderOrnamentJump(int delta, int pitch, int length, int velocity, OrnamentPlace& place) {
    if (!place.afterRest || length < 144 || pitch < 13 || RingtoneConversionRunning())
        return RenderPlainNote(delta, pitch, length, velocity, place);
    int lead = pitch - 5;
    for (int k = 0; k < 12 && lead > 0 && WeightOf(place.weights, lead) < 8; ++k)
        --lead;
    Note(place, delta, lead, velocity, 45);
    Note(place, 48, pitch, velocity, length - 48 - 3);
    return length - 48;
}

OrnamentRenderer RendererOfKind(int ornamentKind) {
    switch (ornamentKind) {
        case 1:
            return RenderOrnamentClassical;
        case 2:
            return RenderOrnamentCrazyTrill;
        case 3:
            return RenderOrnamentBlues;
        case 4:
            return RenderOrnamentUnstable;
        case 6:
            return RenderOrnamentPercussive;
        case 7:
            return RenderOrnamentVaried;
        case 11:
            return RenderOrnamentPops;
        case 14:
            return RenderOrnamentRapVoice;
        case 15:
            return RenderOrnamentAndes;
        case 16:
            return RenderOrnamentScotland;
        case 17:
            return RenderOrnamentScale;
        case 19:
            return RenderOrnamentJump;
        default:
            return RenderPlainNote;
    }
}

// ---- The writer ----

void RenderPartTrack(NoteList& list, PartTrack& track, int kind) {
    OrnamentPlace place;
    place.track = &track;
    place.kind = kind;
    place.channel = kind;
    switch (kind) {
        case kPartKindMelody:
            TuneMelodyProgram =
                ResolveInstrumentGroup(WorkingStyle.voice[kPartMelody], kPartMelody);
            SetupChannel(track, kind, TuneMelodyProgram, WorkingStyle.mix[kPartMelody], 0);
            track.AddControlChange(kind, kPanController, WorkingStyle.mix[kPartMelody].panpot);
            break;
        case kPartKindObbligato:
        case kPartKindSubMelody:
            SetupChannel(track, kind, ResolveInstrumentGroup(WorkingStyle.voice[kind], kind),
                         WorkingStyle.mix[kind], 0);
            break;
        case kPartKindSecondMelody:
            SetupChannel(track, kind,
                         ResolveInstrumentGroup(WorkingStyle.voice[kPartMelody], kPartMelody),
                         WorkingStyle.mix[kPartMelody], 0);
            break;
        default:
            ShowErrorMessage(kTrackInformationError);
            list.Clear();
            return;
    }
    const int ornament = MelodyPart().ornament;
    const OrnamentRenderer ornate = RendererOfKind(ornament);
    int delta = GetLeadInTicks();
    place.partTime = 0;
    bool lastWasRest = true;
    for (int i = 0; i < list.Count(); ++i) {
        const NoteEvent& e = *list.Event(i);
        place.eventIndex = i;
        if (e.kind == note_kind::kChord) {
            HarmonyStructureEntry entry{};
            const int length = std::clamp(e.length, 0, 0xFFFF);
            entry.lengthHigh = static_cast<std::uint8_t>(length >> 8);
            entry.lengthLow = static_cast<std::uint8_t>(length & 0xFF);
            for (int k = 0; k < 4; ++k)
                entry.chord.text[k] = e.chordCode[k];
            place.chord = e.chordCode[0] == '\0' ? ChordRecord() : ChordRecord(entry, nullptr);
            if (e.chordCode[0] != '\0') GetChordScaleWeights(e.chordCode, place.weights);
            continue;
        }
        if (e.kind == note_kind::kValue) {
            track.AddSustainPedal(kind, delta, Clamp7(e.value));
            delta = std::max(e.length, 0);
            continue;
        }
        if (e.kind != note_kind::kNote) continue;
        int pitch = e.value;
        if (place.carriedPitch > 0) {
            pitch = place.carriedPitch;
            place.carriedPitch = 0;
        }
        int length = std::max(e.length, 0);
        const int velocity = i == list.Count() - 1 ? 48 : 64;
        // A note longer than the track takes in one piece sounds on as
        // consecutive notes.
        while (length > kLongestPartNote) {
            Note(place, delta, pitch >= 12 ? pitch : 0, pitch >= 12 ? velocity : 0,
                 kLongestPartNote);
            delta = kLongestPartNote;
            length -= kLongestPartNote;
            place.partTime += kLongestPartNote;
        }
        place.afterRest = lastWasRest;
        if (pitch >= 12) {
            delta = ornate(delta, pitch, length, velocity, place);
        } else {
            track.AddNoteEvent(kind, delta, 0, 0, length);
            delta = length;
        }
        lastWasRest = pitch < 12;
        place.partTime += length;
    }
    PadTrackEnd(track);
    if (ornament == 18) track.MakeMonophonic(kNoChannel);
    if (ornament == 20) track.AddPassingNotes();
    ApplyPartEffects(track, kind);
    list.Clear();
    if (kind == kPartKindMelody) {
        if (WorkingStyle.octave[kPartMelody] == 1) track.AddOctaveDouble();
        const MixBlock& mix = WorkingStyle.mix[kPartMelody];
        if (mix.delay != 0) SetPans(track, (mix.panpot + 40) % 128);
    }
}

void BuildMelodyTrack(NoteList& melody, TrackList& tracks, int& count) {
    auto* track = new PartTrack();
    RenderPartTrack(melody, *track, kPartKindMelody);
    const MixBlock& mix = WorkingStyle.mix[kPartMelody];
    if (mix.delay != 0) {
        auto* copy = new PartTrack();
        for (int i = 0; i < track->EventCount(); ++i)
            copy->AppendEvent(new MidiEvent(track->Event(i)));
        copy->RemapChannel(kPartKindMelody, kDelayChannel);
        DelayAndDetuneTrack(*copy, kDelayChannel, mix.delay);
        // The copy sounds on the other side; the pan stays a data byte.
        SetPans(*copy, std::clamp(mix.panpot - 40, 0, 127));
        tracks.push_back(copy);
        ++count;
    }
    tracks.push_back(track);
    ++count;
}

void BuildObbligatoTrack(const NoteList& conductor, TrackList& tracks, int& count) {
    if (WorkingStyle.voice[kPartObbligato] == kVoiceNotUsed) return;
    if (WorkingStyle.subMelodyMethod == 6)
        WorkingStyle.melody[kPartObbligato] = WorkingStyle.melody[kPartMelody];
    OrnamentKeeper keeper;
    NoteList list;
    if (!ComposePartList(kPartObbligato, kPartKindObbligato, list)) return;
    if (WorkingStyle.subMelodyMethod == 8) list.CopyFrom(conductor);
    auto* track = new PartTrack();
    RenderPartTrack(list, *track, kPartKindObbligato);
    FinishPartTrack(track, kPartObbligato, kPartKindObbligato, tracks, count);
}

void BuildSubMelodyTrack(TrackList& tracks, int& count) {
    if (WorkingStyle.voice[kPartKindSubMelody] == kVoiceNotUsed) return;
    OrnamentKeeper keeper;
    NoteList list;
    if (WorkingStyle.table17544[2] != 0) {
        RhythmicPulseList(list);
    } else if (!ComposePartList(kPartKindSubMelody, kPartKindSubMelody, list)) {
        return;
    }
    auto* track = new PartTrack();
    RenderPartTrack(list, *track, kPartKindSubMelody);
    FinishPartTrack(track, kPartKindSubMelody, kPartKindSubMelody, tracks, count);
}

void RhythmicPulseList(NoteList& out) {
    static constexpr int kRows[2][16] = {{1, 0, 1, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0, 0},
                                         {1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1}};
    const int piece = WorkingStyle.basicBeat == 3 ? 32 : 48;
    int step = 0;
    int row = 0;
    const int chords = std::clamp<int>(ComposeInfo.chordCount, 0, kMaxChords);
    for (int c = 0; c < chords; ++c) {
        const ChordRecord* chord = ComposeInfo.chords[c];
        if (!chord) continue;
        if (row == 1 && Chance(3))
            row = 1;
        else if (c < 5)
            row = 0;
        else
            row = Chance(4) ? 1 : 0;
        out.AppendChord(chord);
        for (int at = 0; at < chord->length; at += piece) {
            const int length = std::min(piece, chord->length - at);
            out.AppendNote(length, kRows[row][step % 16] ? kPulsePitch : 0);
            step = (step + 1) % 16;
        }
    }
}
