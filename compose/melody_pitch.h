// Melody pitch generation: the writer of a melody-like part (melody,
// obbligato, sub melody) over the chords of one block. It walks the chords,
// takes each note's length from the melody rhythm and its pitch from one of
// seven melody algorithms chosen by the part's melody settings, then applies
// the part's range, tension, repetition, rest and syncopation rules. The
// ending figures that close a part after its last block live here too.
#pragma once

#include <array>

#include "compose/chord_record.h"
#include "compose/note_list.h"
#include "core/reporters.h"
#include "style/music_style.h"

constexpr ErrorCode kMetre34Error = 0xFF010004;           // "3/4 error!"
constexpr ErrorCode kMetre78Error = 0xFF010005;           // "7/8 error!"
constexpr ErrorCode kChordLengthError = 0xFF010007;       // "chord length error!"
constexpr ErrorCode kMelodyPointsError = 0xFF01006F;      // points for melody
constexpr ErrorCode kAdjustmentWeightError = 0xFF0101B0;  // negative weight
constexpr ErrorCode kAdjustmentError = 0xFF0101B1;        // "...Algorithm of adjustment!"
constexpr ErrorCode kAlgorithmInvalid = 0xFF0101B2;       // "Algorithm selection is invalid!"
constexpr ErrorCode kLengthAlgorithmError = 0xFF0101B3;   // length determination

// The longest note a part track takes in one piece.
constexpr int kLongestPartNote = 384;
// Chords and notes per chord the repetition memory of a block holds.
constexpr int kRepetitionSlots = 256;
constexpr int kNoPreviousInterval = 256;
constexpr int kRestInterval = 257;
constexpr int kStepSequenceLength = 500;
constexpr int kLadderSize = 21;

using StepSequence = std::array<int, kStepSequenceLength>;

// The pitches before the note being chosen (0 = rest or none).
struct MelodyHistory {
    int previous = 0;
    int before = 0;
    int third = 0;
};

// Interval classes 0..7 → 0, 1, 3, 5, 6, 8, 10, 12 semitones (0 outside).
int IntervalOfClass(int intervalClass);
// Semitones (taken as their size) → diatonic steps.
int ToDiatonicStep(int semitones);
// 384 (4/4), 336 (7/8), 288 (3/4).
int BarLength();
// The middle of the part's range.
int PartMiddle(int part);

// Writes the part over the chord events of chords into out (cleared first):
// a chord event per chord, then notes and rests that fill the chord exactly.
// 1 on success (the writer completes every chord).
int GenerateMelodyPart(int part, const NoteList& chords, NoteList& out);

// ---- Algorithm 1: anchor points ----
struct AnchorPoints {
    int count = 0;  // 0 or 4
    double time[4] = {};
    double pitch[4] = {};
};
// The four points of a block whose chords add up to blockLength; none when
// the time span is too short for four distinct times.
AnchorPoints PickAnchorPoints(const ScaleString& firstWeights, int blockLength, int part);
// The Lagrange polynomial at t, truncated, its size taken and kept to 0..127;
// the middle of the part's range without points.
int AnchorPitchAt(const AnchorPoints& points, int t, int part);

// ---- Pitch functions ----
int AdjustPitchToWeight(int pitch, const ScaleString& weights, int length, int previousClass,
                        int previous, int flag, int part);
// Algorithm 6. limit: the length of the chord; length may be cut.
int ChooseMelodyPitch(const MelodyHistory& history, const ChordRecord& chord, int position,
                      int& length, int limit, int part);
int RandomWalkPitch(const MelodyHistory& history, const ChordRecord& chord,
                    const ScaleString& weights, bool firstOfChord, int part);
int NextFreePitch(int previous, int part);
int NextWalkPitch(const MelodyHistory& history, const ChordRecord& chord, int part);
// The 21-entry ladder of weight-8 pitches around the middle of the range.
std::array<int, kLadderSize> BuildScaleLadder(const ScaleString& weights, int part);
int ScaleLadderPitch(const ScaleString& weights, int step, int part);
int NextStepOfSequence(bool chordStart, int algorithm, int previousClass);
// 500 values of pink noise, each -10..10.
void BuildStepSequence(StepSequence& out);
// A split of a long note into two or three: the count written to pitches and
// lengths (1 = not split). The half-way pitch of a two-note split is the
// usable pitch (weight 1 or more) nearest the middle of previous and pitch.
int SplitIntoFigure(int pitch, int length, int previous, const ScaleString& weights, int part,
                    int pitches[3], int lengths[3]);
int MinorThirdCorrection(int pitch, const ChordRecord& chord);

// ---- Ending figures and voices ----
void WriteEndingRun(int part, int pitch, NoteList& out);
void WriteEndingTonic(int part, int pitch, NoteList& out);
void WriteCadenceFigure(int part, int pitch, NoteList& out);
void WriteEndingWalk(int part, int pitch, NoteList& out);
// The ending of a part by its ending method and part number; every variant
// closes on the tonic.
void WritePartEnding(int part, int pitch, NoteList& out);
// 12 in major, 9 in minor.
int TonicPitchClass();
int SecondVoiceOffset(int pitch, const ScaleString& weights, int voicing);
int VaryPitch(int pitch);
