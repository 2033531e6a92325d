#include "compose/note_choice.h"

#include <algorithm>

#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "compose/composer_state.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kMaxSteps = 101;
// Pitches below this are rests to the note choice.
constexpr int kLowestPitch = 12;

bool Chance(int n) {
    return RandomInRange(1, n) == 1;
}

// The melody part's limits, held to the keys that can sound so that every
// step stays a MIDI key whatever the settings hold.
struct Limits {
    int lower;
    int upper;
};

Limits MelodyLimits() {
    const MelodySettings& m = WorkingStyle.melody[kPartMelody];
    int lower = std::clamp(m.lowerLimit, kLowestPitch + 1, 127);
    int upper = std::clamp(m.upperLimit, kLowestPitch + 1, 127);
    if (upper < lower) std::swap(upper, lower);
    return {lower, upper};
}

// A step past a limit lands 7 inside the other side of it.
int Wrap(int pitch, const Limits& r) {
    if (pitch > r.upper) return std::max(r.upper - 7, 0);
    if (pitch < r.lower) return std::min(r.lower + 7, 127);
    return pitch;
}

// Steps within the limits, wrapping at them. Wrapping lands 7 inside the
// limit, so a walk that keeps its direction would circle the same eight
// keys; from the second wrap on it turns round and so reaches every key of
// the range.
class RangeWalk {
public:
    RangeWalk(const Limits& limits, int step) : limits_(limits), step_(step) {}

    int Step(int pitch) {
        int next = pitch + step_;
        int wrapped = Wrap(next, limits_);
        if (wrapped != next && ++wraps_ > 1) step_ = -step_;
        return wrapped;
    }

private:
    Limits limits_;
    int step_;
    int wraps_ = 0;
};

int DensityClass(int part) {
    int density = part >= 0 && part < kStylePartSlots ? WorkingStyle.density[part] : 100;
    return TempoToClass(density);
}

int FoldByOctaves(int pitch) {
    if (pitch <= 0) return 0;
    Limits r = MelodyLimits();
    FoldPitchIntoRange(pitch, r.lower, r.upper);
    return pitch;
}

}  // namespace

int StepToWeightEight(const ScaleString& weights, int pitch, int step) {
    if (pitch < kLowestPitch) return 0;
    const Limits r = MelodyLimits();
    int p = std::min(pitch, 127);
    step = std::clamp(step, -12, 12);
    RangeWalk walk(r, step);
    for (int round = 0; round < kMaxSteps; ++round) {
        // The weight is read where the pitch lands after a wrap, so a note
        // that stops here really weighs 8.
        p = walk.Step(p);
        if (WeightOf(weights, p) >= kResolvedWeight) break;
    }
    return p;
}

int FirstNoteOfChord(const ScaleString& weights, const ChordRecord& chord,
                     const NoteChoiceInput& in, int pitch) {
    ComposerState& s = TheComposerState;
    const MelodySettings& m = WorkingStyle.melody[kPartMelody];
    const int density = DensityClass(in.part);
    if ((density > 2 && Chance(5)) || (density > 3 && Chance(5))) {
        s.NoteChoiceCount = 0;
        return 0;
    }
    if (pitch > 11) return StepToWeightEight(weights, pitch - 2, -1);
    // No note sounds before this one (a new block, a new tune, or rests
    // since): an unresolved note left earlier has nothing to resolve from
    // here, so it is let go and the chord's own tones start afresh. Kept
    // due, it would step from no pitch into a rest that is never ended and
    // silence the melody for the rest of the run.
    s.NoteChoicePending = false;
    int result;
    if (in.length < 96 && (m.tension != 2 || Chance(3)) && Chance(3)) {
        // A neighbour just below a chord tone, which wants to resolve.
        switch (RandomInRange(1, 3)) {
            case 1:
                result = chord.root - 2;
                break;
            case 2:
                result = (chord.fifth ? chord.fifth : chord.root) - 2;
                break;
            default:
                result = (chord.seventh ? chord.seventh : chord.root) - 1;
                break;
        }
    } else if (m.tension == 1 && Chance(2)) {
        static constexpr int kBlue[] = {0, 3, 10};
        result = chord.root + kBlue[RandomInRange(1, 3) - 1];
    } else {
        const int tones[] = {chord.root, chord.third, chord.fifth};
        result = tones[RandomInRange(1, 3) - 1];
        if (result == 0) result = chord.root;
    }
    if (chord.root == 0) return 0;
    return FoldByOctaves(result);
}

int StepWithinRange(const ScaleString& weights, const NoteChoiceInput& in, int pitch) {
    const ComposerState& s = TheComposerState;
    const MelodySettings& m = WorkingStyle.melody[kPartMelody];
    const Limits r = MelodyLimits();
    int p = std::clamp(pitch, 0, 127);
    int direction;
    if (p >= r.upper) {
        direction = -1;
    } else if (p < r.lower) {
        direction = 1;
    } else if (in.before > 0 && in.before < p) {
        direction = Chance(3) ? -1 : 1;
    } else if (in.before > p) {
        direction = Chance(3) ? 1 : -1;
    } else {
        direction = Chance(2) ? 1 : -1;
    }
    if (p + direction > r.upper || p + direction < r.lower) direction = -direction;
    if (p < 13 || RandomInRange(1, 4) <= 3) p = Wrap(p + direction, r);
    int required = kResolvedWeight;
    if (!s.NoteChoicePending && in.position + in.length < in.chordLength) {
        required = in.length >= 144 ? 5 : in.length >= 96 ? 6 : 4;
    }
    if (m.dissonance > 8) ++required;
    RangeWalk walk(r, direction);
    for (int step = 0; step < kMaxSteps && WeightOf(weights, p) < required; ++step)
        p = walk.Step(p);
    return p;
}

int ChordRootInRange(const ScaleString& weights, const ChordRecord& chord, int pitch) {
    if (pitch > 11) return StepToWeightEight(weights, Chance(2) ? pitch - 4 : pitch + 1, -1);
    if (chord.root == 0) return 0;
    const Limits r = MelodyLimits();
    int middle = (r.lower + r.upper) / 2;
    return FoldByOctaves(middle - middle % 12 + chord.root % 12);
}

int StepDownFromTone(const ScaleString& weights, int pitch) {
    return StepToWeightEight(weights, Chance(2) ? pitch - 4 : pitch + 1, -1);
}

int NoteChoiceFive(int previous, const ScaleString& weights, int length, int position,
                   const ChordRecord& chord, int previousClass, int before, int chordLength,
                   int part) {
    ComposerState& s = TheComposerState;
    const NoteChoiceInput in{previous, length, position, previousClass, before, chordLength, part};
    int p = previous == 0 ? before : previous;
    ++s.NoteChoiceCount;
    int result;
    if (s.NoteChoiceRun) {
        result = StepToWeightEight(weights, p, -1);
        s.NoteChoiceRun = false;
        s.NoteChoicePending = false;
    } else if (length >= 96 && p > 11 && !s.NoteChoicePending && Chance(4)) {
        const Limits r = MelodyLimits();
        int q = p + (Chance(2) ? 2 : Chance(2) ? 7 : 4);
        while (q > r.upper)
            q -= 4;
        result = StepToWeightEight(weights, q, 1);
        s.NoteChoiceRun = true;
    } else if (position == 0 || p == 0) {
        result = FirstNoteOfChord(weights, chord, in, p);
    } else if (!s.NoteChoicePending && Chance(2)) {
        result = p;
        s.NoteChoiceRun = false;
    } else {
        const int density = DensityClass(part);
        const bool free = !s.NoteChoicePending;
        const bool rest =
            free && ((length <= 48 && s.NoteChoiceCount >= 4 && density >= 3 && Chance(3)) ||
                     (s.NoteChoiceCount > 3 && previousClass > 3 &&
                      RandomInRange(0, density) != 0 && Chance(3)) ||
                     (s.NoteChoiceCount > 4 && Chance(4)));
        if (rest) {
            s.NoteChoiceCount = 0;
            result = 0;
        } else if (p > 11) {
            result = StepWithinRange(weights, in, p);
        } else if (previousClass <= 2 || s.NoteChoicePending) {
            result = ChordRootInRange(weights, chord, p);
        } else {
            result = StepDownFromTone(weights, p);
        }
    }
    // A rest resolves nothing: what is due stays due.
    if (result > 0) s.NoteChoicePending = WeightOf(weights, result) < kResolvedWeight;
    return result;
}
