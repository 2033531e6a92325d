#include "compose/compose_info.h"

const char* const kComposeInfoErrorText = "ComposeInformation::ErrorMsg";

ComposeInformation ComposeInfo;

ComposeInformation::ComposeInformation() {
    AllocateNoteListArray(blockChords);
    AllocateNoteListArray(blockMelodies);
    AllocateNoteListArray(blockSecondMelodies);
    for (MemoryBlock& chart : timeCharts) {
        chart = AllocZeroed(kTimeChartSlots * sizeof(int));
        if (!chart) ShowErrorMessage(kNoMemoryForTimeChart);
    }
}

ComposeInformation::~ComposeInformation() {
    ClearChords();
    for (MemoryBlock& chart : timeCharts)
        FreeBlock(chart);
    melody.Clear();
    secondMelody.Clear();
    labels.Clear();
    DeleteNoteListArray(blockChords);
    DeleteNoteListArray(blockMelodies);
    DeleteNoteListArray(blockSecondMelodies);
}

void ComposeInformation::Reset() {
    blockSequenceLength = 0;
    ClearNoteListArray(blockChords);
    melody.Clear();
    secondMelody.Clear();
    labels.Clear();
}

bool ComposeInformation::AddChord(const HarmonyStructureEntry& entry, int number) {
    if (number < 0 || number > 99) return false;
    if (chordCount >= kMaxChords) {
        ErrorMsg();
        return false;
    }
    const char text[2] = {static_cast<char>('0' + number / 10),
                          static_cast<char>('0' + number % 10)};
    chords[chordCount++] = new ChordRecord(entry, text);
    return true;
}

void ComposeInformation::ClearChords() {
    for (int i = 0; i < chordCount; ++i) {
        delete chords[i];
        chords[i] = nullptr;
    }
    chordCount = 0;
}

int ComposeInformation::TotalChordLength() {
    if (chordCount > kMaxChords) ErrorMsg();
    int n = chordCount < kMaxChords ? chordCount : kMaxChords;
    int total = 0;
    for (int i = 0; i < n; ++i)
        total += chords[i]->length;
    return total;
}

void ComposeInformation::ErrorMsg() {
    ShowErrorBox(kComposeInfoErrorText);
}

int* ComposeInformation::TimeChart(int block) {
    if (block < 0 || block >= kMaxBlocks || !timeCharts[block]) return nullptr;
    return reinterpret_cast<int*>(timeCharts[block].data());
}
