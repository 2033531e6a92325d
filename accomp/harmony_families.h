// The built-in harmony pattern generators, one family per file; each walks
// the chords given to GenerateHarmonyPattern.
#pragma once

#include "accomp/chord_walk.h"
#include "style/random_riff.h"

// Struck and held chords: "Slow Stroke", the strums, "Pops", "Simple
// Stroke", "Techno". False for a type or variant the family does not play.
bool GenerateStrokePattern(ChordWalk& walk, int type, int variant, int density);

// Held chords: "Whole note", "Whole Note High" and "Very Slow Stroke". False for a type the
// family does not play.
bool GenerateSustainedPattern(ChordWalk& walk, int type, int variant, int density);

// Broken chords: the eleven arpeggio types, from "Slow Arpeggio" to
// "Dissonant Arpeggio"; "Pops Arpeggio" reads the walk's block labels. False for a type the family does not play.
bool GenerateArpeggioPattern(ChordWalk& walk, int type, int variant, int density);

// Lines from step tables and guitar figures: "Riff", the "Long Riff" family,
// "Glam Rock", "Cutting", "Mersey Beat", "Ragtime", "Rockabilly", "Stroke
// Riff". False for a type the family does not play.
bool GenerateRiffPattern(ChordWalk& walk, int type, int variant, int density);

// Melodic lines over the chord: "Melodic", "Middle East", "Hawaian",
// "Melodious", "Bend". False for a type the family does not play.
bool GenerateMelodicLinePattern(ChordWalk& walk, int type, int variant, int density);

// The riff the last "Long Riff" or "Fixed Long Riff(2)" played, kept for the
// whole run (all zero at first) and replayed by "Fixed Long Riff(1)". The
// editor's preview plays on the UI thread while tunes are composed on the
// worker, so the table is only ever copied in and out under a lock.
void CopyRiffMemory(int (&out)[kRiffTableSize]);
void StoreRiffMemory(const int (&riff)[kRiffTableSize]);

// Stabs, bass-and-chord figures and dance rhythms: "Spanish", "Rhythmic",
// "Hip hop", the techno types, the tangos, "Latin", "Waltz" and the rest of
// the rhythm family. "Tango 1" and "Tango 2" read the block labels, "Tango
// 2" the melody; both may be null. False for a type the family does not
// play.
bool GenerateRhythmPattern(ChordWalk& walk, int type, int variant, int density,
                           const NoteList* melody = nullptr, const NoteList* labels = nullptr);
