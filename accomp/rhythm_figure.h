// The pieces the rhythm-pattern generators share: a per-chord figure that
// collects hits in any order and writes them in time order, and the chord
// tones and draws the figures are made of.
#pragma once

#include <atomic>
#include <initializer_list>
#include <vector>

#include "accomp/chord_walk.h"

namespace rhythm {

bool Triplet();
bool HasBass();
bool ThreeFour();

// A tone moved by semitones; a missing tone (0) stays missing.
inline int Shift(int tone, int by) {
    return tone > 0 ? tone + by : 0;
}
// True at 1 in n.
bool OneIn(int n);

// The nearest pitch from `pitch` (stepping by `step`, at most 12 steps)
// that is usable over the chord and lies in 13..127; else `pitch` itself.
int NextUsable(const ChordRecord& chord, int pitch, int step);
// The pitch raised by `by` when that is usable over the chord, else the
// pitch itself.
int RaisedIfUsable(const ChordRecord& chord, int pitch, int by);

// The hits of one chord. Hits may be added in any order; Write sorts them
// by start (stable, so voices keep their order), drops missing pitches,
// cuts lengths at the chord's end (but on the last chord, whose ending may
// run on) and holds velocities in 1..127.
class Figure {
public:
    explicit Figure(ChordWalk& walk) : walk_(walk) {}
    ~Figure() { Write(); }
    Figure(const Figure&) = delete;
    Figure& operator=(const Figure&) = delete;

    void Hit(int offset, int pitch, int velocity, int length);
    // Several voices together, or `spread` ticks apart (each later voice
    // held `spread` ticks less, so all end together).
    void Chord(int offset, std::initializer_list<int> pitches, int velocity, int length,
               int spread = 0);
    void BendFromBelow(int offset, int pitch, int velocity, int length);
    void BendFromAbove(int offset, int pitch, int velocity, int length);
    // A silent step, written so that the track's time reaches it.
    void Rest(int offset);
    void Write();

private:
    struct Item {
        int offset;
        int pitch;
        int velocity;
        int length;
        int bend;  // 0 none, 1 from below, 2 from above, 3 rest
    };
    void Add(Item item);
    ChordWalk& walk_;
    std::vector<Item> items_;
};

// Generators of the second file.
void Rhythmic(ChordWalk& walk, int variant, int density);       // type 10
void Rhythmical(ChordWalk& walk, int variant);                  // type 19
void RhythmicLines(ChordWalk& walk, int variant, int density);  // type 20
void March(ChordWalk& walk, int variant);                       // type 31
void Trans(ChordWalk& walk, int variant);                       // type 38
void OldaysGuitar(ChordWalk& walk);                             // type 44
void Parade(ChordWalk& walk, int density);                      // type 56
void Kecak(ChordWalk& walk);                                    // type 57

// The composer flag the last chord of "Rhythmic" and "Rhythmical Techno"
// reads: 1 picks the stab ending, anything else the held one.
extern std::atomic<int> RhythmEndingFlag;

}  // namespace rhythm
