// Chords held as long notes: "Whole note" in its five forms and "Very Slow
// Stroke".
#include <algorithm>
#include <array>

#include "accomp/harmony_families.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kVelocity = 64;
constexpr int kSoftVelocity = 48;
constexpr int kFastTempo = 700000;  // microseconds per quarter note
constexpr int kSearchSpan = 12;
constexpr int kLowestSearched = 13;

bool Triplet() {
    return WorkingStyle.basicBeat == 3;
}

void Strike(ChordWalk& walk, int offset, int pitch, int velocity, int length) {
    if (pitch <= 0 || pitch > 127) return;
    walk.Note(offset, pitch, velocity, length);
}

int Up(int pitch, int semitones) {
    return pitch > 0 ? pitch + semitones : 0;
}

// A restrike's velocity, a little either side of the first strike.
int RestrikeVelocity() {
    return kVelocity + 5 - RandomInRange(1, 15);
}

bool IsChordTone(int pitch, const ChordRecord& c) {
    for (int tone : {int(c.root), int(c.third), int(c.fifth), int(c.seventh)})
        if (tone > 0 && (pitch - tone) % 12 == 0) return true;
    return false;
}

// The chord tone nearest the target (above it on a tie), looked for at most 12 semitones either
// way within 13..127; the target itself when there is none.
int NearestChordTone(int target, const ChordRecord& c) {
    for (int d = 0; d <= kSearchSpan; ++d)
        for (int p : {target + d, target - d})
            if (p >= kLowestSearched && p <= 127 && IsChordTone(p, c)) return p;
    return target;
}

// Fifth, third and root + 12, the three voices of the held forms.
std::array<int, 3> Three(const ChordRecord& c) {
    return {c.fifth, c.third, Up(c.root, 12)};
}

void StrikeAll(ChordWalk& w, int offset, const std::array<int, 3>& voices, int velocity,
               int length) {
    for (int p : voices)
        Strike(w, offset, p, velocity, length);
}

// d < 80.
void WholeNoteLow(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (w.Length() != 384) {
            if (RandomInRange(1, 2) == 1) return;  // a silent note
            Strike(w, 0, c.fifth, kVelocity, w.Length() - 8);
            return;
        }
        if (RandomInRange(1, 4) == 1) {
            const int broken[4] = {0, c.third, c.fifth, Up(c.root, 12)};
            for (int k = 0; k < 4; ++k)
                Strike(w, 96 * k, broken[k], kVelocity, 94);
            return;
        }
        Strike(w, 0, c.root, kVelocity, Triplet() ? 280 : 328);
        Strike(w, Triplet() ? 288 : 336, c.fifth, kVelocity, Triplet() ? 94 : 47);
    });
}

// 100 <= d < 120.
void WholeNoteMiddle(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const std::array<int, 3> voices = Three(c);
        if (w.Length() == 768) {
            StrikeAll(w, 0, voices, kSoftVelocity, 376);
            StrikeAll(w, 384, voices, kVelocity, 376);
        } else if (w.Length() == 384) {
            const bool triplet = Triplet();
            StrikeAll(w, 0, voices, kVelocity, triplet ? 184 : 232);
            const int exchanged[3] = {c.third, c.fifth, Up(c.root, 12)};
            for (int k = 0; k < 3; ++k)
                Strike(w, (triplet ? 192 : 240) + k * (triplet ? 64 : 48), exchanged[k], kVelocity,
                       triplet ? 60 : 47);
        } else {
            StrikeAll(w, 0, voices, kVelocity, w.Length() - 8);
        }
    });
}

// 80 <= d < 100: six voices rolled upward 3 ticks apart.
void WholeNoteRolled(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int six[6] = {c.fifth,         c.third,         Up(c.root, 12),
                            Up(c.fifth, 12), Up(c.third, 12), Up(c.root, 24)};
        const auto roll = [&](int at, int from, int to, int velocity, int length) {
            for (int v = from; v < to; ++v)
                Strike(w, at + 3 * (v - from), six[v], velocity, length);
        };
        const int L = w.Length();
        if (L == 768) {
            roll(0, 0, 6, kSoftVelocity, 376);
            roll(384, 0, 6, kVelocity, 376);
        } else if (L == 384) {
            const int upper = Triplet() ? 192 : 240;
            if (RandomInRange(1, 2) == 1) {
                for (int v = 0; v < 3; ++v)
                    Strike(w, 3 * v, six[v], v == 0 ? kSoftVelocity : kVelocity, 352);
                roll(24, 3, 6, kVelocity, 352);
            } else {
                roll(0, 0, 3, kVelocity, upper - 8);
                roll(upper, 3, 6, kVelocity, L - upper - 8);
            }
        } else {
            // Voices whose onset would pass the chord's end are left out.
            for (int v = 0; v < 6 && 3 * v < L; ++v)
                Strike(w, 3 * v, six[v], kVelocity, L - 8);
        }
    });
}

// 120 <= d < 160: the three voices held, then restruck.
void WholeNoteRestruck(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        std::array<int, 3> voices = Three(c);
        const bool triplet = Triplet();
        if (w.Length() == 768) {
            StrikeAll(w, 0, voices, kSoftVelocity, 376);
            StrikeAll(w, 384, voices, kVelocity, 376);
        } else if (w.Length() == 384) {
            StrikeAll(w, 0, voices, kVelocity, triplet ? 184 : 232);
            const int from = triplet ? 192 : 240;
            const int step = triplet ? 64 : 48;
            const int length = triplet ? 60 : 47;
            const bool early = w.Index() * 4 < w.Count();
            if (!early && RandomInRange(1, 3) == 1) std::swap(voices[0], voices[1]);
            if (!early && RandomInRange(1, 2) == 1) {
                // The shorter figure: one restrike of an eighth.
                StrikeAll(w, from, voices, RestrikeVelocity(), length);
            } else {
                for (int k = 0; k < 3; ++k)
                    StrikeAll(w, from + k * step, voices, RestrikeVelocity(), length);
            }
        } else {
            StrikeAll(w, 0, voices, kVelocity, w.Length() - 8);
        }
    });
}

// d >= 160: two chord tones alternating.
void Tremolo(ChordWalk& walk) {
    int step = Triplet() ? 16 : 12;
    if (WorkingStyle.tempo > 0 && WorkingStyle.tempo < kFastTempo) step *= 2;
    int previous = -1;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        if (previous < 0) previous = c.root;
        int first = NearestChordTone(previous, c);
        if (std::abs(first - previous) > kSearchSpan) first = previous;
        const int second = NearestChordTone(first + 2, c);
        previous = first;
        int n = 0;
        for (int at = 0; at < w.Length(); at += step, ++n) {
            int velocity = kVelocity;
            if (n % 8 == 7)
                velocity = 42;
            else if (n % 4 == 3)
                velocity = kSoftVelocity;
            const int length = std::min(step / 2, w.Length() - at);
            Strike(w, at, n % 2 ? second : first, velocity, length);
        }
    });
}

void VerySlowStrokeCompound(ChordWalk& walk) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        int L = w.Length();
        int at = 0;
        if (L % 288 == 0) {
            L /= 2;
            Strike(w, 0, Up(c.root, -24), kVelocity, L);
            at = L;
        }
        for (int p : {c.third, c.seventh, c.fifth})
            Strike(w, at, Up(p, -12), kVelocity, L - 8);
    });
}

void VerySlowStroke(ChordWalk& walk, int density) {
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        const int bass = Up(c.root, -24);
        const auto upper = [&](int at, int velocity, int length) {
            for (int p : {c.third, c.seventh, c.fifth})
                Strike(w, at, Up(p, -12), velocity, length);
        };
        switch (w.Length()) {
            case 384:
                Strike(w, 0, bass, kVelocity, 88);
                upper(96, kVelocity, 280);
                return;
            case 576:
                Strike(w, 0, bass, kVelocity, 88);
                upper(96, kVelocity, 184);
                Strike(w, 288, bass, RestrikeVelocity(), 88);
                upper(384, RestrikeVelocity(), 184);
                return;
            case 768:
                upper(0, kVelocity, 376);
                upper(384, RestrikeVelocity(), 376);
                return;
            case 288:
                if (w.Index() >= 8 && density >= 120) {
                    if (RandomInRange(1, 3) == 1) {
                        upper(0, kVelocity, 140);
                        upper(144, RestrikeVelocity(), 136);
                        return;
                    }
                    if (RandomInRange(1, 3) == 1) {
                        Strike(w, 0, bass, kVelocity, 92);
                        upper(96, RestrikeVelocity(), 92);
                        return;
                    }
                }
                upper(0, kVelocity, 280);
                return;
            default:
                upper(0, kVelocity, w.Length() - 8);
                return;
        }
    });
}

// "Whole Note High": per bar (384 ticks or what is left of the chord) at
// 1 in 4 a soft high seventh held for the bar, with the third and the fifth
// scooped into it; the scoops follow one another, so the second starts when
// the first one's bend has settled.
void WholeNoteHigh(ChordWalk& walk) {
    constexpr int kBar = 384;
    constexpr int kVelocityHigh = 21;
    constexpr int kBendStep = 2;
    constexpr int kScoopTicks = 5 * kBendStep;
    walk.ForEachChord([&](ChordWalk& w) {
        const ChordRecord& c = w.Chord();
        for (int at = 0; at < w.Length(); at += kBar) {
            const int bar = std::min(kBar, w.Length() - at);
            if (RandomInRange(1, 4) != 1) continue;
            Strike(w, at, Up(c.seventh, 24), kVelocityHigh, bar - 2);
            int scoopAt = at;
            for (int p : {Up(c.third, 36), Up(c.fifth, 24)}) {
                if (p <= 0 || p > 127 || bar - 2 - (scoopAt - at) < 1) continue;
                w.Bend(ChordWalk::BendKind::kScoop, scoopAt, p, kVelocityHigh,
                       bar - 2 - (scoopAt - at), kBendStep);
                scoopAt += kScoopTicks;
            }
        }
    });
}

}  // namespace

bool GenerateSustainedPattern(ChordWalk& walk, int type, int variant, int density) {
    switch (type) {
        case 12:
            switch (variant) {
                case 0:
                    Tremolo(walk);
                    break;
                case 1:
                    WholeNoteRestruck(walk);
                    break;
                case 2:
                    WholeNoteMiddle(walk);
                    break;
                case 3:
                    WholeNoteLow(walk);
                    break;
                default:
                    WholeNoteRolled(walk);
                    break;
            }
            return true;
        case 16:
            if (variant == 0)
                VerySlowStrokeCompound(walk);
            else
                VerySlowStroke(walk, density);
            return true;
        case 53:
            WholeNoteHigh(walk);
            return true;
        default:
            return false;
    }
}
