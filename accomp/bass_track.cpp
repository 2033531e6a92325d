#include "accomp/bass_track.h"

#include <algorithm>
#include <mutex>

#include "accomp/custom_grid.h"
#include "compose/chord_tone_row.h"
#include "compose/chord_weights.h"
#include "compose/melody_stages.h"
#include "core/utilities.h"
#include "style/random_riff.h"
#include "style/style_table.h"

namespace {

using BendKind = ChordWalk::BendKind;

constexpr int kVelocity = 64;

bool Triplet() {
    return WorkingStyle.basicBeat == 3;
}
bool Chance(int n) {
    return RandomInRange(1, n) == 1;
}

// The context of one pattern run.
struct BassRun {
    ChordWalk& walk;
    int density;
    int monoPitch = 0;                // "Mono Tone"
    int dronePitch = 45;              // "2nd mono tone"
    int gridCounter = 0;              // "Custom"
    std::vector<BassRiffEntry> riff;  // "Long Riff"
};

// ---- Steady patterns ----

// Notes of the bass every step (the note step - gap long); even-numbered
// ones doubled an octave up when asked.
void EvenSteps(ChordWalk& w, int step, int length, bool doubled, int pitchOdd) {
    const int b = w.Chord().bass;
    const int n = w.Length() / step;
    for (int k = 0; k < n; ++k) {
        const int p = k % 2 == 0 || pitchOdd == 0 ? b : pitchOdd;
        w.Note(k * step, p, kVelocity, length);
        if (doubled && k % 2 == 0) w.Note(k * step, b + 12, kVelocity, length);
    }
}

// A chord that does not last whole beats is held on one pitch, 6 ticks
// short of its end; true when it was.
bool HoldOffBeatChord(ChordWalk& w, int pitch, int velocity) {
    if (w.Length() % 96 == 0) return false;
    w.Note(0, pitch, velocity, w.Length() - 6);
    return true;
}

void GeneralSteps(ChordWalk& w, bool doubled, int pitchOdd) {
    const int L = w.Length();
    if (L % 96 != 0) {
        EvenSteps(w, 48, 47, doubled, pitchOdd);
    } else if ((L / 96) % 2 == 0) {
        EvenSteps(w, 192, 188, doubled, pitchOdd);
    } else {
        EvenSteps(w, 96, 94, doubled, pitchOdd);
    }
}

void General(BassRun& r) {
    GeneralSteps(r.walk, true, 0);
}

void Short(BassRun& r) {
    if (Triplet()) {
        EvenSteps(r.walk, 32, 30, true, 0);
    } else {
        EvenSteps(r.walk, 24, 23, true, 0);
    }
}

void MonoTone(BassRun& r) {
    ChordWalk& w = r.walk;
    const int L = w.Length();
    if (L <= 192) {
        w.Note(0, r.monoPitch, kVelocity, L - 3);
        return;
    }
    const int n = (L - 193) / 192 + 1;
    for (int k = 0; k < n; ++k)
        w.Note(k * 192, r.monoPitch, kVelocity, 192);
    const int rest = (L - 193) % 192 + 1;
    w.Note(n * 192, r.monoPitch, kVelocity, rest - 3);
}

void SecondMonoTone(BassRun& r) {
    ChordWalk& w = r.walk;
    const int d = RandomInRange(1, 2) == 1 ? 192 : 96;
    int at = 0;
    while (w.Length() - at > d) {
        w.Note(at, r.dronePitch, kVelocity, d);
        at += d;
    }
    w.Note(at, r.dronePitch, kVelocity, w.Length() - at - 3);
    r.dronePitch = RandomInRange(0, 1) == 0 ? 45 : 43;
}

void FifthCombination(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int L = w.Length();
    const int fifth = c.fifth - 24;
    if (r.density > 100) {
        const int parts = L / 192;
        int last = c.bass;
        for (int k = 0; k < parts; ++k) {
            last = k % 2 == 0 ? c.bass : fifth;
            const int at = k * 192;
            if (w.InFirstHalf()) {
                w.Note(at, last, kVelocity, 136);
                w.Note(at + 144, last, kVelocity, 40);
            } else {
                w.Note(at, last, kVelocity, 40);
                w.Note(at + 48, last, kVelocity, 88);
                w.Note(at + 144, last, kVelocity, 40);
            }
        }
        w.Note(parts * 192, last, kVelocity, L % 192 - 2);
    } else if (WorkingStyle.timeSignature == kMetre34 && WorkingStyle.setting716 == 2) {
        for (int at = 0, k = 0; at < L; at += 144, ++k) {
            const int length = std::min(142, L - at - 2);
            w.Note(at, k % 2 == 0 ? c.bass : fifth, kVelocity, length);
        }
    } else {
        GeneralSteps(w, false, fifth);
    }
}

void Waltz(BassRun& r) {
    ChordWalk& w = r.walk;
    const int b = w.Chord().bass;
    const int L = w.Length();
    if (WorkingStyle.timeSignature == kMetre34 && WorkingStyle.setting716 == 2) {
        if (L % 144 != 0) {
            w.Note(0, b, kVelocity, L - 2);
            return;
        }
        for (int at = 0; at < L; at += 144) {
            if (!w.InFirstHalf() && Chance(3)) {
                w.Note(at, b, kVelocity, 94);
                w.Note(at + 96, b, kVelocity, 46);
            } else {
                w.Note(at, b, kVelocity, 142);
            }
        }
        return;
    }
    if (!Triplet() && w.Index() % 2 == 1 && Chance(4)) {
        for (int eighth : {0, 1, 2, 4})
            if (eighth < L / 48) w.Note(eighth * 48, b, 80, 47);
        return;
    }
    if (L >= 48) w.Note(0, b, kVelocity, 47);
}

// ---- Walking and riff patterns ----

struct Pair {
    int first, second;
};

// The two pitches of a "Blues" beat.
Pair BluesBeat(const ChordRecord& c, int beat) {
    const int b = c.bass;
    if (Chance(4)) {
        static constexpr int kDrop[4] = {0, -2, -3, -5};
        return {b + kDrop[beat % 4], b + kDrop[beat % 4]};
    }
    switch (beat % 4) {
        case 0:
            return {b, b};
        case 1:
            return {c.third - 24, c.fifth - 24};
        case 2:
            return {c.seventh - 24, c.seventh - 24};
        default:
            return {c.fifth - 22, c.fifth - 24};
    }
}

void Blues(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int b = c.bass;
    const int L = w.Length();
    constexpr int v = 104;
    const bool last = w.IsLast();
    const bool beforeLast = w.Count() >= 2 && w.Index() == w.Count() - 2;
    if (HoldOffBeatChord(w, b, v)) return;
    if ((last || beforeLast) && L != 384) {
        w.Note(0, b, v, L - 2);
        return;
    }
    const int walk[8] = {b, b, b - 2, b - 2, b - 3, b - 3, b - 4, b - 4};
    if (!Triplet()) {
        if (last) {
            w.Note(0, b + 5, v, 47);
            w.Note(48, b + 3, v, 47);
            w.Note(96, b + 2, v, 47);
            w.Note(144, b, v, 94);
        } else if (beforeLast) {
            for (int k = 0; k < 8; ++k)
                w.Note(48 * k, walk[k], v, 47);
        } else {
            for (int beat = 0; beat < L / 96; ++beat) {
                const Pair p = BluesBeat(c, beat);
                w.Note(beat * 96, p.first, v, 47);
                w.Note(beat * 96 + 48, p.second, v, 47);
            }
        }
        return;
    }
    if (last) {
        w.Note(0, b + 5, v, 62);
        w.Note(64, b + 3, v, 31);
        w.Note(96, b + 2, v, 62);
        w.Note(160, b, v, 124);
    } else if (beforeLast) {
        for (int k = 0; k < 4; ++k) {
            w.Note(96 * k, walk[2 * k], v, 62);
            w.Note(96 * k + 64, walk[2 * k + 1], v, 31);
        }
    } else {
        for (int beat = 0; beat < L / 96; ++beat) {
            const Pair p = BluesBeat(c, beat);
            const int at = beat * 96;
            if (beat % 4 == 2) {
                w.Note(at, p.first - 1, v, 5);
                w.Note(at + 8, p.first, v, 54);
            } else {
                w.Note(at, p.first, v, 62);
            }
            w.Note(at + 64, p.second, v, 31);
        }
    }
}

void Tango(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int L = w.Length();
    if (HoldOffBeatChord(w, c.bass, kVelocity)) return;
    const bool t = Triplet();
    for (int beat = 0; beat < L / 96; ++beat) {
        const int at = beat * 96;
        switch (beat % 4) {
            case 0:
                w.Note(at, c.bass, kVelocity, 30);
                break;
            case 1:
                w.Note(at, c.third - 24, kVelocity, 30);
                break;
            case 2:
                w.Note(at, c.fifth - 24, kVelocity, 30);
                break;
            default:
                w.Note(at, c.third - 24, kVelocity, t ? 20 : 15);
                w.Note(at + (t ? 64 : 48), c.bass, kVelocity, t ? 10 : 15);
                break;
        }
    }
}

// "Rockavilly", "Bossanova" and "Latin": two notes per beat, the ending of
// the tune an octave-down bass and the bass.
enum class BeatPairKind { kRockabilly, kBossanova, kLatin };

void BeatPairs(BassRun& r, BeatPairKind kind) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int L = w.Length();
    if (HoldOffBeatChord(w, c.bass, kVelocity)) return;
    if (w.IsLast()) {
        w.Note(0, c.bass - 12, kVelocity, 188);
        w.Note(192, c.bass, kVelocity, 188);
        return;
    }
    const bool t = Triplet();
    const int root = c.root - 24;
    const int fifth = c.fifth - 24;
    for (int beat = 0; beat < L / 96; ++beat) {
        const int j = std::min(beat, 7);
        const int at = beat * 96;
        int p1 = root;
        int p2 = root;
        int len1 = t ? 54 : 62;
        int at2 = t ? 64 : 72;
        int len2 = t ? 22 : 14;
        if (kind == BeatPairKind::kRockabilly) {
            switch (j % 4) {
                case 1:
                    p1 = c.seventh - 36;
                    break;
                case 2:
                    p1 = c.fifth - 34;
                    break;
                case 3:
                    p1 = c.fifth - 36;
                    break;
                default:
                    p1 = root;
                    break;
            }
            p2 = p1;
            if (!t) len1 = 38, at2 = 48, len2 = 38;
        } else if (kind == BeatPairKind::kBossanova) {
            p1 = p2 = j % 2 == 0 ? root : fifth;
        } else if (j == 1 || j == 5) {
            p1 = fifth, p2 = root;
        } else if (j == 3 || j == 7) {
            p1 = fifth, p2 = root;
            if (!t) len1 = 38, at2 = 48, len2 = 38;
        } else {
            p1 = root, p2 = fifth;
        }
        w.Note(at, p1, kVelocity, len1);
        w.Note(at + at2, p2, kVelocity, len2);
    }
}

void Pickup(ChordWalk& w, int at) {
    const ChordRecord& c = w.Chord();
    w.Note(at, c.bass, kVelocity, 30);
    w.Note(at + 32, c.bass + 2, kVelocity, 30);
    w.Note(at + 64, c.third - 24, kVelocity, 30);
}

void Pops(BassRun& r) {
    ChordWalk& w = r.walk;
    const int b = w.Chord().bass;
    const int L = w.Length();
    if (Triplet()) {
        if (L == 384 || L == 768) {
            for (int at = 0; at < L; at += 384) {
                w.Note(at, b, kVelocity, 286);
                Pickup(w, at + 288);
            }
        } else if (L == 192) {
            if (Chance(2)) {
                w.Note(0, b, kVelocity, 158);
                w.Note(160, b, kVelocity, 30);
            } else {
                w.Note(0, b, kVelocity, 94);
                Pickup(w, 96);
            }
        } else {
            w.Note(0, b, kVelocity, L - 2);
        }
        return;
    }
    const int eighths = L / 48;
    if (r.density >= 100) {
        for (int e = 0; e < eighths; ++e) {
            w.Note(e * 48, b, kVelocity, 47);
            if (r.density >= 120 && b != 12) w.Note(e * 48, b - 12, 42, 30);
        }
        return;
    }
    if (L <= 144) {
        w.Note(0, b, kVelocity, L - 2);
        return;
    }
    const bool long16 = eighths % 16 == 0;
    for (int e = 0; e < eighths; ++e) {
        const int inBar = e % 8;
        if (inBar == 3 || inBar == 5 || inBar == 6) {
            const bool play =
                (!w.InFirstHalf() && Chance(2)) || (w.InLastThird() && RandomInRange(1, 3) <= 2);
            if (!play) continue;
        }
        if (long16 && e % 16 == 7) {
            w.Note(e * 48, b, kVelocity, 94);
            ++e;
            continue;
        }
        w.Note(e * 48, b, kVelocity, 47);
    }
}

void Slow(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int L = w.Length();
    if (r.density > 110) {
        const int step = Triplet() ? 32 : 24;
        const int open = 3 * step;
        if (L > open) {
            const int length = Triplet() ? 29 : 21;
            w.Note(0, c.root - 12, kVelocity, length);
            w.Note(step, c.third - 12, kVelocity, length);
            w.Note(2 * step, c.fifth - 12, kVelocity, length);
            w.Note(open, c.root, kVelocity, L - open - 3);
        } else {
            w.Note(0, c.bass, kVelocity, L - 3);
        }
        return;
    }
    // Held bass notes; a chord of six eighths may end in a pickup, one of
    // twelve eighths is split into halves.
    if (L == 288 && Chance(2)) {
        w.Note(0, c.bass, kVelocity, 188);
        w.Note(192, c.bass + 2, kVelocity, 47);
        w.Note(240, c.third - 24, kVelocity, 47);
    } else if (L == 576) {
        w.Note(0, c.bass, kVelocity, 286);
        w.Note(288, Chance(2) ? c.bass : c.fifth - 24, kVelocity, 285);
    } else {
        w.Note(0, c.bass, kVelocity, L - 3);
    }
}

void Trans(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int step = Triplet() ? 32 : 24;
    const int n = w.Length() / step;
    const bool onBeatsOnly = Chance(6);
    const bool bendPart = w.Index() < 8 || w.Index() >= 16;
    const bool everyStepOff = WorkingStyle.timeSignature == kMetre78;
    int velocity = 64;
    for (int s = 0; s < n; ++s) {
        int p = c.bass;
        switch (s % 16) {
            case 2:
            case 10:
            case 14:
                p = c.third - 24;
                break;
            case 6:
            case 15:
                p = c.fifth - 26;
                break;
            default:
                break;
        }
        const int at = s * step;
        if (Triplet()) {
            if (!onBeatsOnly || s % 3 == 0) w.Note(at, p, kVelocity, 22);
            continue;
        }
        const bool offBeat = everyStepOff || s % 4 != 0;
        if (offBeat && onBeatsOnly) continue;
        if (!offBeat && (bendPart || onBeatsOnly)) {
            w.Bend(BendKind::kFromAbove, at, p - 12, 94, 22, 2);
            continue;
        }
        w.Note(at, p + 12, velocity, 14);
        velocity = velocity >= 70 ? 48 : velocity + 1;
    }
}

void DrumnBass(BassRun& r) {
    ChordWalk& w = r.walk;
    const int b = w.Chord().bass;
    const int L = w.Length();
    if (Triplet()) {
        if (L == 768) {
            w.Note(0, b, kVelocity, 374);
            w.Note(384, b + 12, kVelocity, 182);
            w.Note(576, b, kVelocity, 182);
            return;
        }
        if (L == 384) {
            w.Note(0, b, kVelocity, 182);
            w.Note(192, b + 12, kVelocity, 182);
            return;
        }
    } else if (L == 384 || L == 768) {
        // The octave figure: the bass for two beats, the octave on beat 3
        // and the bass on beat 4; a second bar rests on its first beat and
        // answers in quarter notes.
        w.Note(0, b, kVelocity, 182);
        w.Note(192, b + 12, kVelocity, 86);
        w.Note(288, b, kVelocity, 86);
        if (L == 768) {
            w.Note(480, b + 12, kVelocity, 86);
            w.Note(576, b, kVelocity, 86);
            w.Note(672, b + 12, kVelocity, 86);
        }
        return;
    }
    w.Bend(BendKind::kFromAbove, 0, b, kVelocity, L - 10, (L - 10) / 14);
}

void Kecak(BassRun& r) {
    ChordWalk& w = r.walk;
    const int step = Triplet() ? 32 : 24;
    const int n = w.Length() / step;
    const int figure = RandomInRange(1, 4);
    const int g = w.Chord().root % 12 + 43;
    const int line[4] = {g, g - 2, g - 3, g - 5};
    int s = 0;
    if (figure == 1) {
        for (; s < 4 && s < n; ++s)
            w.Note(s * step, StepPitchToKeyScale(line[s], -1), 127, 20);
    } else if (figure == 2) {
        if (n > 0) w.Note(0, StepPitchToKeyScale(g, -1), 127, 20);
        return;
    }
    for (; s < n; ++s)
        if (s % 4 == 0) w.Note(s * step, g - 7, 127, 20);
}

// ---- Composed patterns ----

// The pitch moved one semitone by dir when its class weighs below the
// usable threshold over the chord.
int OntoChordScale(const ChordRecord& c, int pitch, int dir) {
    ScaleString weights{};
    GetChordScaleWeights(c.code.text, weights);
    return WeightOf(weights, pitch) < kUsableWeight ? pitch + dir : pitch;
}

void Classical(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int b = c.bass;
    const int L = w.Length();
    if (w.IsLast()) {
        const bool major = WorkingStyle.key == 1;
        const int steps[4] = {7, major ? 5 : 7, major ? 4 : 3, 2};
        for (int k = 0; k < 4; ++k)
            w.Note(96 * k, b + steps[k], kVelocity, 94);
        w.Note(384, b, kVelocity, 188);
        return;
    }
    if (HoldOffBeatChord(w, b, kVelocity)) return;
    const int beats = L / 96;
    if (beats % 2 == 0 && Chance(2)) {
        for (int k = 0; k < beats / 2; ++k)
            w.Note(192 * k, k % 2 == 0 ? b : c.fifth - 24, kVelocity, 188);
        return;
    }
    const ChordRecord* next = w.Next();
    const int move = next ? next->bass - b : 0;
    if (beats == 4 && (move == -7 || move == 7)) {
        const int dir = move < 0 ? -1 : 1;
        const int walk[4] = {b, OntoChordScale(c, b + dir, dir),
                             OntoChordScale(c, b + 3 * dir, dir), b + 5 * dir};
        if (Chance(3)) {
            for (int k = 0; k < 4; ++k)
                w.Note(96 * k, walk[k], k == 0 ? 74 : 69, 94);
        } else {
            // The dotted walk: a dotted quarter, an eighth, two quarters.
            w.Note(0, walk[0], 74, 142);
            w.Note(144, walk[1], 69, 46);
            w.Note(192, walk[2], 69, 94);
            w.Note(288, walk[3], 69, 94);
        }
        return;
    }
    for (int k = 0; k < beats; ++k)
        w.Note(96 * k, k % 2 == 0 ? b : c.fifth - 24, kVelocity, 94);
}

void Fusion(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int b = c.bass;
    const bool t = Triplet();
    const int step = t ? 32 : 48;
    const int n = w.Length() / step;
    for (int s = 0; s < n; ++s) {
        Pair pick{b, b};
        bool silent = false;
        if (s % 4 != 0 && !Chance(2)) {
            switch (RandomInRange(1, 7)) {
                case 1:
                    pick = {b + 7, b + 5};
                    break;
                case 2:
                    pick = {c.third - 12, c.seventh - 12};
                    break;
                case 3:
                    pick = {b - 10, b - 12};
                    break;
                case 4:
                    silent = true;
                    break;
                case 5:
                    pick = {b + 5, c.third - 12};
                    break;
                case 6:
                    pick = {0, b};
                    break;
                default:
                    pick = {b + 12, b};
                    break;
            }
        }
        if (silent) continue;
        int velocity = kVelocity;
        if (s == 0 && pick.first >= 36) {
            pick.first -= 12;
            pick.second -= 12;
            velocity = 76;
        } else {
            if (pick.first > 60) pick.first -= 12;
            if (pick.second > 60) pick.second -= 12;
        }
        const int at = s * step;
        const bool split = t ? Chance(6) : Chance(4);
        if (split) {
            const int half = t ? 16 : 24;
            w.Note(at, pick.second, velocity, half - 1);
            w.Note(at + half, pick.first, velocity, half - 1);
        } else {
            w.Note(at, pick.first, velocity, t ? 30 : 47);
        }
    }
}

int HipHopPick(const ChordRecord& c) {
    switch (RandomInRange(1, 5)) {
        case 1:
            return c.bass;
        case 2:
            return c.third - 24;
        case 3:
            return c.fifth - 26;
        case 4:
            return c.fifth - 24;
        default:
            return 0;
    }
}

void HipHop(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const bool t = Triplet();
    const int step = t ? 32 : 48;
    const int cycle = t ? 6 : 4;
    const int n = w.Length() / step;
    for (int s = 0; s < n; ++s) {
        const int at = s * step;
        const int k = s % cycle;
        if (k == 0) {
            w.Bend(BendKind::kFromBelow, at, c.bass, 84, t ? 60 : 94, t ? 20 : 31);
        } else if (k >= 2) {
            const int p = HipHopPick(c);
            if (p != 0) w.Note(at, p, RandomInRange(1, 20) + 54, t ? 30 : 47);
        }
    }
}

void WalkingBass(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int b = c.bass;
    const int L = w.Length();
    if (L % 96 != 0 || w.IsLast()) {
        // Held notes, the last chord included: the line has arrived.
        w.Note(0, b, kVelocity, L - 6);
        return;
    }
    const ChordRecord* next = w.Next();
    const int target = next ? next->bass : b;
    int p = b;
    for (int beat = 0; beat < L / 96; ++beat) {
        const int dir = target >= p ? 1 : -1;
        switch (beat % 4) {
            case 0:
                break;
            case 2:
                p = StepPitchToKeyScale(p + dir * RandomInRange(1, 2), dir);
                break;
            case 1: {
                // A sixth up or down, whichever heads for the next bass.
                const int leap = RandomInRange(8, 9);
                p = target >= b ? b + leap - 12 * (b + leap > 52) : b - leap + 12 * (b - leap < 28);
                p = StepPitchToKeyScale(p, dir);
                break;
            }
            default:
                // A third or fourth away from the next bass, to lead into it.
                p = StepPitchToKeyScale(target - dir * RandomInRange(4, 5), dir);
                break;
        }
        const int at = beat * 96;
        if (!Triplet()) {
            w.Note(at, p, kVelocity, 71);
            w.Note(at + 73, p, kVelocity, 23);
        } else if (Chance(4)) {
            if (Chance(3)) {
                w.Bend(BendKind::kFromBelow, at, p, kVelocity, 62, 62 / RandomInRange(6, 8));
            } else {
                w.Note(at, p, kVelocity, 62);
            }
            w.Note(at + 63, p, kVelocity, 32);
        } else if (Chance(3)) {
            w.Bend(BendKind::kFromBelow, at, p, kVelocity, 94, 94 / RandomInRange(6, 8));
        } else {
            w.Note(at, p, kVelocity, 94);
        }
    }
}

// A pitch usable over the chord near p, a semitone at a time downwards.
int UsableNear(const ChordRecord& c, int p) {
    for (int k = 0; k < 12 && p > 12; ++k, --p)
        if (IsPitchUsableOverChord(p, c.code.text)) return p;
    return p;
}

void Melodic(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int L = w.Length();
    if (HoldOffBeatChord(w, c.bass, kVelocity)) return;
    const int phrase = WorkingStyle.timeSignature == kMetre34 ? 3 : 4;
    const int tones[5] = {c.bass, c.third - 24, c.fifth - 24, c.bass + 12,
                          c.seventh ? c.seventh - 24 : c.fifth - 24};
    for (int beat = 0; beat < L / 96; ++beat) {
        const int at = beat * 96;
        const int p = beat % phrase == 0 ? c.bass : UsableNear(c, tones[RandomInRange(0, 4)]);
        if (beat % phrase != phrase - 1 && Chance(3)) {
            w.Note(at, p, kVelocity, 47);
            w.Note(at + 48, UsableNear(c, tones[RandomInRange(0, 4)]), kVelocity, 47);
        } else {
            w.Note(at, p, kVelocity, 94);
        }
    }
}

// Riff codes as degrees of the chord's scale above the bass.
constexpr int kRiffDegree[12] = {0, 2, 4, 5, 7, 9, 11, 12, 14, 16, 17, 19};

void LongRiff(BassRun& r) {
    ChordWalk& w = r.walk;
    const ChordRecord& c = w.Chord();
    const int step = Triplet() ? 32 : 24;
    int total = 0;
    for (const BassRiffEntry& e : r.riff)
        total += e.steps;
    if (total <= 0) {
        w.Note(0, c.bass, kVelocity, w.Length() - 2);
        return;
    }
    int at = 0;
    for (std::size_t k = 0; at < w.Length(); k = (k + 1) % r.riff.size()) {
        const BassRiffEntry& e = r.riff[k];
        if (e.code >= 0)
            w.Note(at, UsableNear(c, c.bass + kRiffDegree[e.code]), kVelocity, e.steps * step - 2);
        at += e.steps * step;
    }
}

void Custom(BassRun& r) {
    ChordWalk& w = r.walk;
    const GridPart& grid = WorkingStyle.customHarmony.grid[0][kGridBass];
    GridRun run;
    run.grid = &grid;
    run.cycle = Triplet() ? 12 : 16;
    run.step = Triplet() ? 32 : 24;
    run.sound = Triplet() ? 23 : 15;
    ChordToneRow pitches =
        MakeBassChordToneRow(RowCodesOf(grid), w.Chord(), ChordWeightsOf(w.Chord()));
    for (int& p : pitches)
        p = p > 35 ? p - 24 : 0;
    PlayGridChord(w, run, pitches, r.gridCounter, [](int p) { return p > 0 ? kVelocity : 0; });
}

using BassGenerator = void (*)(BassRun&);

void Rockabilly(BassRun& r) {
    BeatPairs(r, BeatPairKind::kRockabilly);
}
void Bossanova(BassRun& r) {
    BeatPairs(r, BeatPairKind::kBossanova);
}
void Latin(BassRun& r) {
    BeatPairs(r, BeatPairKind::kLatin);
}

constexpr BassGenerator kBassGenerators[kBassTypeCount] = {
    General,  MonoTone,    FifthCombination, Classical, Short, Blues,
    Melodic,  WalkingBass, Fusion,           HipHop,    Pops,  Tango,
    Slow,     Rockabilly,  Bossanova,        Latin,     Trans, DrumnBass,
    LongRiff, Custom,      SecondMonoTone,   Kecak,     Waltz,
};

}  // namespace

std::vector<BassRiffEntry> ReadStyleRiff(const std::uint8_t (&riff)[kRiffBytes]) {
    std::vector<BassRiffEntry> out;
    auto value = [](std::uint8_t b) { return b == 255 ? -1 : static_cast<int>(b); };
    for (std::size_t i = 0; i + 2 < kRiffBytes; i += 3) {
        if (riff[i] == 0 || riff[i] == 255) break;
        BassRiffEntry e;
        e.steps = riff[i];
        e.code = value(riff[i + 1]);
        e.second = value(riff[i + 2]);
        if (e.code < -1 || e.code > 11) e.code = -2;
        if (e.second < -1 || e.second > 11) e.second = -2;
        out.push_back(e);
    }
    return out;
}

std::vector<BassRiffEntry> MakeBassRiff() {
    std::lock_guard<std::recursive_mutex> lock(StyleRecordMutex());
    int drawn[kRiffTableSize] = {};
    GenerateRandomRiff(drawn, WorkingStyle);
    const int target = Triplet() ? (WorkingStyle.timeSignature == kMetre44   ? 24
                                    : WorkingStyle.timeSignature == kMetre34 ? 18
                                                                             : 0)
                                 : TicksPerBar(WorkingStyle.timeSignature) / 12;
    std::uint8_t bytes[kRiffBytes] = {};
    int total = 0;
    for (int i = 0; i + 2 < kRiffTableSize && drawn[i] > 0 && total < target; i += 3) {
        const int steps = std::min(drawn[i], target - total);
        total += steps;
        bytes[i] = static_cast<std::uint8_t>(steps);
        bytes[i + 1] = static_cast<std::uint8_t>(drawn[i + 1]);
        bytes[i + 2] = static_cast<std::uint8_t>(drawn[i + 2]);
    }
    std::copy(std::begin(bytes), std::end(bytes), std::begin(WorkingStyle.riff));
    return ReadStyleRiff(bytes);
}

void GenerateBassPattern(int channel, ComposeTrackData& track, int type, int density,
                         ChordList chords) {
    if (type < 1 || type > kBassTypeCount) {
        ShowErrorMessage(kBackingPatternError);
        return;
    }
    ChordWalk walk(channel, track, chords);
    BassRun run{walk, density, 0, 45, 0, {}};
    if (const ChordRecord* first = walk.At(0)) run.monoPitch = first->bass;
    if (type == kBassTypeLongRiff) {
        run.riff = WorkingStyle.harmonyPattern == kFixedRiffHarmonyPattern
                       ? ReadStyleRiff(WorkingStyle.riff)
                       : MakeBassRiff();
    }
    const BassGenerator generator = kBassGenerators[type - 1];
    walk.ForEachChord([&](ChordWalk&) { generator(run); });
}

void RenderBassPart(ComposeTrackData& track) {
    const int program = ResolveInstrumentGroup(WorkingStyle.voice[kPartBass], kPartBass);
    SetupChannel(track, kBassChannel, program, WorkingStyle.mix[kPartBass], 0);
    track.AddNoteEvent(kBassChannel, GetLeadInTicks(), 0, 0, 1);
    GenerateBassPattern(kBassChannel, track, WorkingStyle.bassPattern,
                        WorkingStyle.density[kPartBass], ComposeChords());
    // Held to ten octaves (every pitch folds the same past them), so a
    // style's shift cannot overflow.
    const int octave = std::clamp(WorkingStyle.octave[kPartBass], -10, 10);
    if (octave != 0) track.Transpose(kBassChannel, 12 * octave);
    PadTrackEnd(track);
}

void BuildBassTrack(std::vector<ComposeTrackData*>& tracks, int& count) {
    if (WorkingStyle.voice[kPartBass] == kVoiceNotUsed) return;
    auto* track = new ComposeTrackData(note_mode::kLength, static_cast<int>(WorkBufferSize));
    RenderBassPart(*track);
    tracks.push_back(track);
    ++count;
}
