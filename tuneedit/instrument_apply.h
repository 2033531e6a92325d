// The edited tune's programs made to follow the working style's instruments
// after the style definition hub or the style wizard has closed.
#pragma once

#include "core/reporters.h"

class EditedTune;
struct MusicStyle;

constexpr ErrorCode kSelectMelodyInstrumentError = 0xFF010125;  // "You must select instrument for melody!"

// The program an instrument value gives a part: the value itself in
// 0..127, a member of the group for a group code, -1 for anything else
// (no program change).
int ProgramOfInstrument(int value, int part);
// After the hub: every part's channels get its program; a part not used
// (256) loses its tracks when it has notes (the melody excepted).
void ApplyToneInstruments(EditedTune& tune, const MusicStyle& style);
// After the wizard: the melody and harmony programs as the wizard left them;
// a melody value that is no program is reported and changes nothing.
void ApplyWizardInstruments(EditedTune& tune, MusicStyle& style);
