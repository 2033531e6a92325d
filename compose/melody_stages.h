// The compose stages that write a melody-like part over the whole tune: the
// instrument groups every part generator resolves a part's voice through, the
// per-block melody writing, the joining of the block lists in sequence order,
// the part's ending and the key-change transposition of a finished list.
#pragma once

#include <atomic>

#include "compose/note_list.h"
#include "core/reporters.h"

constexpr ErrorCode kBlockNumberInvalid = 0xFF0101AD;    // "Failed in pattern process!"
constexpr ErrorCode kNoteCountInvalid = 0xFF0101AE;      // "The number on event is invalid..."
constexpr ErrorCode kMelodyLoopError = 0xFF010203;       // "Loop error"
constexpr ErrorCode kObbligatoLengthError = 0xFF0101B5;  // "The length of obbligato is wrong!"

constexpr int kFirstGroupCode = 136;
constexpr int kLastGroupCode = 144;
constexpr int kInstrumentGroupCount = 9;

struct InstrumentGroup {
    const char* name;
    int count;
    int programs[24];
};
extern const InstrumentGroup kInstrumentGroups[kInstrumentGroupCount];

// Marks of the key-change points in the joined melody list: the index where
// the block of each point starts (0 = none). Set by JoinBlockNoteLists.
extern int KeyChangeMark[2];

// A code below 136 gives the part's own instrument; 136..144 a random
// program of that group; anything else comes back unchanged.
int ResolveInstrumentGroup(int code, int part);

// GenerateMelodyPart for every block of the tune into its list of lists,
// until each succeeds. False when a stop was requested, or when a block
// failed 1000 times (shown once as "Loop error").
bool ComposeMelodyBlocks(int part, NoteListArray& lists);
// The block lists in block-sequence order into out (cleared first), the
// key-change marks set on the way; the block lists are cleared. The last
// note's pitch.
int JoinBlockNoteLists(int kind, NoteListArray& lists, NoteList& out);
// A closing tonic chord and the part's ending figure from the last pitch.
void ComposeMelodyEnding(int part, NoteList& out, int lastPitch);
// The second melody of every block from its melody list: chords copied,
// each note at its second-voice pitch with the same length. False when a
// stop was requested.
bool ComposeSecondMelodyBlocks(int part);
// The second voice of the melody's ending figure into out; nothing with
// custom chords ("Chord Generation Method" 8).
void DeriveSecondMelodyEnding(const NoteList& ending, NoteList& out, int lastPitch, int part);
// The notes into out (cleared first) along the tune's chord sequence: the
// first note under each chord moved up to a triad tone of it, kept within two
// octaves of where it was, pitches 0..127.
void FitObbligatoToChords(NoteList& out, const NoteList& notes);
// A second voice under the notes into out (cleared first): per note a triad
// tone (first under its chord) or chord tone at least a minor third from the
// melody, below it and within two octaves; a rest where none is found in two
// octaves or the chord has no root.
void DeriveSecondMelodyFromNotes(NoteList& out, const NoteList& notes);

// The analysed tune of a style conversion: its melody and obbligato notes,
// and whether the obbligato is taken from it.
extern NoteList ConvertedMelodyNotes;
extern NoteList ConvertedObbligatoNotes;
extern std::atomic<int> UseConvertedObbligato;

// The key changes on a joined list from its marks ("Transpose" on); with
// chords also on the tune's chord sequence.
void ApplyKeyChanges(NoteList& list, bool chords);
// The whole part for kinds 4 and 5: blocks, join, ending and key changes
// into out. False when a stop was requested.
bool ComposePartList(int part, int kind, NoteList& out);
