// Melodic lines over the chord: "Melodic" wanders the chord's scale,
// "Middle East" falls to the root or bends up to it, "Hawaian" slides its
// fifth under held tones, "Melodious" walks a cycle of chord tones and
// "Bend" bends a fifth over a low seventh.
#include <algorithm>

#include "accomp/harmony_families.h"
#include "compose/chord_weights.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kVelocity = 64;
using Bend = ChordWalk::BendKind;

bool Triplet() {
    return WorkingStyle.basicBeat == 3;
}

// A chord tone moved by shift; 0 when the chord lacks the tone.
int Tone(int tone, int shift) {
    return tone > 0 ? tone + shift : 0;
}

bool Playable(int pitch) {
    return pitch >= 13 && pitch <= 127;
}

// A note of the line: a missing tone or a pitch outside 13..127 is silent,
// the velocity is held in 1..127 and the length cut at the chord's end (the
// last chord's ending may run on).
void Sound(ChordWalk& w, int offset, int pitch, int velocity, int length) {
    if (!Playable(pitch)) return;
    if (!w.IsLast()) length = std::min(length, w.Length() - offset);
    w.Note(offset, pitch, std::clamp(velocity, 1, 127), length);
}

void BentSound(ChordWalk& w, Bend kind, int offset, int pitch, int velocity, int length,
               int bendTime) {
    if (!Playable(pitch)) return;
    if (!w.IsLast()) length = std::min(length, w.Length() - offset);
    w.Bend(kind, offset, pitch, std::clamp(velocity, 1, 127), length, bendTime);
}

// ---- "Melodic" ----

constexpr int kMelodicLow = 55;
constexpr int kMelodicHigh = 84;
constexpr int kMelodicReach = 4;  // semitones a step may move

// The next pitch of the line: a random pitch usable over the chord within a
// few semitones of the last, never the last itself; the root an octave up
// when none is near.
int NextMelodicPitch(int last, const ChordRecord& c, const ScaleString& weights) {
    int choices[2 * kMelodicReach];
    int count = 0;
    for (int move = -kMelodicReach; move <= kMelodicReach; ++move) {
        const int p = last + move;
        if (move == 0 || p < kMelodicLow || p > kMelodicHigh) continue;
        if (WeightOf(weights, p) >= kUsableWeight) choices[count++] = p;
    }
    return count ? choices[RandomInRange(0, count - 1)] : c.root + 12;
}

// Notes of 1 to 10 steps at 44 less up to a quarter of the density; a note
// is sounded at d in 200, the other steps pass silent.
void Melodic(ChordWalk& walk, int density) {
    const int step = Triplet() ? 32 : 24;
    int last = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        ScaleString weights;
        GetChordScaleWeights(c.code.text, weights);
        if (last == 0) last = c.root + 12;
        for (int at = 0; at + step <= w.Length();) {
            const int ticks = step * RandomInRange(1, 10);
            if (RandomInRange(1, 200) <= density) {
                last = NextMelodicPitch(last, c, weights);
                const int velocity = 44 - RandomInRange(0, std::max(density, 0) / 4);
                Sound(w, at, last, velocity, ticks - 2);
            }
            at += ticks;
        }
    });
}

// ---- "Middle East" ----

constexpr int kFall[7] = {12, 11, 8, 7, 3, 2, 0};

void MiddleEast(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        const int length = w.Length();
        bool run = w.IsFirst() && RandomInRange(1, 3) == 1;
        if (!run && length >= 384) run = RandomInRange(1, 5) == 1;
        if (!run) {
            BentSound(w, Bend::kFromBelow, 0, c.root, 49, length - 2, (length - 2) / 15);
            return;
        }
        // A run falling to the root, the last two notes softer and held.
        for (int k = 0; k < 7; ++k) {
            int noteLength = 4;
            int velocity = kVelocity;
            if (k == 5) {
                noteLength = (length - 38) / 2;
                velocity = 59;
            } else if (k == 6) {
                noteLength = length - 38;
                velocity = 54;
            }
            Sound(w, 6 * k, c.root + kFall[k], velocity, noteLength);
        }
    });
}

// ---- "Hawaian" ----

void Hawaian(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        const int length = w.Length();
        const int third = Tone(c.third, -12);
        const int fifth = Tone(c.fifth, -12);
        const int seventh = Tone(c.seventh, -12);
        if (length == 384 && RandomInRange(1, 5) == 1) {
            // Two halves: the fifth slid up under third and seventh, then the
            // three an octave higher.
            Sound(w, 0, third, kVelocity, 184);
            Sound(w, 0, seventh, kVelocity, 184);
            BentSound(w, Bend::kFromBelow, 0, fifth, kVelocity, 184,
                      RandomInRange(1, 2) == 1 ? 11 : 23);
            for (int p : {c.third, c.seventh, c.fifth})
                Sound(w, 192, p, kVelocity, 184);
            return;
        }
        if (RandomInRange(1, 2) == 1) {
            // A rolled chord, every voice ending 8 ticks before the next.
            const int voices[4] = {Tone(c.root, -12), third, fifth, seventh};
            for (int k = 0; k < 4; ++k)
                Sound(w, 8 * k, voices[k], k < 2 ? 62 : kVelocity, length - 8 * (k + 1));
            return;
        }
        Sound(w, 0, third, kVelocity, length - 8);
        Sound(w, 0, seventh, kVelocity, length - 8);
        if (length <= 192 && RandomInRange(1, 4) != 1)
            Sound(w, 0, fifth, kVelocity, length - 8);
        else if (length == 384 && RandomInRange(1, 2) == 1)
            BentSound(w, Bend::kScoop, 0, fifth, kVelocity, 376, 47);
        else
            BentSound(w, Bend::kFromBelow, 0, fifth, kVelocity, length - 8, (length - 8) / 8);
    });
}

// ---- "Melodious" ----

enum Degree {
    kRoot = kRoleRoot,
    kThird = kRoleThird,
    kFifth = kRoleFifth,
    kSeventh = kRoleSeventh,
    kFifthLow = kChordRoleCount,
    kNone,
};

// Cycles of chord tones: 16 steps in blocks 'A', 8 elsewhere, 12 in
// triplet feel.
constexpr Degree kMelodiousA[16] = {kFifth,   kNone,     kRoot,  kThird, kNone,  kFifth,
                                    kSeventh, kNone,     kFifth, kNone,  kThird, kRoot,
                                    kNone,    kFifthLow, kFifth, kNone};
constexpr Degree kMelodiousOther[8] = {kRoot,  kNone, kFifth,    kNone,
                                       kThird, kNone, kFifthLow, kNone};
constexpr Degree kMelodiousTriplet[12] = {kRoot,    kNone, kFifth, kThird, kNone, kFifth,
                                          kSeventh, kNone, kFifth, kThird, kNone, kFifthLow};

int DegreePitch(Degree d, const ChordRecord& c) {
    if (d == kFifthLow) return Tone(c.fifth, -2);
    return ChordToneOf(c, d);  // none gives 0
}

void Melodious(ChordWalk& walk) {
    const bool triplet = Triplet();
    const int step = triplet ? 32 : 48;
    int position = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const char block = w.Block();
        if (w.Index() > 0 && block != w.BlockAt(w.Index() - 1)) position = 0;
        const Degree* cycle =
            triplet ? kMelodiousTriplet : (block == 'A' ? kMelodiousA : kMelodiousOther);
        const int cycleLength = triplet ? 12 : (block == 'A' ? 16 : 8);
        for (int at = 0; at + step <= w.Length(); at += step) {
            position %= cycleLength;
            Sound(w, at, DegreePitch(cycle[position], c), kVelocity, step - 12);
            ++position;
        }
    });
}

// ---- "Bend" ----

// Per bar the seventh an octave down, and 2 ticks later the fifth bent up
// from below, both held nearly the bar (96 shorter at 1 in 4 on full
// bars).
void BendLine(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        for (int bar = 0; bar < w.Length(); bar += 384) {
            const int span = std::min(384, w.Length() - bar);
            int hold = span - 4;
            if (span == 384 && RandomInRange(1, 4) == 1) hold -= 96;
            Sound(w, bar, Tone(c.seventh, -12), kVelocity, hold);
            BentSound(w, Bend::kFromBelow, bar + 2, c.fifth, kVelocity, hold - 2, hold / 8);
        }
    });
}

}  // namespace

bool GenerateMelodicLinePattern(ChordWalk& walk, int type, int variant, int density) {
    (void)variant;
    switch (type) {
        case 24:
            Melodic(walk, density);
            return true;
        case 26:
            MiddleEast(walk);
            return true;
        case 42:
            Hawaian(walk);
            return true;
        case 51:
            Melodious(walk);
            return true;
        case 52:
            BendLine(walk);
            return true;
        default:
            return false;
    }
}
