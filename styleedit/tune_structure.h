// The tune-wide settings of a style as rows of a structure editor: its name,
// tempo, length in bars, key, metre, scale, chord progression and basic
// beat. Each row steps its value (tempo and bars clamped, choices wrapped)
// and names it; a step of 0 only normalises what the row cannot show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/reporters.h"
#include "style/music_style.h"
#include "styleedit/choice_row.h"

constexpr ErrorCode kTuneTempoMissingError = 0xFF01001E;  // "can't add tempo information!"
constexpr ErrorCode kChordInputSevenEightError =
    0xFF010142;  // "You can not use this function with 7/8!"

// The rows, in the editor's order.
enum TuneRow : int {
    kTuneRowName = 1,
    kTuneRowTempo,
    kTuneRowBars,
    kTuneRowKey,
    kTuneRowTimeSignature,
    kTuneRowScale,
    kTuneRowChordProgression,
    kTuneRowBasicBeat,
};
constexpr int kTuneRowCount = 8;

constexpr std::int32_t kTuneDefaultTempo = 750000;  // 80 beats a minute
constexpr int kTuneBpmLowest = 30;
constexpr int kTuneBpmHighest = 240;
constexpr int kTuneBarsLowest = 16;
constexpr int kTuneBarsHighest = 96;

constexpr int kTimeSignature44 = 0;
constexpr int kTimeSignature78 = 2;
constexpr int kBasicBeatPlain = 0;  // "8 Beats/16 Beats"
constexpr int kMethodKnowledgeBase = 0;
constexpr int kMethodCustom = 8;
constexpr int kScaleCustom = 11;

// The choosers' lists, in their order.
extern const ChoiceRow kTuneKeyChoices;
extern const ChoiceRow kTuneTimeChoices;         // 3/4, 4/4, 7/8
extern const ChoiceRow kTuneTripletTimeChoices;  // 3/4, 4/4: no 7/8 under triplets
extern const ChoiceRow kTuneBasicBeatChoices;
extern const ChoiceRow kTuneScaleChoices;
extern const ChoiceRow kTuneMethodChoices;
extern const ChoiceRow kTuneProgressionChoices;

// Whole beats a minute of a tempo in microseconds a quarter, in integers:
// 750000 is 80. The tempo must be 1000 or more in size.
int TuneBpm(std::int32_t tempo);
// The tempo of whole beats a minute: 70 is 857000.
std::int32_t TuneTempoOfBpm(int bpm);
// A tempo whose beats a minute cannot be reckoned (inside -999..999, 0
// among them).
bool TuneTempoMissing(std::int32_t tempo);

// "Basic Beat" 3 or 1: a triplet feel, which refuses 7/8.
bool HasTripletFeel(const MusicStyle& style);
// The time signatures the chooser offers for the style's basic beat.
const ChoiceRow& TimeSignatureChoices(const MusicStyle& style);

// Steps a row's value by step (-1, 0, +1) and stores it. A step of 0 stores
// only a value the row cannot show: a tempo or length outside its bounds, a
// choice missing from its table (which becomes the table's first). A tempo
// that cannot be reckoned is reported and replaced by 750000 first. The
// name row has no stepper.
void StepTuneRow(MusicStyle& style, int row, int step);
// Every row but the name refreshed with a step of 0.
void RefreshTuneRows(MusicStyle& style);

// The value text a row shows ("80 bpm", "32 bars", "Custom / ---" ...).
std::string TuneRowText(const MusicStyle& style, int row);
// The caption of a row.
const char* TuneRowCaption(int row);
