#include "compose/melody_stages.h"

#include <algorithm>

#include "compose/chord_progression.h"
#include "compose/compose_info.h"
#include "compose/melody_pitch.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/style_table.h"

const InstrumentGroup kInstrumentGroups[kInstrumentGroupCount] = {
    {"Piano Group", 8, {0, 1, 2, 3, 4, 5, 6, 7}},
    {"Guitar Group", 5, {24, 25, 26, 27, 46}},
    {"Piano Guitar Group", 14, {0, 1, 2, 11, 4, 5, 6, 7, 24, 25, 26, 27, 30, 29}},
    {"Wind Group", 10, {65, 22, 53, 21, 61, 62, 63, 71, 79, 56}},
    {"Melody Line Group",
     18,
     {65, 22, 53, 21, 61, 62, 63, 71, 79, 56, 53, 68, 80, 81, 100, 75, 90, 82}},
    {"Hard Sound Group", 10, {8, 10, 11, 12, 15, 46, 98, 107, 108, 114}},
    {"Soft Sound Group", 8, {49, 52, 54, 89, 91, 94, 97, 102}},
    {"Electric Group", 6, {80, 21, 85, 87, 90, 100}},
    {"Acoustic Group", 9, {0, 24, 48, 56, 65, 75, 71, 22, 53}},
};

int KeyChangeMark[2] = {0, 0};

namespace {
// Failed attempts of one block before "Loop error" is shown.
constexpr int kAttemptsPerLoopMessage = 1000;
// Attempts of one block in all; the writer completes every chord, so this
// bound is never reached in practice.
constexpr int kMaxAttempts = 100000;
}  // namespace

int ResolveInstrumentGroup(int code, int part) {
    if (code < kFirstGroupCode) {
        if (part >= 0 && part < kStylePartSlots) return WorkingStyle.voice[part];
        return code;
    }
    if (code > kLastGroupCode) return code;
    const InstrumentGroup& group = kInstrumentGroups[code - kFirstGroupCode];
    return group.programs[RandomInRange(0, group.count - 1)];
}

bool ComposeMelodyBlocks(int part, NoteListArray& lists) {
    if (part < 0 || part >= kStylePartSlots) return true;
    int& repeatMode = WorkingStyle.melody[part].noteLength;
    const int saved = repeatMode;
    const int blocks = std::clamp<int>(ComposeInfo.blockCount, 0, kMaxBlocks);
    bool stopped = false;
    for (int i = 0; i < blocks && !stopped; ++i) {
        if (saved == 2 && i > blocks / 2) repeatMode = 1;
        AddProgressDot();
        if (!lists[i] || !ComposeInfo.blockChords[i]) continue;
        if (lists[i]->Count() < 0) ShowErrorMessage(kNoteCountInvalid);
        const NoteList& chords = *ComposeInfo.blockChords[i];
        int failures = 0;
        for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
            if (GenerateMelodyPart(part, chords, *lists[i]) == 1) break;
            if (ComposeStopRequest.load()) {
                stopped = true;
                break;
            }
            AddProgressDot();
            if (++failures == kAttemptsPerLoopMessage) {
                ShowInfoMessage(kMelodyLoopError);
                failures = 0;
            }
        }
    }
    repeatMode = saved;
    return !stopped;
}

int JoinBlockNoteLists(int /*kind*/, NoteListArray& lists, NoteList& out) {
    out.Clear();
    int last = 0;
    const int positions = std::clamp<int>(ComposeInfo.blockSequenceLength, 0, kMaxBlockSequence);
    for (int p = 0; p < positions; ++p) {
        const int b = ComposeInfo.blockSequence[p];
        if (b < 1 || b > kMaxBlocks) {
            ShowErrorMessage(kBlockNumberInvalid);
            continue;
        }
        for (int point = 0; point < 2; ++point)
            if (p == KeyChangeBlocks[point]) KeyChangeMark[point] = out.Count();
        if (!lists[b - 1]) continue;
        const NoteList& block = *lists[b - 1];
        for (int i = 0; i < block.Count(); ++i) {
            const NoteEvent& e = *block.Event(i);
            if (e.kind == note_kind::kChord) {
                out.AppendCopy(e);
            } else if (e.kind == note_kind::kValue) {
                out.AppendValue(e.length, e.value);
            } else {
                out.AppendNote(e.length, e.value);
                last = e.value;
            }
        }
    }
    ClearNoteListArray(lists);
    return last;
}

void ComposeMelodyEnding(int part, NoteList& out, int lastPitch) {
    NoteEvent* chord = out.AppendChord(nullptr);
    if (chord) {
        const char tonic[4] = {'C', 'M', 'P', 'S'};
        std::copy(tonic, tonic + 4, chord->chordCode);
        chord->numberText[0] = '0';
        chord->numberText[1] = '0';
    }
    const int chordIndex = out.Count() - 1;
    if (part < 0 || part >= kStylePartSlots) return;
    const MelodySettings& s = WorkingStyle.melody[part];
    if (lastPitch < 24 || lastPitch > 127) {
        const int base = TonicPitchClass() % 12;
        lastPitch = base + (s.lowerLimit + s.upperLimit) / 24 * 12 - 12;
        lastPitch = std::clamp(lastPitch, 0, 127);
    }
    if (WorkingStyle.chordGenerationMethod == 8) return;
    const int before = out.Count();
    WritePartEnding(part, lastPitch, out);
    // The closing chord lasts as long as the figure.
    int total = 0;
    for (int i = before; i < out.Count(); ++i)
        total += out.Event(i)->length;
    if (chord && chordIndex >= 0) out.Event(chordIndex)->length = total;
}

void ApplyKeyChanges(NoteList& list, bool chords) {
    if (WorkingStyle.transpose != 1) return;
    const int a = KeyChangeShift[0];
    const int b = KeyChangeShift[1];
    if (KeyChangeMark[0] != 0 && KeyChangeBlocks[0] != -1) {
        const int n = KeyChangeFirstChordNumber(0);
        const bool down = a + b > 12 && a < b;
        const int moves = down ? 12 - a : a;
        for (int i = 0; i < moves; ++i) {
            if (chords && n > 0) down ? TransposeChordsDownFrom(n) : TransposeChordsUpFrom(n);
            down ? list.TransposeDownFrom(KeyChangeMark[0])
                 : list.TransposeUpFrom(KeyChangeMark[0]);
        }
    }
    if (KeyChangeMark[1] != 0 && KeyChangeBlocks[1] != -1) {
        const int n = KeyChangeFirstChordNumber(1);
        for (int i = 0; i < b; ++i) {
            if (chords && n > 0) TransposeChordsUpFrom(n);
            list.TransposeUpFrom(KeyChangeMark[1]);
        }
    }
}

bool ComposePartList(int part, int kind, NoteList& out) {
    if (!ComposeMelodyBlocks(part, ComposeInfo.blockMelodies)) return false;
    const int last = JoinBlockNoteLists(kind, ComposeInfo.blockMelodies, out);
    NoteList ending;
    ComposeMelodyEnding(part, ending, last);
    out.AppendList(ending);
    ApplyKeyChanges(out, false);
    return true;
}
