// The chord progression of a tune as the chord editors see it: the chord
// lists of ComposeInfo (four chords a block, the blocks played once each in
// order) filled from the working style's harmony structure, from "chord.dat"
// or from a flat list of chords, and written back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compose/note_list.h"
#include "core/reporters.h"
#include "style/music_style.h"

constexpr ErrorCode kChordEditingError = 0xFF01000F;  // "error in chord editing"
constexpr ErrorCode kInitializeEditingError = 0xFF010010;  // "error in initialize editing"
constexpr ErrorCode kChordFileError = 0xFF010047;  // "file error!"
constexpr ErrorCode kChordsTooManyError = 0xFF010168;  // "Number of chords are too many!"

// Chords a harmony structure holds (its zero entry's length bytes still fit).
constexpr int kMaxChordEntries = kMaxHarmonyStructureEntries;
constexpr int kChordsPerBlock = 4;
constexpr int kStepTicks = 96;
// The chord file of the program folder.
inline constexpr const char* kChordFileName = "chord.dat";

// The chord editor's copy of the harmony structure, and one transposition
// text per entry (two blanks for none).
extern std::uint8_t ChordEditBuffer[kHarmonyStructureBytes];
extern char ChordEditTranspose[kMaxChordEntries][2];
// Beats (96 ticks) of the whole progression.
extern int ChordStepCount;
// The scale the tune analysis and the melody composer read.
extern ScaleString TuneScaleMask;

// Clears the lists and fills them from the working style's harmony
// structure; more than 682 entries: "error in chord editing", 0.
int BuildChordListsFromStyle();
// Rebuilds the lists from ChordEditBuffer; a buffer without a zero entry:
// "error in initialize editing", 0 (the entries before it are kept).
int RebuildChordListsFromBuffer();

// Every chord of every block, in order.
std::vector<NoteEvent> ChordProgression();
// Refills the lists from chords (four a block) and ChordStepCount; more
// than 682 chords: "Number of chords are too many!", nothing changes, 0.
int SetChordProgression(const std::vector<NoteEvent>& chords);

// The chords as harmony-structure entries into the style, then the zero
// entry's length bytes; the bytes after it stay. 0 when they do not fit.
int WriteChordEntriesToStyle(MusicStyle& style);
// WriteChordEntriesToStyle, the tune scale and the style's tune length.
int WriteChordListsToStyle(MusicStyle& style, int beatsPerBar);
// "chord.dat" in the folder: the 4096 bytes of the style's structure after
// the chords were written there; "file error!" when it cannot be written.
int SaveChordFile(const std::string& folder);
// Why bytes are no chord file: the first chord whose code is not a chord
// or that the bytes cut off, or no end entry within them (or within the 682
// chords); empty when they can be loaded.
std::string ChordFileFault(std::span<const std::uint8_t> bytes);
// Reads "chord.dat" (up to 4096 bytes over the structure). A missing file
// gives "file error!", a faulty one a single message naming the file and its
// first fault; either way the style keeps its chords, 0.
int LoadChordFile(const std::string& folder);
// 1 when the 4096 bytes hold a zero entry within the 682 entries.
bool HasZeroEntry(const std::uint8_t* structure);
