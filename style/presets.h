// The 158 built-in styles of the catalogue.
#pragma once

#include "style/music_style.h"

// Builds the built-in style that sits at a catalogue position (category
// 0..8, slot 0..23) into entry and returns true; returns false, leaving entry
// untouched, where no built-in style sits (Random entries, empty slots,
// positions outside the catalogue). The record is cleared first, so the
// result never depends on what entry held; the values do not depend on the
// position either, only on the "Use Group Inst." switch and the sound-module
// type of AppSettings at the moment of the call (and on the random riff,
// except for the styles with the fixed riff).
bool BuildPresetStyle(int category, int slot, MusicStyle& entry);
