// The edited tune's chord sections and the composer's chord lists: the lists
// filled from the sections, a beat turned into a section (splitting a chord
// there), the markers rewritten from the lists, and a chord change applied to
// the current section.
#pragma once

#include <array>
#include <string>

#include "core/reporters.h"

class EditedTune;

constexpr ErrorCode kTuneTooComplicatedError = 0xFF01004F;  // "Tune is too complecated!"
constexpr ErrorCode kOutlineFailedError = 0xFF0101DA;  // "Failed in outline generation!"
constexpr ErrorCode kEditingError = 0xFF0101E7;  // "Error occured in editing!"
constexpr ErrorCode kWrongChordNumberError = 0xFF0101DB;  // "The number of chord is worng!"

// What the chord dialog hands over for a change: the section worked on,
// its old and new codes and the new marker text, the section's ticks.
struct ChordEditExchange {
    int section = 0;
    std::array<char, 5> oldCode{};
    std::array<char, 5> newCode{};
    std::array<char, 17> markerText{};
    int start = 0;
    int end = 0;
};
extern ChordEditExchange ChordExchange;

// Fills the chord lists from the sections (at most 511); their number.
int BuildChordListsFromEditTune(const EditedTune& tune);
// The section of the chord that begins at the step, splitting the chord that
// holds it; past the end a "CMPS" chord of flag + the missing steps is
// appended to the lists and to the current tune's sections. -1 without a
// current edit object or when the lists are full.
int LocateStep(int step, int flag);
// Every marker of the tune replaced by one per chord of the lists.
void WriteMarkersFromChordLists(EditedTune& tune);
// The exchange's change applied to the current tune and saved; 0 when the
// tune could not be saved or there is none.
int ApplyChordChange(const ChordEditExchange& change);
