// The chord lists of a tune taken from the working style's harmony structure
// (custom chords, "Chord Generation Method" 8) or from the chord file: four
// chords a block, the blocks played once each in order.
#include "compose/chord_buffer.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "compose/chord_progression.h"
#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "platform/paths.h"
#include "style/style_check.h"
#include "style/style_table.h"

std::uint8_t ChordEditBuffer[kHarmonyStructureBytes];
char ChordEditTranspose[kMaxChordEntries][2];
int ChordStepCount = 0;
ScaleString TuneScaleMask = {{'x', 'x', 'x', 'x', '9', '0', '9', '0', '9', '9', '0', '9', '0', '9',
                              '0', '9'}};

namespace {

constexpr int kEntryBytes = static_cast<int>(sizeof(HarmonyStructureEntry));

void ClearChordLists() {
    ClearNoteListArray(ComposeInfo.blockChords);
    ComposeInfo.blockCount = 0;
    ComposeInfo.blockSequenceLength = 0;
    ChordStepCount = 0;
}

bool LengthIsZero(const std::uint8_t* structure, int i) {
    return structure[i * kEntryBytes] == 0 && structure[i * kEntryBytes + 1] == 0;
}

HarmonyStructureEntry EntryAt(const std::uint8_t* structure, int i) {
    HarmonyStructureEntry entry;
    std::memcpy(&entry, structure + i * kEntryBytes, sizeof entry);
    return entry;
}

// Appends one chord, opening a new block at every fourth; 0 when the block
// table is full.
int AppendChordToLists(int index, const ChordRecord& chord) {
    if (index % kChordsPerBlock == 0) {
        if (ComposeInfo.blockCount >= kMaxBlocks ||
            ComposeInfo.blockSequenceLength >= kMaxBlockSequence)
            return 0;
        ++ComposeInfo.blockCount;
        ComposeInfo.blockSequence[ComposeInfo.blockSequenceLength++] = ComposeInfo.blockCount;
    }
    NoteList* list = ComposeInfo.blockChords[ComposeInfo.blockCount - 1];
    if (list) list->AppendChord(&chord);
    ChordStepCount += chord.length / kStepTicks;
    return 1;
}

// The on-bass text of an entry: none while it is blank.
const char* TransposeText(int i) {
    const char* t = ChordEditTranspose[i];
    return (t[0] == ' ' || t[0] == '\0') && (t[1] == ' ' || t[1] == '\0') ? nullptr : t;
}

}  // namespace

bool HasZeroEntry(const std::uint8_t* structure) {
    for (int i = 0; i <= kMaxChordEntries; ++i)
        if (LengthIsZero(structure, i)) return true;
    return false;
}

int BuildChordListsFromStyle() {
    ClearChordLists();
    for (int i = 0; i <= kMaxChordEntries; ++i) {
        if (LengthIsZero(WorkingStyle.harmonyStructure, i)) return 1;
        if (i == kMaxChordEntries) break;
        const ChordRecord chord(EntryAt(WorkingStyle.harmonyStructure, i), nullptr);
        if (!AppendChordToLists(i, chord)) break;
    }
    ShowErrorMessage(kChordEditingError);
    return 0;
}

int RebuildChordListsFromBuffer() {
    ClearChordLists();
    for (int i = 0; i <= kMaxChordEntries; ++i) {
        if (LengthIsZero(ChordEditBuffer, i)) return 1;
        if (i == kMaxChordEntries) break;
        const ChordRecord chord(EntryAt(ChordEditBuffer, i), TransposeText(i));
        if (!AppendChordToLists(i, chord)) return 1;
    }
    ShowErrorMessage(kInitializeEditingError);
    return 0;
}

void LoadChordBufferFromStyle() {
    std::memcpy(ChordEditBuffer, WorkingStyle.harmonyStructure, sizeof ChordEditBuffer);
    for (auto& text : ChordEditTranspose) {
        text[0] = ' ';
        text[1] = ' ';
    }
    // Custom chords carry no key changes.
    for (int point = 0; point < 2; ++point) {
        KeyChangeBlocks[point] = -1;
        KeyChangeShift[point] = 0;
    }
    RebuildChordListsFromBuffer();
}

std::vector<NoteEvent> ChordProgression() {
    std::vector<NoteEvent> chords;
    for (int b = 0; b < ComposeInfo.blockCount && b < kMaxBlocks; ++b) {
        const NoteList* list = ComposeInfo.blockChords[b];
        if (!list) continue;
        for (int i = 0; i < list->Count(); ++i)
            chords.push_back(*list->Event(i));
    }
    return chords;
}

int SetChordProgression(const std::vector<NoteEvent>& chords) {
    if (static_cast<int>(chords.size()) > kMaxChordEntries) {
        ShowErrorMessage(kChordsTooManyError);
        return 0;
    }
    ClearChordLists();
    for (std::size_t i = 0; i < chords.size(); ++i) {
        if (i % kChordsPerBlock == 0) {
            ++ComposeInfo.blockCount;
            ComposeInfo.blockSequence[ComposeInfo.blockSequenceLength++] = ComposeInfo.blockCount;
        }
        NoteList* list = ComposeInfo.blockChords[ComposeInfo.blockCount - 1];
        if (list) list->AppendCopy(chords[i]);
        ChordStepCount += chords[i].length / kStepTicks;
    }
    return 1;
}

int WriteChordEntriesToStyle(MusicStyle& style) {
    const std::vector<NoteEvent> chords = ChordProgression();
    if (static_cast<int>(chords.size()) > kMaxChordEntries) {
        ShowErrorMessage(kChordsTooManyError);
        return 0;
    }
    std::uint8_t* out = style.harmonyStructure;
    for (const NoteEvent& c : chords) {
        const int length = std::clamp(c.length, 0, 0xFFFF);
        out[0] = static_cast<std::uint8_t>(length >> 8);
        out[1] = static_cast<std::uint8_t>(length & 0xFF);
        std::memcpy(out + 2, c.chordCode, 4);
        out += kEntryBytes;
    }
    out[0] = 0;
    out[1] = 0;
    return 1;
}

int WriteChordListsToStyle(MusicStyle& style, int beatsPerBar) {
    if (!WriteChordEntriesToStyle(style)) return 0;
    std::memcpy(TuneScaleMask.text, kMajorScaleNotes, sizeof TuneScaleMask.text);
    const int beats = std::max(1, beatsPerBar);
    style.tuneLength = ChordStepCount / beats + (ChordStepCount % beats ? 1 : 0);
    return 1;
}

int SaveChordFile(const std::string& folder) {
    if (!WriteChordEntriesToStyle(WorkingStyle)) return 0;
    const std::string path = folder + "/" + kChordFileName;
    if (!platform::ReplaceFileContents(path, WorkingStyle.harmonyStructure,
                                       sizeof WorkingStyle.harmonyStructure)) {
        ShowErrorMessage(kChordFileError);
        return 0;
    }
    return 1;
}

std::string ChordFileFault(std::span<const std::uint8_t> bytes) {
    for (int i = 0; i <= kMaxChordEntries; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * kEntryBytes;
        if (at + 2 > bytes.size()) return "it ends before its list of chords does";
        if (bytes[at] == 0 && bytes[at + 1] == 0) return {};
        if (i == kMaxChordEntries) break;
        const std::string number = "chord " + std::to_string(i + 1);
        if (at + kEntryBytes > bytes.size()) return number + " is cut off";
        const char* code = reinterpret_cast<const char*>(bytes.data() + at + 2);
        if (IsChordCodeText(code)) continue;
        std::string shown;
        for (int k = 0; k < 4; ++k)
            shown += code[k] > 0x20 && code[k] < 0x7F ? code[k] : '?';
        return number + " (\"" + shown + "\") is not a chord";
    }
    return "it holds more than " + std::to_string(kMaxChordEntries) + " chords";
}

int LoadChordFile(const std::string& folder) {
    const std::string path = folder + "/" + kChordFileName;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ShowErrorMessage(kChordFileError);
        return 0;
    }
    // Up to 4096 bytes; each chord up to the end entry must lie in them.
    std::uint8_t bytes[kHarmonyStructureBytes];
    file.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(sizeof bytes));
    const auto got = static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0));
    const std::string fault = ChordFileFault(std::span(bytes, got));
    if (!fault.empty()) {
        std::string text = "\"";
        text.append(kChordFileName).append("\" can not be loaded: ").append(fault).append(".");
        ShowErrorBox(text);
        return 0;
    }
    // A shorter file leaves the style's bytes after its end entry.
    std::memcpy(WorkingStyle.harmonyStructure, bytes, got);
    LoadChordBufferFromStyle();
    return 1;
}
