// The random riff: a table of (length, first step, second step) triples that
// fills one bar of the style's metre, ended by a 0.
#pragma once

#include "style/music_style.h"

constexpr int kRiffTableSize = 96;

// Fills riff with a random riff for the style's metre and basic beat. A value
// of -1 is a step without a note.
void GenerateRandomRiff(int (&riff)[kRiffTableSize], const MusicStyle& style);
