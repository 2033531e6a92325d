// Broken chords: a cycle of step positions names the chord tone each step
// sounds.
#include <algorithm>

#include "accomp/custom_grid.h"
#include "accomp/harmony_families.h"
#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kVelocity = 64;

enum Tone {
    kRoot = kRoleRoot,
    kThird = kRoleThird,
    kFifth = kRoleFifth,
    kSeventh = kRoleSeventh,
    kRootOrSeventh = kChordRoleCount
};

// "Slow Arpeggio": eighths through a cycle of 8 (straight) or triplet
// eighths through a cycle of 6, restarting on every chord.
constexpr Tone kSlowStraight[8] = {kRootOrSeventh, kFifth, kThird, kFifth,
                                   kSeventh,       kThird, kFifth, kSeventh};
constexpr Tone kSlowTriplet[6] = {kRoot, kThird, kFifth, kSeventh, kFifth, kThird};

int PitchOf(Tone tone, const ChordRecord& c) {
    if (tone == kRootOrSeventh)
        return WorkingStyle.voice[kPartBass] == kVoiceNotUsed ? c.root : c.seventh;
    return ChordToneOf(c, tone);
}

void SlowArpeggio(ChordWalk& walk, bool triplet) {
    const int step = triplet ? 32 : 48;
    const int length = triplet ? 30 : 47;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int steps = w.Length() / step;
        for (int k = 0; k < steps; ++k) {
            const Tone tone = triplet ? kSlowTriplet[k % 6] : kSlowStraight[k % 8];
            const int pitch = PitchOf(tone, c);
            // A missing tone is a silent step.
            if (pitch > 0 && pitch <= 127) w.Note(k * step, pitch, kVelocity, length);
        }
    });
}

// "Arpeggio": an octave down, a cycle of 8 on eighths (4/4, 7/8) or of 6 on
// eighths in 3/4 and on triplet eighths.
void Arpeggio(ChordWalk& walk, bool triplet) {
    const bool six = triplet || WorkingStyle.timeSignature == kMetre34;
    const int step = triplet ? 32 : 48;
    const int length = triplet ? 30 : 47;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        int seventh = c.seventh;
        // A seventh lying a tone or less above the root goes an octave up.
        if (seventh && ((seventh - c.root) % 12 + 12) % 12 <= 2) seventh += 12;
        const int steps = w.Length() / step;
        for (int k = 0; k < steps; ++k) {
            int pitch = c.root;
            if (six) {
                switch (k % 6) {
                    case 0:
                        pitch = c.root - 12;
                        break;
                    case 2:
                        pitch = c.third;
                        break;
                    case 4:
                        pitch = seventh;
                        break;
                    case 3:
                    case 5:
                        pitch = c.fifth;
                        break;
                    default:
                        break;
                }
            } else {
                switch (k % 8) {
                    case 0:
                        pitch = c.root - 12;
                        break;
                    case 2:
                    case 6:
                        pitch = c.third;
                        break;
                    case 4:
                        pitch = seventh;
                        break;
                    case 7:
                        if (RandomInRange(1, 2) == 1) pitch = c.root + 12;
                        break;
                    default:
                        break;
                }
            }
            if (pitch <= 0) continue;  // a missing tone is a silent step
            pitch -= 12;
            if (pitch >= 1 && pitch <= 127) w.Note(k * step, pitch, kVelocity, length);
        }
    });
}

// "Fast Arpeggio": the root in one of three octaves on every sixteenth (or
// triplet sixteenth).
void FastArpeggio(ChordWalk& walk) {
    const bool triplet = WorkingStyle.basicBeat == 3;
    const int step = triplet ? 16 : 24;
    const int length = triplet ? 6 : 14;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        for (int at = 0; at + step <= w.Length(); at += step)
            w.Note(at, c.root + 12 * RandomInRange(0, 2), 34 + RandomInRange(0, 20), length);
    });
}

// "Sporadic Arpeggio": a broken chord on some chords only, by their number
// of steps, each silent at 1 in 2.
void SporadicArpeggio(ChordWalk& walk, bool triplet) {
    const bool threeFour = WorkingStyle.timeSignature == kMetre34;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root || RandomInRange(1, 2) == 1) return;
        if (triplet) {
            if (w.Length() != 6 * 32) return;
            for (int k = 0; k < 6; ++k) {
                int pitch = k % 3 == 1 ? c.third : (k % 3 == 2 ? c.fifth : 0);
                if (k % 3 == 0 && RandomInRange(1, 4) == 1) pitch = c.root + 12;
                if (pitch > 0) w.Note(k * 32, pitch, kVelocity, 30);
            }
            return;
        }
        const int steps = w.Length() / 48;
        int played = 0;
        bool sparse = false;
        switch (steps) {
            case 4:
                played = 4;
                break;
            case 7:
                played = 4;
                break;
            case 8:
                played = 8;
                sparse = true;
                break;
            case 6:
                played = threeFour ? 6 : 0;
                break;
            case 12:
                played = threeFour ? 12 : 0;
                sparse = true;
                break;
            default:
                break;
        }
        for (int k = 0; k < played; ++k) {
            const int place = threeFour ? k % 6 : k % 4;
            int pitch = 0;
            if (place == 1) pitch = c.root + 12;
            if (place == 2) pitch = c.third;
            if (place == 3) pitch = c.fifth;
            if (pitch <= 0 || (sparse && RandomInRange(1, 3) != 1)) continue;
            w.Note(k * 48, pitch, kVelocity, 47);
        }
    });
}

int Octave(int pitch) {
    return pitch > 0 ? pitch + 12 : 0;
}

void Sound(ChordWalk& w, int offset, int pitch, int velocity, int length) {
    if (pitch < 1 || pitch > 127) return;
    w.Note(offset, pitch, std::clamp(velocity, 1, 127), length);
}

// "Gamelan": in triplet feel root and its two octaves on every beat; in
// straight feel one of four figures per chord.
void Gamelan(ChordWalk& walk, bool triplet) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        const int L = w.Length();
        if (triplet) {
            for (int beat = 0; beat * 96 < L; ++beat)
                for (int k = 0; k < 3 && beat * 96 + 32 * k < L; ++k)
                    Sound(w, beat * 96 + 32 * k, c.root + 12 * k, 34 + beat, 28);
            return;
        }
        if (RandomInRange(1, 5) == 1) {
            for (int n = 0; 12 * n < L; ++n)
                Sound(w, 12 * n, c.root, 34 + n, 8);
        } else if (RandomInRange(1, 4) == 1) {
            for (int n = 0; 12 * n < L; ++n)
                Sound(w, 12 * n, n % 2 ? c.fifth : c.root, 44 + 2 * n, 8);
        } else if (RandomInRange(1, 2) == 1) {
            for (int at = 0; at < L; at += 48) {
                const int p = RandomChordScalePitch(c.code.text) - 12;
                Sound(w, at, p, 69, 15);
                if (at + 24 < L) Sound(w, at + 24, p + 24, 49, 15);
            }
        } else {
            for (int at = 0; at < L; at += 48)
                Sound(w, at, RandomChordScalePitch(c.code.text) - 12, 32, 15);
        }
    });
}

// A random pitch from the root to the octave above that is a chord tone or
// usable over the chord; the root when none is.
int RandomPitchOverChord(const ChordRecord& c) {
    int choices[13];
    int count = 0;
    for (int p = c.root; p <= c.root + 12; ++p) {
        const int pc = p % 12;
        const bool tone = pc == c.root % 12 || (c.third && pc == c.third % 12) ||
                          (c.fifth && pc == c.fifth % 12) || (c.seventh && pc == c.seventh % 12);
        if (tone || IsPitchUsableOverChord(p, c.code.text)) choices[count++] = p;
    }
    return count ? choices[RandomInRange(0, count - 1)] : c.root;
}

// "Chinese": a random line over the chord on sixteenths (triplet eighths),
// a repeated pitch silent.
void Chinese(ChordWalk& walk, bool triplet, int density) {
    const int step = triplet ? 32 : 24;
    int previous = -1;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (!c.root) return;
        const int steps = w.Length() / step;
        for (int k = 0; k < steps; ++k) {
            const bool edge = k == 0 || k == steps - 1;
            int pitch = 0;
            if (!triplet && edge) {
                if (RandomInRange(1, 3) == 1)
                    pitch = c.root;
                else
                    pitch = RandomInRange(1, 2) == 1 ? c.third : c.fifth;
            } else {
                pitch = RandomPitchOverChord(c);
                if (!triplet && density < 100 && RandomInRange(1, 3) == 1) continue;
            }
            if (pitch == previous) continue;
            previous = pitch;
            Sound(w, k * step, pitch, kVelocity, 15);
        }
    });
}

// ---- "16th Arpeggio" ----

// The part of a chord past its last whole beat: the third held for it less 1.
void PartBeat(ChordWalk& w, const ChordRecord& c, int velocity = kVelocity) {
    const int at = w.Length() / 96 * 96;
    if (at < w.Length()) Sound(w, at, c.third, velocity, w.Length() - at - 1);
}

// d <= 60: a long note and a short answer on every beat, from the third
// beat of a chord at 1 in 4 a roll instead.
void SixteenthSparse(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        for (int b = 0; b < w.Length() / 96; ++b) {
            const int at = 96 * b;
            if (b >= 2 && RandomInRange(1, 4) == 1) {
                Sound(w, at, c.root, 44, 10);
                Sound(w, at + 12, c.root, 34, 10);
                Sound(w, at + 24, c.root, 34, 47);
                Sound(w, at + 72, c.fifth, kVelocity, 22);
                continue;
            }
            Sound(w, at, b % 2 ? c.fifth : c.root, kVelocity, 71);
            Sound(w, at + 72, b % 2 ? c.seventh : c.root, kVelocity, 23);
        }
        PartBeat(w, c);
    });
}

// 61 <= d <= 80: a four-beat cycle of a beat note and its answers.
struct BeatFigure {
    Tone tone;
    int offset;
    int velocity;
    int length;
};
constexpr BeatFigure kSixteenthBeats[4][3] = {
    {{kRoot, 0, 44, 70}, {kSeventh, 72, 34, 22}, {kRoot, -1, 0, 0}},
    {{kFifth, 0, 44, 70}, {kThird, 72, 34, 22}, {kRoot, -1, 0, 0}},
    {{kRoot, 0, 44, 46}, {kThird, 48, 34, 22}, {kThird, 72, 34, 22}},
    {{kFifth, 0, 44, 70}, {kFifth, 72, 34, 22}, {kRoot, -1, 0, 0}},
};

void SixteenthMiddle(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        for (int b = 0; b < w.Length() / 96; ++b)
            for (const BeatFigure& f : kSixteenthBeats[b % 4])
                if (f.offset >= 0)
                    Sound(w, 96 * b + f.offset, PitchOf(f.tone, c), f.velocity, f.length);
        PartBeat(w, c);
    });
}

// 81 <= d <= 100: the chord tones folded into 48..72 on a figure of
// sixteenths that runs up, or at 1 in 2 per chord down; a step is silent at
// 1 in 10 and takes the seventh in place of its tone at 1 in 6.
enum Folded { kLow, kMid, kHigh, kTop };
constexpr Folded kSixteenthFigure[8] = {kLow, kMid, kHigh, kTop, kHigh, kMid, kHigh, kTop};

void SixteenthFolded(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        int root = c.root, bass = c.bass, third = c.third, fifth = c.fifth, seventh = c.seventh;
        FoldChordPitchesIntoRange(root, bass, third, fifth, seventh, 48, 72);
        const int tones[4] = {root, third ? third : root, fifth ? fifth : root,
                              root ? root + 12 : 0};
        const bool down = RandomInRange(1, 2) == 1;
        for (int at = 0, k = 0; at < w.Length(); at += 24, ++k) {
            const int place = down ? 7 - k % 8 : k % 8;
            int pitch = tones[kSixteenthFigure[place]];
            if (RandomInRange(1, 10) == 1) continue;
            if (seventh && RandomInRange(1, 6) == 1) pitch = seventh;
            Sound(w, at, pitch, kVelocity, std::min(23, w.Length() - at - 1));
        }
    });
}

// d > 100: chord tones on sixteenths (triplet eighths), from the ninth
// chord on at 1 in 3 on thirty-seconds.
void SixteenthDense(ChordWalk& walk) {
    const bool triplet = WorkingStyle.basicBeat == 3;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const bool fast = !triplet && w.Index() >= 8 && RandomInRange(1, 3) == 1;
        const int step = triplet ? 32 : (fast ? 12 : 24);
        const int length = triplet ? 30 : step - 1;
        const int up = c.root ? c.root + 12 : 0;
        const int straight[8] = {c.root,  c.third, c.fifth,   c.seventh,
                                 c.third, c.fifth, c.seventh, up};
        const int quick[8] = {c.root, c.third,         c.fifth,         c.seventh,
                              up,     Octave(c.third), Octave(c.fifth), Octave(c.seventh)};
        const int six[6] = {c.root, c.third, c.fifth, c.seventh, c.third, c.fifth};
        for (int at = 0, k = 0; at + step <= w.Length(); at += step, ++k) {
            const int pitch = triplet ? six[k % 6] : (fast ? quick[k % 8] : straight[k % 8]);
            Sound(w, at, pitch, kVelocity, length);
        }
    });
}

// ---- "Enka" ----

// The fill line over 12 steps: 0 for a silent position.
enum FillTone { kFillNone, kFillRootUp, kFillRootTone, kFillThirdUp, kFillFifth, kFillHeldRoot };
constexpr FillTone kEnkaFill[12] = {kFillNone,     kFillRootUp, kFillRootTone, kFillThirdUp,
                                    kFillRootTone, kFillRootUp, kFillFifth,    kFillHeldRoot,
                                    kFillNone,     kFillFifth,  kFillNone,     kFillNone};

void EnkaFill(ChordWalk& w, const ChordRecord& c) {
    const int step = WorkingStyle.basicBeat == 3 ? 32 : 48;
    const int down = c.root > 77 || RandomInRange(1, 2) == 2 ? 24 : 12;
    const ScaleString weights = ChordWeightsOf(c);
    const int seventh = c.seventh ? c.seventh - down : 0;
    for (int at = 0, k = 0; at < w.Length(); at += step, ++k) {
        const FillTone tone = kEnkaFill[k % 12];
        int pitch = 0;
        switch (tone) {
            case kFillRootUp:
            case kFillHeldRoot:
                pitch = c.root ? c.root + (tone == kFillRootUp ? 12 : 0) : 0;
                break;
            case kFillRootTone:
                pitch = c.root ? c.root + 14 : 0;
                break;
            case kFillThirdUp:
                pitch = c.third ? c.third + 12 : 0;
                break;
            case kFillFifth:
                pitch = c.fifth;
                break;
            case kFillNone:
                break;
        }
        if (pitch <= 0) continue;
        pitch -= down;
        if (WeightOf(weights, pitch) < kUsableWeight) pitch = seventh;
        const int held = tone == kFillHeldRoot ? 2 * step : step;
        // Held notes end at the chord's end at the latest.
        Sound(w, at, pitch, tone == kFillHeldRoot ? 49 : kVelocity,
              std::min(held, w.Length() - at) - 2);
    }
}

void Enka(ChordWalk& walk, bool dense) {
    const int part = std::clamp(walk.Channel(), 0, kStylePartSlots - 1);
    // Past ten octaves the fold gives the same pitches; held there, a style's
    // shift cannot overflow.
    const int ceiling = 72 + 12 * std::clamp(WorkingStyle.octave[part], -10, 10);
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const bool wholeBeats = w.Length() % 96 == 0;
        if (w.Index() >= 5 && (dense || wholeBeats) && RandomInRange(1, 6) == 1) {
            EnkaFill(w, c);
            return;
        }
        int tones[4] = {0, 0, 0, 0};
        int count = 0;
        if (dense) {
            for (int p : {int(c.root), int(c.third), int(c.fifth), int(c.seventh)}) {
                if (p <= 0) continue;
                FoldPitchIntoRange(p, ceiling - 12, ceiling - 1);
                if (std::find(tones, tones + count, p) != tones + count) continue;
                // Kept in rising order as they come.
                int k = count++;
                for (; k > 0 && tones[k - 1] > p; --k)
                    tones[k] = tones[k - 1];
                tones[k] = p;
            }
        } else {
            for (int p : {int(c.root), int(c.fifth), int(c.third)})
                if (p > 0) tones[count++] = p;
        }
        for (int k = 0; k < count; ++k)
            Sound(w, 2 * k, tones[k], 44, w.Length() - 8 - 2 * k);
    });
}

// ---- "Complex arpeggio" ----

// A tone of a cell: the root an octave down (held under the figure), a
// chord tone, or the root an octave up.
enum CellTone {
    kCellRoot = kRoleRoot,
    kCellThird = kRoleThird,
    kCellFifth = kRoleFifth,
    kCellSeventh = kRoleSeventh,
    kBassRoot = kChordRoleCount,
    kCellOctave,
};

struct CellNote {
    int offset;
    CellTone tone;
    int length;
};

struct Cell {
    int length;  // the chord length the cell fits
    int count;
    CellNote notes[14];
};

// The held bass under a broken chord, on a bar and on two bars.
constexpr Cell kHeldBar = {384,
                           10,
                           {{0, kBassRoot, 140},
                            {48, kCellThird, 46},
                            {96, kCellFifth, 46},
                            {141, kBassRoot, 94},
                            {165, kCellFifth, 46},
                            {213, kCellThird, 22},
                            {237, kBassRoot, 142},
                            {237, kCellRoot, 142},
                            {237, kCellThird, 142},
                            {237, kCellFifth, 142}}};
constexpr Cell kHeldTwoBars = {768,
                               10,
                               {{0, kBassRoot, 284},
                                {48, kCellThird, 94},
                                {144, kCellFifth, 94},
                                {285, kBassRoot, 284},
                                {333, kCellThird, 94},
                                {429, kCellFifth, 94},
                                {570, kBassRoot, 188},
                                {571, kCellRoot, 188},
                                {572, kCellThird, 188},
                                {573, kCellFifth, 188}}};
// A half bar: a quick arpeggio, then the root or the chord.
constexpr Cell kHalfRoot = {
    192, 3, {{0, kBassRoot, 22}, {24, kCellThird, 22}, {48, kCellRoot, 142}}};
constexpr Cell kHalfBeat = {192,
                            5,
                            {{0, kBassRoot, 22},
                             {24, kCellThird, 22},
                             {48, kCellRoot, 94},
                             {48, kCellThird, 94},
                             {48, kCellFifth, 94}}};
constexpr Cell kHalfEighth = {192,
                              5,
                              {{0, kBassRoot, 22},
                               {24, kCellThird, 22},
                               {48, kCellRoot, 46},
                               {48, kCellThird, 46},
                               {48, kCellFifth, 46}}};
// The shorter arpeggios.
constexpr Cell kRisingBar = {384,
                             8,
                             {{0, kBassRoot, 188},
                              {48, kCellFifth, 46},
                              {96, kCellOctave, 46},
                              {144, kCellThird, 46},
                              {192, kBassRoot, 188},
                              {240, kCellFifth, 46},
                              {288, kCellSeventh, 46},
                              {336, kCellThird, 46}}};
constexpr Cell kFallingBar = {384,
                              6,
                              {{0, kBassRoot, 94},
                               {96, kCellOctave, 94},
                               {192, kCellFifth, 46},
                               {240, kCellThird, 46},
                               {288, kCellRoot, 94},
                               {288, kCellFifth, 94}}};
constexpr Cell kRisingHalf = {
    192,
    4,
    {{0, kBassRoot, 94}, {48, kCellThird, 46}, {96, kCellFifth, 46}, {144, kCellOctave, 46}}};

int CellPitch(CellTone tone, const ChordRecord& c) {
    if (tone == kBassRoot) return c.root ? c.root - 12 : 0;
    if (tone == kCellOctave) return c.root ? c.root + 12 : 0;
    return ChordToneOf(c, tone);
}

class ComplexArpeggio {
public:
    ComplexArpeggio(ChordWalk& walk, int variant) : walk_(walk), variant_(variant) {}

    void Run() {
        const bool triplet = WorkingStyle.basicBeat == 3;
        walk_.ForEachChord([&](ChordWalk& w) {
            const ChordRecord& c = w.Chord();
            const int L = w.Length();
            if (triplet) {
                Triplet(w, c);
                return;
            }
            // Where the chord lies: 0 early, 1 in the middle, 2 late.
            const int quarter = w.Count() / 4;
            const int place = w.Index() < quarter ? 0 : (w.Index() >= w.Count() - quarter ? 2 : 1);
            const Cell* cell = Choose(L, place);
            if (!cell) {
                HeldChord(w, c, 0, L - 2);
                return;
            }
            for (int at = 0; at + cell->length <= L; at += cell->length)
                Play(w, c, *cell, at);
        });
    }

private:
    // The cell for a chord of length L at its place in the tune; null for
    // the held chord. The densest form arpeggiates most, the lightest holds
    // most.
    const Cell* Choose(int L, int place) const {
        const bool whole = L == 384 || L == 768;
        if (whole) {
            if (L == 768 && place != 0) return &kHeldTwoBars;
            if (RandomInRange(1, 3) != 1 && (variant_ == 2 || place == 1)) return &kHeldBar;
            if (variant_ == 0) return place == 2 ? &kFallingBar : &kRisingBar;
            return place == 0 ? &kRisingBar : &kHeldBar;
        }
        if (L == 192) {
            if (variant_ == 0 && place != 2) return &kRisingHalf;
            if (RandomInRange(1, 3) == 1) return &kHalfRoot;
            return RandomInRange(1, 2) == 1 ? &kHalfBeat : &kHalfEighth;
        }
        return nullptr;
    }

    void Play(ChordWalk& w, const ChordRecord& c, const Cell& cell, int at) {
        for (int k = 0; k < cell.count; ++k) {
            const CellNote& n = cell.notes[k];
            int length = n.length;
            int velocity = kVelocity;
            if (variant_ == 1) {
                // The middle form loosens its lengths and accents a few notes.
                if (n.length < 100) length -= RandomInRange(4, 16);
                if (RandomInRange(1, 20) == 1) velocity = 44 + RandomInRange(0, 40);
            }
            Sound(w, at + n.offset, CellPitch(n.tone, c), velocity, length);
        }
    }

    void HeldChord(ChordWalk& w, const ChordRecord& c, int at, int length) {
        for (CellTone t : {kBassRoot, kCellRoot, kCellThird, kCellFifth})
            Sound(w, at, CellPitch(t, c), kVelocity, length);
    }

    // Triplet feel: the held root an octave down under triplet eighths of
    // the chord tones, on every whole beat; the rest of a chord held.
    void Triplet(ChordWalk& w, const ChordRecord& c) {
        constexpr CellTone kRow[3] = {kCellThird, kCellFifth, kCellOctave};
        const int beats = w.Length() / 96;
        for (int b = 0; b < beats; ++b) {
            Sound(w, 96 * b, CellPitch(kBassRoot, c), kVelocity, 94);
            for (int k = 1; k < 3; ++k)
                Sound(w, 96 * b + 32 * k, CellPitch(kRow[(b + k) % 3], c), kVelocity, 30);
        }
        if (beats * 96 < w.Length()) HeldChord(w, c, beats * 96, w.Length() - beats * 96 - 2);
    }

    ChordWalk& walk_;
    int variant_;
};

// ---- "Pops Arpeggio" ----

// A pedalled piano: voicings by the tune's blocks, section figures switched
// on for the whole tune by coins, pedal-long broken chords on whole bars.
class PopsArpeggio {
public:
    explicit PopsArpeggio(ChordWalk& walk) : walk_(walk) {}

    void Run() {
        const bool rising = RandomInRange(0, 1) == 1;
        const bool sparseA = RandomInRange(0, 1) == 1;
        const bool singles = RandomInRange(0, 1) == 1;
        const bool longShort = RandomInRange(1, 2) == 1;
        const int part = std::clamp(walk_.Channel(), 0, kStylePartSlots - 1);
        const int pedal = WorkingStyle.mix[part].holdPedal;
        walk_.ForEachChord([&](ChordWalk& w) {
            const ChordRecord& c = w.Chord();
            const int L = w.Length();
            if (pedal != 0) {
                // The release goes a tick before the chord, but never before
                // what is already written: on the first chord it stands at
                // the chord's start, ahead of the press.
                w.Pedal(w.IsFirst() ? 0 : -1, 0);
                w.Pedal(0, std::min(pedal, 127));
            }
            int voices[5] = {};
            const int count = Voicing(w, c, sparseA, voices);
            const int steps = L / 48;
            const char block = w.Block();
            if (block == 'D' && rising && steps % 2 == 0) {
                for (int k = 0; k < steps; ++k)
                    for (int v = 0; v < count; ++v)
                        Sound(w, 48 * k, voices[v], Rising(k), 47);
                return;
            }
            if (block == 'C' && singles && steps % 2 == 1) {
                for (int k = 0; k < steps; ++k) {
                    const int v = RandomInRange(1, 4) - 1;
                    if (v < count) Sound(w, 48 * k, voices[v], Rising(k), 47);
                }
                return;
            }
            if (L % 384 == 0) {
                const char next = w.BlockAt(w.Index() + 1);
                if (next != 0 && next == block && RandomInRange(1, 2) == 1) {
                    Rolled(w, c);
                    return;
                }
                for (int at = 0; at < L; at += 384)
                    PedalledBar(w, c, at);
                return;
            }
            Shorter(w, voices, count, longShort);
        });
    }

private:
    static int Rising(int k) { return std::clamp(14 + 8 * k, 32, 81); }

    // The chord's voices by its block: 'B' adds the fifth + 12; 'A' leaves
    // out the fifth and the seventh when the coin says so; the others go an
    // octave down, 'C' without its fifth.
    int Voicing(ChordWalk& w, const ChordRecord& c, bool sparseA, int (&voices)[5]) const {
        const char block = w.Block();
        int count = 0;
        const auto add = [&](int p) {
            if (p > 0) voices[count++] = p;
        };
        const int shift = block == 'A' || block == 'B' ? 0 : -12;
        add(c.root ? c.root + shift : 0);
        add(c.third ? c.third + shift : 0);
        if (!(block == 'A' && sparseA) && block != 'C') add(c.fifth ? c.fifth + shift : 0);
        if (!(block == 'A' && sparseA)) add(c.seventh ? c.seventh + shift : 0);
        if (block == 'B') add(c.fifth ? c.fifth + 12 : 0);
        return count;
    }

    // The whole chord rolled from the root two octaves down.
    void Rolled(ChordWalk& w, const ChordRecord& c) {
        const int L = w.Length();
        const int tones[4] = {c.root ? c.root - 24 : 0, c.third ? c.third - 12 : 0,
                              c.fifth ? c.fifth - 12 : 0, c.seventh ? c.seventh - 12 : 0};
        for (int k = 0; k < 4; ++k)
            Sound(w, 2 * k, tones[k], kVelocity, L - 1 - 2 * k);
    }

    // A broken chord whose notes all ring to the bar's end.
    void PedalledBar(ChordWalk& w, const ChordRecord& c, int at) {
        const int up = c.root ? c.root + 12 : 0;
        const int line[8] = {c.root ? c.root - 12 : 0,
                             c.fifth ? c.fifth - 12 : 0,
                             c.root,
                             c.third,
                             c.fifth,
                             up,
                             c.third ? c.third + 12 : 0,
                             c.fifth};
        for (int k = 0; k < 8; ++k)
            Sound(w, at + 48 * k, line[k], kVelocity - RandomInRange(0, 15), 383 - 48 * k);
    }

    // Chords off the bar: long notes over the beats, or strikes of the
    // voicing growing louder.
    void Shorter(ChordWalk& w, const int* voices, int count, bool longNotes) {
        const int L = w.Length();
        if (longNotes) {
            constexpr int kHolds[3] = {239, 191, 143};
            for (int k = 0; k < count && k < 3 && 48 * k < L; ++k)
                Sound(w, 48 * k, voices[k], k == 0 ? 54 : kVelocity,
                      std::min(kHolds[k], L - 48 * k - 1));
            return;
        }
        for (int at = 0, k = 0; at < L; at += 48, ++k) {
            const int hold = k % 2 == 0 && at + 96 <= L ? 95 : 47;
            for (int v = 0; v < count; ++v)
                Sound(w, at, voices[v], std::min(14 + 13 * k, 53), std::min(hold, L - at - 1));
        }
    }

    ChordWalk& walk_;
};

// Triplet feel: root, third and fifth an octave down on triplet eighths.
void PopsArpeggioTriplet(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int tones[3] = {c.root, c.third, c.fifth};
        for (int at = 0, k = 0; at + 32 <= w.Length(); at += 32, ++k)
            Sound(w, at, tones[k % 3] ? tones[k % 3] - 12 : 0, kVelocity, 30);
    });
}

// ---- "Dissonant Arpeggio" ----

// Down by semitones from the middle of the melody's range, each note at the
// next pitch below that weighs enough over the chord; back to the middle
// after every four chords.
void DissonantArpeggio(ChordWalk& walk) {
    const bool triplet = WorkingStyle.basicBeat == 3;
    const int step = triplet ? 32 : 48;
    const int length = triplet ? 16 : 47;
    const MelodySettings& m = WorkingStyle.melody[kPartMelody];
    // The sum is taken wide: a style's limits may be any values.
    const int middle = static_cast<int>(
        std::clamp((static_cast<long long>(m.upperLimit) + m.lowerLimit) / 2, 37LL, 120LL));
    int pitch = middle;
    int moved = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ScaleString weights = ChordWeightsOf(w.Chord());
        if (moved == 4) {
            pitch = middle;
            moved = 0;
        }
        const int start = pitch;
        for (int at = 0; at + step <= w.Length(); at += step) {
            int next = pitch - 1;
            for (int tries = 1; tries < 12 && WeightOf(weights, next) < kUsableWeight; ++tries)
                --next;
            if (next <= 36) FoldPitchIntoRange(next, 37, 48);
            pitch = next;
            Sound(w, at, pitch, kVelocity, length);
        }
        if (pitch != start) ++moved;
    });
}

}  // namespace

bool GenerateArpeggioPattern(ChordWalk& walk, int type, int variant, int density) {
    switch (type) {
        case 7:
            Chinese(walk, variant == 0, density);
            return true;
        case 3:
            SlowArpeggio(walk, variant == 0);
            return true;
        case 6:
            Gamelan(walk, variant == 0);
            return true;
        case 9:
            SporadicArpeggio(walk, variant == 0);
            return true;
        case 13:
            Arpeggio(walk, variant == 0);
            return true;
        case 39:
            FastArpeggio(walk);
            return true;
        case 8:
            if (variant == 0)
                SixteenthSparse(walk);
            else if (variant == 1)
                SixteenthMiddle(walk);
            else if (variant == 2)
                SixteenthFolded(walk);
            else
                SixteenthDense(walk);
            return true;
        case 22:
            Enka(walk, variant == 1);
            return true;
        case 25:
            ComplexArpeggio(walk, variant).Run();
            return true;
        case 34:
            if (variant == 0)
                PopsArpeggioTriplet(walk);
            else
                PopsArpeggio(walk).Run();
            return true;
        case 49:
            DissonantArpeggio(walk);
            return true;
        default:
            return false;
    }
}
