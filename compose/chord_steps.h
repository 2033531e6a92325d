// Random chord-degree step rows and the leading rest of a melody list.
#pragma once

#include <array>

#include "compose/note_list.h"

constexpr int kChordSteps = 64;
// Per step a chord-degree code: 0 rest, 1 root, 3 third, 5 fifth, 7 seventh,
// 2, 4 and 6 neighbour tones, 11..18 the same an octave up.
using ChordSteps = std::array<int, kChordSteps>;

// A random row of 64 chord-degree codes for the working style: drawn codes,
// blanks by the tempo class, a run of rests, and chord tones on its first and
// last sounding steps. A row never comes out all rests.
ChordSteps GenerateRandomChordSteps();

// The rest a list opens with: the lengths of its rests (notes of pitch 0) up
// to its first sounding note, stopping once a bar of the working style's
// metre is reached. Events other than notes are passed over.
int LeadingRestLength(const NoteList& list);

// The melody imported from a MIDI file and the list made at start-up; both
// stay empty unless something fills them.
extern NoteList ImportedMelodyList;
extern NoteList StartupMelodyList;

// The smaller leading rest of the two lists.
int ShortestLeadingRest();
