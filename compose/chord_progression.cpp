#include "compose/chord_progression.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "compose/chord_weights.h"
#include "compose/compose_info.h"
#include "compose/knowledge_base.h"
#include "core/utilities.h"
#include "style/key_setup.h"
#include "style/style_table.h"

char CurrentChordCode[5] = "CMPS";
int KeyChangeBlocks[2] = {-1, -1};
int KeyChangeShift[2] = {0, 0};
int KeyChangeChordIndex[2] = {-1, -1};

namespace {

constexpr char kRootOrder[] = "CdDeEFgGaAbB";

// "Chord Progression" values with a meaning of their own.
constexpr int kRandomChords = 5;
constexpr int kBluesProgression = 6;
constexpr int kShortFixedForm = 7;
constexpr int kWalkTowardC = 9;
constexpr int kDescendingWalk = 10;
// "Chord Generation Method" values.
constexpr int kRuleBased = 1;
constexpr int kCustomChords = 8;

constexpr int kGeneratedChartLengths = 4;
constexpr int kLayoutRepeat = 2;
constexpr int kLayoutDrawBound = 1000;  // redraws of a block count below 2
constexpr int kScaleRootTries = 20;
constexpr int kCadenceTries = 4000;
constexpr int kCadenceAvoidTries = 2000;
constexpr int kCadenceChordTries = 150;
// A weight no draw of 1..9 reaches.
constexpr int kNeverPasses = 0;

// ---- Small helpers ----

void CopyCode(char out[4], const char* code) {
    std::memcpy(out, code, 4);
}

void CopyTonic(char out[4]) {
    CopyCode(out, TonicChordCode.text);
}

void SetCode(char out[4], char root, const char* letters) {
    out[0] = root;
    std::memcpy(out + 1, letters, 3);
}

char RootMovedBy(char root, int semitones) {
    const char* p = std::strchr(kRootOrder, root);
    if (root == '\0' || p == nullptr) return root;
    return kRootOrder[((p - kRootOrder) + semitones % 12 + 12) % 12];
}

// The style's "Block Length" as the generator uses it: 4 for generated time
// charts, 0 (the time-chart files) for every other value. A value other than
// 0 or 4 is reported when report is set.
int EffectiveBlockLength(bool report) {
    const int blockLength = WorkingStyle.blockLength;
    if (blockLength == 0 || blockLength == 4) return blockLength;
    if (report) ShowErrorMessage(kInvalidChordBlockLength);
    return 0;
}

int Metre() {
    return WorkingStyle.timeSignature;
}

bool IsMajor() {
    return WorkingStyle.key == 1;
}

bool ScaleAcceptsEveryChord() {
    const int scale = WorkingStyle.scale;
    return scale == 1 || scale == 6 || scale == 7;
}

HarmonyStructureEntry MakeEntry(int length, const char code[4]) {
    HarmonyStructureEntry entry{};
    const int kept = std::clamp(length, 0, 0xFFFF);
    entry.lengthHigh = static_cast<std::uint8_t>(kept >> 8);
    entry.lengthLow = static_cast<std::uint8_t>(kept & 0xFF);
    std::memcpy(entry.chord.text, code, 4);
    return entry;
}

// Appends a chord event built from a ChordRecord of the code, the length and
// the two-digit on-chord text.
void AppendChord(NoteList& chords, const char code[4], int length, const char* onChord) {
    const ChordRecord record(MakeEntry(length, code), onChord);
    chords.AppendChord(&record);
}

// The on-chord text of an appended chord: "00", or with "On Chord" 1 at 1/4
// the fifth, the third or the seventh in the bass.
const char* OnChordText(const char code[4]) {
    if (WorkingStyle.onChord != 1 || RandomInRange(1, 4) != 1) return "00";
    switch (RandomInRange(1, 3)) {
        case 1:
            return "07";
        case 2:
            return code[1] == 'M' ? "04" : code[1] == 'm' ? "03" : "00";
        default:
            return code[3] == 'S' ? "11" : code[3] == 's' ? "10" : "00";
    }
}

// One slot of the short fixed form and of one-chord-per-bar blocks.
int FixedFormLength() {
    switch (Metre()) {
        case kMetre44:
            return 768;
        case kMetre34:
            return 576;
        default:
            return 336;
    }
}

// The next chord after the current one by "Chord Progression".
void ChooseNextChord(const char current[4], char out[4]) {
    switch (WorkingStyle.chordProgression) {
        case kRandomChords:
            RandomChordCode(out);
            return;
        case kWalkTowardC:
            NextChordFifthsWalk(current, out);
            return;
        case kDescendingWalk:
            NextChordDescending(current, out);
            return;
        default:
            break;
    }
    if (WorkingStyle.chordGenerationMethod == kRuleBased &&
        WorkingStyle.chordProgression != kBluesProgression)
        NextChordByVoiceLeading(current, out);
    else
        NextChordFromPatterns(current, out);
}

// Chance 2 in 3: the draw of 1..3 is not 3.
bool TwoInThree() {
    return RandomInRange(1, 3) <= 2;
}

struct PitchClasses {
    int pc[4];
};

// Seventh, fifth, third and root as pitch classes; a missing tone counts as
// C.
PitchClasses ChordPitchClasses(const ChordRecord& chord) {
    return {{chord.seventh % 12, chord.fifth % 12, chord.third % 12, chord.root % 12}};
}

// Counts the candidate's tones by their smallest distance (as plain
// differences of pitch classes) to any current tone: 0, 1 and 2.
void CountDistances(const PitchClasses& candidate, const PitchClasses& current, int counts[3]) {
    counts[0] = counts[1] = counts[2] = 0;
    for (int c : candidate.pc) {
        int nearest = 12;
        for (int t : current.pc)
            nearest = std::min(nearest, std::abs(c - t));
        if (nearest <= 2) ++counts[nearest];
    }
}

}  // namespace

// ---- The whole progression ----

void GenerateChordProgression() {
    LayOutBlocks();
    BuildOrdinaryBlocks();
    BuildLastBlock();
}

int DrawWithBias(int fallback, int top) {
    const int r = RandomInRange(1, top + 2);
    return r <= top ? r : fallback;
}

void LayOutBlocks() {
    const MusicStyle& style = WorkingStyle;
    const long long tuneLength = style.tuneLength;
    const bool fixedForm = style.chordProgression == kShortFixedForm;
    long long count = 0;
    if (fixedForm) {
        count = kHighestBlockNumber - 2;
    } else if (style.chordsInBlock != 0) {
        if (EffectiveBlockLength(true) == 4)
            count = (tuneLength - 2) / 4 / 2;
        else
            count = (tuneLength - 2) / RandomInRange(4, 6);
        if (count <= 0) ShowErrorMessage(kInvalidChordPattern);
    } else {
        // The bias draw gives 1 now and then; it is drawn again, a bounded
        // number of times.
        for (int draw = 0; draw < kLayoutDrawBound && count < 2; ++draw)
            count = tuneLength > 30 ? DrawWithBias(5, 13) : DrawWithBias(4, 12);
        count = std::max(count, 2LL);
    }
    // One block means a cadence block only; more than 200 have no lists.
    ComposeInfo.blockCount = static_cast<int>(std::clamp(count, 1LL, 1LL * kMaxBlocks));

    const bool fixedRepeat = fixedForm || EffectiveBlockLength(false) != 0;
    int length = 0;
    for (int block = 1; block <= ComposeInfo.blockCount; ++block) {
        int repeat = kLayoutRepeat;
        if (!fixedRepeat) repeat = tuneLength > 30 ? DrawWithBias(2, 4) : DrawWithBias(2, 3);
        for (int r = 0; r < repeat && length < kMaxBlockSequence; ++r)
            ComposeInfo.blockSequence[length++] = block;
    }
    ComposeInfo.blockSequenceLength = length;
}

void BuildOrdinaryBlocks() {
    ClearNoteListArray(ComposeInfo.blockChords);
    for (int block = 0; block < kMaxBlocks; ++block)
        if (int* chart = ComposeInfo.TimeChart(block)) std::fill(chart, chart + kTimeChartSlots, 0);
    for (int block = 1; block < ComposeInfo.blockCount; ++block) {
        int* chart = ComposeInfo.TimeChart(block - 1);
        if (chart == nullptr) continue;
        BuildBlockChords(*ComposeInfo.blockChords[block - 1], chart);
    }
}

void GenerateTimeChart(int* lengths) {
    const int metre = Metre();
    const bool oneChordPerBar = WorkingStyle.chordsInBlock == 1;
    if (!oneChordPerBar && metre != kMetre44 && metre != kMetre34 && metre != kMetre78)
        ShowErrorMessage(kCantAddMetre);
    for (int i = 0; i < kGeneratedChartLengths; ++i) {
        if (oneChordPerBar)
            lengths[i] = TicksPerBar(metre);
        else if (metre == kMetre44)
            lengths[i] = RandomInRange(1, 4) * 192;
        else if (metre == kMetre34)
            lengths[i] = RandomInRange(1, 2) * 288;
        else
            lengths[i] = TicksPerBar(metre);  // 7/8, and a bar for any other metre
    }
    std::fill(lengths + kGeneratedChartLengths, lengths + kTimeChartSlots, 0);
}

void BuildBlockChords(NoteList& chords, int* chart) {
    const MusicStyle& style = WorkingStyle;
    CopyTonic(CurrentChordCode);
    if (EffectiveBlockLength(true) == 4)
        GenerateTimeChart(chart);
    else
        ReadTimeChart(chart, TimeChartText);

    const int progression = style.chordProgression;
    const bool splits = Metre() == kMetre44 && (style.scale == 1 || style.scale == 7);
    const bool passing = progression != kRandomChords && progression != kWalkTowardC &&
                         progression != kDescendingWalk &&
                         style.chordGenerationMethod == kRuleBased &&
                         progression != kBluesProgression && ScaleAcceptsEveryChord();
    ScaleString keyScale{};
    if (!ScaleAcceptsEveryChord()) GetScaleWeights(style.scale, keyScale);

    // The chart ends at its first 0 and keeps at least two zero slots after
    // it, so a split that passes one slot still lands inside the chart.
    int i = 0;
    while (i < kTimeChartSlots && chart[i] != 0) {
        char* current = CurrentChordCode;
        if (progression == kShortFixedForm) {
            CopyTonic(current);
            chart[i] = FixedFormLength();
        } else if (style.chordsInBlock == 1) {
            chart[i] = TicksPerBar(Metre());
        }

        bool split = false;
        if (splits) {
            const int slot = chart[i];
            if (current[1] == 'M' && current[3] == 's' && RandomInRange(1, 3) == 1 && slot >= 384 &&
                progression != kBluesProgression && style.blockLength != 4) {
                char suspended[4];
                CopyCode(suspended, current);
                suspended[1] = '4';
                AppendChord(chords, suspended, slot / 2, "00");
                AppendChord(chords, current, slot / 2, "00");
                split = true;
            } else if (current[1] == 'M' && slot >= 384 && progression == kWalkTowardC &&
                       SameChordCode(current, TonicChordCode.text) && RandomInRange(1, 4) == 1) {
                AppendChord(chords, current, slot / 2, "00");
                current[2] = 'A';
                AppendChord(chords, current, slot / 2, "00");
                split = true;
            }
        }
        if (split) {
            i += 2;
        } else {
            AppendChord(chords, current, chart[i], OnChordText(current));
            i += 1;
        }

        char next[4];
        ChooseNextChord(current, next);
        if (!ScaleAcceptsEveryChord())
            for (int more = 0;
                 more < kScaleRootTries && WeightOf(keyScale, RootLetterToPitchClass(next[0])) <= 1;
                 ++more)
                ChooseNextChord(current, next);
        CopyCode(current, next);

        if (passing && i + 1 < kTimeChartSlots && (chart[i] == 96 || chart[i] == 192) &&
            chart[i + 1] != 0 && RandomInRange(1, 4) == 1) {
            char approach[4];
            ApproachChordCode(current, approach);
            AppendChord(chords, approach, chart[i], "00");
            i += 1;
        }
    }
}

void BuildLastBlock() {
    const int count = ComposeInfo.blockCount;
    char previous[4];
    CopyTonic(previous);
    if (count > 1) {
        const NoteList& before = *ComposeInfo.blockChords[count - 2];
        if (before.Count() > 0) CopyCode(previous, before.Event(before.Count() - 1)->chordCode);
    }
    int* chart = ComposeInfo.TimeChart(count - 1);
    if (chart == nullptr) return;
    BuildCadenceBlock(*ComposeInfo.blockChords[count - 1], chart, previous);
}

void BuildCadenceBlock(NoteList& chords, int* chart, const char previous[4]) {
    if (EffectiveBlockLength(true) == 4)
        GenerateTimeChart(chart);
    else
        ReadTimeChart(chart, CadenceTimeChartText);
    int count = 0;
    while (count < kTimeChartSlots && chart[count] != 0)
        ++count;
    if (WorkingStyle.chordsInBlock == 1)
        for (int k = 0; k < count; ++k)
            chart[k] = TicksPerBar(Metre());

    auto run = std::make_unique<char[]>(4 * static_cast<std::size_t>(count) + 1);
    if (WorkingStyle.chordGenerationMethod == kRuleBased)
        GenerateCadenceRun(previous, count, run.get());
    else
        PickCadenceEntry(previous, count, run.get());
    for (int k = 0; k < count; ++k)
        AppendChord(chords, run.get() + 4 * k, chart[k], "00");
}

// ---- Cadences ----

void PickCadenceEntry(const char previous[4], int count, char* run) {
    // Each try picks an entry of the cadence text as PickCountedEntry does:
    // entry k is the token after the count token and k - 1 entries. The
    // entries are read once up front, so a text without a fitting entry
    // costs its 4000 draws and no rescans. The token holds any entry whole,
    // so its length is never cut to a false chord count.
    const int entries = CountedEntryCount(CadenceText);
    struct Entry {
        int start, length;
        bool avoid;  // starts on the previous chord
    };
    auto entry = std::make_unique<char[]>(kKnowledgeTextSize + 1);
    auto table = std::make_unique<Entry[]>(static_cast<std::size_t>(std::max(entries, 1)));
    int position = 0, length = 0;
    ReadKnowledgeToken(CadenceText, entry.get(), kKnowledgeTextSize + 1, length, position);
    for (int k = 0; k < entries; ++k) {
        const int start = position;
        ReadKnowledgeToken(CadenceText, entry.get(), kKnowledgeTextSize + 1, length, position);
        table[k] = {start, length, length >= 4 && SameChordCode(entry.get(), previous)};
    }

    for (int tries = 1; tries <= kCadenceTries && entries > 0; ++tries) {
        const Entry& picked = table[RandomInRange(1, entries) - 1];
        if (picked.length / 4 != count) continue;
        if (count > 0 && picked.avoid && tries < kCadenceAvoidTries) continue;
        position = picked.start;
        ReadKnowledgeToken(CadenceText, entry.get(), kKnowledgeTextSize + 1, length, position);
        std::memcpy(run, entry.get(), 4 * static_cast<std::size_t>(count));
        return;
    }
    for (int k = 0; k < count; ++k)
        CopyTonic(run + 4 * k);
}

void GenerateCadenceRun(const char previous[4], int count, char* run) {
    char last[4];
    CopyCode(last, previous);
    for (int k = 0; k < count; ++k) {
        NextCadenceChord(last, run + 4 * k);
        CopyCode(last, run + 4 * k);
    }
}

// The chord fitness a drawn chord needs under the style's "Chord
// Progression": 5, 6 and 7 for 1, 2 and 3, else 8. The cadence also takes 7
// for the walk toward C.
static int FitnessThreshold(bool walkTowardCAsThree) {
    switch (WorkingStyle.chordProgression) {
        case 1:
            return 5;
        case 2:
            return 6;
        case 3:
            return 7;
        case kWalkTowardC:
            return walkTowardCAsThree ? 7 : 8;
        default:
            return 8;
    }
}

void NextCadenceChord(const char previous[4], char out[4]) {
    const int threshold = FitnessThreshold(true);
    const char root = previous[0];
    for (int tries = 0; tries < kCadenceChordTries; ++tries) {
        if (previous[1] == 'M' && previous[3] == 's') {
            SetCode(out, RootMovedBy(root, 5), RandomInRange(1, 2) == 1 ? "MPS" : "mPs");
        } else if (previous[1] == 'M' && previous[3] == 'S') {
            switch (RandomInRange(1, 3)) {
                case 1:
                    SetCode(out, RootMovedBy(root, 2), "mPs");
                    break;
                case 2:
                    SetCode(out, RootMovedBy(root, 5), "MPS");
                    break;
                default:
                    SetCode(out, RootMovedBy(root, 2), "MPs");
                    break;
            }
        } else if (previous[1] == 'm' && previous[3] == 's') {
            SetCode(out, RootMovedBy(root, 5), "MPs");
        } else {
            CopyTonic(out);
        }
        const ChordRecord candidate(MakeEntry(0, out), nullptr);
        if (ChordFitness(candidate) >= threshold) return;
    }
}

// ---- Next chord ----

int DegreeFitness(int pitch) {
    switch (((pitch % 12) + 12) % 12) {
        case 1:
        case 3:
        case 10:
            return 0;
        case 6:
        case 8:
            return IsMajor() ? 1 : 2;
        default:
            return 2;
    }
}

int ChordFitness(const ChordRecord& chord) {
    return DegreeFitness(chord.seventh) + DegreeFitness(chord.fifth) + DegreeFitness(chord.third) +
           DegreeFitness(chord.root);
}

void RandomChordCode(char out[4]) {
    out[0] = kRootOrder[RandomInRange(1, 12) - 1];
    out[1] = RandomInRange(1, 2) == 1 ? 'M' : 'm';
    if (RandomInRange(1, 3) == 2) {
        out[1] = 'm';
        out[2] = 'd';
    } else {
        out[2] = 'P';
    }
    out[3] = RandomInRange(1, 2) == 1 ? 'S' : 's';
}

void NextChordFromPatterns(const char current[4], char out[4]) {
    char targets[kNextChordSlots][4];
    int weights[kNextChordSlots];
    int count = 0;
    char token[kPatternEntrySize + 1];
    int length = 0, position = 0;
    for (bool atEnd = false; !atEnd && count < kNextChordSlots;) {
        atEnd = ReadKnowledgeToken(PatternText, token, sizeof token, length, position);
        if (length < 4 || !SameChordCode(token, current)) continue;
        // A to-code cut short by the token's end keeps NULs in its place.
        char to[4] = {};
        for (int k = 0; k < 4 && 4 + k < length; ++k)
            to[k] = token[4 + k];
        CopyCode(targets[count], to);
        weights[count] = PatternEntryWeight(token, length);
        ++count;
    }
    if (count == 0) {
        CopyTonic(targets[0]);
        weights[0] = kNeverPasses;
        count = 1;
    }

    int lowest = 1;
    switch (WorkingStyle.chordProgression) {
        case 1:
            lowest = 1;
            break;
        case 2:
            lowest = 3;
            break;
        case 3:
        case kBluesProgression:
        case kWalkTowardC:
            lowest = 4;
            break;
        case 4:
        case kShortFixedForm:
            lowest = 5;
            break;
        default:
            ShowErrorMessage(kChordProgressionError);
            WorkingStyle.chordProgression = 3;
            lowest = 1;
            break;
    }

    CopyTonic(out);
    for (int tries = 0; tries < kKnowledgeSearchTries; ++tries) {
        const int k = std::min(RandomInRange(0, count - 1), kNextChordSlots - 1);
        const int bar = RandomInRange(lowest, 9);
        if (weights[k] >= bar) {
            CopyCode(out, targets[k]);
            break;
        }
    }
    if (out[0] == '\0') {
        // An entry without a to-code gives no chord: the tonic stands in.
        ShowErrorMessage(kPatternResultError);
        CopyTonic(out);
    }
}

void NextChordByVoiceLeading(const char current[4], char out[4]) {
    const int threshold = FitnessThreshold(false);
    const ChordRecord currentChord(MakeEntry(0, current), nullptr);
    const PitchClasses currentTones = ChordPitchClasses(currentChord);
    const bool currentDominant = current[1] == 'M' && current[3] == 's';

    char lastFit[4];
    CopyTonic(lastFit);
    for (int tries = 0; tries < kKnowledgeSearchTries; ++tries) {
        char candidate[4];
        RandomChordCode(candidate);
        if (RandomInRange(1, 4) == 1) {
            SetCode(candidate, candidate[0], "mds");
        } else if (RandomInRange(1, 3) == 1) {
            candidate[0] = RootMovedBy(current[0], 7);
            if (RandomInRange(1, 2) == 1) SetCode(candidate, candidate[0], "MPs");
        } else if (RandomInRange(1, 3) == 1) {
            candidate[0] = RootMovedBy(current[0], 5);
            if (RandomInRange(1, 2) == 1) SetCode(candidate, candidate[0], "MPS");
        }
        const ChordRecord chord(MakeEntry(0, candidate), nullptr);
        if (ChordFitness(chord) < RandomInRange(threshold, 8)) continue;
        CopyCode(lastFit, candidate);

        int counts[3];
        CountDistances(ChordPitchClasses(chord), currentTones, counts);
        int score = counts[1] == 1 || counts[1] == 3 ? 1 : 0;
        if (currentDominant) ++score;
        if ((candidate[1] == 'M' && candidate[3] == 'S') ||
            (candidate[1] == 'm' && candidate[3] == 's'))
            ++score;
        bool accept = counts[2] == 3;
        if (!accept && counts[0] == 3) accept = RandomInRange(1, 2) == 1;
        if (!accept && counts[0] == 2) ++score;
        if (accept || score > 1) {
            CopyCode(out, candidate);
            return;
        }
    }
    // No candidate was accepted: the last one that passed the fitness test,
    // or the tonic when none did.
    CopyCode(out, lastFit);
}

void NextChordFifthsWalk(const char current[4], char out[4]) {
    char root = current[0];
    if (root == 'D' && RandomInRange(1, 2) == 1) {
        root = 'G';
    } else if (root == 'G' && TwoInThree()) {
        root = 'C';
    } else if (root == 'C' && RandomInRange(1, 3) == 1) {
        root = 'D';
    } else if (RandomInRange(1, 2) == 1) {
        root = RootMovedBy(root, 5);
    } else if (RandomInRange(1, 3) == 1) {
        root = RootMovedBy(root, 9);
    } else if (RandomInRange(1, 2) == 1) {
        root = RootMovedBy(root, 7);
    } else {
        root = RootMovedBy(root, 3);
    }
    char seventh;
    switch (root) {
        case 'C':
            seventh = RandomInRange(1, 4) == 1 ? 's' : 'S';
            break;
        case 'D':
            seventh = RandomInRange(1, 5) == 1 ? 'S' : 's';
            break;
        case 'G':
            seventh = RandomInRange(1, 6) == 1 ? 'S' : 's';
            break;
        default:
            seventh = RandomInRange(1, 2) == 1 ? 'S' : 's';
            break;
    }
    out[0] = root;
    out[1] = 'M';
    out[2] = 'P';
    out[3] = seventh;
}

void NextChordDescending(const char current[4], char out[4]) {
    const char* kept = nullptr;
    switch (current[0]) {
        case 'A':
            kept = "GMPS";
            break;
        case 'E':
            kept = IsMajor() ? "CMPS" : "AmPs";
            break;
        case 'F':
            kept = "EMPs";
            break;
        case 'G':
            kept = "FMPS";
            break;
        default:
            break;
    }
    if (kept != nullptr && TwoInThree()) {
        CopyCode(out, kept);
        return;
    }
    static const char* const kDraws[4] = {"GMPS", "FMPS", "EMPs", "AmPs"};
    CopyCode(out, kDraws[(RandomInRange(1, 8) - 1) % 4]);
}

void ApproachChordCode(const char current[4], char out[4]) {
    CopyCode(out, current);
    out[0] = RootMovedBy(current[0], RandomInRange(1, 2) == 1 ? 1 : -1);
}

// ---- The chord list ----

namespace {

// The shift of a key change at the chord list as it stands: a fourth above
// the root of a dominant seventh that ends it, else (or when that is no
// shift) a random one.
int KeyChangeShiftHere() {
    const int count = ComposeInfo.chordCount;
    if (count > 0) {
        const ChordRecord& last = *ComposeInfo.chords[count - 1];
        if (last.IsDominantSeventh()) {
            const int shift = (RootLetterToPitchClass(last.code.text[0]) + 5) % 12;
            if (shift != 0) return shift;
        }
    }
    return RandomInRange(1, 11);
}

int NumberOfText(const char text[2]) {
    auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : 0; };
    return digit(text[0]) * 10 + digit(text[1]);
}

}  // namespace

int BuildChordTimeline() {
    ComposeInfo.ClearChords();
    const int late = RandomInRange(5, 8);
    const int early = RandomInRange(2, 4);
    KeyChangeBlocks[0] = early;
    KeyChangeBlocks[1] = late;
    for (int point = 0; point < 2; ++point) {
        KeyChangeShift[point] = 0;
        KeyChangeChordIndex[point] = -1;
    }

    bool full = false;
    const int positions = std::clamp(ComposeInfo.blockSequenceLength, 0, kMaxBlockSequence);
    for (int p = 0; p < positions && !full; ++p) {
        const int block = ComposeInfo.blockSequence[p];
        if (block < 1 || block > kMaxBlocks) {
            ShowErrorMessage(kInvalidChordProgression);
            continue;
        }
        const NoteList& chords = *ComposeInfo.blockChords[block - 1];
        // One report when the list is full; the rest of the tune is left
        // out, key-change points included, so that the closing tonic still
        // fits.
        full = chords.Count() > 0 && ComposeInfo.chordCount >= kTimelineChordLimit;
        if (full) break;
        for (int point = 0; point < 2; ++point) {
            if (p != KeyChangeBlocks[point]) continue;
            KeyChangeShift[point] = KeyChangeShiftHere();
            KeyChangeChordIndex[point] = ComposeInfo.chordCount;
        }
        for (int e = 0; e < chords.Count(); ++e) {
            full = ComposeInfo.chordCount >= kTimelineChordLimit;
            if (full) break;
            const NoteEvent& event = *chords.Event(e);
            ComposeInfo.AddChord(MakeEntry(event.length, event.chordCode),
                                 NumberOfText(event.numberText));
        }
    }
    if (full) ComposeInformation::ErrorMsg();
    if (WorkingStyle.chordGenerationMethod != kCustomChords) {
        char tonic[4];
        CopyTonic(tonic);
        ComposeInfo.AddChord(MakeEntry(2 * TicksPerBar(Metre()), tonic), 0);
    }
    return ComposeInfo.TotalChordLength() / 96;
}

int KeyChangeFirstChordNumber(int point) {
    if (point < 0 || point > 1 || KeyChangeChordIndex[point] < 0) return 0;
    return KeyChangeChordIndex[point] + 1;
}
