// The work of the five edit panels on the current edited tune, apart from
// their windows: the selected beats turned into sections, the delay guard,
// the toggle captions, and each button's change. Every operation reaches
// the tune through CurrentEditObject and reports through the message boxes.
#pragma once

#include <string>

#include "core/reporters.h"
#include "tuneedit/chord_input.h"  // kDelaySetError

class EditObject;
class EditedTune;

constexpr ErrorCode kCannotEditFileError = 0xFF01004B;  // "Can not edit this file!"
constexpr ErrorCode kPatternUnusableError =
    0xFF010117;                                       // "Can't use the pattern. Use another one!"
constexpr ErrorCode kPasteTooLongError = 0xFF010118;  // "Paste Data is too long."
constexpr ErrorCode kCancelDelayQuestion = 0xFF01014B;
constexpr ErrorCode kNoDelayTrackError = 0xFF010159;  // "No Delay Track!"
constexpr ErrorCode kBeginEndError = 0xFF010169;      // "Error in begin and end point!"
constexpr ErrorCode kNoAdjustMelodyError =
    0xFF0101DE;  // "Can not find melody track for adjustment!"
inline constexpr const char* kRecomposeNotice =
    "All part of the same melody will be composed again.";

// Sections first..end - 1 of the edited tune, ticks start[first] to
// start[end].
struct SectionRange {
    int first = -1;
    int end = -1;
    bool Valid() const { return first >= 0 && end >= 0; }
};

// The selected beats as sections: the chords holding the selection's edges
// are split there (a selection past the tune's end adds chords), and a
// split is written into the tune's markers so its sections follow the
// chord lists. An invalid range without a current tune or selection.
SectionRange LocateSelection(int firstStep, int lastStep);

// 0 when the channel holds no delay track with notes (a part of the tune
// there is none), or when the user lets the delay go (its track is
// deleted); 1 when the user keeps the delay (stop).
int ConfirmDelayRemoval(int channel);

// ---- Captions ----
// "Remove Delay" when the channel's delay track holds notes, else "Set Delay".
std::string DelayCaption(int channel);
// "Set Octave" for a melody of one note at a time, else "Remove Octave";
// without a melody track "There are no melody track." and "Set Octave".
std::string OctaveCaption();

// ---- "Adjust" ----
// The melody notes of each section raised onto its chord; sections marked
// "N/C" are passed over. Not saved.
int DeleteDissonantNotes(SectionRange range);
// The melody's entry into and exit out of each section moved onto chord
// tones between their neighbours; saved.
int ConnectSections(SectionRange range);

// ---- "Chord" ----
// The harmony of each section generated again; 0 when the harmony delay is
// set or a section failed.
int ChangeHarmony(SectionRange range);
// The harmony track's notes of the range deleted (controls kept).
int DeleteHarmonyRange(SectionRange range);
// A delayed, detuned copy of the harmony on the harmony delay channel with
// the pans spread apart; nothing without a harmony track or a style delay.
// 1 when the track was added.
int MakeHarmonyDelayTrack();
// "Set Delay" / "Remove Delay" of the chord panel: the harmony delay track
// deleted, or made; refused with a box, nothing changed, when a part of
// the tune holds notes on the harmony delay channel.
void ToggleHarmonyDelay();

// ---- "Copy Paste" ----
int CopyMelody(SectionRange range);
int PasteMelody(SectionRange range);
// The clipboard notes moved onto the chords they land on, then pasted.
int PasteMelodyOnChord(SectionRange range);

// ---- "Melody" and "Octave" ----
// The melody (and melody delay) notes starting in the beats deleted.
int DeleteMelodyBeats(int firstStep, int lastStep);
// Every section but the last composed again, then the tune is saved and
// opened anew as the current edit object. 0 when refused or a section
// failed.
int RecomposeAllSections();
// Octave doubling on for a melody of one note at a time, else off.
int ToggleOctave();
// The melody delay track deleted; "No Delay Track!" without one.
int RemoveMelodyDelay();
