// Melody rhythm: the length of each note of a melody-like part, by the part's
// note-length style. Five styles compute a length from the note's place in
// the phrase; styles 8 and 9 fill a rhythm template for the whole chord and
// read it note by note. Lengths are ticks at 96 per quarter note; with
// "Basic Beat" 3 (triplet rhythm) the units are 32 and 64 instead of 24, 48
// and 72.
#pragma once

#include <cstdint>

#include "core/reporters.h"

struct RhythmTemplateSlots;

constexpr ErrorCode kCannotCreate78 = 0xFF01003C;

// Arguments of every style: t, the note's position in the phrase (0 at a
// phrase start); the phrase length; the chord length; the previous note's
// length / 24.
struct RhythmPlace {
    int t = 0;
    int phrase = 384;
    int chord = 384;
    int previousClass = 0;
};

// The length of the next note of a style part (1..9), always at least 1 and
// cut so that the note ends neither after the phrase nor after the chord (a
// place already at or past either end gives 1).
int NextNoteLength(int part, int t, int phraseLength, int chordLength, int previousClass);

// The styles, uncut. s is the note-length style, y the syncopation.
int RhythmStyleDotted(const RhythmPlace& at);
int RhythmStyleSix(const RhythmPlace& at);
int RhythmStyleFigures(const RhythmPlace& at);
int RhythmStyleDefault(const RhythmPlace& at, int s, int y);
int RhythmStyleTemplate(const RhythmPlace& at);
int RhythmStyleBuffered(const RhythmPlace& at);

// Writes the template of a chord length into the slots; false (slots
// untouched) for a length without one. style9 admits the lengths only the
// template style knows; triplet picks the triplet templates (384 and 768).
bool FillRhythmTemplate(RhythmTemplateSlots& slots, int chordLength, bool style9, bool triplet);
