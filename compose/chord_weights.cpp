#include "compose/chord_weights.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "compose/chord_record.h"
#include "compose/knowledge_text.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

int PositiveMod12(int value) {
    int m = value % 12;
    return m < 0 ? m + 12 : m;
}

struct ScaleRow {
    int scale;
    const char* major;
    const char* minor;  // nullptr: as major
};

// The scale rows by "Scale"; 11 is the style's own "Scale Notes" and any
// value not listed serves as 1.
constexpr ScaleRow kScaleRows[] = {
    {1, "xxxx919299192929", "xxxx919295555929"},
    {2, "xxxx900099090009", nullptr},
    {3, "xxxx900099090009", nullptr},
    {4, "xxxx909009090900", nullptr},
    {5, "xxxx909909099009", nullptr},
    {6, "xxxx919959199595", "xxxx919957777595"},
    {7, "xxxx929299292929", "xxxx929295555929"},
    {8, "xxxx959398696897", nullptr},
    {9, "xxxx009090090909", nullptr},
    {10, "xxxx990099099009", nullptr},
    {12, "xxxx909090909090", nullptr},
    {13, "xxxx990009099000", nullptr},
    {14, "xxxx909099909099", nullptr},
    {15, "xxxx990099099009", nullptr},
    {16, "xxxx900990990990", nullptr},
    {17, "xxxx909099090990", nullptr},
    {18, "xxxx909090990909", nullptr},
    {19, "xxxx990990990990", nullptr},
    {20, "xxxx909900000099", nullptr},
    {21, "xxxx909099009909", nullptr},
    {22, "xxxx990909090909", "xxxx909099009990"},
    {24, "xxxx990090909099", nullptr},
};
constexpr int kOwnScale = 11;
constexpr int kMajorKey = 1;

// Scales whose chords may borrow the scale a fourth or a fifth up.
bool RotatesForChords(int scale) {
    return scale == 1 || scale == 7;
}

void CopyWeights(ScaleString& out, const char* text) {
    std::memcpy(out.text, text, sizeof out.text);
}

// The style's "Scale Notes" with every digit position that holds no digit
// read as '0'.
void OwnScaleNotes(ScaleString& out) {
    CopyWeights(out, WorkingStyle.scaleNotes);
    for (int i = 4; i < 16; ++i)
        if (out.text[i] < '0' || out.text[i] > '9') out.text[i] = '0';
}

const char* ScaleRowText(int scale, bool major) {
    const ScaleRow* row = &kScaleRows[0];
    for (const ScaleRow& r : kScaleRows)
        if (r.scale == scale) row = &r;
    return major || !row->minor ? row->major : row->minor;
}

const MelodySettings* PartSettings(int part) {
    if (part < 0 || part >= kStylePartSlots) return nullptr;
    return &WorkingStyle.melody[part];
}

int PitchClassWeight(const ScaleString& weights, int pc) {
    char c = weights.text[4 + pc];
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

constexpr int kMaxRandomDraws = 1000;

// One step of more than 128 semitones leaves the keys from any key, as one of
// 128 does, so larger steps are taken as 128 and the sums cannot overflow.
int BoundedStep(int step) {
    return std::clamp(step, -128, 128);
}

}  // namespace

int WeightOf(const ScaleString& weights, int pitch) {
    return PitchClassWeight(weights, PositiveMod12(pitch));
}

void GetScaleWeights(int scale, ScaleString& out) {
    if (scale == kOwnScale) {
        OwnScaleNotes(out);
    } else {
        CopyWeights(out, ScaleRowText(scale, WorkingStyle.key == kMajorKey));
    }
    int offset = WorkingStyle.keyOffset;
    if (offset != 0 && std::memcmp(out.text, "REM", 3) != 0)
        TransposeWeights(out, PositiveMod12(offset + 24));
}

void TransposeWeights(ScaleString& weights, int semitones) {
    int n = PositiveMod12(semitones);
    ScaleString rotated;
    RotateWeightsBy(rotated, weights, n);
    for (int i = 0; i < n; ++i)
        rotated.text[0] = RootUpSemitone(rotated.text[0]);
    weights = rotated;
}

void RotateWeightsUp(ScaleString& out, const ScaleString& in) {
    RotateWeightsBy(out, in, 1);
}

void RotateWeightsBy(ScaleString& out, const ScaleString& in, int n) {
    ScaleString result;
    std::memcpy(result.text, in.text, 4);
    int shift = PositiveMod12(n);
    for (int pc = 0; pc < 12; ++pc)
        result.text[4 + (pc + shift) % 12] = in.text[4 + pc];
    out = result;
}

void LookUpChordWeights(const char code[4], ScaleString& out) {
    // Only BuildChordCodeTable writes the table, so a code outside its index
    // is not in it, and every other code sits at a fixed place. A table that
    // was cleared or changed is read the slow way instead.
    int index = ChordTableIndex(code);
    if (index < 0) return;
    const char* entry = ChordWeightTable + index * kChordTableEntrySize;
    if (SameChordCode(entry, code)) {
        CopyWeights(out, entry);
        return;
    }
    ScanChordWeightTable(code, out);
}

void ScanChordWeightTable(const char code[4], ScaleString& out) {
    char token[64];
    int length = 0, position = 0;
    // Each token consumes at least its '|', so the scan ends at the table's
    // end.
    for (;;) {
        bool atEnd = ReadKnowledgeToken(ChordWeightTable, token, sizeof token, length, position);
        if (length >= 16 && SameChordCode(token, code)) {
            CopyWeights(out, token);
            return;
        }
        if (atEnd) return;
    }
}

void GetChordScaleWeights(const char code[4], ScaleString& out) {
    ScaleString scale;
    GetScaleWeights(WorkingStyle.scale, scale);
    if (!IsRootLetter(code[0])) {
        out = scale;
        return;
    }
    ScaleString chord;
    std::memset(chord.text, 0, sizeof chord.text);
    LookUpChordWeights(code, chord);
    // Codes the table leaves out (no third, no fifth) weigh by their
    // letters, so their root and tones stay usable.
    if (chord.text[0] == '\0') BuildChordWeightEntry(code, chord.text);
    CombineWeights(out, chord, scale);
}

void CombineWeights(ScaleString& out, const ScaleString& chord, const ScaleString& scale) {
    ScaleString s = scale;
    if (RotatesForChords(WorkingStyle.scale) && !ScaleCoversChord(s, chord)) {
        ScaleString rotated;
        RotateWeightsBy(rotated, scale, 5);
        if (ScaleCoversChord(rotated, chord)) {
            s = rotated;
        } else {
            RotateWeightsBy(rotated, scale, 7);
            if (ScaleCoversChord(rotated, chord)) s = rotated;
        }
    }
    ScaleString result;
    std::memcpy(result.text, chord.text, 4);
    for (int pc = 0; pc < 12; ++pc) {
        char sc = s.text[4 + pc];
        int combined = PitchClassWeight(chord, pc) + PitchClassWeight(s, pc) - 4;
        result.text[4 + pc] =
            sc == '0' ? '0' : static_cast<char>('0' + std::clamp(combined, 0, kFullWeight));
    }
    out = result;
}

bool ScaleCoversChord(const ScaleString& scale, const ScaleString& chord) {
    for (int pc = 0; pc < 12; ++pc)
        if (chord.text[4 + pc] == '9' && scale.text[4 + pc] < '5') return false;
    return true;
}

bool IsPitchUsableOverChord(int pitch, const char code[4]) {
    ScaleString weights;
    GetChordScaleWeights(code, weights);
    return WeightOf(weights, pitch) >= kUsableWeight;
}

int RandomChordScalePitch(const char code[4]) {
    ScaleString weights;
    GetChordScaleWeights(code, weights);
    int draw = 12;
    for (int i = 0; i < kMaxRandomDraws; ++i) {
        draw = RandomInRange(1, 12);
        if (WeightOf(weights, draw) == kFullWeight) break;
    }
    return draw + 72;
}

int RandomTopWeightPitch(const ScaleString& weights) {
    int top = 0;
    for (int pc = 0; pc < 12; ++pc)
        top = std::max(top, PitchClassWeight(weights, pc));
    for (int i = 0; i < kMaxRandomDraws; ++i) {
        int pc = RandomInRange(0, 11);
        if (PitchClassWeight(weights, pc) == top) return pc;
    }
    for (int pc = 0; pc < 12; ++pc)
        if (PitchClassWeight(weights, pc) == top) return pc;
    return 0;
}

int StepPitchToChordWeight(const ChordRecord& chord, int pitch, int step, int threshold) {
    if (pitch < 1) return 0;
    ScaleString weights;
    GetChordScaleWeights(chord.code.text, weights);
    int p = std::min(pitch, 127);
    step = BoundedStep(step);
    for (int move = 0; move < 12 && WeightOf(weights, p) < threshold; ++move) {
        int next = p + step;
        if (next < 0 || next > 127) break;
        p = next;
    }
    return p;
}

int StepPitchToChordWeightInRange(const ChordRecord& chord, int pitch, int step, int threshold,
                                  int part) {
    if (pitch <= 0) return 0;
    int magnitude = std::abs(BoundedStep(step));
    int up = StepPitchToChordWeight(chord, pitch, magnitude, threshold);
    if (IsInPartRange(up, part)) return up;
    int down = StepPitchToChordWeight(chord, pitch, -magnitude, threshold);
    if (IsInPartRange(down, part)) return down;
    return std::min(pitch, 127);
}

int StepPitchToKeyScale(int pitch, int step) {
    if (pitch < 1) return 0;
    ScaleString notes;
    OwnScaleNotes(notes);
    int p = std::min(pitch, 127);
    if (step == 0) return p;
    step = BoundedStep(step);
    // Each move changes the pitch until an edge stops it, so 128 moves are
    // more than enough.
    for (int move = 0; move < 128 && WeightOf(notes, p) < kKeyScaleWeight; ++move) {
        p = std::clamp(p + step, 0, 127);
        if (p == 0 || p == 127) break;
    }
    return p;
}

int StepPitchToC7Scale(int pitch, int step) {
    ScaleString weights;
    GetChordScaleWeights("CMPs", weights);
    int p = std::clamp(pitch, 0, 127);
    step = BoundedStep(step);
    int found = p;
    for (int move = 0; move <= 12; ++move) {
        int candidate = p + move * step;
        if (WeightOf(weights, candidate) >= kBluesWeight) {
            found = candidate;
            break;
        }
    }
    return std::clamp(found + step, 0, 127);
}

bool IsInPartRange(int pitch, int part) {
    if (pitch <= 0) return true;
    const MelodySettings* settings = PartSettings(part);
    if (!settings) return true;
    return settings->lowerLimit <= pitch && pitch <= settings->upperLimit;
}

bool ClampToPartRange(int& pitch, int part) {
    if (pitch < 12 || pitch > 127) {
        pitch = 0;
        return true;
    }
    return IsInPartRange(pitch, part);
}

void FoldIntoPartRange(int part, int& pitch) {
    if (pitch < 1) return;
    const MelodySettings* settings = PartSettings(part);
    int p = std::min(pitch, 127);
    if (settings) {
        // MIDI limits give the same folds; limits outside 0..127 are held to
        // it so that every loop below ends within a few dozen moves.
        int low = std::clamp(settings->lowerLimit, 0, 127);
        int high = std::clamp(settings->upperLimit, 0, 127);
        if (static_cast<std::int64_t>(settings->upperLimit) - settings->lowerLimit > 19) {
            while (p < low)
                p += 12;
            while (p > high)
                p -= 12;
        } else {
            while (p < low)
                p += RandomInRange(1, 3);
            while (p > high)
                p -= RandomInRange(1, 3);
        }
    }
    pitch = std::clamp(p, 0, 127);
}

bool IsFlatDegree(int pitch) {
    int pc = PositiveMod12(pitch);
    if (pc == 3 || pc == 10) return true;
    return pc == 8 && RandomInRange(1, 3) == 1;
}

int ApplyTension(int pitch, int flag, const ChordRecord& chord, int previousPitch, int length,
                 int part) {
    const MelodySettings* settings = PartSettings(part);
    if (!settings) return pitch;
    int base = pitch - PositiveMod12(pitch);
    auto near = [&](int p) { return std::abs(std::int64_t{p} - previousPitch) <= 3; };
    if (settings->tension == 2) {
        if (flag == 0 || RandomInRange(1, 5) == 1) {
            for (int candidate : {base + (chord.root + 14) % 12, base + chord.seventh % 12,
                                  base + (chord.fifth + 2) % 12})
                if (near(candidate)) return candidate;
        }
        return pitch;
    }
    if (settings->tension == 1 && length <= 96) {
        int prevClass = PositiveMod12(previousPitch);
        if (previousPitch > 24 && (prevClass == 3 || prevClass == 10) && RandomInRange(1, 2) == 1)
            return previousPitch - 1;
        bool minorSeventh = chord.seventh != 0 && PositiveMod12(chord.seventh - chord.root) == 10 &&
                            PositiveMod12(pitch) == chord.seventh % 12;
        if (RandomInRange(1, settings->dissonance) == 1 && !minorSeventh) {
            for (int candidate : {base + 10, base + 8, base + 3})
                if (near(candidate)) return candidate;
        }
    }
    return pitch;
}

int TempoToClass(int bpm) {
    if (bpm < 30) return 8;
    if (bpm < 50) return 7;
    if (bpm < 70) return 6;
    if (bpm < 90) return 5;
    if (bpm >= 110 && bpm <= 129) return 3;
    if (bpm >= 130 && bpm <= 149) return 2;
    if (bpm >= 150 && bpm <= 169) return 1;
    return 4;
}

int ClassToTempo(int tempoClass) {
    switch (tempoClass) {
        case 1:
            return 160;
        case 2:
            return 140;
        case 3:
            return 120;
        case 5:
            return 80;
        case 6:
            return 60;
        case 7:
            return 40;
        case 8:
            return 20;
        default:
            return 100;
    }
}

int DensityToRestClass(int density) {
    return TempoToClass(density);
}

int RestClassToDensity(int restClass) {
    return ClassToTempo(restClass);
}
