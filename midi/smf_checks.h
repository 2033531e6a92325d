// Checks and rewrites of Standard MIDI File images the shell applies before
// a file is converted or analysed. ConvertSmfBufferToFormat0 is declared with
// the shell services (core/shell_services.h) and defined here.
#pragma once

#include <atomic>

#include "midi/music_data.h"

// Division of the last song CheckSmfDivision accepted (0 before any).
extern std::atomic<int> CheckedSmfDivision;

// 1 when the song's division is a tick count of 1..0x7FFF (kept in
// CheckedSmfDivision); otherwise "This Format is not supported!" (0xFF010103)
// and 0.
int CheckSmfDivision(const MidiData& song);
