// Broken chords: a cycle of step positions names the chord tone each step
// sounds.
#include <algorithm>

#include "accomp/harmony_families.h"
#include "compose/chord_weights.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kVelocity = 64;

enum Tone { kRootOrSeventh, kRoot, kThird, kFifth, kSeventh };

// "Slow Arpeggio": eighths through a cycle of 8 (straight) or triplet
// eighths through a cycle of 6, restarting on every chord.
constexpr Tone kSlowStraight[8] = {kRootOrSeventh, kFifth, kThird, kFifth,
                                   kSeventh,       kThird, kFifth, kSeventh};
constexpr Tone kSlowTriplet[6] = {kRoot, kThird, kFifth, kSeventh, kFifth, kThird};

int PitchOf(Tone tone, const ChordRecord& c) {
    switch (tone) {
        case kRootOrSeventh:
            return WorkingStyle.voice[kPartBass] == kVoiceNotUsed ? c.root : c.seventh;
        case kRoot:
            return c.root;
        case kThird:
            return c.third;
        case kFifth:
            return c.fifth;
        case kSeventh:
            return c.seventh;
    }
    return 0;
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
        default:
            return false;
    }
}
