// Short chord stabs, bass-and-chord alternations and dance rhythms: the
// figures written from the chord tones alone, and the entry point of the
// whole rhythm family.
#include <algorithm>

#include "accomp/harmony_families.h"
#include "accomp/harmony_track.h"
#include "accomp/rhythm_figure.h"
#include "compose/chord_weights.h"
#include "core/reporters.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace rhythm {

std::atomic<int> RhythmEndingFlag{0};

bool Triplet() {
    return WorkingStyle.basicBeat == 3;
}
bool HasBass() {
    return WorkingStyle.voice[kPartBass] != kVoiceNotUsed;
}
bool ThreeFour() {
    return WorkingStyle.timeSignature == kMetre34;
}
bool OneIn(int n) {
    return RandomInRange(1, std::max(1, n)) == 1;
}

int NextUsable(const ChordRecord& chord, int pitch, int step) {
    int p = pitch;
    for (int k = 0; k <= 12; ++k, p += step) {
        if (p < 13 || p > 127) break;
        if (IsPitchUsableOverChord(p, chord.code.text)) return p;
    }
    return pitch;
}

int RaisedIfUsable(const ChordRecord& chord, int pitch, int by) {
    if (pitch <= 0) return 0;
    return IsPitchUsableOverChord(pitch + by, chord.code.text) ? pitch + by : pitch;
}

void Figure::Add(Item item) {
    items_.push_back(item);
}

void Figure::Hit(int offset, int pitch, int velocity, int length) {
    Add({offset, pitch, velocity, length, 0});
}

void Figure::Chord(int offset, std::initializer_list<int> pitches, int velocity, int length,
                   int spread) {
    int k = 0;
    for (int p : pitches) {
        if (p <= 0) continue;  // a missing voice takes no place in the spread
        Hit(offset + spread * k, p, velocity, length - spread * k);
        ++k;
    }
}

void Figure::BendFromBelow(int offset, int pitch, int velocity, int length) {
    Add({offset, pitch, velocity, length, 1});
}
void Figure::BendFromAbove(int offset, int pitch, int velocity, int length) {
    Add({offset, pitch, velocity, length, 2});
}
void Figure::Rest(int offset) {
    Add({offset, 0, 0, 1, 3});
}

void Figure::Write() {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const Item& a, const Item& b) { return a.offset < b.offset; });
    const int L = walk_.Length();
    constexpr int kBendTime = 8;
    for (Item it : items_) {
        if (it.offset < 0) continue;
        if (it.bend == 3) {
            if (it.offset < L) walk_.Rest(it.offset);
            continue;
        }
        if (it.pitch < 13 || it.pitch > 127) continue;
        // Nothing runs past its chord's end but the tune's ending.
        if (!walk_.IsLast()) it.length = std::min(it.length, L - it.offset);
        if (it.length < 1) continue;
        const int velocity = std::clamp(it.velocity, 1, 127);
        // A note too short for its bend is played plain.
        if (it.bend == 0 || it.length <= 2 * kBendTime)
            walk_.Note(it.offset, it.pitch, velocity, it.length);
        else
            walk_.Bend(
                it.bend == 1 ? ChordWalk::BendKind::kFromBelow : ChordWalk::BendKind::kFromAbove,
                it.offset, it.pitch, velocity, it.length, kBendTime);
    }
    items_.clear();
}

namespace {

// "Spanish": fast three-note strums, or the triplet beat of fifth-and-root
// and third-and-root.
void Spanish(ChordWalk& walk, bool triplet) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        Figure f(w);
        auto low = [](int p) { return p > 80 ? p - 12 : p; };
        if (triplet) {
            for (int at = 0; at + 96 <= w.Length(); at += 96) {
                f.Chord(at, {low(c.fifth), low(c.root)}, 84, 60);
                f.Chord(at + 64, {low(c.third), low(c.root)}, 84, 28);
            }
            return;
        }
        for (int k = 0; 12 * (k + 1) <= w.Length(); ++k) {
            const int fifth = k % 2 ? Shift(c.fifth, -12) : c.fifth;
            const int a = k % 2 ? c.root : c.third;
            const int b = k % 2 ? c.third : c.root;
            f.Hit(12 * k, low(fifth), 84, 8);
            f.Hit(12 * k + 3, low(a), 84, 8);
            f.Hit(12 * k + 6, low(b), 84, 8);
        }
    });
}

// "Hip hop": a low fifth and root held, and a pair of roots before the
// chord's end.
void HipHop(ChordWalk& walk, bool triplet) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        const int F = Shift(c.fifth, triplet || c.fifth >= 70 ? -24 : -12);
        const int R = Shift(c.root, -12);
        Figure f(w);
        const int gap = triplet ? 32 : 24;
        const int pairLength = triplet ? 30 : 23;
        if (L < 192) {
            f.Chord(0, {F, R}, 64, L / 2);
            return;
        }
        const bool bar = L == 384 || L == 768;
        if (bar) {
            f.Hit(0, F, 44, triplet ? 152 : 136);
            f.Hit(0, R, 64, triplet ? 152 : 136);
        } else {
            f.Chord(0, {F, R}, 64, triplet ? 64 : 96);
        }
        const int pair = bar ? L - 2 * gap : L - (triplet ? 64 : 48);
        f.Hit(pair, R, 49, pairLength);
        f.Hit(pair + gap, R, 49, pairLength);
    });
}

// "Rhythmical Techno".
void RhythmicalTechno(ChordWalk& walk, bool triplet, int density) {
    const int bar = TicksPerBar(WorkingStyle.timeSignature);
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        Figure f(w);
        if (triplet) {
            for (int at = 0; at < L; at += 32)
                f.Chord(at, {c.third, c.fifth, Shift(c.root, 12)}, 64 - RandomInRange(1, 30), 24);
            return;
        }
        // The stab voices are held 24, 26 and 28: each two ticks later and
        // two ticks longer than the one before.
        auto stabCell = [&] {
            for (int at = 0; at < L; at += 48) {
                const int v = 44 + RandomInRange(1, 40);
                f.Hit(at, Shift(c.root, -12), v, 24);
                f.Hit(at + 2, Shift(c.third, -12), v, 26);
                f.Hit(at + 4, Shift(c.fifth, -12), v, 28);
            }
        };
        if (w.IsLast() && w.Count() > 1) {
            if (RhythmEndingFlag.load() == 1) {
                stabCell();
                return;
            }
            const int v = 54 + RandomInRange(1, 20);
            f.Hit(bar, Shift(c.bass, 2), v, 188);
            f.Hit(bar + 4, c.third, v, 184);
            f.Hit(bar + 8, c.fifth, v, 180);
            f.Hit(bar + 12, Shift(c.third, 15), 49 + RandomInRange(1, 20), 176);
            return;
        }
        const bool wholeBeats = L % 96 == 0;
        if (!wholeBeats || !OneIn(10 - density / 20)) {
            stabCell();
            return;
        }
        const int spread = OneIn(2) ? 4 : 0;
        const int beats = std::min(4, L / 96);
        for (int b = 0; b < beats; ++b) {
            const int at = 96 * b;
            int top = 0;
            if (b == 0) top = Shift(c.bass, 24);
            if (b == 2) top = ThreeFour() ? c.fifth : RaisedIfUsable(c, c.fifth, 2);
            if (b % 2 == 1) top = c.seventh;
            if (top <= 0) {
                f.Rest(at);
                continue;
            }
            const int v = 64 + RandomInRange(1, 20);
            f.Hit(at, c.third, v, 92);
            f.Hit(at + spread, c.fifth, v, 92 - spread);
            if (b % 2 == 0 && OneIn(7))
                f.BendFromBelow(at + 2 * spread, top, v, 92 - 2 * spread);
            else
                f.Hit(at + 2 * spread, top, v, 92 - 2 * spread);
        }
    });
}

// "Rap Techno": the first thirteen chords silent, then silent at 1 in 2.
void RapTechno(ChordWalk& walk, bool triplet) {
    int silent = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        Figure f(w);
        if (silent < 13 || OneIn(2)) {
            ++silent;
            f.Rest(0);
            return;
        }
        const std::initializer_list<int> voices = {c.fifth, c.third, Shift(c.root, 12)};
        if (L == 384) {
            f.Chord(0, voices, 64, triplet ? 24 : 40);
            f.Chord(triplet ? 32 : 48, voices, 64, triplet ? 344 : 328);
            return;
        }
        f.Chord(0, voices, 64, L - 8);
    });
}

// "Tango 1": a four-step cycle on units of a beat (half a beat in 3/4),
// and a closing figure on the last chord of a block.
void TangoOne(ChordWalk& walk, const NoteList* labels) {
    const int unit = ThreeFour() ? 48 : 96;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        const int i = w.Index();
        bool blockEnd = true;
        if (labels) {
            const NoteEvent* here = LabelAt(*labels, i);
            const NoteEvent* next = LabelAt(*labels, i + 1);
            blockEnd = !here || !next || here->label[0] != next->label[0];
        }
        if (L % 96 != 0) blockEnd = true;
        Figure f(w);
        const int steps = L / unit;
        for (int k = 0; k < steps; ++k) {
            const int at = k * unit;
            const int place = k % 4;
            if (blockEnd) {
                if (place < 3) {
                    f.Chord(at, {c.third, c.fifth, c.root}, place == 0 ? 64 : 44, 12);
                    continue;
                }
                f.Chord(at, {c.third, c.fifth, c.root}, 34, 12);
                const int late = at + (ThreeFour() ? 42 : 54);
                const int held = unit - (late - at) - 2;
                f.Chord(late, {c.third, c.fifth}, 64, held);
                f.BendFromAbove(late, c.root, 64, held);
                continue;
            }
            if (place == 1) f.Chord(at, {c.third, c.fifth, c.root}, 64, unit);
            if (place == 2) f.Chord(at, {c.third, c.fifth, Shift(c.root, 12)}, 64, 20);
        }
    });
}

// "Tango 2": an eight-step line on bar chords, its fifth raised a semitone
// where a fill falls in while the melody is quiet.
void TangoTwo(ChordWalk& walk, bool triplet, const NoteList* melody, const NoteList* labels) {
    struct Step {
        int tone;  // 1 root, 3 third, 5 fifth, 7 seventh
        int velocity;
    };
    static constexpr Step kLine[8] = {{7, 64}, {5, 44}, {3, 54}, {5, 44},
                                      {7, 64}, {5, 44}, {1, 54}, {5, 44}};
    constexpr int kRaisedStep = 5;
    constexpr int kQuietMelody = 3;  // fewer melody notes than this under a chord
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        Figure f(w);
        if (triplet) {
            for (int at = 0; at + 96 <= L; at += 96) {
                f.Hit(at, c.root, 64, 20);
                f.Hit(at + 64, (at / 96) % 2 ? c.third : c.fifth, 44, 30);
            }
            return;
        }
        if (L != 384) {
            f.Chord(0, {c.third, c.fifth, c.seventh}, 54, L - 8);
            return;
        }
        const long long start = w.ChordStart();
        const int busy = melody ? melody->CountNotesInWindow(static_cast<int>(start),
                                                             static_cast<int>(start + L))
                                : 0;
        bool blockEnd = false;
        if (labels) {
            const NoteEvent* here = LabelAt(*labels, w.Index());
            const NoteEvent* next = LabelAt(*labels, w.Index() + 1);
            blockEnd = here && next && here->label[0] != next->label[0];
        }
        const bool fill = busy < kQuietMelody && (blockEnd || (!w.InFirstHalf() && OneIn(4)));
        const bool major = c.root && c.third - c.root == 4;
        for (int k = 0; k < 8; ++k) {
            const Step& s = kLine[k];
            int pitch = s.tone == 7   ? (c.seventh ? c.seventh : Shift(c.root, 12))
                        : s.tone == 5 ? c.fifth
                        : s.tone == 3 ? c.third
                                      : c.root;
            if (k == kRaisedStep && fill && major) pitch = Shift(pitch, 1);
            f.Hit(48 * k, pitch, s.velocity, 40);
        }
    });
}

// "Accent": dense beats of low third and root with ghost strokes, or a
// sparse root-and-third figure.
void Accent(ChordWalk& walk, bool dense) {
    const bool triplet = Triplet();
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        const int lowThird = Shift(c.third, -12);
        Figure f(w);
        if (!dense) {
            for (int at = 0; at + 96 <= L; at += 96) {
                f.Hit(at, c.root, 64, 15);
                f.Hit(at + 48, lowThird, 54, 15);
            }
            return;
        }
        if (L % 96 != 0) {
            f.BendFromAbove(0, c.root, 64, L - 8);
            return;
        }
        const int subs = triplet ? 3 : 4;
        const int sub = 96 / subs;
        for (int b = 0; b < L / 96; ++b) {
            const int at = 96 * b;
            for (int s = 0; s < subs; ++s) {
                const int t = at + s * sub;
                int velocity = 0;
                switch (b % 4) {
                    case 0:
                        velocity = s == 1 || s == 2 ? 32 : (OneIn(2) ? 64 : 0);
                        break;
                    case 2:
                        if (s == subs - 1) {
                            f.Hit(t, lowThird, 74, sub - 2);
                            continue;
                        }
                        velocity = 32;
                        break;
                    default:
                        velocity = OneIn(2) ? (OneIn(3) ? 64 : 44) : 0;
                        break;
                }
                if (velocity > 0) f.Chord(t, {lowThird, c.root}, velocity, sub - 2);
            }
        }
    });
}

// "Bossa Nova".
void BossaNova(ChordWalk& walk) {
    const bool triplet = Triplet();
    constexpr int v = 84;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        Figure f(w);
        if (w.IsLast()) {
            f.Chord(0, {c.seventh, c.third, c.root}, v, L - 15);
            return;
        }
        const int low = Shift(c.fifth, -10);
        if (L == 384 || L == 768) {
            for (int at = 0; at < L; at += 384) {
                f.Chord(at, {low, c.third, c.root}, v, triplet ? 155 : 163);
                int t = at + (triplet ? 160 : 168);
                f.Chord(t, {low, c.third}, v, triplet ? 59 : 43);
                t += triplet ? 64 : 48;
                f.Chord(t, {c.fifth, c.root}, v, triplet ? 27 : 43);
                t += triplet ? 32 : 48;
                f.Hit(t, c.seventh, v, triplet ? 27 : 19);
                t += triplet ? 32 : 24;
                f.Hit(t, Shift(c.root, 12), v, triplet ? 27 : 19);
                t += triplet ? 32 : 24;
                f.Hit(t, Shift(c.fifth, 14), v, triplet ? 59 : 67);
            }
            return;
        }
        const int beats = L / 96;
        for (int b = 0; b < beats; ++b) {
            f.Hit(96 * b, c.bass, v, triplet ? 62 : 46);
            f.Chord(96 * b + (triplet ? 64 : 48), {c.third, c.root, c.seventh}, v,
                    triplet ? 17 : 33);
        }
        if (L % 96) f.Hit(96 * beats, c.bass, v, L % 96 - 2);
    });
}

// "Latin": the low third-and-fifth pair on a bar figure that alternates
// from one bar chord to the next.
void Latin(ChordWalk& walk, bool triplet) {
    struct Strike {
        int at;
        int length;
    };
    static constexpr Strike kBarA[] = {{0, 26}, {96, 134}, {240, 26}, {336, 38}};
    static constexpr Strike kBarB[] = {{0, 134}, {144, 26}, {240, 26}};
    bool second = false;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        const std::initializer_list<int> pair = {Shift(c.third, -12), Shift(c.fifth, -12)};
        Figure f(w);
        if (triplet) {
            f.Chord(0, pair, 64, L - 2);
            return;
        }
        if (L == 192) {
            if (OneIn(2)) {
                // Held to 10 ticks before the next chord.
                f.Chord(48, pair, 64, 134);
            } else {
                f.Chord(0, pair, 64, 38);
                f.Chord(48, pair, 64, 38);
            }
            return;
        }
        if (L == 384 || L == 768) {
            for (int at = 0; at < L; at += 384) {
                if (second)
                    for (const Strike& s : kBarB)
                        f.Chord(at + s.at, pair, 64, s.length);
                else
                    for (const Strike& s : kBarA)
                        f.Chord(at + s.at, pair, 64, s.length);
            }
            second = !second;
            return;
        }
        f.Chord(0, pair, 64, L - 2);
    });
}

// "Rhythmic Latin".
void RhythmicLatin(ChordWalk& walk, bool triplet) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        const int lowThird = Shift(c.third, -12);
        const int lowFifth = Shift(c.fifth, -12);
        const int lowRoot = Shift(c.root, -12);
        Figure f(w);
        const bool barChord = L == 384 || L == 768;
        if (triplet && (barChord || L == 192)) {
            for (int at = 0; at < L; at += 192) {
                if (OneIn(3)) {
                    f.Hit(at, Shift(c.root, 2), 64, 30);
                    f.Hit(at + 32, c.fifth, 64, 30);
                } else {
                    f.Chord(at, {lowRoot, lowFifth}, 64, 62);
                }
                f.Chord(at + 64, {Shift(c.root, 2), lowThird}, 64, 30);
                if (OneIn(2)) {
                    f.Chord(at + 96, {lowRoot, lowFifth}, 64, 62);
                } else {
                    f.Hit(at + 96, lowFifth, 64, 30);
                    f.Hit(at + 128, c.fifth, 64, 30);
                }
                f.Chord(at + 160, {c.root, lowThird}, 64, 30);
            }
            return;
        }
        if (barChord || L == 192) {
            for (int at = 0; at < L; at += 384) {
                // The short figure: fifth, then root.
                f.Hit(at, c.fifth, 64, 22);
                f.Hit(at + 48, c.root, 64, 22);
                if (L == 192) break;
                f.Hit(at + 120, c.root, 64, 22);
                f.Hit(at + 168, c.fifth, 64, 22);
                f.Hit(at + 192, c.fifth, 64, 46);
                f.Hit(at + 240, c.root, 64, 46);
            }
            return;
        }
        f.Chord(0, {lowThird, lowFifth}, 64, L - 2);
    });
}

// "Borero": the fifth on an eighteen-step cell.
void Borero(ChordWalk& walk) {
    static constexpr bool kCell[18] = {1, 0, 0, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 1, 0, 0};
    const int step = Triplet() ? 16 : 24;
    const int length = Triplet() ? 14 : 22;
    walk.ForEachChord([&](ChordWalk& w) {
        Figure f(w);
        for (int j = 0; (j + 1) * step <= w.Length(); ++j)
            if (kCell[j % 18]) f.Hit(j * step, w.Chord().fifth, 64, length);
    });
}

// "Cha Cha Cha": octave pairs on a sixteen-position grid of eighths. In
// triplet feel the finished track drops its rests and is shuffled.
void ChaChaCha(ChordWalk& walk, bool triplet) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        Figure f(w);
        const bool high = OneIn(6);
        for (int j = 0; (j + 1) * 48 <= w.Length(); ++j) {
            const int at = 48 * j;
            const int place = j % 16;
            if (high) {
                if (place >= 2 && place <= 4) {
                    f.Hit(at, Shift(c.fifth, 12), 84, 15);
                    f.Hit(at, Shift(c.root, 26), 64, 15);
                }
                continue;
            }
            int a = 0;
            int b = 0;
            switch (place) {
                case 0:
                case 2:
                case 9:
                    a = Shift(c.root, 12);
                    b = c.root;
                    break;
                case 3:
                case 12:
                case 13:
                    a = c.seventh;
                    b = Shift(c.seventh, -12);
                    break;
                case 5:
                    a = Shift(c.fifth, 2);
                    b = Shift(c.fifth, -10);
                    break;
                case 7:
                case 11:
                case 14:
                    a = c.fifth;
                    b = Shift(c.fifth, -12);
                    break;
                case 10:
                    a = Shift(c.root, 14);
                    b = Shift(c.root, 2);
                    break;
                default:
                    f.Rest(at);
                    continue;
            }
            f.Chord(at, {a, b}, 64, 15);
        }
    });
    if (triplet) {
        walk.Track().RemoveRestNotes();
        walk.Track().QuantizeShuffle(96);
    }
}

// "Flamenco": groups of four chords in chord, arpeggio or silent mode.
void Flamenco(ChordWalk& walk) {
    const bool triplet = Triplet();
    const int step = triplet ? 32 : 48;
    const int bar = TicksPerBar(WorkingStyle.timeSignature);
    enum class Mode { kChord, kArpeggio, kSilent };
    Mode mode = Mode::kChord;
    int base = 60;
    auto at60 = [](int p, int b) { return p > 0 ? b + p % 12 : 0; };
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        if (w.Index() % 4 == 0) {
            if (OneIn(4)) {
                mode = Mode::kArpeggio;
                base = OneIn(2) ? 48 : 60;
            } else {
                mode = OneIn(6) ? Mode::kSilent : Mode::kChord;
            }
        }
        Figure f(w);
        const int root = at60(c.root, 60);
        const int third = at60(c.third, 60);
        const int fifth = at60(c.fifth, 60);
        if (mode == Mode::kSilent) {
            f.Rest(0);
            return;
        }
        if (mode == Mode::kChord) {
            if (L >= 384 && OneIn(5)) {
                // Rasgueado: eight strokes, the root answering each, then
                // the chord held to the end.
                const int close = L - 96;
                f.Hit(0, root, 64, 31);
                for (int k = 0; k < 8; ++k) {
                    const int t = 32 + 32 * k;
                    if (t + 32 >= close) break;
                    f.Chord(t, {third, fifth}, 64, 31);
                    f.Hit(t + 32, root, 64, 31);
                }
                f.Chord(close, {root, third, fifth}, 64, 95);
                return;
            }
            for (int j = 0; (j + 1) * step <= L; ++j) {
                const int at = j * step;
                switch (j % 8) {
                    case 0:
                        f.Hit(at, root, 64, step - 1);
                        break;
                    case 3:
                        f.Hit(at, at60(c.root, 48), 64, step - 1);
                        break;
                    case 5:
                    case 6:
                        f.Hit(at, third, 64, step - 1);
                        break;
                    case 7:
                        f.Hit(at, fifth, 64, step - 1);
                        break;
                    default:
                        break;
                }
            }
            return;
        }
        if (OneIn(3) && L % bar == 0) {
            const int cycle[3] = {at60(c.root, base), at60(c.third, base), at60(c.fifth, base)};
            for (int k = 0; (k + 1) * 32 <= L; ++k)
                f.Hit(32 * k, cycle[k % 3], 64, 31);
            return;
        }
        for (int j = 0; (j + 1) * step <= L; ++j) {
            const int place = j % 8;
            const int tone = place == 1 || place == 4 || place == 7 ? c.third
                             : place == 2 || place == 5             ? c.root
                                                                    : c.fifth;
            f.Hit(j * step, at60(tone, base), 64, step - 1);
        }
    });
}

// "Waltz": low triads, on 144-tick units in the slow 3/4 form, else beat
// by beat with eighth and held-chord variations.
void Waltz(ChordWalk& walk, int variant) {
    const bool triplet = Triplet();
    int beat = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        const std::initializer_list<int> low = {Shift(c.third, -12), Shift(c.fifth, -12),
                                                Shift(c.root, -12)};
        Figure f(w);
        if (variant == 0) {
            if (L % 144 != 0) {
                f.Chord(0, low, 64, L / 2);
                return;
            }
            for (int at = 0; at < L; at += 144) {
                if (!w.InFirstHalf() && OneIn(6)) {
                    f.Chord(at, low, 64, 48);
                    f.Chord(at + 96, low, 64, 24);
                } else {
                    f.Chord(at, low, 64, 72);
                }
            }
            return;
        }
        const int i = w.Index();
        if (!triplet && i % 2 == 1 && OneIn(4)) {
            for (int j = 0; (j + 1) * 48 <= L; ++j)
                if (j % 8 <= 2 || j % 8 == 4) f.Chord(48 * j, low, 64, 47);
            return;
        }
        if (i % 4 == 3 && OneIn(3)) {
            f.Chord(0, low, 64, L / 2);
            return;
        }
        for (int at = 0; at < L; at += 96, ++beat) {
            const int span = std::min(96, L - at);
            if (beat % 4 == 0) continue;
            f.Chord(at, low, 64, span < 96 ? span - 1 : 47);
        }
    });
}

// Type 60: a twelve-step bass-and-chord cycle that runs on across chords.
void BassChordCycle(ChordWalk& walk) {
    const int step = Triplet() ? 32 : 48;
    int position = 0;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        // The rest of an uneven chord passes as silence.
        if (L % step != 0) ShowErrorMessage(kBeatError);
        Figure f(w);
        const std::initializer_list<int> chord = {c.fifth, c.third, Shift(c.seventh, -12)};
        for (int j = 0; j < L / step; ++j, position = (position + 1) % 12) {
            const int at = j * step;
            switch (position) {
                case 0:
                case 3:
                case 10:
                    f.Hit(at, Shift(c.root, -12), 64, step - 1);
                    break;
                case 6:
                    f.Hit(at, Shift(c.fifth, -12), 64, step - 1);
                    break;
                case 1:
                case 5:
                    f.Chord(at, chord, 64, step - 1);
                    break;
                case 8:
                    f.Chord(at, chord, 64, 2 * step - 1);
                    break;
                default:
                    break;
            }
        }
    });
}

bool IsGuitar(int instrument) {
    return instrument >= 24 && instrument <= 31;
}

// "Jazz Waltz": a four-voice comp per beat, voiced by the beat's place.
void JazzWaltz(ChordWalk& walk) {
    const bool triplet = Triplet();
    const int part = std::clamp(walk.Channel(), 0, kStylePartSlots - 1);
    const bool guitar = IsGuitar(WorkingStyle.voice[part]);
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        Figure f(w);
        if (L % 96 != 0) {
            if (OneIn(2)) f.Hit(0, c.fifth, 64, L - 8);
            return;
        }
        const int beats = L / 96;
        const bool lastFour = w.IsLast() && (beats == 4 || beats == 8);
        for (int b = 0; b < beats; ++b) {
            const int place = b % 4;
            const int at = 96 * b;
            const int lowThird = Shift(c.third, -12);
            const int lowFifth = Shift(c.fifth, -12);
            int voices[4] = {lowThird, lowFifth, 0, 0};
            switch (place) {
                case 0:
                    voices[2] = c.root;
                    voices[3] = Shift(c.root, -12);
                    break;
                case 1:
                    voices[2] = c.root;
                    voices[3] = OneIn(2) ? c.seventh : Shift(c.root, -12);
                    break;
                case 2:
                    voices[2] = Shift(c.seventh, -12);
                    voices[3] = OneIn(2) ? c.third : c.root;
                    break;
                default:
                    voices[2] = Shift(c.seventh, -12);
                    voices[3] = c.root;
                    break;
            }
            int comp[4];
            int n = 0;
            for (int p : voices) {
                if (p <= 0) continue;
                while (p >= 68)
                    p -= 12;
                if (n == 4 || std::find(comp, comp + n, p) != comp + n) continue;
                // Kept in rising order as it is filled.
                int i = n++;
                for (; i > 0 && comp[i - 1] > p; --i)
                    comp[i] = comp[i - 1];
                comp[i] = p;
            }
            int length = place % 2 == 0 ? 24 : 12;
            if (place == 0 && OneIn(2)) length = 32;
            if (place == 3 && OneIn(2)) length = 19;
            const bool endingBeat = lastFour && (b == beats - 2 || b == beats - 1);
            if (endingBeat && b == beats - 1) continue;
            if (endingBeat) length = 88;
            const int spread = guitar ? (place % 2 == 0 ? 4 : 2) : 0;
            const bool twice = triplet && w.InLastThird() && OneIn(6) && !endingBeat;
            for (int k = 0; k < n; ++k) {
                f.Hit(at + spread * k, comp[k], 64, length);
                if (twice) f.Hit(at + 64 + spread * k, comp[k], 64 * 2 / 3, length);
            }
        }
    });
}

}  // namespace
}  // namespace rhythm

bool GenerateRhythmPattern(ChordWalk& walk, int type, int variant, int density,
                           const NoteList* melody, const NoteList* labels) {
    using namespace rhythm;
    const bool triplet = variant == 0;  // the two-way types put triplet feel first
    switch (type) {
        case 5:
            Spanish(walk, triplet);
            return true;
        case 10:
            Rhythmic(walk, variant, density);
            return true;
        case 15:
            HipHop(walk, triplet);
            return true;
        case 17:
            RhythmicalTechno(walk, triplet, density);
            return true;
        case 18:
            RapTechno(walk, Triplet());
            return true;
        case 19:
            Rhythmical(walk, variant);
            return true;
        case 20:
            RhythmicLines(walk, variant, density);
            return true;
        case 21:
            TangoOne(walk, labels);
            return true;
        case 23:
            TangoTwo(walk, triplet, melody, labels);
            return true;
        case 29:
            Accent(walk, variant == 0);
            return true;
        case 31:
            March(walk, variant);
            return true;
        case 35:
            BossaNova(walk);
            return true;
        case 36:
            Latin(walk, triplet);
            return true;
        case 37:
            RhythmicLatin(walk, triplet);
            return true;
        case 38:
            Trans(walk, variant);
            return true;
        case 44:
            OldaysGuitar(walk);
            return true;
        case 50:
            Borero(walk);
            return true;
        case 55:
            ChaChaCha(walk, triplet);
            return true;
        case 56:
            Parade(walk, density);
            return true;
        case 57:
            Kecak(walk);
            return true;
        case 58:
            Flamenco(walk);
            return true;
        case 59:
            Waltz(walk, variant);
            return true;
        case 60:
            BassChordCycle(walk);
            return true;
        case 61:
            JazzWaltz(walk);
            return true;
        default:
            return false;
    }
}
