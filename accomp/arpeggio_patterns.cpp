// Broken chords: a cycle of step positions names the chord tone each step
// sounds.
#include "accomp/harmony_families.h"
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

}  // namespace

bool GenerateArpeggioPattern(ChordWalk& walk, int type, int variant, int density) {
    (void)density;
    switch (type) {
        case 3:
            SlowArpeggio(walk, variant == 0);
            return true;
        default:
            return false;
    }
}
