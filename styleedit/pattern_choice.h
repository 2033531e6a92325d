// What the pattern chooser shows and stores for a part: the pattern list,
// the range (octave) and the density, as combo positions.
#pragma once

#include <atomic>

#include "style/music_style.h"
#include "styleedit/pattern_tables.h"

constexpr int kRangeEntries = 4;    // "Normal", "Octave Low", "2 Octave Low", "Octave Up"
constexpr int kDensityEntries = 8;  // "Least" .. "More most"

struct PatternPartInfo {
    const char* title;
    bool range;    // the range combo is shown
    bool density;  // the density combo is shown
    bool listen;   // the part has a preview
};
// The chooser's face for part 2, 3, 4, 5, 7 or 9; null for any other part.
const PatternPartInfo* PatternPartOf(int part);
PatternTable PatternTableOf(int part);
// The style's pattern field of the part; null for a part without one.
std::int32_t* PatternFieldOf(MusicStyle& style, int part);
const std::int32_t* PatternFieldOf(const MusicStyle& style, int part);

// Combo positions; -1 is no selection.
struct PatternChoice {
    int pattern = -1;
    int range = -1;
    int density = -1;
};

// Range entry of an octave: 0 "Normal", -1, -2, 1; -1 for any other octave.
int RangeEntry(int octave);
int RangeOctave(int entry);
// Density entry: the density classed in steps of 20 around 100 (below 30 is
// "Least", 90..109 and 170 up "Many").
int DensityEntry(int density);
int EntryDensity(int entry);  // 20, 40 ... 160

// What the chooser opens on for the part (hidden combos stay -1).
PatternChoice ReadPatternChoice(const MusicStyle& style, int part);
// Stores the choice: the pattern field takes the selected entry's code, the
// octave and density their entries'; a field whose combo has no selection
// (or is hidden) keeps its value.
void StorePatternChoice(const PatternChoice& choice, MusicStyle& style, int part);

// The part whose pattern the chooser works on; set by its opener.
extern std::atomic<int> PatternPart;
