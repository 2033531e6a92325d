// The panel's Edit action: a saved tune copied to the work copy, opened as
// the current edit object (its chords analysed first when it has no chord
// markers), edited in the chord input dialog, then saved under a chosen name
// and played.
#pragma once

#include "core/reporters.h"

class MidiF1Data;

constexpr ErrorCode kNotZawFileError = 0xFF010128;  // "This file is not a file generated bu ZAW!"
constexpr ErrorCode kOldVersionError = 0xFF010163;
constexpr ErrorCode kMelodyDelayDeletedError =
    0xFF010161;  // "Delay track of melody has been deleted."
inline constexpr const char* kEditFilter = "SMF files|*.mid|";

// A tune of an older layout put right: the melody's channel onto channel 1
// and the notes of channels 10 and 11 onto free channels, the tracks then
// rebuilt by channel.
void MoveDelayTrack(MidiF1Data& song);
