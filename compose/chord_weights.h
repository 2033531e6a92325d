// Chord and scale weights: which pitches are usable over a chord in the
// working style's scale and key, the steps that move pitches until they are,
// the per-part range folding, the tension choice and the tempo classes.
//
// A weight string is a ScaleString: four letters, then one digit '0'..'9' per
// pitch class from C.
#pragma once

#include "style/music_style.h"

class ChordRecord;

constexpr int kFullWeight = 9;
constexpr int kUsableWeight = 5;      // usable over a chord
constexpr int kKeyScaleWeight = 5;    // the key-scale step stops here
constexpr int kChordScaleWeight = 8;  // the chord record's scale step stops here
constexpr int kBluesWeight = 6;       // the blues step stops here

// Digit 0..9 of a pitch class (any pitch, negative ones included); a
// character outside '0'..'9' counts as 0.
int WeightOf(const ScaleString& weights, int pitch);

// The scale row of "Scale" for the working style's "Key" (1 major, any other
// minor), rotated up by its key offset unless it begins with "REM".
void GetScaleWeights(int scale, ScaleString& out);
// Rotates the digits up by semitones (any integer, taken modulo 12) and
// moves a root letter in front with them; "x" stays.
void TransposeWeights(ScaleString& weights, int semitones);
// The digits rotated up one semitone or n semitones; the letters are copied.
void RotateWeightsUp(ScaleString& out, const ScaleString& in);
void RotateWeightsBy(ScaleString& out, const ScaleString& in, int n);

// Copies the code's 16-character entry of the chord weight table; a code the
// table does not hold leaves out as it was. Answered from the table's index.
void LookUpChordWeights(const char code[4], ScaleString& out);
// The same answer found by reading the table text token by token.
void ScanChordWeightTable(const char code[4], ScaleString& out);

// The chord's weights in the working style's scale and key. A code without a
// root letter ("NoCd") gives the scale string; a code the table does not hold
// has its entry built from its letters.
void GetChordScaleWeights(const char code[4], ScaleString& out);
// Combines chord weights C with scale weights S (scales 1 and 7 first try S
// rotated up 5, then 7, when S does not cover the chord).
void CombineWeights(ScaleString& out, const ScaleString& chord, const ScaleString& scale);
// False when a pitch class weighs 9 in the chord and below 5 in the scale.
bool ScaleCoversChord(const ScaleString& scale, const ScaleString& chord);

bool IsPitchUsableOverChord(int pitch, const char code[4]);
// 73..84: a pitch class of full weight over the chord (at most 1000 draws).
int RandomChordScalePitch(const char code[4]);
// A random pitch class among those of the highest digit.
int RandomTopWeightPitch(const ScaleString& weights);

// Steps of at most 12 moves towards a pitch whose chord-scale digit reaches
// the threshold; 0 for a pitch below 1. Results stay in 0..127.
int StepPitchToChordWeight(const ChordRecord& chord, int pitch, int step, int threshold);
int StepPitchToChordWeightInRange(const ChordRecord& chord, int pitch, int step, int threshold,
                                  int part);
// Moves the pitch while its "Scale Notes" digit is below 5, stopping at 0 and
// 127.
int StepPitchToKeyScale(int pitch, int step);
// The first pitch from the given one on (by step, at most 12 steps) that
// weighs 6 or more over "CMPs", plus one further step; within 0..127.
int StepPitchToC7Scale(int pitch, int step);

// Range of a style part (1..9) from its melody settings. A part outside the
// table has no range.
bool IsInPartRange(int pitch, int part);
bool ClampToPartRange(int& pitch, int part);
// Brings a pitch of 1 or more into the part's range: by octaves in a range
// wider than 19 semitones, else by random steps of 1 to 3.
void FoldIntoPartRange(int part, int& pitch);

bool IsFlatDegree(int pitch);
// The tension of the part (1 blue note, 2 jazz) applied to a pitch.
int ApplyTension(int pitch, int flag, const ChordRecord& chord, int previousPitch, int length,
                 int part);

int TempoToClass(int bpm);
int ClassToTempo(int tempoClass);
// A part's density (100 = medium) as its rest-note class 1 (fewest rests,
// dense) to 8 (most rests), and a class back as the density it stands for;
// a class outside 1..8 gives 100. The bands are those of the tempo classes.
int DensityToRestClass(int density);
int RestClassToDensity(int restClass);
