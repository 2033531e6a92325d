#include "compose/melody_stages.h"

#include <algorithm>

#include "compose/chord_progression.h"
#include "compose/chord_weights.h"
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
bool InConvertMode() {
    return PanelMode.load() == kPanelModeConvert;
}

// Attempts of one block before the melody is given up with "Loop error".
constexpr int kMaxAttempts = 1000;
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
    bool failed = false;
    for (int i = 0; i < blocks && !failed; ++i) {
        if (saved == 2 && i > blocks / 2) repeatMode = 1;
        AddProgressDot();
        if (!lists[i] || !ComposeInfo.blockChords[i]) continue;
        if (lists[i]->Count() < 0) ShowErrorMessage(kNoteCountInvalid);
        const NoteList& chords = *ComposeInfo.blockChords[i];
        bool written = false;
        for (int attempt = 0; attempt < kMaxAttempts && !written; ++attempt) {
            written = GenerateMelodyPart(part, chords, *lists[i]) == 1;
            if (written) break;
            if (ComposeStopRequest.load()) break;
            AddProgressDot();
        }
        if (!written && !ComposeStopRequest.load()) ShowInfoMessage(kMelodyLoopError);
        failed = !written;
    }
    repeatMode = saved;
    return !failed;
}

int JoinBlockNoteLists(int kind, NoteListArray& lists, NoteList& out) {
    out.Clear();
    if (InConvertMode()) {
        // A style conversion writes the parts from the analysed tune.
        bool converted = true;
        if ((kind == 1 && AppSettings.UseOriginalMelody != 0) || kind == 5)
            out.CopyFrom(ConvertedMelodyNotes);
        else if (kind == 4 && UseConvertedObbligato.load() != 0)
            FitObbligatoToChords(out, ConvertedObbligatoNotes);
        else if (kind == 6)
            DeriveSecondMelodyFromNotes(out, ConvertedMelodyNotes);
        else
            converted = false;
        if (converted) {
            ClearNoteListArray(lists);
            return 0;
        }
    }
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

// ---- Second melody and the notes of a converted tune ----

NoteList ConvertedMelodyNotes;
NoteList ConvertedObbligatoNotes;
std::atomic<int> UseConvertedObbligato{0};

namespace {

// Pitches searched at most for a second-melody note: two octaves.
constexpr int kSecondVoiceSearch = 24;

// Walks the tune's chord sequence along a list: the chord sounding at a
// time, and whether a note is the first to start under it.
class ChordCursor {
public:
    const ChordRecord* At(long long time) {
        const int count = std::clamp<int>(ComposeInfo.chordCount, 0, kMaxChords);
        while (index_ < count) {
            const ChordRecord* c = ComposeInfo.chords[index_];
            if (c && c->length > 0 && time < start_ + c->length) return c;
            if (c) start_ += std::max<int>(c->length, 0);
            ++index_;
        }
        return nullptr;
    }
    // True once per chord: for the first note asked about under it.
    bool FirstUnder() {
        if (seen_ == index_) return false;
        seen_ = index_;
        return true;
    }

private:
    int index_ = 0;
    long long start_ = 0;
    int seen_ = -1;
};

bool IsTriadTone(const ChordRecord& chord, int pitch) {
    const int pc = pitch % 12;
    return (chord.root && chord.root % 12 == pc) || (chord.third && chord.third % 12 == pc) ||
           (chord.fifth && chord.fifth % 12 == pc);
}

int DistanceClass(int a, int b) {
    const int d = (a > b ? a - b : b - a) % 12;
    return std::min(d, 12 - d);
}

// The second-voice pitch of every note of list into out; chords pass through
// and set the weights, values pass through.
void RewriteAsSecondVoice(const NoteList& list, NoteList& out, int voicing) {
    ScaleString weights{};
    GetChordScaleWeights("CMPS", weights);
    for (int i = 0; i < list.Count(); ++i) {
        const NoteEvent& e = *list.Event(i);
        if (e.kind == note_kind::kChord) {
            out.AppendCopy(e);
            GetChordScaleWeights(e.chordCode, weights);
        } else if (e.kind == note_kind::kNote) {
            out.AppendNote(e.length, SecondVoiceOffset(e.value, weights, voicing));
        } else {
            out.AppendCopy(e);
        }
    }
}

}  // namespace

bool ComposeSecondMelodyBlocks(int part) {
    if (part < 0 || part >= kStylePartSlots) return true;
    const int voicing = WorkingStyle.melody[part].voicing;
    const int blocks = std::clamp<int>(ComposeInfo.blockCount, 0, kMaxBlocks);
    for (int b = 0; b < blocks; ++b) {
        if (ComposeStopRequest.load() == 1) return false;
        if (!ComposeInfo.blockMelodies[b] || !ComposeInfo.blockSecondMelodies[b]) continue;
        ComposeInfo.blockSecondMelodies[b]->Clear();
        RewriteAsSecondVoice(*ComposeInfo.blockMelodies[b], *ComposeInfo.blockSecondMelodies[b],
                             voicing);
    }
    return true;
}

void DeriveSecondMelodyEnding(const NoteList& ending, NoteList& out, int lastPitch, int part) {
    (void)lastPitch;
    if (WorkingStyle.chordGenerationMethod == 8) return;
    if (part < 0 || part >= kStylePartSlots) return;
    // The ending figure is the melody's, so the second voice follows it note
    // for note whatever the ending method: both parts close together.
    RewriteAsSecondVoice(ending, out, WorkingStyle.melody[part].voicing);
}

void FitObbligatoToChords(NoteList& out, const NoteList& notes) {
    out.Clear();
    const bool keep = InConvertMode() && AppSettings.UseOriginalMelody != 0;
    ChordCursor cursor;
    long long time = 0;
    for (int i = 0; i < notes.Count(); ++i) {
        const NoteEvent& e = *notes.Event(i);
        if (e.kind != note_kind::kNote) {
            out.AppendCopy(e);
            continue;
        }
        if (e.length == 0) ShowErrorMessage(kObbligatoLengthError);
        int pitch = e.value;
        const ChordRecord* chord = cursor.At(time);
        const bool first = cursor.FirstUnder();
        if (chord && pitch > 0 && first && !keep && chord->root) {
            int moved = pitch;
            for (int step = 0; step < 12 && !IsTriadTone(*chord, moved); ++step)
                ++moved;
            if (IsTriadTone(*chord, moved)) pitch = moved;
            if (pitch - e.value > 24) pitch -= 12;
            if (e.value - pitch > 24) pitch += 12;
        }
        out.AppendNote(e.length, std::clamp(pitch, 0, 127));
        time += std::max(e.length, 0);
    }
}

void DeriveSecondMelodyFromNotes(NoteList& out, const NoteList& notes) {
    out.Clear();
    ChordCursor cursor;
    long long time = 0;
    int noteIndex = 0;
    int previousMelody = 0;
    int previousResult = 0;
    for (int i = 0; i < notes.Count(); ++i) {
        const NoteEvent& e = *notes.Event(i);
        if (e.kind != note_kind::kNote) {
            out.AppendCopy(e);
            continue;
        }
        const int melody = e.value;
        const ChordRecord* chord = cursor.At(time);
        const bool first = cursor.FirstUnder();
        int result = 0;
        if (melody > 12 && chord && chord->root) {
            int p = noteIndex < 3 ? melody - 6 : previousResult;
            p = std::clamp(p, 0, 127);
            const int step = melody > previousMelody && previousMelody > 0 ? -1 : 1;
            bool found = false;
            // A chord with only a root may never give a tone far enough from
            // the melody: the search covers two octaves at most.
            for (int n = 0; n <= kSecondVoiceSearch; ++n) {
                const bool tone = first ? IsTriadTone(*chord, p) : chord->IsChordTone(p);
                if ((tone && DistanceClass(p, melody) >= 3) || p <= 0) {
                    found = true;
                    break;
                }
                p = std::clamp(p + step, 0, 127);
            }
            if (found && p > 0) {
                for (int guard = 0; guard < 11 && p >= melody; ++guard)
                    p -= 12;
                for (int guard = 0; guard < 11 && p < melody - 24; ++guard)
                    p += 12;
                result = std::clamp(p, 0, 127);
            }
        }
        out.AppendNote(e.length, result);
        if (result > 0) previousResult = result;
        previousMelody = melody;
        ++noteIndex;
        time += std::max(e.length, 0);
    }
}
