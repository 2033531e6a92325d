// The work behind the chord input dialog that is not drawing: the scroll
// range and bar checks of the grid, the ordered selection, the beats deleted
// from and inserted into the edited tune, the chord of selected sections
// changed, and the choices of the chord dialog.
#pragma once

#include <string>

#include "core/reporters.h"

class EditObject;
class EditedTune;
struct MusicStyle;

constexpr ErrorCode kDelaySetError = 0xFF010113;  // "Can not edit if delay is set!"

// Rows of 16 steps the grid scrolls by at most.
int ChordGridScrollMaximum(int steps);
// Bars of a progression the style chords may hold: 16..95.
bool ChordBarsInRange(int steps, int beatsPerBar);

// A selection of steps, kept ordered and inside the 512 display records.
struct StepSelection {
    int start = -1;
    int end = -1;
    bool Empty() const { return start < 0 || end < 0; }
};
StepSelection OrderedSelection(int first, int last);

// Deletes the beats [start, end] from every track. The chord of the last
// marker deleted goes on at the next beat when no marker stands there; a
// range without a marker adds none. Sections and lists are rebuilt.
void DeleteTuneBeats(EditedTune& tune, const StepSelection& selection);
// Inserts end - start + 1 empty beats at start; sections and lists rebuilt.
void InsertTuneBeats(EditedTune& tune, const StepSelection& selection);
// Splits the sections at the selection's edges and gives every section in it
// the new chord; 0 when a change could not be saved.
int ChangeSelectedChords(const StepSelection& selection, const std::string& newCode,
                         const std::string& newText);

// The chord dialog: 12 roots ("   C" ... "   B") and 8 kinds.
constexpr int kChordRootChoices = 12;
constexpr int kChordKindChoices = 8;
int ChordRootIndex(const std::string& code);
int ChordKindIndex(const std::string& code);
struct ChordChoice {
    std::string code;
    std::string text;
};
// The code and marker text of a root and kind; a root of -1 gives "xxxx".
ChordChoice MakeChordChoice(int root, int kind);

// ---- The work after the style editor's dialogs ----

// 1 after "Can not edit if delay is set!" when the harmony delay track
// (channel 11) has notes; the harmony cannot be regenerated under it. A part
// of the tune on that channel is no delay.
int RefuseUnderHarmonyDelay(const EditedTune& tune);
// The harmony of every section generated again, in order, until one fails;
// the number of sections done.
int RegenerateAllHarmony(EditedTune& tune);
// The programs after the wizard, the tune saved and read back, and the
// harmony instrument taken back from the tune; 0 when the save failed.
int FinishWizardEdit(EditObject& edit, MusicStyle& style);
