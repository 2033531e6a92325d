// The twelve note flags of a custom scale: read from and written to the
// pitch-class characters of a style's "Scale Notes" (after its 4-character
// prefix, which stays as it is).
#pragma once

#include <array>

constexpr int kPitchClassCount = 12;
constexpr int kScaleNotesPrefix = 4;  // characters before the pitch classes
constexpr int kFewestScaleNotes = 3;  // a custom scale needs at least three notes

using ScaleFlags = std::array<int, kPitchClassCount>;

// 1 for every pitch class whose character is not '0' (any other character
// counts as a note of the scale), else 0.
ScaleFlags ReadScaleFlags(const char* scaleNotes);
// A flag clicked: 1 becomes 0, anything else 1.
int FlipScaleFlag(int flag);
// Writes '9' for a flag of 1 and '0' for any other into the pitch-class
// characters; returns how many notes are set.
int WriteScaleFlags(const ScaleFlags& flags, char* scaleNotes);
// "C", "Db", "D", ... "B" for pitch class 0..11; "" outside.
const char* PitchClassCaption(int pitchClass);
