// The rhythm types played from cells: fixed hit tables chosen per chord,
// and the lines drawn step by step from the chord and its scale.
#include <algorithm>

#include "accomp/rhythm_figure.h"
#include "compose/chord_steps.h"
#include "compose/chord_weights.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace rhythm {
namespace {

constexpr int kBeat = 96;

// One hit of a cell: a chord struck at offset for length; spread chords
// start their voices 4 ticks apart.
struct CellHit {
    int offset;
    int length;
    int velocity;
    bool spread;
};

// A cell repeats every `span` ticks over its chord.
struct Cell {
    const CellHit* hits;
    int count;
    int span;
};

template <int N>
constexpr Cell MakeCell(const CellHit (&hits)[N], int span) {
    return {hits, N, span};
}

// ---- "Rhythmic" (type 10) ----

constexpr CellHit kNormalHigh[] = {{0, 92, 60, false}, {96, 28, 54, false}, {144, 16, 49, false}};
constexpr CellHit kNormalLow[] = {{0, 176, 56, true}, {192, 28, 54, false}, {288, 92, 52, false}};
constexpr CellHit kVariation[] = {
    {0, 16, 64, false}, {48, 16, 54, false}, {96, 28, 60, false}, {192, 176, 56, true}};
constexpr CellHit kFill[] = {{0, 28, 60, false}, {48, 16, 54, false}};
constexpr CellHit kPickupA[] = {{0, 28, 54, false}, {48, 28, 49, false}};
constexpr CellHit kPickupB[] = {{48, 16, 54, false}, {72, 16, 49, false}};
constexpr CellHit kEndingStab[] = {
    {0, 92, 64, false}, {96, 16, 54, false}, {144, 16, 54, false}, {192, 176, 60, true}};
constexpr CellHit kEndingHeld[] = {{0, 380, 64, true}};
constexpr CellHit kTripletHigh[] = {{0, 28, 60, false}, {64, 28, 54, false}};
constexpr CellHit kTripletLow[] = {{0, 92, 60, false}, {128, 28, 54, false}};
constexpr CellHit kTripletVariation[] = {
    {0, 16, 60, false}, {32, 16, 49, false}, {64, 28, 54, false}};
constexpr CellHit kTripletEnding[] = {{0, 380, 64, true}};

constexpr Cell kRhythmicCells[12] = {
    MakeCell(kNormalHigh, 192), MakeCell(kNormalLow, 384),       MakeCell(kVariation, 384),
    MakeCell(kFill, 96),        MakeCell(kPickupA, 96),          MakeCell(kPickupB, 96),
    MakeCell(kEndingStab, 384), MakeCell(kEndingHeld, 384),      MakeCell(kTripletHigh, 96),
    MakeCell(kTripletLow, 192), MakeCell(kTripletVariation, 96), MakeCell(kTripletEnding, 384),
};
enum RhythmicCell {
    kCellNormalHigh,
    kCellNormalLow,
    kCellVariation,
    kCellFill,
    kCellPickupA,
    kCellPickupB,
    kCellEndingStab,
    kCellEndingHeld,
    kCellTripletHigh,
    kCellTripletLow,
    kCellTripletVariation,
    kCellTripletEnding,
};

// The chord's tones folded into 36..80.
struct Folded {
    int root, bass, third, fifth, seventh;
    explicit Folded(const ChordRecord& c)
        : root(c.root), bass(c.bass), third(c.third), fifth(c.fifth), seventh(c.seventh) {
        FoldChordPitchesIntoRange(root, bass, third, fifth, seventh, 36, 80);
        if (!c.root) root = 0;
        if (!c.bass) bass = 0;
        if (!c.third) third = 0;
        if (!c.fifth) fifth = 0;
        if (!c.seventh) seventh = 0;
    }
};

// Plays a cell from `from` up to `to` ticks into the chord.
void PlayCell(Figure& f, const Cell& cell, const Folded& t, int from, int to) {
    const int top = t.seventh ? t.seventh : Shift(t.root, 12);
    for (int at = from; at < to; at += cell.span) {
        for (int k = 0; k < cell.count; ++k) {
            const CellHit& h = cell.hits[k];
            if (at + h.offset >= to) continue;
            const int v = h.velocity + RandomInRange(1, 20);
            f.Chord(at + h.offset, {t.root, t.third, t.fifth, top}, v, h.length, h.spread ? 4 : 0);
        }
    }
}

void RhythmicCells(ChordWalk& walk, int density) {
    const bool triplet = Triplet();
    const bool lowDensity = density < 80;
    const int variationOdds = lowDensity ? 3 : 5;
    walk.ForEachChord([&](ChordWalk& w) {
        const int L = w.Length();
        const Folded tones(w.Chord());
        Figure f(w);
        int cell = -1;
        if (triplet) {
            if (w.IsLast() && w.Count() > 1)
                cell = kCellTripletEnding;
            else if (!w.IsFirst() && OneIn(variationOdds))
                cell = kCellTripletVariation;
            else
                cell = lowDensity ? kCellTripletLow : kCellTripletHigh;
            PlayCell(f, kRhythmicCells[cell], tones, 0, L);
            return;
        }
        if (w.IsLast()) {
            cell = RhythmEndingFlag.load() == 1 ? kCellEndingStab : kCellEndingHeld;
        } else if (L % kBeat != 0) {
            cell = kCellFill;
        } else if (w.IsFirst()) {
            const int rest = ShortestLeadingRest();
            if (rest >= 192 && rest < L) {
                // Stabs under the melody's opening rest, then the chord held.
                PlayCell(f, kRhythmicCells[OneIn(3) ? kCellPickupB : kCellPickupA], tones, 0, rest);
                PlayCell(f, MakeCell(kEndingHeld, 384), tones, rest, L);
                return;
            }
        }
        if (cell < 0) {
            if ((L == 384 || L == 768) && OneIn(variationOdds))
                cell = kCellVariation;
            else
                cell = lowDensity ? kCellNormalLow : kCellNormalHigh;
        }
        PlayCell(f, kRhythmicCells[cell], tones, 0, L);
    });
}

// The chord cut into bars of the metre; fn(offset, length) per bar.
template <typename Fn>
void ForEachBar(int chordLength, Fn fn) {
    const int bar = TicksPerBar(WorkingStyle.timeSignature);
    for (int at = 0; at < chordLength; at += bar)
        fn(at, std::min(bar, chordLength - at));
}

void RhythmicInversions(ChordWalk& walk) {
    const bool triplet = Triplet();
    const int count = walk.Count();
    walk.ForEachChord([&](ChordWalk& w) {
        const int i = w.Index();
        int mode = 0;
        if (w.IsLast())
            mode = 3;
        else if (i < 7)
            mode = OneIn(4) ? 1 : 0;
        else if (i < count / 2)
            mode = OneIn(4) ? 1 : 2;
        else
            mode = OneIn(2) ? 2 : 1;
        const Folded t(w.Chord());
        Figure f(w);
        ForEachBar(w.Length(), [&](int at, int length) {
            if (length % kBeat != 0) {
                f.Chord(at, {t.root, t.third, t.fifth}, 64, 48);
                return;
            }
            if (mode == 3) {
                f.Chord(at, {t.third, t.fifth, t.seventh, Shift(t.root, 12)}, 64, length - 8);
                return;
            }
            const int tones[4] = {t.third, t.fifth, t.seventh, Shift(t.root, 12)};
            for (int b = 0; b < length / kBeat; ++b) {
                // The inversion turns with the beat: the tones from the
                // beat's place on, the ones below it an octave up.
                int voicing[4];
                int n = 0;
                for (int k = 0; k < 4; ++k) {
                    const int index = (b + k) % 4;
                    if (tones[index] <= 0) continue;
                    voicing[n++] = tones[index] + (index < b % 4 ? 12 : 0);
                }
                const int beat = at + b * kBeat;
                auto strike = [&](int offset, int len) {
                    for (int k = 0; k < n; ++k)
                        f.Hit(beat + offset, voicing[k], 64, len);
                };
                if (mode == 0) {
                    strike(0, kBeat);
                } else if (mode == 1) {
                    const int strikes = triplet ? 3 : 2;
                    const int step = kBeat / strikes;
                    for (int s = 0; s < strikes; ++s)
                        strike(s * step, step - 2);
                } else {
                    const int first = triplet ? 64 : 48;
                    strike(0, first);
                    strike(first, kBeat - first - 2);
                }
            }
        });
    });
}

void RhythmicSteps(ChordWalk& walk) {
    const bool triplet = Triplet();
    walk.ForEachChord([&](ChordWalk& w) {
        const Folded t(w.Chord());
        Figure f(w);
        ForEachBar(w.Length(), [&](int at, int length) {
            if (length % kBeat != 0) {
                f.Chord(at, {t.root, t.third, t.fifth}, 64, 48);
                return;
            }
            // Per half bar: eighths then sixteenths, the other way round
            // in triplet feel.
            for (int half = 0; half < length; half += 2 * kBeat) {
                const int span = std::min(2 * kBeat, length - half);
                int t0 = 0;
                for (int part = 0; part < 2; ++part) {
                    const int step = (part == 0) != triplet ? 48 : 24;
                    for (int k = 0; k < kBeat / step && t0 < span; ++k, t0 += step)
                        f.Chord(at + half + t0, {t.third, t.fifth, Shift(t.root, 12)}, 64, step);
                }
            }
        });
    });
}

// ---- "Rhythmical" (type 19) ----

constexpr CellHit kRhythmicalA[] = {{0, 40, 64, false}, {48, 40, 54, false}};
constexpr CellHit kRhythmicalB[] = {
    {0, 16, 64, false}, {24, 16, 44, false}, {48, 16, 64, false}, {72, 16, 44, false}};
constexpr CellHit kRhythmicalC[] = {{48, 44, 54, false}};  // under a low root on the beat
constexpr CellHit kRhythmicalD[] = {{0, 88, 74, false}};
constexpr CellHit kRhythmicalTriplets[] = {
    {0, 28, 64, false}, {32, 28, 44, false}, {64, 28, 54, false}};
constexpr Cell kRhythmicalCells[4] = {MakeCell(kRhythmicalA, 96), MakeCell(kRhythmicalB, 96),
                                      MakeCell(kRhythmicalC, 96), MakeCell(kRhythmicalD, 96)};

}  // namespace

void Rhythmic(ChordWalk& walk, int variant, int density) {
    if (variant == 0)
        RhythmicInversions(walk);
    else if (variant == 1)
        RhythmicCells(walk, density);
    else
        RhythmicSteps(walk);
}

void Rhythmical(ChordWalk& walk, int variant) {
    if (variant == 0) {
        walk.ForEachChord([&](ChordWalk& w) {
            Figure f(w);
            for (int at = 0; at + 32 <= w.Length(); at += 32)
                f.Hit(at, Shift(w.Chord().root, 12 * RandomInRange(-1, 1)), 64, 24);
        });
        return;
    }
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        Figure f(w);
        const int top = c.seventh ? c.seventh : Shift(c.root, 12);
        if (w.IsLast()) {
            f.Chord(0, {Shift(c.root, -12), c.third, c.fifth, top}, 64, L - 8);
            return;
        }
        const int pick = (OneIn(2) ? 0 : 2) + (OneIn(2) ? 0 : 1);
        const Cell& cell = kRhythmicalCells[pick];
        const Cell triplets = MakeCell(kRhythmicalTriplets, 96);
        for (int b = 0; (b + 1) * kBeat <= L; ++b) {
            const int at = b * kBeat;
            // 192- and 384-tick chords: the 32-tick figure on the last beat
            // of each half.
            const bool figure = (L == 192 || L == 384) && b % 2 == 1 && (L == 384 || b == 1);
            const Cell& use = figure ? triplets : cell;
            if (pick == 2 && !figure) f.Hit(at, Shift(c.root, -12), 64, 44);
            for (int k = 0; k < use.count; ++k) {
                const CellHit& h = use.hits[k];
                f.Chord(at + h.offset, {c.third, c.fifth, top}, h.velocity, h.length);
            }
        }
    });
}

void RhythmicLines(ChordWalk& walk, int variant, int density) {
    if (variant == 0) {
        walk.ForEachChord([&](ChordWalk& w) {
            const ChordRecord& c = w.Chord();
            Figure f(w);
            for (int k = 0; (k + 1) * 32 <= w.Length(); ++k)
                f.Chord(32 * k, {c.third, c.fifth, Shift(c.root, 12)}, k % 3 == 0 ? 64 : 54, 24);
        });
        return;
    }
    if (variant == 1) {
        walk.ForEachChord([&](ChordWalk& w) {
            const ChordRecord& c = w.Chord();
            const int L = w.Length();
            Figure f(w);
            const bool ninth = c.root && RaisedIfUsable(c, c.root, 14) == c.root + 14;
            const int voices[7] = {Shift(c.fifth, -12),
                                   Shift(c.third, -12),
                                   Shift(ninth ? c.root + 14 : c.third, -12),
                                   Shift(c.seventh, -12),
                                   Shift(RaisedIfUsable(c, c.fifth, 2), -12),
                                   Shift(c.third, -24),
                                   c.root};
            auto line = [&](int apart, int length, std::initializer_list<int> velocities) {
                const int* v = velocities.begin();
                const int nv = static_cast<int>(velocities.size());
                for (int k = 0; k < 8; ++k)
                    f.Hit(apart * k, voices[k % 7], v[k % nv], length);
            };
            const std::initializer_list<int> held = {Shift(c.fifth, -12), Shift(c.third, -12),
                                                     c.root};
            if (L == 384) {
                if (OneIn(9)) {
                    line(48, 40, {54, 64, 42});
                } else if (RandomInRange(1, 5) <= 4) {
                    if (density < 120) {
                        f.Chord(0, held, 64, 232);
                        f.Chord(240, held, 64, 47);
                        f.Chord(288, held, 64, 47);
                        f.Chord(336, {Shift(c.fifth, -12), Shift(c.third, -12), Shift(c.root, 12)},
                                64, 47);
                    } else {
                        line(48, 24, {54, 42, 64});
                    }
                } else {
                    line(24, 16, {64, 42});
                }
                return;
            }
            if (L == 768) {
                for (int at = 0; at < 768; at += 384) {
                    int start = at;
                    int hold = 376;
                    if (density >= 120 && OneIn(2)) {
                        // A stab leads the held chord in.
                        f.Chord(at, {Shift(c.fifth, -12), Shift(c.third, -12)}, 42, 16);
                        start = at + 24;
                        hold = 352;
                    }
                    f.Hit(start, Shift(c.fifth, -12), 64, hold);
                    f.Hit(start, Shift(c.third, -12), 42, hold);
                    f.Hit(start, c.root, 64, hold);
                }
                return;
            }
            if (L == 192 && OneIn(3)) {
                const bool eight = OneIn(2);
                const int n = eight ? 8 : 6;
                const int apart = eight ? 12 : 16;
                for (int k = 0; k < n; ++k)
                    f.Chord(apart * k, {Shift(c.fifth, -24), Shift(c.third, -24)}, 64, apart - 1);
                return;
            }
            f.Chord(0, held, 64, L - 8);
        });
        return;
    }
    // Straight, low density: one of four cells per group of four chords.
    static constexpr CellHit kCell0[] = {{0, 40, 74, false}};
    static constexpr CellHit kCell1[] = {{0, 20, 74, false}, {48, 20, 74, false}};
    static constexpr CellHit kCell2[] = {{0, 88, 74, false}};
    static constexpr CellHit kCell3[] = {{48, 40, 74, false}};
    static constexpr Cell kCells[4] = {MakeCell(kCell0, 96), MakeCell(kCell1, 96),
                                       MakeCell(kCell2, 96), MakeCell(kCell3, 96)};
    const int count = walk.Count();
    int cell = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        const int i = w.Index();
        if (i % 4 == 0) cell = RandomInRange(0, 3);
        bool fill = false;
        if (L == 384 || L == 768) {
            if (i >= count / 2 && i < count - 8)
                fill = OneIn(6);
            else if (i * 4 >= count * 3 && i < count - 16)
                fill = OneIn(4);
        }
        Figure f(w);
        const int end = fill ? L - kBeat : L;
        for (int at = 0; at + kBeat <= end; at += kBeat)
            for (int k = 0; k < kCells[cell].count; ++k) {
                const CellHit& h = kCells[cell].hits[k];
                f.Chord(at + h.offset, {Shift(c.fifth, -12), Shift(c.third, -12), c.root},
                        h.velocity, h.length);
            }
        if (fill) {
            f.Hit(end, c.fifth, 54, 28);
            f.Hit(end + 48, Shift(c.fifth, -12), 74, 22);
        }
    });
}

// ---- "March" (type 31) ----

void March(ChordWalk& walk, int variant) {
    if (variant == 0) {
        walk.ForEachChord([&](ChordWalk& w) {
            Figure f(w);
            for (int at = 0; at + kBeat <= w.Length(); at += kBeat) {
                f.Hit(at, w.Chord().root, 64, 32);
                f.Hit(at + 64, Shift(w.Chord().root, 12), 64, 32);
            }
        });
        return;
    }
    // Per beat four sixteenth places: 0 silent, 1 struck, 2 accented (the
    // root doubled an octave down). The draw's upper bounds pick the cell.
    struct MarchCell {
        int below;
        int places[4];
    };
    static constexpr MarchCell kCells[] = {
        {40, {2, 0, 1, 0}}, {65, {2, 1, 1, 1}}, {85, {2, 0, 1, 1}}, {101, {2, 0, 0, 0}}};
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        Figure f(w);
        for (int at = 0; at + kBeat <= w.Length(); at += kBeat) {
            const int draw = RandomInRange(0, 100);
            const MarchCell* cell = &kCells[0];
            for (const MarchCell& m : kCells)
                if (draw < m.below) {
                    cell = &m;
                    break;
                }
            for (int k = 0; k < 4; ++k) {
                const int place = cell->places[k];
                if (place == 0) continue;
                const int t = at + 24 * k;
                f.Chord(t, {c.third, c.fifth, c.root}, place == 2 ? 74 : 54, 22);
                if (place == 2) f.Hit(t, Shift(c.root, -12), 74, 22);
            }
        }
    });
}

// ---- "Trans" (type 38) ----

namespace {

// A pitch class of the chord's scale weighing at least a drawn threshold,
// placed from 60; the root when none does.
int ScalePitch(const ChordRecord& c, const ScaleString& weights) {
    const int threshold = RandomInRange(0, 10);
    const int from = RandomInRange(0, 11);
    for (int k = 0; k < 12; ++k) {
        const int pc = (from + k) % 12;
        if (WeightOf(weights, pc) >= threshold) return 60 + pc;
    }
    return c.root;
}

}  // namespace

void Trans(ChordWalk& walk, int variant) {
    static constexpr int kVelocities[3] = {58, 38, 48};
    const bool triplet = variant == 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        ScaleString weights{};
        GetChordScaleWeights(c.code.text, weights);
        Figure f(w);
        int k = 0;
        for (int at = 0; at < L; ++k) {
            if (triplet) {
                if (at + 32 > L) break;
                f.Hit(at, ScalePitch(c, weights), kVelocities[k % 3], 30);
                at += 32;
                continue;
            }
            int step = OneIn(2) ? 24 : 48;
            if (at + step > L) step = 24;
            if (at + step > L) break;
            const int length = step == 24 ? RandomInRange(8, 20) : RandomInRange(16, 32);
            f.Hit(at, ScalePitch(c, weights), kVelocities[k % 3], length);
            at += step;
        }
    });
}

// ---- "Oldays Guitar" (type 44) ----

void OldaysGuitar(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        Figure f(w);
        auto strum = [&](int at, int length) {
            const int v = 64 + RandomInRange(0, 15);
            f.Chord(at, {Shift(c.fifth, -12), c.root, c.third, c.fifth}, v, length, 2);
        };
        for (int at = 0; at + kBeat <= w.Length(); at += kBeat) {
            if (OneIn(2)) {
                strum(at, 94);
            } else {
                strum(at, 46);
                strum(at + 48, 28);  // the top voice 22 long
            }
        }
    });
}

// ---- "Parade" (type 56) ----

void Parade(ChordWalk& walk, int density) {
    const int step = Triplet() ? 32 : 24;
    // 0 silent, 1 root, 2 third or fifth, 3 fifth, 4 root or root + 12,
    // 5 scale step above the fifth, 6 three scale steps below the fifth,
    // 7 a neighbour or chord tone at a draw, 8 root + 12, 9 third.
    static constexpr int kLineA[16] = {1, 7, 0, 7, 2, 7, 4, 0, 4, 5, 0, 6, 3, 5, 0, 0};
    static constexpr int kLineB[16] = {8, 0, 3, 7, 9, 0, 3, 0, 1, 7, 3, 0, 9, 5, 7, 0};
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int* line = OneIn(3) ? kLineA : kLineB;
        int previous = 0;
        Figure f(w);
        for (int j = 0; (j + 1) * step <= w.Length(); ++j) {
            const int place = j % 16;
            int pitch = 0;
            int velocity = place % 4 == 0 ? 64 : 48;
            switch (line[place]) {
                case 1:
                    pitch = c.root;
                    break;
                case 2:
                    pitch = OneIn(2) ? c.third : c.fifth;
                    break;
                case 3:
                    pitch = c.fifth;
                    break;
                case 4:
                    pitch = OneIn(2) ? c.root : Shift(c.root, 12);
                    break;
                case 5:
                    pitch = c.fifth ? NextUsable(c, c.fifth + 1, 1) : 0;
                    break;
                case 6:
                    if (c.fifth) {
                        pitch = c.fifth;
                        for (int s = 0; s < 3; ++s)
                            pitch = NextUsable(c, pitch - 1, -1);
                    }
                    break;
                case 7:
                    // Sparser neighbours at low density.
                    if (OneIn(density < 60 ? 4 : 3))
                        pitch = NextUsable(c, c.root + 2, 1);
                    else if (OneIn(4))
                        pitch = c.third;
                    velocity = 48;
                    break;
                case 8:
                    pitch = Shift(c.root, 12);
                    break;
                case 9:
                    pitch = c.third;
                    break;
                default:
                    break;
            }
            if (pitch <= 0) continue;
            // A step of one or two semitones from the last note becomes a
            // repeat of it.
            const int apart = std::abs(pitch - previous);
            if (previous > 0 && apart >= 1 && apart <= 2) pitch = previous;
            f.Hit(j * step, pitch, velocity, 15);
            previous = pitch;
        }
    });
}

// ---- "Kecak" (type 57) ----

void Kecak(ChordWalk& walk) {
    const int step = Triplet() ? 32 : 24;
    constexpr int kLowest = 46;
    constexpr int kVoices = 4;
    constexpr int kThreshold = 8;
    // On/off per voice over sixteen steps: the voices interlock.
    static constexpr bool kCells[kVoices][16] = {
        {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 0},
        {0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1},
        {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0},
        {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0},
    };
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        ScaleString weights{};
        GetChordScaleWeights(c.code.text, weights);
        // The cluster: each voice the next pitch within an octave above the
        // last that weighs enough over the chord.
        int cluster[kVoices];
        int n = 0;
        int from = kLowest;
        for (int v = 0; v < kVoices; ++v) {
            int found = 0;
            for (int p = from; p < from + 12 && p <= 127; ++p)
                if (WeightOf(weights, p) >= kThreshold) {
                    found = p;
                    break;
                }
            if (!found) break;
            cluster[n++] = found;
            from = found + 1;
        }
        if (n == 0) cluster[n++] = kLowest;
        Figure f(w);
        const int steps = w.Length() / step;
        if (OneIn(6)) {
            for (int j = 0; j < steps; j += 16)
                for (int v = 0; v < n; ++v)
                    f.Hit(j * step, cluster[v], 127, 15);
            return;
        }
        const int turn = RandomInRange(0, 2);
        const int dropOdds = RandomInRange(2, 6);
        for (int j = 0; j < steps; ++j) {
            const int velocity = std::min(127, 32 + 6 * (j % 16));
            for (int v = 0; v < n; ++v) {
                if (!kCells[v][(j + turn * v) % 16]) continue;
                if (OneIn(dropOdds * 2)) continue;
                f.Hit(j * step, cluster[v], OneIn(2) ? velocity : velocity + 10, 15);
            }
        }
    });
}

}  // namespace rhythm
