// The working record of the tune being composed: the blocks with their time
// charts and per-block lists, the joined melody, second-melody and label
// lists, the block sequence and the chord sequence. There is one,
// ComposeInfo, for the whole run.
#pragma once

#include <cstdint>

#include "compose/chord_record.h"
#include "compose/note_list.h"
#include "core/utilities.h"

constexpr ErrorCode kNoMemoryForTimeChart = 0xFF010031;
constexpr int kTimeChartSlots = 256;  // chord lengths of a block, 0 ends them
constexpr int kMaxBlockSequence = 1024;
constexpr int kMaxChords = 1000;
extern const char* const kComposeInfoErrorText;

class ComposeInformation {
public:
    ComposeInformation();
    ~ComposeInformation();
    ComposeInformation(const ComposeInformation&) = delete;
    ComposeInformation& operator=(const ComposeInformation&) = delete;

    // Starts a composition attempt: an empty block sequence, empty per-block
    // chord lists and empty melody, second-melody and label lists.
    void Reset();
    // Appends a chord built from the entry with the number (0..99) as its
    // two-digit on-chord text. False, with nothing added, for a number out
    // of range or a full chord sequence (the latter shows ErrorMsg).
    bool AddChord(const HarmonyStructureEntry& entry, int number);
    void ClearChords();
    // Sum of the chord lengths in ticks.
    int TotalChordLength();
    static void ErrorMsg();

    // The block's time chart (256 ints), or nullptr when its buffer could not
    // be had or the block is outside 0..199.
    int* TimeChart(int block);

    std::int32_t blockCount = 0;
    MemoryBlock timeCharts[kMaxBlocks];
    NoteListArray blockChords{};
    NoteListArray blockMelodies{};
    NoteListArray blockSecondMelodies{};
    std::int32_t barCount = 0;
    NoteList melody;
    NoteList secondMelody;
    NoteList labels;
    std::int32_t blockSequence[kMaxBlockSequence] = {};
    ChordRecord* chords[kMaxChords] = {};
    std::int32_t chordCount = 0;
    std::int32_t blockSequenceLength = 0;
};

extern ComposeInformation ComposeInfo;
