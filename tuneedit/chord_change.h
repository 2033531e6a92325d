// Following a chord change: the semitone shift of each chord tone from the
// old chord to the new one, and the moves of the notes of a section.
#pragma once

#include <array>
#include <string_view>

class EditedTune;

// Four shifts (root, third, fifth, seventh), the section's start and end
// (filled in by the caller) and the four pitch classes of the old chord.
struct ChordShifts {
    std::array<int, 4> shift{};
    int start = 0;
    int end = 0;
    std::array<int, 4> oldTone{};
};

// Fills the shifts and old tones of a change from the old to the new code;
// the result is the root shift d in 0..11. An old "NoCd" gives all zero.
// Letter pairs other than M/m, P/d and S/s move by d alone.
int ChordToneShifts(ChordShifts& out, std::string_view oldCode, std::string_view newCode);
// The key moved by the shift of the first old chord tone its pitch class
// matches (the root's shift when none), folded by octaves into 0..127.
int MapPitchToNewChord(int key, const ChordShifts& shifts);
// Moves every note of one track that starts in [start, end).
void MapSectionNotes(EditedTune& tune, const ChordShifts& shifts, int track);
// The same for every track from 1 on that is not on the drum channel.
void MapChordChangeAllTracks(EditedTune& tune, const ChordShifts& shifts);
