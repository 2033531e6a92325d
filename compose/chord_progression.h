// The chord-progression generator: it divides the tune into numbered blocks
// and a block sequence (which block plays when), gives every block a time
// chart (the lengths of its chords) and fills it with chords chosen from the
// knowledge-base texts or by rule, the last block as a cadence. The chord
// timeline then lays the blocks out in sequence order as the tune's chord
// list, marks the two key-change points and ends with a long tonic.
//
// Everything reads the working style and writes ComposeInfo; every random
// choice goes through RandomInRange, so a seed repeats the progression.
#pragma once

#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "compose/note_list.h"
#include "core/reporters.h"

constexpr ErrorCode kInvalidChordProgression = 0xFF0101C6;
constexpr ErrorCode kInvalidChordBlockLength = 0xFF0101C7;
constexpr ErrorCode kInvalidChordPattern = 0xFF0101C8;
constexpr ErrorCode kCantAddMetre = 0xFF01001F;
constexpr ErrorCode kChordProgressionError = 0xFF01003F;
constexpr ErrorCode kPatternResultError = 0xFF01014A;

// Highest block number of a generated layout; the short fixed form uses two
// blocks fewer.
constexpr int kHighestBlockNumber = 5;
// Tries of a knowledge-base search (pattern choice, cadence pick, voice
// leading).
constexpr int kKnowledgeSearchTries = 4000;
// Pattern entries from one chord that take part in the choice (the first in
// file order).
constexpr int kNextChordSlots = 30;
// The chord list stops here so that the closing tonic still fits within the
// 1000 chords of ComposeInfo.
constexpr int kTimelineChordLimit = kMaxChords - 1;

// The chord the generator stands on: four letters and a NUL. It lives for
// the whole run; every ordinary block starts it at the tonic.
extern char CurrentChordCode[5];

// Key-change points, [0] the early one (block-sequence position 2..4) and
// [1] the late one (5..8): the position, the semitone shift there and the
// number of chords of the chord list before it (-1 until the position is
// reached; the shift is 0 then).
extern int KeyChangeBlocks[2];
extern int KeyChangeShift[2];
extern int KeyChangeChordIndex[2];

// ---- The whole progression ----

// LayOutBlocks, then BuildOrdinaryBlocks, then BuildLastBlock.
void GenerateChordProgression();
// The block count (1..200) and the block sequence of ComposeInfo.
void LayOutBlocks();
// Clears the 200 chord lists and time charts, then fills blocks 1 to
// count - 1.
void BuildOrdinaryBlocks();
// The time chart and chords of one ordinary block.
void BuildBlockChords(NoteList& chords, int* timeChart);
// The last block: a cadence run from the last chord of the block before it.
void BuildLastBlock();
void BuildCadenceBlock(NoteList& chords, int* timeChart, const char previous[4]);
// Four chord lengths of the metre, then zero slots to the end of the chart.
void GenerateTimeChart(int* lengths);
// A uniform draw of 1..top + 2, the two extra values giving the fallback.
int DrawWithBias(int fallback, int top);

// ---- Cadences ----

// count codes (4 characters each) into run: an entry of the cadence text with
// count chords, not starting on the previous chord unless 2000 tries found
// none; all tonic after 4000 tries.
void PickCadenceEntry(const char previous[4], int count, char* run);
// count codes chained by NextCadenceChord.
void GenerateCadenceRun(const char previous[4], int count, char* run);
void NextCadenceChord(const char previous[4], char out[4]);

// ---- Next chord ----

// 0 for pitch classes 1, 3 and 10; 1 (major) or 2 (minor) for 6 and 8; else
// 2.
int DegreeFitness(int pitch);
// Sum of DegreeFitness over seventh, fifth, third and root (0..8).
int ChordFitness(const ChordRecord& chord);
void RandomChordCode(char out[4]);
void NextChordFromPatterns(const char current[4], char out[4]);
void NextChordByVoiceLeading(const char current[4], char out[4]);
void NextChordFifthsWalk(const char current[4], char out[4]);
void NextChordDescending(const char current[4], char out[4]);
// The same letters on a root a semitone up or down.
void ApproachChordCode(const char current[4], char out[4]);

// ---- The chord list ----

// Rebuilds ComposeInfo's chord list from the block lists in sequence order,
// marks the key-change points and, unless "Chord Generation Method" is 8,
// appends two bars of the tonic. Returns the length in quarter notes.
int BuildChordTimeline();
// The chord number (from 1) a key change at the point starts transposing
// from: the first chord of its block; 0 when the point was not reached.
int KeyChangeFirstChordNumber(int point);
