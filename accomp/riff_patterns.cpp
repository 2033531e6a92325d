// Lines from step tables and guitar figures: "Riff" over random chord-degree
// steps, the "Long Riff" family over a random riff of two voices, and the
// guitar riffs "Glam Rock" and "Cutting", "Mersey Beat", "Ragtime",
// "Rockabilly" and "Stroke Riff".
#include <algorithm>
#include <array>
#include <cstdlib>
#include <mutex>

#include "accomp/harmony_families.h"
#include "compose/chord_steps.h"
#include "compose/chord_weights.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kVelocity = 64;

std::mutex riffMemoryMutex;
int riffMemory[kRiffTableSize] = {};

bool Triplet() {
    return WorkingStyle.basicBeat == 3;
}

// A chord tone moved by shift; 0 when the chord lacks the tone.
int Tone(int tone, int shift) {
    return tone > 0 ? tone + shift : 0;
}

// A note of the line: a missing tone or a pitch outside 13..127 is silent,
// the velocity is held in 1..127 and the length cut at the chord's end (the
// last chord's ending may run on).
void Sound(ChordWalk& w, int offset, int pitch, int velocity, int length) {
    if (pitch < 13 || pitch > 127) return;
    if (!w.IsLast()) length = std::min(length, w.Length() - offset);
    w.Note(offset, pitch, std::clamp(velocity, 1, 127), length);
}

// 64 lowered on a repeated stroke, the more the later the repeat.
int RepeatVelocity(int repeat) {
    if (repeat <= 0) return kVelocity;
    return kVelocity - RandomInRange(0, std::min(5 * repeat, 20));
}

// ---- "Riff" ----

int StepPitch(int code, const ChordRecord& c) {
    switch (code) {
        case 1:
            return Tone(c.root, 0);
        case 2:
            return Tone(c.root, 2);
        case 3:
            return Tone(c.third, 0);
        case 4:
            return Tone(c.fifth, -2);
        case 5:
            return Tone(c.fifth, 0);
        case 6:
            return Tone(c.fifth, 2);
        case 7:
            return Tone(c.seventh, 0);
        case 11:
        case 18:
            return Tone(c.root, 12);
        case 12:
            return Tone(c.root, 14);
        case 13:
            return Tone(c.third, 12);
        case 14:
            return Tone(c.fifth, 10);
        case 15:
            return Tone(c.fifth, 12);
        case 16:
            return Tone(c.fifth, 14);
        case 17:
            return Tone(c.seventh, 12);
        default:
            return 0;  // a rest
    }
}

bool IsNeighbourStep(int code) {
    switch (code) {
        case 2:
        case 4:
        case 6:
        case 7:
        case 12:
        case 14:
        case 16:
        case 17:
            return true;
        default:
            return false;
    }
}

void Riff(ChordWalk& walk) {
    const int density = WorkingStyle.density[kPartHarmony];
    const int progression = WorkingStyle.chordProgression;
    int step = 48;
    if (Triplet())
        step = 32;
    else if (progression == 2 || progression == 8 || progression == 12 || progression == 13)
        step = 24;
    if (density >= 120) step = 24;
    ChordSteps steps = GenerateRandomChordSteps();
    if (density == 120) {
        for (int& code : steps)
            if (IsNeighbourStep(code) && RandomInRange(1, 3) != 1) code = 0;
    }
    const int span = RandomInRange(1, 2) * 384;
    int position = 0;
    long long used = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        if (used + w.Length() > span) {
            position = 0;
            used = 0;
        }
        used += w.Length();
        // A chord longer than the span walks on round the 64 steps.
        for (int at = 0; at + step <= w.Length(); at += step) {
            Sound(w, at, StepPitch(steps[static_cast<std::size_t>(position)], w.Chord()), kVelocity,
                  15);
            position = (position + 1) % kChordSteps;
        }
    });
}

// ---- The "Long Riff" family ----

enum ChordTone {
    kRoot = kRoleRoot,
    kThird = kRoleThird,
    kFifth = kRoleFifth,
    kSeventh = kRoleSeventh
};

struct VoiceCode {
    ChordTone tone;
    int shift;
};

// Riff codes 0..11, straight feel then triplet feel.
constexpr VoiceCode kVoiceCodes[2][12] = {
    {{kFifth, -12},
     {kFifth, -12},
     {kFifth, -10},
     {kSeventh, -12},
     {kRoot, 0},
     {kRoot, 2},
     {kThird, 0},
     {kFifth, -2},
     {kFifth, 0},
     {kFifth, 2},
     {kSeventh, 0},
     {kRoot, 12}},
    {{kFifth, -12},
     {kFifth, -12},
     {kFifth, -12},
     {kFifth, -10},
     {kRoot, 0},
     {kThird, 0},
     {kThird, 0},
     {kFifth, 0},
     {kFifth, 0},
     {kFifth, 2},
     {kRoot, 12},
     {kRoot, 12}},
};

// The pitch of a voice code over the chord; 0 (silent) for -1 and for any
// code outside the table. The first voice keeps the straight row in triplet
// feel too, so the two voices part on codes 2, 3, 5, 7 and 10 there.
int VoicePitch(int voice, int code, const ChordRecord& c, bool triplet) {
    if (code < 0 || code > 11) return 0;
    const VoiceCode& v = kVoiceCodes[voice == 2 && triplet ? 1 : 0][code];
    return Tone(ChordToneOf(c, v.tone), v.shift);
}

struct RiffTriple {
    int units;
    int first;
    int second;
};
constexpr int kMaxRiffTriples = kRiffTableSize / 3;

// The triples before the first zero length, which ends the riff. An empty
// riff plays one unit of code 0 on both voices.
int ReadTriples(const int (&riff)[kRiffTableSize], RiffTriple (&out)[kMaxRiffTriples]) {
    int n = 0;
    while (n < kMaxRiffTriples && riff[3 * n] != 0) {
        out[n] = {std::max(riff[3 * n], 1), riff[3 * n + 1], riff[3 * n + 2]};
        ++n;
    }
    if (n == 0) out[n++] = {1, 0, 0};
    return n;
}

// Type 41 plays the style's own riff (bytes, 255 meaning -1) when it has
// one, else the run's riff memory; 40 and 46 make a new riff and keep it.
void LoadLongRiff(int type, int (&riff)[kRiffTableSize]) {
    if (type == 41) {
        if (WorkingStyle.riff[0] != 0) {
            for (int i = 0; i < kRiffTableSize; ++i) {
                const int b = WorkingStyle.riff[i];
                riff[i] = b == 255 ? -1 : b;
            }
        } else {
            CopyRiffMemory(riff);
        }
        return;
    }
    GenerateRandomRiff(riff, WorkingStyle);
    StoreRiffMemory(riff);
}

// The next pitch from this one up that is a chord-scale tone of the chord,
// looking at most 12 semitones up within 13..127; the pitch itself when none
// is.
int RaiseToChordScale(int pitch, const ChordRecord& c) {
    for (int up = 0; up <= 12; ++up) {
        const int p = pitch + up;
        if (p > 127) break;
        if (p >= 13 && IsPitchUsableOverChord(p, c.code.text)) return p;
    }
    return pitch;
}

void LongRiff(ChordWalk& walk, int type) {
    const bool triplet = Triplet();
    const int unit = triplet ? 32 : 24;
    int table[kRiffTableSize];
    LoadLongRiff(type, table);
    RiffTriple triples[kMaxRiffTriples];
    const int count = ReadTriples(table, triples);
    int next = 0;
    int carry = 0;  // the tail of a triple cut at the previous chord's end
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int length = w.Length();
        const int units = length / unit;
        if (units < 5 || units == 32) {
            next = 0;
            carry = 0;
        }
        if (w.IsLast() && w.Count() > 1) {
            const RiffTriple& t = triples[next];
            if (t.first == -1) return;
            const int pitches[2] = {VoicePitch(1, t.first, c, triplet),
                                    VoicePitch(2, t.second, c, triplet)};
            for (int p : pitches)
                if (p > 0)
                    Sound(w, 0, RaiseToChordScale(p, c), 54 + RandomInRange(20, 30), length - 2);
            return;
        }
        if (carry >= length) {
            carry -= length;
            return;
        }
        int at = carry;
        while (at < length) {
            const RiffTriple& t = triples[next];
            next = (next + 1) % count;
            const int ticks = t.units * unit;
            if (t.first != -1) {
                Sound(w, at, VoicePitch(1, t.first, c, triplet), kVelocity, ticks - 2);
                Sound(w, at, VoicePitch(2, t.second, c, triplet), kVelocity, ticks - 2);
            }
            at += ticks;
        }
        carry = at - length;
    });
}

// ---- "Glam Rock" and "Cutting" ----

// Three-voice stabs kept near each other: fifth, third and root, or the
// same an octave lower, whichever puts the top voice nearer the previous
// stab's top (pulled toward 50..70).
class StabVoicer {
public:
    std::array<int, 3> Next(const ChordRecord& c) {
        std::array<int, 3> v = {c.fifth, c.third, c.root};
        int top = *std::max_element(v.begin(), v.end());
        if (top <= 0) return v;
        if (reference_ > 0 && std::abs(top - 12 - reference_) < std::abs(top - reference_)) {
            for (int& p : v)
                p = Tone(p, -12);
            top -= 12;
        }
        reference_ = top;
        if (reference_ < 50)
            reference_ += 6;
        else if (reference_ > 70)
            reference_ -= 6;
        return v;
    }

private:
    int reference_ = 0;  // none before the first stab
};

enum Stab { kSilent, kShort, kLong, kThirdPair, kRootPair, kHighPair };

constexpr Stab kGlamStraight[16] = {kSilent, kLong,      kShort,    kShort,   kLong,   kShort,
                                    kShort,  kSilent,    kLong,     kLong,    kSilent, kLong,
                                    kSilent, kThirdPair, kHighPair, kRootPair};
constexpr Stab kGlamTripletFull[12] = {kLong, kSilent, kShort, kLong,      kShort,    kShort,
                                       kLong, kSilent, kLong,  kThirdPair, kHighPair, kRootPair};
constexpr Stab kGlamTripletSparse[12] = {kLong, kSilent, kSilent, kSilent, kSilent, kShort,
                                         kLong, kSilent, kSilent, kSilent, kSilent, kRootPair};

// The highest pitch at or below root + 2 usable over the chord, looking at
// most 12 semitones down within 13..127; root + 2 itself when none is.
int HighestUsableBelow(const ChordRecord& c) {
    const int start = c.root + 2;
    for (int down = 0; down <= 12; ++down) {
        const int p = start - down;
        if (p < 13) break;
        if (p <= 127 && IsPitchUsableOverChord(p, c.code.text)) return p;
    }
    return start;
}

void GlamRock(ChordWalk& walk, int variant) {
    const bool triplet = variant != 2;
    const int step = triplet ? 32 : 48;
    const int stab = triplet ? 16 : 24;
    const int held = triplet ? 30 : 46;
    const Stab* cycle =
        !triplet ? kGlamStraight : (variant == 0 ? kGlamTripletFull : kGlamTripletSparse);
    const int cycleLength = triplet ? 12 : 16;
    StabVoicer voicer;
    int position = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        if (w.Length() >= 384) position = 0;
        const bool blockB = !triplet && (w.Block() == 'B' || !w.Block());
        for (int at = 0; at + step <= w.Length(); at += step, ++position) {
            Stab kind = cycle[position % cycleLength];
            if (blockB) kind = position % 2 ? kLong : kSilent;
            int pair = 0;
            switch (kind) {
                case kSilent:
                    break;
                case kShort:
                case kLong:
                    for (int p : voicer.Next(c))
                        Sound(w, at, p, kVelocity, kind == kShort ? 5 : stab);
                    break;
                case kThirdPair:
                    pair = c.third;
                    break;
                case kRootPair:
                    pair = c.root;
                    break;
                case kHighPair:
                    pair = HighestUsableBelow(c);
                    break;
            }
            if (pair > 0) {
                Sound(w, at, pair, kVelocity, held);
                Sound(w, at, pair - 12, kVelocity, held);
            }
        }
        position %= cycleLength;
    });
}

// ---- "Mersey Beat" ----

// Strummed chords on every beat, a chord's later strokes softer.
void MerseyStrokes(ChordWalk& w, const ChordRecord& c) {
    for (int beat = 0; beat * 96 < w.Length(); ++beat) {
        const int velocity = RepeatVelocity(beat);
        const int length = beat % 2 ? 46 : 94;
        for (int p : {c.root, c.third, c.fifth})
            Sound(w, beat * 96, p, velocity, length);
    }
}

// A guitar chord built up every 192 ticks of an 8-beat chord, one more voice
// each time, the voices 3 ticks apart and each 3 shorter.
void MerseyStacks(ChordWalk& w, const ChordRecord& c) {
    const int voices[4] = {Tone(c.root, -12), c.third, c.fifth, c.seventh};
    for (int k = 0; k < 4; ++k) {
        const int velocity = RepeatVelocity(k);
        for (int j = 0; j <= k; ++j)
            Sound(w, 192 * k + 3 * j, voices[j], velocity, 189 - 3 * j);
    }
}

struct LineNote {
    int offset;
    ChordTone tone;
    int shift;
    int length;
};
// A walking line over an 8-beat chord, the first beat silent.
constexpr LineNote kMerseyWalk[] = {
    {96, kRoot, 0, 94},   {192, kSeventh, -12, 94}, {288, kFifth, -10, 94}, {384, kFifth, -12, 94},
    {480, kRoot, 0, 142}, {624, kFifth, -12, 46},   {672, kRoot, 0, 94},
};

void MerseyBeat(ChordWalk& walk, bool triplet) {
    const int boogie = RandomInRange(0, 10);
    const int rare = RandomInRange(0, 5);
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int length = w.Length();
        if (!c.root) return;
        if (length % 96 != 0) {
            w.Bend(ChordWalk::BendKind::kFromBelow, 0, c.root, 49, length - 2, (length - 2) / 15);
            return;
        }
        if (triplet) {
            // A shuffle: strokes 3 ticks apart on the beat and on its last
            // third.
            for (int at = 0; at < length; at += 96) {
                const int voices[3] = {c.root, c.third, c.fifth};
                for (int j = 0; j < 3; ++j)
                    Sound(w, at + 3 * j, voices[j], kVelocity, 93 - 3 * j);
                const int off = RepeatVelocity(2);
                for (int j = 0; j < 3; ++j)
                    Sound(w, at + 64 + 3 * j, voices[j], off, 29 - 3 * j);
            }
            return;
        }
        if (length == 768 && RandomInRange(1, rare + 8) == 1) {
            MerseyStacks(w, c);
        } else if (length == 768 && RandomInRange(1, rare + 6) == 1) {
            for (const LineNote& n : kMerseyWalk)
                Sound(w, n.offset, Tone(ChordToneOf(c, n.tone), n.shift), kVelocity, n.length);
        } else if (c.third - c.root == 4 && RandomInRange(1, boogie + 2) == 1) {
            // Major-third chords: root with fifth and sixth in turn.
            for (int beat = 0; beat * 96 < length; ++beat) {
                const int velocity = RepeatVelocity(beat);
                Sound(w, beat * 96, Tone(c.root, -12), velocity, 94);
                Sound(w, beat * 96, Tone(c.fifth, beat % 2 ? -10 : -12), velocity, 94);
            }
        } else {
            MerseyStrokes(w, c);
        }
    });
}

// ---- "Ragtime" ----

// Root and fifth in turn on the beats, a soft chord on the off-beats; at
// 1 in 6 the first beat's bass is held through its off-beat, at 1 in 12 the
// off-beat chords roll, at 1 in 16 a bar holds one chord from 144 for 220.
void Ragtime(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        const int length = w.Length();
        const bool heldBass = RandomInRange(1, 6) == 1;
        const bool rolled = RandomInRange(1, 12) == 1;
        const bool heldChord = length >= 384 && RandomInRange(1, 16) == 1;
        const int chord[3] = {c.third, c.fifth, Tone(c.root, 12)};
        for (int beat = 0; beat * 96 < length; ++beat) {
            const int at = beat * 96;
            const bool first = beat == 0 && heldBass;
            Sound(w, at, Tone(beat % 2 ? c.fifth : c.root, -12), kVelocity, first ? 94 : 46);
            if (heldChord && at == 96) {
                for (int p : chord)
                    Sound(w, 144, p, 48, 220);
                continue;
            }
            if (first || (heldChord && at + 48 > 144 && at + 48 < 384)) continue;
            for (int j = 0; j < 3; ++j)
                Sound(w, at + 48 + (rolled ? 4 * j : 0), chord[j], 48, 28 + (rolled ? 8 : 0));
        }
    });
}

// ---- "Rockabilly" ----

struct BoogieNote {
    int offset;
    int shift;  // from the fifth an octave down; the root when kRootShift
    int length;
    int velocity;
};
constexpr int kRootShift = 100;
// One 384-tick bar of the shuffle: root and fifth an octave down, then the
// sixth, with accents on the first and third beats.
constexpr BoogieNote kBoogie[] = {
    {0, kRootShift, 60, 84},   {64, kRootShift, 15, 64},  {96, -12, 60, 64},  {160, -12, 15, 64},
    {192, kRootShift, 60, 79}, {256, kRootShift, 15, 64}, {288, -10, 60, 64}, {352, -10, 15, 64},
};

void Rockabilly(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        for (int bar = 0; bar < w.Length(); bar += 384) {
            // At 1 in 5 the bar's second half is one fifth held from 160.
            const bool held = RandomInRange(1, 5) == 1;
            for (const BoogieNote& n : kBoogie) {
                const int at = bar + n.offset;
                if (at >= w.Length()) break;
                if (held && n.offset > 160) continue;
                const int pitch =
                    n.shift == kRootShift ? Tone(c.root, -12) : Tone(c.fifth, n.shift);
                const int length = held && n.offset == 160 ? 214 : n.length;
                Sound(w, at, pitch, n.velocity, length);
            }
        }
    });
}

// ---- "Stroke Riff" ----

// Per chord a figure of eight steps (six in triplet feel), each a full
// stroke, a short stroke or a rest at 1 in 3, played as chords.
void StrokeRiff(ChordWalk& walk) {
    const bool triplet = Triplet();
    const int step = triplet ? 32 : 48;
    const int steps = triplet ? 6 : 8;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        int figure[8];
        for (int k = 0; k < steps; ++k)
            figure[k] = RandomInRange(1, 3);
        const int voices[4] = {w.RootWithoutBass(), c.third, c.fifth, Tone(c.root, 12)};
        for (int k = 0; k * step < w.Length(); ++k) {
            const int kind = figure[k % steps];
            if (kind == 3) continue;
            for (int p : voices)
                Sound(w, k * step, p, kVelocity, kind == 1 ? step - 2 : step / 2 - 2);
        }
    });
}

}  // namespace

void CopyRiffMemory(int (&out)[kRiffTableSize]) {
    std::lock_guard<std::mutex> lock(riffMemoryMutex);
    std::copy(std::begin(riffMemory), std::end(riffMemory), std::begin(out));
}

void StoreRiffMemory(const int (&riff)[kRiffTableSize]) {
    std::lock_guard<std::mutex> lock(riffMemoryMutex);
    std::copy(std::begin(riff), std::end(riff), std::begin(riffMemory));
}

bool GenerateRiffPattern(ChordWalk& walk, int type, int variant, int density) {
    (void)density;
    switch (type) {
        case 30:
            Riff(walk);
            return true;
        case 40:
        case 41:
        case 46:
            LongRiff(walk, type);
            return true;
        case 11:
        case 54:
            GlamRock(walk, variant);
            return true;
        case 27:
            MerseyBeat(walk, variant == 0);
            return true;
        case 32:
            Ragtime(walk);
            return true;
        case 33:
            Rockabilly(walk);
            return true;
        case 45:
            StrokeRiff(walk);
            return true;
        default:
            return false;
    }
}
