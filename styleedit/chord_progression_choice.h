// How a style builds its chord progression, as the "Chord Progression"
// dialog shows it: four lists (progression type, generation method, block
// length, chords in a block) over choice rows, and three options (fixed
// bass, adjust to chord tone, on chord) that are boxes.
#pragma once

#include <cstdint>

#include "styleedit/choice_row.h"

struct MusicStyle;

enum class ProgressionList : int {
    kType,           // "Chord Progression"
    kMethod,         // "Chord Generation Method"
    kBlockLength,    // "Block Length"
    kChordsInBlock,  // "Number of Chords in a Block"
};
constexpr int kProgressionListCount = 4;

constexpr int kFixedBassOn = 10;  // "Fixed Bass" with its box checked

// The values a list shows, in its order, with the text form's names.
const ChoiceRow& ProgressionRow(ProgressionList list);
// The style field a list edits.
std::int32_t& ProgressionField(MusicStyle& style, ProgressionList list);
std::int32_t ProgressionField(const MusicStyle& style, ProgressionList list);

// The four positions and three boxes shown for a style. A stored value the
// list lacks shows no selection (the position after the last).
struct ProgressionChoice {
    int positions[kProgressionListCount]{};
    bool fixBass = false;
    bool adjustToChordTone = false;
    bool onChord = false;
    bool invalidBass = false;  // "Fixed Bass" was neither 0 nor 10
};

ProgressionChoice ReadProgressionChoice(const MusicStyle& style);
// Stores the boxes and, for each list with a selection, its value; a list
// without one keeps its field.
void StoreProgressionChoice(const ProgressionChoice& choice, MusicStyle& style);
