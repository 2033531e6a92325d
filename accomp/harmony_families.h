// The built-in harmony pattern generators, one family per file; each walks
// the chords given to GenerateHarmonyPattern.
#pragma once

#include "accomp/chord_walk.h"

// Struck and held chords: "Slow Stroke", the strums, "Pops", "Simple
// Stroke", "Techno". False for a type or variant the family does not play.
bool GenerateStrokePattern(ChordWalk& walk, int type, int variant, int density);

// Held chords: "Whole note", "Whole Note High" and "Very Slow Stroke". False for a type the
// family does not play.
bool GenerateSustainedPattern(ChordWalk& walk, int type, int variant, int density);

// Broken chords: the eleven arpeggio types, from "Slow Arpeggio" to
// "Dissonant Arpeggio"; "Pops Arpeggio" reads the walk's block labels. False for a type the family does not play.
bool GenerateArpeggioPattern(ChordWalk& walk, int type, int variant, int density);
