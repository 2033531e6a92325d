// Chord-tone rows: the 14 pitches a custom step grid sounds over one chord,
// each from a row code that names a chord tone (or its neighbour) and an
// octave.
#pragma once

#include <array>
#include <cstdint>

#include "compose/chord_record.h"
#include "style/music_style.h"

constexpr int kChordToneRows = 14;
using ChordToneRow = std::array<int, kChordToneRows>;
using ChordToneCodes = std::array<std::int32_t, kChordToneRows>;

// A pitch whose weight digit is below this goes one semitone down.
constexpr int kChordToneRowThreshold = 5;

// Per row code c: c mod 7 picks root, root + 2, third, fifth - 2, fifth,
// fifth + 2 or seventh, and 12 * (c / 7) - 12 is added; a pitch whose class
// weighs below the threshold in weights goes a semitone down. A negative
// code, a missing tone and a pitch outside 13..127 give 0 (a silent slot).
ChordToneRow MakeChordToneRow(const ChordToneCodes& codes, const ChordRecord& chord,
                              const ScaleString& weights);

// As MakeChordToneRow with the bass pitch + 24 in place of the root.
ChordToneRow MakeBassChordToneRow(const ChordToneCodes& codes, const ChordRecord& chord,
                                  const ScaleString& weights);
