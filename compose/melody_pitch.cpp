#include "compose/melody_pitch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "compose/chord_weights.h"
#include "compose/composer_state.h"
#include "compose/melody_rhythm.h"
#include "compose/note_choice.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kScaleHarmonic = 21;
constexpr int kNoRunScale = 13;

// Note and bar lengths in ticks, 96 to the quarter note.
constexpr int kSixteenthTicks = 24;
constexpr int kTripletEighthTicks = 32;
constexpr int kEighthTicks = 48;
constexpr int kQuarterTicks = 96;
constexpr int kHalfTicks = 192;
constexpr int kBarTicks34 = 288;
constexpr int kBarTicks78 = 336;
constexpr int kBarTicks44 = 384;
// The span the melody's ending figures are measured against: a bar and a
// half of 4/4.
constexpr int kEndingTicks = kBarTicks44 + kHalfTicks;

MelodySettings& Settings(int part) {
    static MelodySettings none{};
    if (part < 0 || part >= kStylePartSlots) return none = MelodySettings{};
    return WorkingStyle.melody[part];
}

int Lower(int part) {
    return std::clamp(Settings(part).lowerLimit, 0, 127);
}
int Upper(int part) {
    return std::clamp(Settings(part).upperLimit, 0, 127);
}
int Density(int part) {
    return part >= 0 && part < kStylePartSlots ? WorkingStyle.density[part] : 100;
}
int Dissonance(int part) {
    return std::clamp(Settings(part).dissonance, 0, 10);
}
bool Chance(int n) {
    return RandomInRange(1, n) == 1;
}
bool IsMinor() {
    return WorkingStyle.key == 2;
}
int PitchClass(int pitch) {
    return ((pitch % 12) + 12) % 12;
}
// The direction of a move from a to b: +1, -1, or a coin for none.
int Toward(int from, int to) {
    if (to > from) return 1;
    if (to < from) return -1;
    return RandomInRange(0, 1) ? 1 : -1;
}
bool InRange(int pitch, int part) {
    return pitch >= Lower(part) && pitch <= Upper(part);
}

// Steps until the pitch is a triad (or chord) tone inside the range, in the
// given direction first, then the other. A tone the scale holds (combined
// weight 1 or more) is preferred to one outside it; the pitch itself comes
// back when no tone is found.
int SnapInRange(const ChordRecord& chord, int pitch, int direction, int part, bool triad) {
    if (chord.root == 0 || pitch <= 0) return pitch;
    ScaleString weights;
    GetChordScaleWeights(chord.code.text, weights);
    for (int needed : {1, 0}) {
        for (int dir : {direction >= 0 ? 1 : -1, direction >= 0 ? -1 : 1}) {
            int p = pitch;
            for (int i = 0; i < 24 && p >= 0 && p <= 127; ++i, p += dir) {
                bool tone = triad ? chord.IsTriadPitch(p) : chord.IsChordTone(p);
                if (tone && InRange(p, part) && WeightOf(weights, p) >= needed) return p;
            }
        }
    }
    return pitch;
}

// Between two moved candidates: the one whose move from p1 has the sense of
// the unmoved candidate's move (the nearer to p1 when both do).
int ChooseBySense(int p1, int unmoved, int a, int b) {
    auto sense = [&](int x) { return (x > p1) - (x < p1); };
    int want = sense(unmoved);
    bool okA = sense(a) == want;
    bool okB = sense(b) == want;
    if (okA && okB) {
        if (a == p1) return b;
        return std::abs(a - p1) <= std::abs(b - p1) ? a : b;
    }
    if (okA) return a;
    if (okB) return b;
    return a;
}

ChordRecord RecordOf(const NoteEvent& e) {
    HarmonyStructureEntry entry{};
    int length = std::clamp(e.length, 0, 0xFFFF);
    entry.lengthHigh = static_cast<std::uint8_t>(length >> 8);
    entry.lengthLow = static_cast<std::uint8_t>(length & 0xFF);
    for (int i = 0; i < 4; ++i)
        entry.chord.text[i] = e.chordCode[i];
    char text[3] = {e.numberText[0], e.numberText[1], '\0'};
    ChordRecord chord(entry, text);
    chord.length = e.length;
    return chord;
}

// The sine and cosine of 2π·m/500 for every m.
struct SineTables {
    std::array<double, kStepSequenceLength> sine{};
    std::array<double, kStepSequenceLength> cosine{};
};

const SineTables& Sines() {
    static const SineTables tables = [] {
        SineTables t;
        for (int m = 0; m < kStepSequenceLength; ++m) {
            const double angle = 2.0 * std::numbers::pi * m / kStepSequenceLength;
            t.sine[m] = std::sin(angle);
            t.cosine[m] = std::cos(angle);
        }
        return t;
    }();
    return tables;
}

struct RepeatEntry {
    int length = 0;
    int interval = kNoPreviousInterval;
};

// What the writer remembers of a block's chords for rhythm and melody
// repetition. Chords and notes past kRepetitionSlots are not remembered.
struct RepetitionMemory {
    std::vector<int> chordLength;
    std::vector<std::array<RepeatEntry, kRepetitionSlots>> notes;

    // The first earlier chord of the same length, or -1.
    int EarlierChord(int chord, int length) const {
        int n = std::min<int>(chord, static_cast<int>(chordLength.size()));
        for (int i = 0; i < n; ++i)
            if (chordLength[i] == length) return i;
        return -1;
    }
    void Record(int chord, int note, int length, int interval) {
        if (chord < 0 || chord >= kRepetitionSlots || note < 0 || note >= kRepetitionSlots) return;
        if (static_cast<int>(notes.size()) <= chord) {
            notes.resize(chord + 1);
            chordLength.resize(chord + 1, -1);
        }
        notes[chord][note] = RepeatEntry{length, interval};
    }
    void SetChordLength(int chord, int length) {
        if (chord < 0 || chord >= kRepetitionSlots) return;
        if (static_cast<int>(notes.size()) <= chord) {
            notes.resize(chord + 1);
            chordLength.resize(chord + 1, -1);
        }
        chordLength[chord] = length;
    }
    const RepeatEntry* Entry(int chord, int note) const {
        if (chord < 0 || chord >= static_cast<int>(notes.size()) || note < 0 ||
            note >= kRepetitionSlots)
            return nullptr;
        return &notes[chord][note];
    }
};

bool RepeatSettingActive(int setting) {
    return setting == 2 || (setting == 1 && Chance(2));
}

}  // namespace

int IntervalOfClass(int intervalClass) {
    static constexpr int kIntervals[8] = {0, 1, 3, 5, 6, 8, 10, 12};
    if (intervalClass < 0 || intervalClass > 7) return 0;
    return kIntervals[intervalClass];
}

int ToDiatonicStep(int semitones) {
    static constexpr int kSteps[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
    int s = std::abs(semitones);
    return 7 * (s / 12) + kSteps[s % 12];
}

int BarLength() {
    if (WorkingStyle.timeSignature == kMetre34) return kBarTicks34;
    if (WorkingStyle.timeSignature == kMetre78) return kBarTicks78;
    return kBarTicks44;
}

int PartMiddle(int part) {
    return (Settings(part).upperLimit + Settings(part).lowerLimit) / 2;
}

int TonicPitchClass() {
    return IsMinor() ? 9 : 12;
}

// ---- Algorithm 1 ----

AnchorPoints PickAnchorPoints(const ScaleString& firstWeights, int blockLength, int part) {
    AnchorPoints points;
    if (blockLength <= 0) ShowErrorMessage(kMelodyPointsError);
    const int c = RandomInRange(1, 3);
    const std::int64_t span = static_cast<std::int64_t>(std::max(blockLength, 0)) * c;
    // Four distinct times need a span of at least 3.
    if (span < 3 || span > 0x7FFFFFFF) return points;
    const int lower = Lower(part);
    const int upper = Upper(part);
    const int need = std::min(9, Dissonance(part));
    int pc = -1;
    for (int i = 0; i < 100 && pc < 0; ++i) {
        int candidate = RandomInRange(0, 11);
        if (WeightOf(firstWeights, candidate) >= need) pc = candidate;
    }
    if (pc < 0) pc = RandomTopWeightPitch(firstWeights);
    const int middle = (lower + upper) / 2;
    points.count = 4;
    points.time[0] = 0;
    points.pitch[0] = middle - PitchClass(middle) + pc;
    points.time[3] = static_cast<double>(span);
    points.pitch[3] = RandomInRange(lower, upper);
    const int s = static_cast<int>(span);
    int a = 0;
    int b = 0;
    for (int tries = 0; tries < 1000; ++tries) {
        a = RandomInRange(0, s);
        b = RandomInRange(0, s);
        if (a != b && a != 0 && b != 0 && a != s && b != s) break;
        a = 1;  // the fallback when every draw coincided
        b = 2;
    }
    points.time[1] = a;
    points.time[2] = b;
    points.pitch[1] = RandomInRange(lower, upper);
    points.pitch[2] = RandomInRange(lower, upper);
    return points;
}

int AnchorPitchAt(const AnchorPoints& points, int t, int part) {
    if (points.count == 0) return std::clamp(PartMiddle(part), 0, 127);
    double sum = 0;
    for (int i = 0; i < points.count; ++i) {
        double term = points.pitch[i];
        for (int j = 0; j < points.count; ++j) {
            if (j == i) continue;
            double d = points.time[i] - points.time[j];
            if (d == 0) continue;
            term *= (t - points.time[j]) / d;
        }
        sum += term;
    }
    double v = std::fabs(std::trunc(sum));
    if (!(v <= 127)) v = 127;  // NaN or beyond the MIDI range
    return static_cast<int>(v);
}

// ---- The weight correction ----

int AdjustPitchToWeight(int pitch, const ScaleString& weights, int length, int previousClass,
                        int previous, int flag, int part) {
    int d = Dissonance(part);
    if (d == 10) d = 9;
    int w;
    if (length == kSixteenthTicks && previousClass == 1)
        w = RandomInRange(d, 9);
    else if (d > 3)
        w = RandomInRange(d, 9);
    else
        w = RandomInRange(4, 9);
    const int lower = Lower(part);
    const int upper = Upper(part);
    const int densityClass = TempoToClass(Density(part));
    int p = std::clamp(pitch, 0, 127);
    for (int pass = 1; pass <= 800; ++pass) {
        if (previous > 0 && p == previous) {
            if (flag && length == kQuarterTicks) return 0;
            w = std::min(w + 1, 9);
        }
        if (pass % 100 == 0) w -= pass / 100;
        if (w < 0 && !TheComposerState.NegativeWeightReported) {
            TheComposerState.NegativeWeightReported = true;
            ShowErrorMessage(kAdjustmentWeightError);
        }
        if (WeightOf(weights, p) >= w) return p;
        if (previous > 0)
            p += Toward(p, previous);
        else
            p = RandomInRange(lower, upper);
        if (p >= upper) p -= 11;
        if (p <= lower) p += 11;
        p = std::clamp(p, 0, 127);
        if (previous > 0 && std::abs(p - previous) > 23) {
            bool chance = densityClass >= 2 && densityClass <= 4 && p >= 70 && p <= 110 && !flag;
            if (!chance) return previous;
            static constexpr int kOdds[5] = {1, 1, 7, 5, 2};
            if (Chance(kOdds[densityClass])) return previous;
        }
    }
    if (p < 0) ShowErrorMessage(kAdjustmentError);
    return 0;
}

// ---- Algorithm 6 ----

namespace {

// The first pitch of a phrase: near the middle of the range, drawn close to
// the last first pitch and snapped to a triad tone; the direction is drawn
// afresh.
int FirstPitchOfPhrase(const ChordRecord& chord, int part, int& dir) {
    ComposerState& st = TheComposerState;
    int g = 0;
    for (int i = 0; i < 100; ++i) {
        g = RandomInRange(0, 10);
        if (std::abs(g - st.FirstNoteDraw) <= 4) break;
    }
    st.FirstNoteDraw = g;
    int pitch = (Upper(part) + Lower(part)) / 2 + g - 18;
    pitch = SnapInRange(chord, pitch, 1, part, true);
    dir = Chance(3) ? 1 : -1;
    return pitch;
}

// A step from the previous pitch by an interval class drawn again while the
// melody table's odds refuse it; by the table's strictness the diatonic steps
// from the two pitches before count too. Every 1728 tries the strictness
// drops, so the draw ends. h: the interval class drawn.
int DrawTableStep(const MelodyHistory& past, int part, int& dir, int& h) {
    const int lower = Lower(part);
    const int upper = Upper(part);
    int strictness = WorkingStyle.melodyTableStrictness;
    if (strictness < 0 || strictness > 2) strictness = 0;
    const auto& row = WorkingStyle.melodyTableInterval;
    int r = RandomInRange(0, 99);
    int candidate = past.previous;
    for (int tryNo = 1;; ++tryNo) {
        if (tryNo > 1 && (tryNo - 1) % 12 == 0) r = RandomInRange(0, 99);
        if (tryNo % 144 == 0) dir = -dir;
        for (int draw = 1; draw <= 50; ++draw) {
            if (draw >= 26) dir = -dir;
            h = RandomInRange(0, 7);
            candidate = past.previous + dir * IntervalOfClass(h);
            if (candidate >= lower && candidate <= upper) break;
        }
        if (tryNo % 1728 == 0) {
            if (strictness == 0) break;
            --strictness;
        }
        auto test = [&](int older) {
            if (older == 0) return false;
            int step = ToDiatonicStep(candidate - older);
            if (step >= 8) return true;
            return r >= 100 - row[step];
        };
        bool A = r > 100 - row[h];
        bool B = past.before != 0 && test(past.before);
        bool C = past.third != 0 && test(past.third);
        bool retry = strictness == 2 ? (A || B || C) : strictness == 1 ? (A || B) : A;
        if (!retry) break;
    }
    return candidate;
}

// The drawn pitch fitted to the chord: towards a chord weight by the part's
// dissonance while the chord goes on, onto a triad tone at its end.
int FitToChord(const ChordRecord& chord, int pitch, int p1, int dir, bool chordEnds, int part) {
    if (chordEnds) return SnapInRange(chord, pitch, dir, part, true);
    const int dissonance = Dissonance(part);
    if (dissonance < 9) {
        int threshold = dissonance < 4 ? 1 : 3;
        int leap = dissonance < 4 ? 7 : 8;
        int step = pitch - p1 > leap ? -1 : p1 - pitch > leap ? 1 : dir;
        return StepPitchToChordWeightInRange(chord, pitch, step, threshold, part);
    }
    int a = StepPitchToChordWeightInRange(chord, pitch, 1, 5, part);
    int b = StepPitchToChordWeightInRange(chord, pitch, -1, 5, part);
    return ChooseBySense(p1, pitch, a, b);
}

// The melody table's corrections of a chosen pitch (1 or more): no two
// non-chord tones in a row at high dissonance, a seventh resolved by step,
// long notes on chord tones, no leap past an octave. length may be cut.
int CorrectChosenPitch(const ChordRecord& chord, int pitch, int p1, int dir, int& length,
                       int part) {
    const bool isTone = chord.IsChordTone(pitch);
    if (p1 && !chord.IsChordTone(p1) && !isTone && Dissonance(part) >= 9)
        pitch = SnapInRange(chord, pitch, dir, part, true);
    if (p1 && chord.IsSeventhPitch(p1) && !chord.IsChordTone(pitch) && std::abs(pitch - p1) >= 3) {
        pitch = StepPitchToKeyScale(p1 + dir, dir);
        if (length > kEighthTicks) length = kEighthTicks;
    }
    if (WorkingStyle.mtAdjustL == 1) {
        const int longNote = WorkingStyle.basicBeat == 3 ? kQuarterTicks : kQuarterTicks - 1;
        if (!chord.IsChordTone(pitch) && length > longNote) length /= 2;
        if (length >= kQuarterTicks) pitch = SnapInRange(chord, pitch, dir, part, false);
    }
    if (WorkingStyle.mtNoCnt == 1 && !TheComposerState.PreviousWasChordTone)
        pitch = SnapInRange(chord, pitch, dir, part, false);
    if (p1 && std::abs(pitch - p1) > 12) pitch += pitch > p1 ? -12 : 12;
    return pitch;
}

// The direction of the next note: turned by the melody table's direction
// odds of the interval class h.
void DrawNextDirection(int h, int& dir) {
    const int q = WorkingStyle.melodyTableDirection[h];
    for (int i = 0; i < 100; ++i) {
        int coin = RandomInRange(0, 1);
        int t = RandomInRange(0, 100);
        if (coin == 1 && t < q + 50) {
            dir = -dir;
            break;
        }
        if (coin == 0 && t < 50 - q) break;
    }
}

}  // namespace

int ChooseMelodyPitch(const MelodyHistory& history, const ChordRecord& chord, int position,
                      int& length, int limit, int part) {
    ComposerState& st = TheComposerState;
    auto useful = [](int p) { return p < 12 ? 0 : p; };
    const MelodyHistory past{useful(history.previous), useful(history.before),
                             useful(history.third)};
    const int p1 = past.previous;
    const bool phraseStart = p1 == 0 || position == 0 || position <= st.ChoosePosition;
    st.ChoosePosition = position;
    int& dir = st.MelodyDirection;
    if (dir != 1 && dir != -1) dir = 1;
    if (p1 != 0 && p1 <= Lower(part) - 12) dir = 1;
    if (p1 != 0 && p1 >= Upper(part) - 12) dir = -1;

    int pitch = 0;
    int h = 0;
    if (p1 == 0) {
        pitch = FirstPitchOfPhrase(chord, part, dir);
    } else {
        pitch = DrawTableStep(past, part, dir, h);
        pitch = FitToChord(chord, pitch, p1, dir, position + length >= limit, part);
    }
    if (WorkingStyle.mtAdjustF == 1 && phraseStart && pitch > 0) {
        int a = SnapInRange(chord, pitch, dir, part, true);
        int b = SnapInRange(chord, a, dir, part, true);
        int c = SnapInRange(chord, b, -dir, part, true);
        pitch = ChooseBySense(p1 ? p1 : pitch, pitch, b, c);
    }
    if (pitch > 0) pitch = CorrectChosenPitch(chord, pitch, p1, dir, length, part);
    DrawNextDirection(h, dir);
    if (st.PreviousWasChordTone && p1 && past.before && chord.IsTriadPitch(p1) &&
        RandomInRange(0, 16) < TempoToClass(Density(part)))
        pitch = 0;
    if (pitch > 12) {
        for (int i = 0; i < 11 && pitch < Lower(part); ++i)
            pitch += 12;
        for (int i = 0; i < 11 && pitch > Upper(part); ++i)
            pitch -= 12;
    }
    st.PreviousWasChordTone = pitch > 0 && chord.IsChordTone(pitch);
    return pitch;
}

// ---- Algorithm 2 ----

int NextFreePitch(int previous, int part) {
    int& dir = TheComposerState.WalkDirection;
    if (dir != 1 && dir != -1) dir = 1;
    int base = previous > 0 ? previous : PartMiddle(part);
    if (Chance(4)) dir = -dir;
    int step;
    if (RandomInRange(1, 3) <= 2)
        step = RandomInRange(1, 2);
    else if (Chance(2))
        step = 0;
    else if (Chance(2))
        step = RandomInRange(3, 4);
    else if (Chance(2))
        step = RandomInRange(5, 6);
    else
        step = RandomInRange(7, 12);
    int result = base + dir * step;
    if (!InRange(result, part)) dir = -dir;
    return result;
}

int NextWalkPitch(const MelodyHistory& history, const ChordRecord& chord, int part) {
    const int lower = Lower(part);
    const int upper = Upper(part);
    const int a = history.previous;
    const int b = history.before;
    int result;
    if (a <= 0) {
        int octave = lower - PitchClass(lower);
        if (chord.root && Chance(3))
            result = octave + chord.root % 12;
        else if (chord.third && Chance(2))
            result = octave + chord.third % 12;
        else if (chord.fifth && Chance(2))
            result = octave + chord.fifth % 12;
        else
            result = RandomInRange(lower, upper);
    } else if (b <= 0) {
        if (RandomInRange(1, 3) <= 2) {
            static constexpr int kOffsets[5] = {9, 4, 2, -2, 0};
            result = 0;  // a rest when no link of the chain is taken
            for (int offset : kOffsets) {
                if (Chance(3)) {
                    result = a + offset;
                    break;
                }
            }
            if (result == 0) return 0;
        } else {
            result = a + 10;
        }
    } else {
        // Offsets by how the last two pitches relate.
        int offsets[7];
        if (a == b)
            offsets[0] = 2, offsets[1] = -2, offsets[2] = 4, offsets[3] = -4, offsets[4] = 9,
            offsets[5] = 10, offsets[6] = 0;
        else if (chord.root && PitchClass(a) == chord.root % 12)
            offsets[0] = 4, offsets[1] = 9, offsets[2] = -4, offsets[3] = 2, offsets[4] = 0,
            offsets[5] = -2, offsets[6] = 10;
        else if (a >= upper - 4)
            offsets[0] = -4, offsets[1] = -2, offsets[2] = 0, offsets[3] = -4, offsets[4] = -2,
            offsets[5] = 2, offsets[6] = 4;
        else if (a <= lower + 4)
            offsets[0] = 4, offsets[1] = 2, offsets[2] = 9, offsets[3] = 10, offsets[4] = 0,
            offsets[5] = 2, offsets[6] = 4;
        else if (std::abs(a - b) > 4)
            offsets[0] = a > b ? -2 : 2, offsets[1] = a > b ? -4 : 4, offsets[2] = 0,
            offsets[3] = -2, offsets[4] = 2, offsets[5] = 9, offsets[6] = 10;
        else
            offsets[0] = a > b ? 2 : -2, offsets[1] = a > b ? 4 : -4, offsets[2] = 0,
            offsets[3] = 9, offsets[4] = 10, offsets[5] = -2, offsets[6] = 2;
        result = a + RandomInRange(-6, 6);
        for (int offset : offsets) {
            if (Chance(3)) {
                result = a + offset;
                break;
            }
        }
    }
    if (result > upper) result = upper;
    if (result < lower) result = lower;
    if (chord.root && PitchClass(result + 1) == chord.root % 12) result -= 1;
    return std::clamp(result, 0, 127);
}

int RandomWalkPitch(const MelodyHistory& history, const ChordRecord& chord,
                    const ScaleString& weights, bool firstOfChord, int part) {
    const bool walk = Settings(part).algorithmParameter != 0;
    const int need = firstOfChord ? 8 : 5;
    int candidate = 0;
    for (int i = 0; i < 10000; ++i) {
        candidate =
            walk ? NextWalkPitch(history, chord, part) : NextFreePitch(history.previous, part);
        if (candidate <= 0) return 0;
        if (WeightOf(weights, candidate) >= need) break;
    }
    return std::clamp(candidate, 0, 127);
}

// ---- Algorithms 3 and 4 ----

std::array<int, kLadderSize> BuildScaleLadder(const ScaleString& weights, int part) {
    std::array<int, kLadderSize> ladder{};
    int need = kChordScaleWeight;
    bool any = false;
    for (int pc = 0; pc < 12; ++pc)
        any = any || WeightOf(weights, pc) >= need;
    if (!any) {
        // A chord outside the scale: the ladder runs over its highest digit.
        need = 0;
        for (int pc = 0; pc < 12; ++pc)
            need = std::max(need, WeightOf(weights, pc));
    }
    auto fits = [&](int p) { return WeightOf(weights, p) >= need; };
    const int lower = Lower(part);
    const int upper = Upper(part);
    int start = std::clamp(PartMiddle(part), 0, 127);
    while (start < 127 && !fits(start))
        ++start;
    while (start > 0 && !fits(start))
        --start;
    ladder[10] = start;
    int p = start;
    for (int i = 11; i < kLadderSize; ++i) {
        int q = p + 1;
        while (q <= 127 && !fits(q))
            ++q;
        if (q <= 127 && q <= upper) p = q;
        ladder[i] = p;
    }
    p = start;
    for (int i = 9; i >= 0; --i) {
        int q = p - 1;
        while (q >= 0 && !fits(q))
            --q;
        if (q >= 0 && q >= lower) p = q;
        ladder[i] = p;
    }
    return ladder;
}

int ScaleLadderPitch(const ScaleString& weights, int step, int part) {
    auto ladder = BuildScaleLadder(weights, part);
    return ladder[10 + std::clamp(step, -10, 10)];
}

void BuildStepSequence(StepSequence& out) {
    const SineTables& tables = Sines();
    double cosPhase[kStepSequenceLength + 1];
    double sinPhase[kStepSequenceLength + 1];
    for (int k = 1; k <= kStepSequenceLength; ++k) {
        const double phase = 2.0 * std::numbers::pi * RandomInRange(0, 10000) / 10000.0;
        const double amplitude = 1.0 / std::sqrt(static_cast<double>(k));
        cosPhase[k] = amplitude * std::cos(phase);
        sinPhase[k] = amplitude * std::sin(phase);
    }
    // sin(x - φ) = sin x cos φ - cos x sin φ, with x = 2π·(k·j mod 500)/500
    // read from the tables; k·j mod 500 grows by k from one j to the next.
    // Value 500 - j has the same angles negated, so one pass over j up to
    // 250 gives both halves. Each value keeps its own sums, so the additions
    // do not wait on each other.
    constexpr int kHalf = kStepSequenceLength / 2;
    double sineSums[kHalf + 1] = {};
    double cosineSums[kHalf + 1] = {};
    for (int k = 1; k <= kStepSequenceLength; ++k) {
        const double c = cosPhase[k];
        const double s = sinPhase[k];
        const int step = k % kStepSequenceLength;
        int m = 0;
        for (int j = 0; j <= kHalf; ++j) {
            sineSums[j] += tables.sine[m] * c;
            cosineSums[j] += tables.cosine[m] * s;
            m += step;
            if (m >= kStepSequenceLength) m -= kStepSequenceLength;
        }
    }
    auto step = [](double v) { return std::clamp(static_cast<int>(std::lround(v)), -10, 10); };
    for (int j = 0; j <= kHalf; ++j) {
        out[j] = step(sineSums[j] - cosineSums[j]);
        if (j > 0 && j < kHalf) out[kStepSequenceLength - j] = step(-sineSums[j] - cosineSums[j]);
    }
}

int NextStepOfSequence(bool chordStart, int algorithm, int previousClass) {
    ComposerState& st = TheComposerState;
    if (chordStart) {
        st.StepPosition = 1;
        BuildStepSequence(st.StepSequence);
    }
    int advance = algorithm == 4 ? std::max(previousClass, 0) : 1;
    st.StepPosition = (st.StepPosition + advance) % kStepSequenceLength;
    return st.StepSequence[st.StepPosition];
}

// ---- Figures and corrections ----

int SplitIntoFigure(int pitch, int length, int previous, const ScaleString& weights, int part,
                    int pitches[3], int lengths[3]) {
    pitches[0] = pitch;
    lengths[0] = length;
    if (length < kQuarterTicks || pitch <= 11) return 1;
    // Denser parts split less often.
    int densityClass = TempoToClass(Density(part));
    if (RandomInRange(1, 2 + densityClass) != 1) return 1;
    if (RandomInRange(0, 99) < WorkingStyle.melodyTableInterval[1]) {
        pitches[0] = pitch;
        pitches[1] = pitch - 1;
        pitches[2] = pitch;
        lengths[0] = length / 4;
        lengths[1] = length / 4;
        lengths[2] = length - 2 * (length / 4);
        return 3;
    }
    int half = previous > 11 ? (previous + pitch) / 2 : pitch;
    for (int d : {0, 1, -1, 2, -2}) {
        if (WeightOf(weights, half + d) >= 1 && InRange(half + d, part)) {
            half += d;
            break;
        }
    }
    pitches[0] = half;
    pitches[1] = pitch;
    lengths[0] = length / 2;
    lengths[1] = length - length / 2;
    return 2;
}

int MinorThirdCorrection(int pitch, const ChordRecord& chord) {
    if (pitch <= 0) return pitch;
    auto holds = [&](int pc) {
        for (int tone : {chord.root, chord.third, chord.fifth, chord.seventh})
            if (tone && PitchClass(tone) == pc) return true;
        return false;
    };
    int pc = PitchClass(pitch);
    if (pc == 3 && Chance(holds(4) ? 3 : 4)) return std::min(pitch + 1, 127);
    if (pc == 7 && holds(8) && !holds(7)) return std::min(pitch + 1, 127);
    if (pc == 8 && holds(7) && !holds(8)) return pitch - 1;
    return pitch;
}

// ---- The writer ----

namespace {

// What the writer carries from note to note over a block.
struct BlockPass {
    int part;
    const MelodySettings& s;
    int algorithm;
    AnchorPoints anchors{};
    RepetitionMemory memory{};
    MelodyHistory history{};
    int previousClass = 0;
    int restsInRow = 0;  // syncopation rests made in a row
};

// The chord being filled.
struct ChordPass {
    ChordRecord chord;
    ScaleString weights{};
    int index = 0;     // among the block's chords
    int length = 0;    // the ticks its notes fill
    int phrase = 0;    // the rhythm's phrase length
    int earlier = -1;  // an earlier chord of the same length, or -1
};

// The chord events of a list and their summed length.
struct BlockSize {
    int chords = 0;
    int length = 0;
};

BlockSize SizeOfBlock(const NoteList& chords) {
    BlockSize size;
    for (int i = 0; i < chords.Count(); ++i) {
        const NoteEvent* e = chords.Event(i);
        if (e->kind != note_kind::kChord) continue;
        ++size.chords;
        size.length += std::max(e->length, 0);
    }
    return size;
}

// Algorithm 1's points over the block, from the weights of its first chord
// (of C major when it has none).
AnchorPoints BlockAnchors(const NoteList& chords, int blockLength, int part) {
    const NoteEvent* first = nullptr;
    for (int i = 0; i < chords.Count() && !first; ++i)
        if (chords.Event(i)->kind == note_kind::kChord) first = chords.Event(i);
    char code[4] = {'C', 'M', 'P', 'S'};
    if (first && !(first->chordCode[0] == 'N' && first->chordCode[1] == 'o'))
        for (int k = 0; k < 4; ++k)
            code[k] = first->chordCode[k];
    ScaleString w;
    GetChordScaleWeights(code, w);
    return PickAnchorPoints(w, blockLength, part);
}

// A chord of a length its metre does not have is reported (but in custom
// progressions).
void CheckChordMetre(int given) {
    if (WorkingStyle.chordGenerationMethod == 8) return;
    if (WorkingStyle.timeSignature == kMetre34 && given != kBarTicks34 && given != 2 * kBarTicks34)
        ShowErrorMessage(kMetre34Error);
    if (WorkingStyle.timeSignature == kMetre78 && given != kBarTicks78)
        ShowErrorMessage(kMetre78Error);
}

// The ticks a chord fills: its length less what the chord before borrowed.
// Note-length style 9 in straight 4/4 borrows an eighth from the next chord
// two times in three, never from a two-bar chord or past the last chord.
int LengthToFill(int given, int& carry, bool style9, bool chordFollows) {
    int length = given - carry;
    carry = 0;
    if (style9 && WorkingStyle.timeSignature == kMetre44 && WorkingStyle.basicBeat != 3 &&
        given != 2 * kBarTicks44 && chordFollows && RandomInRange(1, 3) <= 2) {
        carry = kEighthTicks;
        length += kEighthTicks;
    }
    return std::max(length, 0);
}

// Tension on a pitch of 1 or more, then the pitch folded into the range.
int TensionFolded(int pitch, const ChordRecord& chord, int previous, int length, int part) {
    if (pitch > 0) pitch = ApplyTension(pitch, 0, chord, previous, length, part);
    FoldIntoPartRange(part, pitch);
    return pitch;
}

// The pitch the part's algorithm (1-7) gives a note t ticks into the phrase
// and p into the chord; algorithm 6 may cut the length.
int PitchByAlgorithm(const BlockPass& pass, const ChordPass& c, int t, int p, int& length,
                     bool firstOfChord) {
    const MelodyHistory& history = pass.history;
    const ChordRecord& chord = c.chord;
    const int part = pass.part;
    int pitch = 0;
    switch (pass.algorithm) {
        case 1:
            pitch = AnchorPitchAt(pass.anchors, t, part);
            pitch = AdjustPitchToWeight(pitch, c.weights, length, pass.previousClass,
                                        history.previous, 0, part);
            FoldIntoPartRange(part, pitch);
            pitch = ApplyTension(pitch, 0, chord, history.previous, length, part);
            FoldIntoPartRange(part, pitch);
            if (pitch > 0)
                pitch = StepPitchToChordWeightInRange(chord, pitch,
                                                      pitch < history.previous ? 1 : -1, 5, part);
            return pitch;
        case 2:
            pitch = RandomWalkPitch(history, chord, c.weights, firstOfChord, part);
            if (pass.s.algorithmParameter == 0 && pitch > 0)
                pitch = AdjustPitchToWeight(pitch, c.weights, length, pass.previousClass,
                                            history.previous, 0, part);
            FoldIntoPartRange(part, pitch);
            if (Chance(8)) pitch = 0;
            return TensionFolded(pitch, chord, history.previous, length, part);
        case 3:
        case 4: {
            int step = NextStepOfSequence(firstOfChord, pass.algorithm, pass.previousClass);
            pitch = ScaleLadderPitch(c.weights, step, part);
            if (pass.algorithm == 3 && history.previous > 0 &&
                (length == kEighthTicks || length == kTripletEighthTicks) &&
                RandomInRange(1, 3) <= 2)
                pitch = history.previous;
            pitch = AdjustPitchToWeight(pitch, c.weights, length, pass.previousClass,
                                        history.previous, 0, part);
            FoldIntoPartRange(part, pitch);
            return TensionFolded(pitch, chord, history.previous, length, part);
        }
        case 5:
            pitch = NoteChoiceFive(history.previous, c.weights, length, p, chord,
                                   pass.previousClass, history.before, c.length, part);
            return TensionFolded(pitch, chord, history.previous, length, part);
        case 6:
            pitch = ChooseMelodyPitch(history, chord, p, length, c.length, part);
            return TensionFolded(pitch, chord, history.previous, length, part);
        case 7:
            return PartMiddle(part);
        default:
            ShowErrorMessage(kAlgorithmInvalid);
            return history.previous;
    }
}

// Rhythm and melody repetition: the note at the same place of the earlier
// chord of the same length lends its length and its step from the pitch
// before.
void ApplyRepetition(const BlockPass& pass, const ChordPass& c, int noteIndex, int p, int& length,
                     int& pitch) {
    const RepeatEntry* repeated =
        c.earlier >= 0 ? pass.memory.Entry(c.earlier, noteIndex) : nullptr;
    if (!repeated) return;
    const MelodyHistory& history = pass.history;
    const int part = pass.part;
    if (RepeatSettingActive(pass.s.repeatRhythm))
        length = repeated->length > 0 ? repeated->length : c.length - p;
    if (repeated->interval == kNoPreviousInterval || !RepeatSettingActive(pass.s.repeatMelody))
        return;
    int again = 0;
    if (repeated->interval != kRestInterval) {
        again = history.previous > 0 ? history.previous + repeated->interval : 0;
        again = std::clamp(again, 0, 127);
        if (again > 0)
            again = AdjustPitchToWeight(again, c.weights, length, pass.previousClass,
                                        history.previous, 0, part);
        FoldIntoPartRange(part, again);
        if (again > 0) again = ApplyTension(again, 0, c.chord, history.previous, length, part);
        if (again > 0 && history.previous > 0 && !c.chord.IsChordTone(history.previous) &&
            !c.chord.IsTriadPitch(again))
            c.chord.NearestTriadTone(again, 1);
    }
    if (InRange(pitch, part)) pitch = again;
}

// Rests the part's density asks for, by the algorithm.
int DensityRest(int algorithm, int part, int pitch) {
    const int cls = TempoToClass(Density(part));
    if (algorithm == 1 && cls != 1 && Chance(20 - 2 * cls)) pitch = 0;
    if ((algorithm == 3 || algorithm == 4) && cls != 1 && RandomInRange(1, 10 - cls) <= 2)
        pitch = 0;
    if (cls == 6 && Chance(7)) pitch = 0;
    if (cls > 6 && Chance(3)) pitch = 0;
    if (cls == 8 && Chance(2)) pitch = 0;
    return pitch;
}

// The rules every algorithm's pitch passes: no leap past an octave (but in
// algorithm 5), syncopation rests, the part's range, density rests and the
// raised third of the harmonic minor.
int FinishPitch(BlockPass& pass, const ChordPass& c, int pitch) {
    const MelodyHistory& history = pass.history;
    const int part = pass.part;
    if (pass.algorithm != 5 && pitch > 0 && history.previous > 0 &&
        std::abs(pitch - history.previous) > 12)
        pitch += pitch > history.previous ? -12 : 12;
    if (pass.s.syncopation == 1 && Chance(2)) {
        if (pass.restsInRow < 4 && ((pitch > 0 && pitch == history.previous) || Chance(4))) {
            pitch = 0;
            ++pass.restsInRow;
        } else {
            pass.restsInRow = 0;
        }
    }
    pitch = std::clamp(pitch, 0, 127);
    if (pitch > 0 && !InRange(pitch, part)) pitch = 0;
    ClampToPartRange(pitch, part);
    if (history.previous == 0 || history.before != 0 || Chance(4))
        pitch = DensityRest(pass.algorithm, part, pitch);
    if (WorkingStyle.scale == kScaleHarmonic) pitch = MinorThirdCorrection(pitch, c.chord);
    return pitch;
}

// Writes a note (split into a figure by algorithm 6 in scales 1 and 7),
// remembers it for repetition and moves the history on.
void WriteNote(BlockPass& pass, const ChordPass& c, int noteIndex, int length, int pitch,
               NoteList& out) {
    MelodyHistory& history = pass.history;
    if (length > 0) {
        int pitches[3];
        int lengths[3];
        int n = 1;
        pitches[0] = pitch;
        lengths[0] = length;
        if (pass.algorithm == 6 && (WorkingStyle.scale == 1 || WorkingStyle.scale == 7))
            n = SplitIntoFigure(pitch, length, history.previous, c.weights, pass.part, pitches,
                                lengths);
        for (int k = 0; k < n; ++k)
            out.AppendNote(lengths[k], pitches[k]);
    }
    const int interval =
        pitch == 0 ? kRestInterval
                   : (history.previous > 0 ? pitch - history.previous : kNoPreviousInterval);
    pass.memory.Record(c.index, noteIndex, length, interval);
    if (length == 0) ShowErrorMessage(kLengthAlgorithmError);
    if (pass.algorithm != 5 || pitch != history.previous) {
        history.third = history.before;
        history.before = history.previous;
    }
    history.previous = pitch;
}

// Fills one chord with notes and rests that add up to its length.
void WriteChordNotes(BlockPass& pass, const ChordPass& c, NoteList& out) {
    int p = 0;
    int t = 0;
    for (int noteIndex = 0; p < c.length; ++noteIndex) {
        int length = NextNoteLength(pass.part, t, c.phrase, c.length, pass.previousClass);
        if (length <= 0) {
            // The rest of the chord is silent, so the chord's notes still
            // add up to its length.
            ShowErrorMessage(kLengthAlgorithmError);
            out.AppendNote(c.length - p, 0);
            break;
        }
        int pitch = PitchByAlgorithm(pass, c, t, p, length, noteIndex == 0);
        ApplyRepetition(pass, c, noteIndex, p, length, pitch);
        length = std::min(length, c.length - p);
        p += length;
        pass.previousClass = length / kSixteenthTicks;
        pitch = FinishPitch(pass, c, pitch);
        WriteNote(pass, c, noteIndex, length, pitch, out);
        t += length;
        if (t >= c.phrase) t = 0;
        if (length <= 0) {
            out.AppendNote(c.length - p, 0);
            break;
        }
    }
    if (p > c.length) ShowErrorMessage(kChordLengthError);
}

}  // namespace

int GenerateMelodyPart(int part, const NoteList& chords, NoteList& out) {
    out.Clear();
    const MelodySettings& s = Settings(part);
    const std::uint8_t mixByte =
        part >= 0 && part < kStylePartSlots ? WorkingStyle.mix[part].holdPedal : 0;
    const bool style9 = s.noteLength == 9;
    const BlockSize block = SizeOfBlock(chords);
    BlockPass pass{part, s, s.algorithm};
    if (pass.algorithm == 1) pass.anchors = BlockAnchors(chords, block.length, part);
    int carry = 0;  // ticks borrowed from the next chord (note-length style 9)
    int chordIndex = -1;
    for (int i = 0; i < chords.Count(); ++i) {
        const NoteEvent* event = chords.Event(i);
        if (event->kind != note_kind::kChord) continue;
        ++chordIndex;
        if (mixByte != 0) {
            if (chordIndex > 0) out.AppendValue(0, 0);
            out.AppendValue(0, mixByte);
        }
        ChordPass c{RecordOf(*event)};
        out.AppendChord(&c.chord);
        const int given = std::max(event->length, 0);
        CheckChordMetre(given);
        c.index = chordIndex;
        c.length = LengthToFill(given, carry, style9, chordIndex + 1 < block.chords);
        pass.memory.SetChordLength(chordIndex, given);
        c.earlier = pass.memory.EarlierChord(chordIndex, given);
        GetChordScaleWeights(c.chord.code.text, c.weights);
        c.phrase = style9 ? std::max(c.length, 1) : BarLength();
        WriteChordNotes(pass, c, out);
    }
    if (mixByte != 0) out.AppendValue(0, 0);
    return 1;
}

// ---- Endings ----

namespace {

ScaleString TonicWeights() {
    ScaleString w;
    GetChordScaleWeights("CMPS", w);
    return w;
}

void AppendFolded(NoteList& out, int part, int length, int pitch) {
    if (pitch > 0) FoldIntoPartRange(part, pitch);
    out.AppendNote(length, std::clamp(pitch, 0, 127));
}

int TonicIn(int pitch) {
    int base = std::clamp(pitch, 12, 127);
    base -= PitchClass(base);
    return base + TonicPitchClass() % 12;
}

}  // namespace

void WriteEndingRun(int part, int pitch, NoteList& out) {
    const ScaleString w = TonicWeights();
    const int dir = Chance(2) ? 1 : -1;
    const bool classical = WorkingStyle.melody[kPartMelody].ornament == 1;
    int p = std::clamp(pitch, 12, 127);
    for (int i = 0; i < 8; ++i) {
        p = std::clamp(p + dir, 12, 127);
        const int weight = WeightOf(w, p);
        if (weight > 1)
            AppendFolded(out, part, weight >= 5 || classical ? kQuarterTicks : kEighthTicks, p);
        if (weight >= 9) break;
    }
    if (WorkingStyle.scale != kNoRunScale && Chance(2)) {
        int q = std::min(p + 5, 127);
        for (int i = 0; i < 8 && WeightOf(w, q) < 9 && q < 127; ++i)
            ++q;
        AppendFolded(out, part, kHalfTicks, q);
    } else {
        AppendFolded(out, part, kQuarterTicks, p);
    }
}

void WriteEndingTonic(int part, int pitch, NoteList& out) {
    AppendFolded(out, part, kHalfTicks, TonicIn(pitch));
}

void WriteCadenceFigure(int part, int pitch, NoteList& out) {
    const ScaleString w = TonicWeights();
    int p = std::clamp(pitch, 12, 127);
    int total;
    if (WeightOf(w, p) != 9) {
        const int dir = Chance(2) ? 1 : -1;
        for (int i = 0; i < 12 && WeightOf(w, p) < 5; ++i)
            p = std::clamp(p + dir, 12, 127);
        AppendFolded(out, part, kSixteenthTicks, p);
        for (int i = 0; i < 12 && WeightOf(w, p) < 9; ++i)
            p = std::clamp(p + dir, 12, 127);
        AppendFolded(out, part, kEighthTicks, p);
        total = kEndingTicks - kSixteenthTicks - kEighthTicks;
    } else {
        out.AppendNote(kEighthTicks, 0);
        total = kEndingTicks - kEighthTicks;
    }
    out.AppendNote(kSixteenthTicks, 0);
    const int base = p - PitchClass(p);
    AppendFolded(out, part, kEighthTicks, base);
    if (!IsMinor()) {
        for (int i = 0; i < 3; ++i) {
            AppendFolded(out, part, kSixteenthTicks, base - 1);
            AppendFolded(out, part, kSixteenthTicks, base);
        }
    } else {
        out.AppendNote(kEighthTicks, 0);
        AppendFolded(out, part, kEighthTicks, base + 4);
    }
    const int tonic = TonicIn(p) - 12;
    const int neighbour = IsMinor() && Chance(2) ? tonic + 2 : tonic - 1;
    AppendFolded(out, part, kEighthTicks, neighbour);
    AppendFolded(out, part, kEighthTicks, tonic);
    AppendFolded(out, part, total - kQuarterTicks, tonic);
}

void WriteEndingWalk(int part, int pitch, NoteList& out) {
    const ScaleString w = TonicWeights();
    int p = std::clamp(pitch, 12, 127);
    int written = 0;
    int dir = Chance(2) ? 1 : -1;
    for (int i = 0; i < 16; ++i) {
        if (written < 3 * kQuarterTicks && Chance(3)) {
            out.AppendNote(kEighthTicks, 0);
            written += kEighthTicks;
            continue;
        }
        int move = Chance(4) ? RandomInRange(3, 7) : 1;
        p += dir * move;
        for (int k = 0; k < 12 && WeightOf(w, p) < 5; ++k)
            p += dir;
        if (p < Lower(part) || p > Upper(part)) {
            dir = -dir;
            FoldIntoPartRange(part, p);
        }
        p = std::clamp(p, 12, 127);
        const int weight = WeightOf(w, p);
        const int length = weight >= 9   ? kQuarterTicks
                           : weight >= 5 ? kEighthTicks
                                         : kSixteenthTicks;
        AppendFolded(out, part, length, p);
        written += length;
        if (weight >= 9 && written >= kBarTicks44) break;
    }
    AppendFolded(out, part, std::max(kEndingTicks - written, kQuarterTicks), TonicIn(p) - 12);
}

void WritePartEnding(int part, int pitch, NoteList& out) {
    const bool method1 =
        part >= 0 && part < kStylePartSlots && WorkingStyle.melody[part].ornament == 1;
    if (part == kPartMelody) {
        if (method1)
            WriteCadenceFigure(part, pitch, out);
        else
            WriteEndingWalk(part, pitch, out);
    } else {
        if (method1) WriteEndingRun(part, pitch, out);
        WriteEndingTonic(part, pitch, out);
    }
}

int SecondVoiceOffset(int pitch, const ScaleString& weights, int voicing) {
    ComposerState& st = TheComposerState;
    if (voicing == 2 && st.SecondVoicePitch > 0) {
        int result = st.SecondVoicePitch;
        if (Chance(7))
            result = std::min(result + 12, 127);
        else if (Chance(4))
            result = 0;
        if (++st.SecondVoiceUses >= 4 && Chance(2)) {
            st.SecondVoicePitch = 0;
            st.SecondVoiceUses = 0;
        }
        return result;
    }
    if (pitch <= 0) return 0;
    int q = pitch - 1;
    while (q > pitch - 12 && q > 0 && WeightOf(weights, q) < 8)
        --q;
    if (WeightOf(weights, q) < 8 || q <= 0) q = std::max(pitch - 12, 0);
    st.SecondVoicePitch = q;
    st.SecondVoiceUses = 0;
    return q;
}

int VaryPitch(int pitch) {
    ComposerState& st = TheComposerState;
    int result = pitch;
    if (Chance(40))
        result += RandomInRange(0, 1) ? 1 : -1;
    else if (Chance(30))
        result = 0;
    else if (Chance(45))
        result += 5;
    if (st.VariedToZero && result > 0) result -= 1;
    result = std::clamp(result, 0, 127);
    st.VariedToZero = result == 0;
    return result;
}
