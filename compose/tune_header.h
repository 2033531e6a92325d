// The header track of a composed tune: the seed it was composed from, the
// sound-module reset, master volume, metre, key and tempo, and (when the user
// wants them) the chord names as markers and display texts, with the key
// signatures of the key changes. The chord-name text is shared with the
// chord editors.
#pragma once

#include <string>
#include <vector>

#include "compose/compose_track.h"
#include "core/reporters.h"

constexpr ErrorCode kDiminishChordError = 0xFF01006B;  // "Diminish chord error!"
constexpr ErrorCode kDisplayDataError = 0xFF0101CD;    // "Error occured in display data!"

// The name of a 4-character chord code: root (a lower-case letter is the
// flat of its note), "m", "dim" or "aug", a blank, "7" or "M7"; "N/C" for a
// code starting with N.
std::string ChordCodeToName(const char code[4]);
// Appends "on" and the sharp name of pitch mod 12; nothing for a negative
// remainder.
void AppendOnBass(std::string& name, int pitch);
// The on-bass offset of a two-character number text; 0 for "00", an empty
// text or anything that is not two digits.
int OnBassOffset(const char text[2]);

void BuildHeaderEvents(ComposeTrackData& track);
// A new header track, padded at its end, appended to tracks.
void BuildHeaderTrack(std::vector<ComposeTrackData*>& tracks, int& count);
