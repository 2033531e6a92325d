// What the instrument chooser shows and stores, without its window: the
// group list, the instruments of a group, the entries selected for a voice
// and the voice OK gives back.
#pragma once

#include <string>
#include <vector>

#include "core/reporters.h"
#include "style/voice_names.h"

constexpr ErrorCode kMelodyNoneError = 0xFF010125;  // "You must select instrument for melody!"

// The voice handed to the chooser and back (in: current voice, out: chosen
// voice), and what it lists (an InstrumentChoiceKind).
extern int InstrumentChoice;
extern int InstrumentChoiceMode;

struct ChooserEntry {
    std::string name;
    int value;
};

// The group combo: the 20 groups in mode 0, else the one entry "---".
std::vector<ChooserEntry> ChooserGroups(int mode);
// The instrument combo: in mode 0 the codes 8g..8g+7 below 152 of group g
// with their names ("---" alone for the none group, nothing for a group out
// of range); in modes 1..3 the mode's voice table.
std::vector<ChooserEntry> ChooserInstruments(int mode, int group);

struct ChooserSelection {
    int group = -1;       // -1: none selected
    int instrument = -1;  // position in ChooserInstruments, -1 none
};
// What opening on the voice selects. Mode 0: the voice's group (the none
// group for 256) and its place in the group; a voice of no group (negative,
// 160..255, above 256) selects nothing. Modes 1..3: the entry of that value,
// none when absent.
ChooserSelection ChooserOpenSelection(int mode, int voice);
// The voice OK stores: mode 0 gives 256 for the none group, else 8 x group +
// position; modes 1..3 the selected entry's value. With no group or no
// instrument selected the voice stays as it was.
int ChooserResult(int mode, const ChooserSelection& selection, int voice);
