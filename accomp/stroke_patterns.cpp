// Chords struck once per step like a strummed guitar, or held.
#include <algorithm>

#include "accomp/harmony_families.h"
#include "accomp/harmony_track.h"
#include "compose/chord_weights.h"
#include "core/reporters.h"
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
