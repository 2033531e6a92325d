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
struct VoiceLeading {
    int seventh;
    int third;
    void Lead(int& seventhOut, int& thirdOut, const ChordRecord& chord) {
        seventhOut = chord.seventh;
        thirdOut = chord.third;
        if (seventhOut > 0 && seventhOut > seventh + kVoiceLeadingSpan &&
            seventhOut > kVoiceLeadingTop)
            seventhOut -= 12;
        if (thirdOut > 0 && thirdOut < third - kVoiceLeadingSpan && thirdOut <= kVoiceLeadingTop)
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
            if (variant != 2) return false;  // the strums are not played yet
            SlowStroke(walk);
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
