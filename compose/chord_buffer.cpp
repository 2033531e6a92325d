// The chord lists of a tune taken from the working style's harmony structure
// (custom chords, "Chord Generation Method" 8): four chords a block, the
// blocks played once each in order.
#include <cstring>

#include "compose/chord_progression.h"
#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "core/shell_services.h"
#include "style/style_table.h"

namespace {
constexpr int kChordsPerBlock = 4;
constexpr int kEntryBytes = static_cast<int>(sizeof(HarmonyStructureEntry));
constexpr int kMaxEntries = static_cast<int>(kHarmonyStructureBytes) / kEntryBytes;

// The copy of the harmony structure the lists are rebuilt from.
std::uint8_t ChordEditBuffer[kHarmonyStructureBytes];
}  // namespace

void LoadChordBufferFromStyle() {
    std::memcpy(ChordEditBuffer, WorkingStyle.harmonyStructure, sizeof ChordEditBuffer);
    ClearNoteListArray(ComposeInfo.blockChords);
    ComposeInfo.blockCount = 0;
    ComposeInfo.blockSequenceLength = 0;
    // Custom chords carry no key changes.
    for (int point = 0; point < 2; ++point) {
        KeyChangeBlocks[point] = -1;
        KeyChangeShift[point] = 0;
    }
    for (int i = 0; i < kMaxEntries; ++i) {
        HarmonyStructureEntry entry;
        std::memcpy(&entry, ChordEditBuffer + i * kEntryBytes, sizeof entry);
        if (entry.lengthHigh == 0 && entry.lengthLow == 0) break;
        if (i % kChordsPerBlock == 0) {
            if (ComposeInfo.blockCount >= kMaxBlocks ||
                ComposeInfo.blockSequenceLength >= kMaxBlockSequence)
                break;
            ++ComposeInfo.blockCount;
            ComposeInfo.blockSequence[ComposeInfo.blockSequenceLength++] = ComposeInfo.blockCount;
        }
        NoteList* list = ComposeInfo.blockChords[ComposeInfo.blockCount - 1];
        if (!list) continue;
        const ChordRecord chord(entry, nullptr);
        list->AppendChord(&chord);
    }
}
