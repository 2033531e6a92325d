// The built-in harmony pattern generators, one family per file; each walks
// the chords given to GenerateHarmonyPattern.
#pragma once

#include "accomp/chord_walk.h"

// Struck and held chords: "Slow Stroke", the strums, "Simple Stroke",
// "Techno". False for a type or variant the family does not play.
bool GenerateStrokePattern(ChordWalk& walk, int type, int variant, int density);

// Held chords: "Whole note" and "Very Slow Stroke". False for a type the
// family does not play.
bool GenerateSustainedPattern(ChordWalk& walk, int type, int variant, int density);

// Broken chords: "Slow Arpeggio", "Gamelan", "Chinese", "Sporadic Arpeggio",
// "Arpeggio", "Fast Arpeggio". False for a type the family does not play.
bool GenerateArpeggioPattern(ChordWalk& walk, int type, int variant, int density);

// Stabs, bass-and-chord figures and dance rhythms: "Spanish", "Rhythmic",
// "Hip hop", the techno types, the tangos, "Latin", "Waltz" and the rest of
// the rhythm family. "Tango 1" and "Tango 2" read the block labels, "Tango
// 2" the melody; both may be null. False for a type the family does not
// play.
bool GenerateRhythmPattern(ChordWalk& walk, int type, int variant, int density,
                           const NoteList* melody = nullptr, const NoteList* labels = nullptr);
