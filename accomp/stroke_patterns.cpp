// Chords struck once per step like a strummed guitar, or held.
#include <algorithm>

#include "accomp/harmony_families.h"
#include "accomp/harmony_track.h"
#include "compose/chord_weights.h"
#include "core/reporters.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kStrikeVelocity = 64;
constexpr int kOrnamentPart = 3;  // the part whose ornament halves the strokes
constexpr int kHalfStrokeOrnament = 3;
constexpr int kVoiceLeadingTop = 71;
constexpr int kVoiceLeadingSpan = 4;

bool Triplet() {
    return WorkingStyle.basicBeat == 3;
}
bool HasBass() {
    return WorkingStyle.voice[kPartBass] != kVoiceNotUsed;
}

// A chord tone, or nothing for a missing one.
void Strike(ChordWalk& walk, int offset, int pitch, int velocity, int length) {
    if (pitch <= 0 || pitch > 127) return;
    walk.Note(offset, pitch, velocity, length);
}

// The seventh and third a strum sounds, moved toward the previous chord's.
// The dense strum moves them only while they stay inside its bounds.
struct VoiceLeading {
    int seventh;
    int third;
    bool bounded = false;
    void Lead(int& seventhOut, int& thirdOut, const ChordRecord& chord) {
        seventhOut = chord.seventh;
        thirdOut = chord.third;
        if (seventhOut > 0 && seventhOut > seventh + kVoiceLeadingSpan &&
            seventhOut > kVoiceLeadingTop && (!bounded || seventhOut - 12 > 59))
            seventhOut -= 12;
        if (thirdOut > 0 && thirdOut < third - kVoiceLeadingSpan && thirdOut <= kVoiceLeadingTop &&
            (!bounded || thirdOut + 12 <= 83))
            thirdOut += 12;
        if (seventhOut > 0) seventh = seventhOut;
        if (thirdOut > 0) third = thirdOut;
    }
};

// "Slow Stroke": three voices struck on every step. The step follows the
// style's own "Harmony Pattern" field, whatever type was asked for, so a
// sub-harmony of this type strikes with the harmony.
void SlowStroke(ChordWalk& walk) {
    const bool fast = WorkingStyle.harmonyPattern == 2;
    int step = 96;
    int length = 94;
    if (fast) {
        step = Triplet() ? 32 : 48;
        length = Triplet() ? 30 : 47;
    }
    const bool half = fast && WorkingStyle.melody[kOrnamentPart].ornament == kHalfStrokeOrnament;
    VoiceLeading leading{75, 70};
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        int seventh = 0;
        int third = 0;
        leading.Lead(seventh, third, c);
        const int top = HasBass() ? seventh : c.root;
        int steps = L / step;
        const int remainder = L % step;
        bool extra = false;
        if (remainder == 48) {
            extra = true;
        } else if (remainder != 0) {
            // The rest of the chord passes as silence.
            ShowErrorMessage(kBeatError);
        }
        const bool dominant = c.root && c.seventh - c.root == 10 && c.third - c.root == 4;
        const bool majorLong = L > 191 && c.root && c.third - c.root == 4;
        const int raisedFifth =
            c.fifth && IsPitchUsableOverChord(c.fifth + 2, c.code.text) ? c.fifth + 2 : c.fifth;
        const int total = steps + (extra ? 1 : 0);
        for (int k = 0; k < total; ++k) {
            const int offset = k * step;
            int len = k < steps ? length : 47;
            if (half) len /= 2;
            if (half && Triplet() && k % 3 == 1) continue;
            if (half && dominant && k >= 9 && k <= 11) {
                const int pitch = k == 9 ? seventh : (k == 10 ? raisedFifth : c.fifth);
                Strike(w, offset, pitch, kStrikeVelocity, len);
                continue;
            }
            int fifth = c.fifth;
            if (half && majorLong && (Triplet() ? k % 6 == 3 : k % 4 == 2)) fifth = raisedFifth;
            Strike(w, offset, third, kStrikeVelocity, len);
            Strike(w, offset, fifth, kStrikeVelocity, len);
            Strike(w, offset, top, kStrikeVelocity, len);
        }
    });
}

// The medium (dense false) and dense strums of "Continuous Stroke": upper
// voices and a muted low layer struck together on 48-tick steps.
void Strum(ChordWalk& walk, bool dense) {
    VoiceLeading leading{80, 75, dense};
    const bool triplet = Triplet();
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int L = w.Length();
        // A length off the 48-tick grid: its whole steps, the rest silent.
        if (L % 48 != 0) ShowErrorMessage(kBeatError);
        const int steps = L / 48;
        const bool swung = triplet && L % 48 == 0;
        int seventh = 0;
        int third = 0;
        leading.Lead(seventh, third, c);
        const int index = w.Index();
        const int count = w.Count();
        const bool secondHalf = index >= count / 2;
        const bool secondQuarter = !secondHalf && index >= count / 4;
        int root = c.root;
        if (dense && root > 0 && root <= 67) root += 12;
        const int lowLimit = dense ? 48 : 12;
        const int lowFifth = c.fifth - 12 > lowLimit ? c.fifth - 12 : 0;
        const int lowThird = c.third - 12 > lowLimit ? c.third - 12 : 0;
        const int raisedFifth =
            c.fifth && IsPitchUsableOverChord(c.fifth + 2, c.code.text) ? c.fifth + 2 : c.fifth;
        const bool minor = c.root && c.third - c.root == 3;
        const bool seventhApart = c.seventh && (c.seventh - c.root) % 12 != 0;
        const bool held = dense && steps % 16 == 0 && steps > 0;
        for (int k = 0; k < steps; ++k) {
            const int at = swung ? (k / 2) * 96 + (k % 2) * 64 : k * 48;
            if (held && k % 16 == 7) {
                Strike(w, at, c.root, 34, 94);
                Strike(w, at, third, kStrikeVelocity, 94);
                Strike(w, at, c.fifth, kStrikeVelocity, 94);
                ++k;  // the held chord takes two steps
                continue;
            }
            const bool last = k == steps - 1;
            bool accent = last || (secondHalf && (k == 2 || k == 5)) ||
                          (secondQuarter && (k == 2 || (k == 5 && RandomInRange(1, 6) == 1))) ||
                          (dense && k % 2 == 0);
            int upper = accent ? 47 : 10;
            const int low = accent ? 10 : 5;
            if (triplet) upper = accent ? (k % 2 ? 31 : 62) : (k % 2 ? 10 : 40);
            int fifth = c.fifth;
            if (dense) {
                const int place = k % 8;
                if ((place == 2 || place == 6) && !minor)
                    fifth = raisedFifth;
                else if ((place == 2 || place == 6 || place == 4) && seventhApart)
                    fifth = c.seventh;
            }
            bool twice = false;
            if (!triplet && secondHalf && k == 6) twice = RandomInRange(1, 2) == 1;
            if (!triplet && last && !twice) twice = RandomInRange(1, 6) == 1;
            const int strikes = twice ? 2 : 1;
            const int upperLength = twice ? std::max(1, upper / 2) : upper;
            const int lowLength = twice ? std::max(1, low / 2) : low;
            for (int s = 0; s < strikes; ++s) {
                const int t = at + 24 * s;
                Strike(w, t, fifth, 54, upperLength);
                Strike(w, t, third, kStrikeVelocity, upperLength);
                if (!dense || twice) Strike(w, t, seventh, 54, upperLength);
                Strike(w, t, root, 74, lowLength);
                Strike(w, t, lowFifth, 74, lowLength);
                Strike(w, t, lowThird, 74, lowLength);
            }
        }
    });
}

// "Simple Stroke": a down-stroke on even beats, a down- and an up-stroke on
// odd ones, the voices 2 ticks apart an octave down.
void SimpleStroke(ChordWalk& walk) {
    const bool triplet = Triplet();
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int down[3] = {c.third ? c.third - 12 : 0, c.fifth ? c.fifth - 12 : 0,
                             c.seventh ? c.seventh - 12 : 0};
        const int beats = w.Length() / 96;
        for (int b = 0; b < beats; ++b) {
            const int at = b * 96;
            if (b % 2 == 0) {
                for (int v = 0; v < 3; ++v)
                    Strike(w, at + 2 * v, down[v], 49, 88 - 2 * v);
                continue;
            }
            const int downLength = triplet ? 24 : 40;
            const int upAt = triplet ? 60 : 44;
            for (int v = 0; v < 3; ++v)
                Strike(w, at + 2 * v, down[v], 49, downLength - 2 * v);
            for (int v = 0; v < 3; ++v)
                Strike(w, at + upAt + 4 + 2 * v, down[2 - v], kStrikeVelocity, downLength - 2 * v);
        }
    });
}

// "Techno": a long chord split into a held chord and two answers; any other
// chord held for its length less 8.
void Techno(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int root = c.root;
        if (w.Length() == 768) {
            Strike(w, 0, c.fifth, kStrikeVelocity, 376);
            Strike(w, 0, c.seventh, kStrikeVelocity, 376);
            Strike(w, 0, c.third, kStrikeVelocity, 376);
            Strike(w, 384, c.fifth ? c.fifth + 2 : 0, kStrikeVelocity, 184);
            Strike(w, 576, c.third, kStrikeVelocity, 184);
            Strike(w, 576, c.fifth, kStrikeVelocity, 184);
            Strike(w, 576, root ? root + 14 : 0, kStrikeVelocity, 184);
            return;
        }
        const int held = w.Length() - 8;
        Strike(w, 0, c.fifth, kStrikeVelocity, held);
        Strike(w, 0, c.third, kStrikeVelocity, held);
        Strike(w, 0, root ? root + 12 : 0, kStrikeVelocity, held);
    });
}

// ---- "Pops" ----

// A unit of the "Pops" figures: ticks it takes and how long its notes hold.
struct PopsUnit {
    int ticks;
    int hold;
};

constexpr PopsUnit kTripletUnits[3] = {{32, 30}, {64, 60}, {96, 94}};
constexpr PopsUnit kEighth{48, 47};
constexpr PopsUnit kQuarter{96, 94};

// One strike of a whole-bar figure over a 384-tick bar.
struct BarStrike {
    int offset;
    int hold;
    int velocity;
};

// The five rhythmic bar figures of the middle density: accents on
// half-beats, quarters held 94 and eighths held 46.
constexpr int kBarFigureLength = 6;
constexpr BarStrike kBarFigures[5][kBarFigureLength] = {
    {{0, 94, 64}, {96, 46, 64}, {144, 46, 42}, {192, 94, 64}, {288, 46, 64}, {336, 46, 48}},
    {{0, 46, 64}, {48, 46, 42}, {96, 94, 64}, {192, 46, 64}, {240, 46, 48}, {288, 94, 64}},
    {{0, 94, 64}, {144, 46, 48}, {192, 94, 64}, {336, 46, 42}, {-1, 0, 0}, {-1, 0, 0}},
    {{0, 46, 64}, {48, 46, 48}, {144, 46, 42}, {192, 46, 64}, {240, 46, 48}, {336, 46, 42}},
    {{0, 94, 64}, {96, 94, 64}, {192, 46, 64}, {240, 46, 42}, {288, 46, 64}, {336, 46, 48}},
};

// The three broken-chord orders of the lighter straight form.
enum PopsTone { kPopsRoot, kPopsThird, kPopsFifth, kPopsSeventh, kPopsRootUp, kPopsFifthUp };
constexpr PopsTone kBrokenOrders[3][4] = {
    {kPopsRoot, kPopsThird, kPopsFifth, kPopsSeventh},
    {kPopsRoot, kPopsThird, kPopsFifth, kPopsThird},
    {kPopsThird, kPopsFifth, kPopsSeventh, kPopsRootUp},
};

// Voices of one "Pops" chord: the voice-led third, the fifth and the top
// voice (the seventh, or the root when the tune has no bass or, where the
// form asks, the chord has no seventh).
struct PopsChord {
    int root;
    int third;
    int fifth;
    int seventh;
    int top;
};

class Pops {
public:
    Pops(ChordWalk& walk, int variant) : walk_(walk), variant_(variant) {}

    void Run() {
        walk_.ForEachChord([&](ChordWalk& w) {
            const ChordRecord& c = w.Chord();
            PopsChord v{c.root, 0, c.fifth, 0, 0};
            leading_.Lead(v.seventh, v.third, c);
            const bool rootOnTop = !HasBass() || (variant_ >= 3 && v.seventh <= 0);
            v.top = rootOnTop ? c.root : v.seventh;
            switch (variant_) {
                case 0:
                    Triplet(w, v);
                    break;
                case 1:
                    Light(w, v);
                    break;
                case 2:
                    Beats(w, v);
                    break;
                case 4:
                    Compound(w, v);
                    break;
                default:
                    Units(w, v);
                    break;
            }
        });
    }

private:
    void Chord(ChordWalk& w, const PopsChord& v, int at, int hold, int velocity = kStrikeVelocity) {
        Strike(w, at, v.third, velocity, hold);
        Strike(w, at, v.fifth, velocity, hold);
        Strike(w, at, v.top, velocity, hold);
    }

    static int Tone(const PopsChord& v, int tone) {
        switch (tone) {
            case kPopsRoot:
                return v.root;
            case kPopsThird:
                return v.third;
            case kPopsFifth:
                return v.fifth;
            case kPopsSeventh:
                return v.seventh;
            case kPopsRootUp:
                return v.root > 0 ? v.root + 12 : 0;
            case kPopsFifthUp:
                return v.fifth > 0 ? v.fifth + 12 : 0;
        }
        return 0;
    }

    // count random chord tones (third, fifth, seventh or root), step apart,
    // never the same tone twice running: each draw is among the other three.
    // A missing tone is a silent step.
    void RandomTones(ChordWalk& w, const PopsChord& v, int at, int count, int step, int hold,
                     int velocity) {
        constexpr int kTones[4] = {kPopsThird, kPopsFifth, kPopsSeventh, kPopsRoot};
        int last = -1;
        for (int k = 0; k < count; ++k) {
            int pick = RandomInRange(0, last < 0 ? 3 : 2);
            if (last >= 0 && pick >= last) ++pick;
            last = pick;
            Strike(w, at + k * step, Tone(v, kTones[pick]), velocity, hold);
        }
    }

    // Triplet feel: units of 32, 64 or 96 ticks, or six random tones over a
    // remaining 192 or 384 ticks. A unit longer than what is left is cut at
    // the chord's end; under 32 ticks left pass as silence.
    void Triplet(ChordWalk& w, const PopsChord& v) {
        const int L = w.Length();
        int at = 0;
        while (L - at >= kTripletUnits[0].ticks) {
            const int left = L - at;
            if ((left == 192 || left == 384) && RandomInRange(1, 2) == 1) {
                RandomTones(w, v, at, 6, 32, 30, kStrikeVelocity);
                at += 192;
                continue;
            }
            const PopsUnit unit = kTripletUnits[RandomInRange(0, 2)];
            const int ticks = std::min(unit.ticks, left);
            Chord(w, v, at, unit.hold - (unit.ticks - ticks));
            at += ticks;
        }
    }

    // Eighths and quarters drawn one by one, with the figures a remaining
    // bar or half-bar may take instead. Under an eighth left passes as
    // silence; a quarter is cut at the chord's end.
    void Units(ChordWalk& w, const PopsChord& v) {
        const int L = w.Length();
        int at = 0;
        while (L - at >= kEighth.ticks) {
            const int left = L - at;
            const int draw = left == kEighth.ticks ? 1 : RandomInRange(1, 3);
            if (draw == 1) {
                Chord(w, v, at, kEighth.hold);
                at += kEighth.ticks;
                continue;
            }
            if (draw == 2 && (left == 192 || left == 384)) {
                if (variant_ == 3) {
                    RandomTones(w, v, at, 4, 48, 47, kStrikeVelocity);
                } else if (RandomInRange(1, 4) == 1) {
                    RandomTones(w, v, at, 4, 48, 47, kStrikeVelocity * RandomInRange(4, 6) / 6);
                } else {
                    PopsChord broken = v;
                    if (broken.seventh <= 0) broken.seventh = Tone(v, kPopsFifthUp);
                    const int order = RandomInRange(0, 2);
                    for (int k = 0; k < 4; ++k) {
                        int tone = kBrokenOrders[order][k];
                        // Without a seventh the last order reads third,
                        // fifth, root + 12, fifth.
                        if (order == 2 && v.seventh <= 0)
                            tone = k == 2 ? kPopsRootUp : (k == 3 ? kPopsFifth : tone);
                        Strike(w, at + 48 * k, Tone(broken, tone),
                               kStrikeVelocity * RandomInRange(3, 6) / 6, 47);
                    }
                }
                at += 192;
                continue;
            }
            const int ticks = std::min(kQuarter.ticks, left);
            Chord(w, v, at, kQuarter.hold - (kQuarter.ticks - ticks));
            at += ticks;
        }
    }

    // The lightest form: broken-chord bars, or the chord held under a quick
    // rising figure in its last eighth.
    void Light(ChordWalk& w, const PopsChord& v) {
        const int L = w.Length();
        if (L == 384 && RandomInRange(1, 2) == 1) {
            for (int half = 0; half < 2; ++half) {
                const int at = 192 * half;
                if (RandomInRange(1, 2) == 1) {
                    Strike(w, at, v.root, kStrikeVelocity, 94);
                } else {
                    Strike(w, at, v.root, kStrikeVelocity, 46);
                    Strike(w, at + 48, v.third, kStrikeVelocity, 46);
                }
                Strike(w, at + 96, v.fifth, kStrikeVelocity, 46);
                if (half == 0) {
                    Strike(w, at + 144, v.third, kStrikeVelocity, 46);
                } else {
                    Strike(w, at + 144, v.third, kStrikeVelocity, 22);
                    Strike(w, at + 144, v.fifth, kStrikeVelocity, 22);
                }
            }
            return;
        }
        if (L <= 96) {
            Strike(w, 0, v.third, kStrikeVelocity, L - 2);
            Strike(w, 0, v.fifth, kStrikeVelocity, L - 2);
            return;
        }
        Strike(w, 0, v.third, kStrikeVelocity, L - 50);
        Strike(w, 0, v.fifth, kStrikeVelocity, L - 50);
        const int at = L - 48;
        Strike(w, at, v.fifth, kStrikeVelocity, 16);
        Strike(w, at + 2, v.third, kStrikeVelocity, 18);
        Strike(w, at + 4, v.root, kStrikeVelocity, 20);
        Strike(w, at + 24, v.root, kStrikeVelocity, 16);
        Strike(w, at + 26, v.third, kStrikeVelocity, 18);
        Strike(w, at + 28, v.fifth, kStrikeVelocity, 20);
    }

    // The middle form: the chord on every beat, and over whole bars in the
    // second half of the tune one of the five bar figures. A last part-beat
    // is cut at the chord's end.
    void Beats(ChordWalk& w, const PopsChord& v) {
        const int L = w.Length();
        const bool figures = !w.InFirstHalf();
        int at = 0;
        if (figures) {
            for (; L - at >= 384; at += 384) {
                for (const BarStrike& s : kBarFigures[RandomInRange(0, 4)])
                    if (s.offset >= 0) Chord(w, v, at + s.offset, s.hold, s.velocity);
            }
        }
        for (; at < L; at += 96)
            Chord(w, v, at, std::min(94, L - at - 2));
    }

    // Compound metre: 144-tick units on chords of whole units, an arpeggio
    // of eighths on chords of whole eighths, else the four tones held.
    void Compound(ChordWalk& w, const PopsChord& v) {
        const int L = w.Length();
        const int four[4] = {v.root, v.third, v.fifth, v.seventh};
        if (L % 144 == 0) {
            for (int at = 0; at < L; at += 144) {
                if (at > 0 && RandomInRange(1, 4) == 1) {
                    const int velocities[3] = {54, 39, 44};
                    for (int k = 0; k < 3; ++k)
                        Chord(w, v, at + 48 * k, 46, velocities[k]);
                } else if (RandomInRange(1, 2) == 1) {
                    Chord(w, v, at, 142);
                } else {
                    // Two eighths of single tones, then the other tones.
                    const int voices[3] = {v.third, v.fifth, v.top};
                    const int first = RandomInRange(0, 2);
                    int second = RandomInRange(0, 1);
                    if (second >= first) ++second;
                    Strike(w, at, voices[first], kStrikeVelocity, 46);
                    Strike(w, at + 48, voices[second], kStrikeVelocity, 46);
                    for (int k = 0; k < 3; ++k)
                        if (k != first && k != second)
                            Strike(w, at + 96, voices[k], kStrikeVelocity, 46);
                    Strike(w, at + 96, v.root == v.top ? 0 : v.root, kStrikeVelocity, 46);
                }
            }
        } else if (L % 48 == 0) {
            for (int at = 0, k = 0; at < L; at += 48, ++k)
                Strike(w, at, four[k % 3], kStrikeVelocity, 46);
        } else {
            for (int p : four)
                Strike(w, 0, p, kStrikeVelocity, L - 2);
        }
    }

    ChordWalk& walk_;
    int variant_;
    VoiceLeading leading_{80, 75};
};

}  // namespace

bool GenerateStrokePattern(ChordWalk& walk, int type, int variant, int density) {
    (void)density;
    switch (type) {
        case 1:
        case 28:
            SlowStroke(walk);
            return true;
        case 2:
            if (variant == 2)
                SlowStroke(walk);
            else
                Strum(walk, variant == 0);
            return true;
        case 4:
            Pops(walk, variant).Run();
            return true;
        case 43:
            SimpleStroke(walk);
            return true;
        case 14:
            Techno(walk);
            return true;
        default:
            return false;
    }
}
