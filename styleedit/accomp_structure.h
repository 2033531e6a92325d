// The rows of the two accompaniment structure editors ("Harmony Structure":
// obbligato, main and sub harmony; "Rhythm Structure": bass, main and sub
// drums) without their window: what each row edits, its steppers, the names
// it shows and what follows its pattern chooser. Every change goes into the
// style record handed in.
#pragma once

#include <array>
#include <string>

#include "style/music_style.h"

enum class StructureEditor { kHarmony, kRhythm };

struct StructureRow {
    const char* caption;         // the row caption
    const char* patternCaption;  // the caption of its pattern region
    int part;                    // the style part (voice, pattern field, PatternPart)
    int kind;                    // the PartKind naming its voice
    // The InstrumentChoiceMode of its chooser; it also names the stepper:
    // melodic voices step through 0..119, wrapping at both ends, the drum
    // set and sub-drum rows through their voice tables.
    int chooserMode;
};
constexpr int kStructureRowCount = 3;
using StructureRows = std::array<StructureRow, kStructureRowCount>;
const StructureRows& RowsOf(StructureEditor editor);

// The two names a row shows.
struct RowNames {
    std::string instrument;
    std::string pattern;
};

constexpr int kMelodicVoiceLast = 119;
// The generation method of the sub melody that has melody settings of its own.
constexpr int kCustomSubMelodyMethod = 7;
// The rhythm pattern that plays the drum creator's values.
constexpr int kCreatedRhythmPattern = 27;

// Moves the row's voice by step (0 brings it into the stepper's range) and
// gives the name to show: the instrument's name, or for the drum rows the
// table entry's name.
std::string StepRowVoice(MusicStyle& style, const StructureRow& row, int step);
// Moves the row's pattern code by step through its table, wrapping (a code
// missing from the table counts as the position after the last), and gives
// the entry's name; a row not in use (voice 256) changes nothing and shows
// "---".
std::string StepRowPattern(MusicStyle& style, const StructureRow& row, int step);
// A press on one of the row's steppers, with the names it leaves: an
// instrument step shows the pattern again with step 0; a pattern step of
// the obbligato row shows its instrument again with step 0.
void PressRowStepper(MusicStyle& style, const StructureRow& row, bool pattern, int step,
                     RowNames& names);
// What opening shows: "---" twice for a row not in use; otherwise both
// steppers run with step 0, bringing the row's values into their ranges.
RowNames OpenRow(MusicStyle& style, const StructureRow& row);
// The names of the row as stored, changing nothing (after a chooser): the
// part's instrument name and its pattern's name (the table's first entry's
// for a code it lacks, "---" when the row is not in use).
RowNames ShownRow(const MusicStyle& style, const StructureRow& row);

// What a pattern chooser of the part leads to, by the code it left.
enum class PatternFollowUp {
    kNone,
    kHarmonyGrid,     // the step editor on the harmony grids
    kSubHarmonyGrid,  // ... the sub-harmony grids
    kRhythmGrid,      // ... the drum grids
    kBassGrid,        // ... the bass grids
    kDrumCreator,     // the drum pattern creator
    kObbligatoMelody, // the obbligato's melody settings
};
PatternFollowUp FollowUpOf(const MusicStyle& style, int part);
