#include "compose/chord_record.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "compose/chord_weights.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr char kRootLetters[] = "CdDeEFgGaAbB";
constexpr char kThirdLetters[] = "Mm4";
constexpr char kFifthLetters[] = "PAd";
constexpr char kSeventhLetters[] = "Ssdo69";

// Third, fifth and seventh pitches lie in 60..83 after the octave placement.
constexpr int kToneLow = 60;
constexpr int kToneHigh = 83;
// The placement draws until the tone lies in 60..83; with 1 or 3 in 1..3 the
// first kind of draw always fits, so this bound is never reached in practice.
constexpr int kMaxPlacementDraws = 1000;
// Harmony pattern that keeps the third at its plain interval.
constexpr int kPlainThirdPattern = 47;

int PositiveMod12(int value) {
    int m = value % 12;
    return m < 0 ? m + 12 : m;
}

int IndexIn(const char* letters, char c) {
    if (c == '\0') return -1;
    const char* p = std::strchr(letters, c);
    return p ? static_cast<int>(p - letters) : -1;
}

char RootMovedBy(char letter, int semitones) {
    int index = IndexIn(kRootLetters, letter);
    if (index < 0) return letter;
    return kRootLetters[PositiveMod12(index + semitones)];
}

// Interval of the third letter: -1 for no third, 0 for an unknown letter.
int ThirdInterval(char letter) {
    switch (letter) {
        case 'o':
            return -1;
        case '4':
            return 5;
        case 'M':
            return 4;
        case 'm':
            return 3;
        default:
            ShowErrorMessage(kThirdNoteError);
            return 0;
    }
}

// Interval of the fifth letter: -1 for no fifth; an unknown letter reports
// and gives the root itself.
int FifthInterval(char letter) {
    switch (letter) {
        case 'C':
            return -1;
        case 'A':
            return 8;
        case 'P':
            return 7;
        case 'd':
            return 6;
        default:
            ShowErrorMessage(kFifthNoteError);
            return 0;
    }
}

int SeventhInterval(char letter) {
    switch (letter) {
        case 'd':
            return -1;
        case 's':
            return 10;
        case 'S':
            return 11;
        case '6':
            return 9;
        case '9':
            return 14;
        case 'o':
            return 12;
        default:
            ShowErrorMessage(kSeventhNoteError);
            return 0;
    }
}

// Draws the octave of a tone: choice 2 of RandomInRange(1, 3) takes the
// shifted pitch, 1 and 3 the plain one, until the tone lies in 60..83.
int PlaceTone(int plain, int shift) {
    for (int draw = 0; draw < kMaxPlacementDraws; ++draw) {
        int tone = RandomInRange(1, 3) == 2 ? plain + shift : plain;
        if (tone >= kToneLow && tone <= kToneHigh) return tone;
    }
    return plain >= kToneLow && plain <= kToneHigh ? plain : plain + shift;
}

int DigitValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

std::uint8_t MoveTone(std::uint8_t tone, int step) {
    if (tone == 0) return 0;
    int moved = tone + step;
    return moved < 1 || moved > 255 ? tone : static_cast<std::uint8_t>(moved);
}

// Keeps a pitch in 0..127 by whole octaves.
int IntoMidiRange(int pitch) {
    while (pitch > 127)
        pitch -= 12;
    while (pitch < 0)
        pitch += 12;
    return pitch;
}

}  // namespace

// ---- Root letters ----

int RootLetterToPitchClass(char letter) {
    int index = IndexIn(kRootLetters, letter);
    return index < 0 ? 0 : index;
}

char PitchClassToRootLetter(int pitchClass) {
    return kRootLetters[((pitchClass % 12) + 12) % 12];
}

bool IsRootLetter(char letter) {
    return IndexIn(kRootLetters, letter) >= 0;
}

char RootUpSemitone(char letter) {
    return RootMovedBy(letter, 1);
}
char RootDownSemitone(char letter) {
    return RootMovedBy(letter, -1);
}
char RootUpFourth(char letter) {
    return RootMovedBy(letter, 5);
}
char RootUpFifth(char letter) {
    return RootMovedBy(letter, 7);
}

bool SameChordCode(const char* a, const char* b) {
    return std::memcmp(a, b, 4) == 0;
}

// ---- Pitch folding ----

void FoldPitchIntoRange(int& pitch, int low, int high) {
    // Far-off pitches and limits fold in one step each; a MIDI pitch and a
    // MIDI range give what stepping by octaves gives.
    std::int64_t p = std::clamp(pitch, 0, 127);
    std::int64_t lo = low, hi = high;
    if (p > hi) p -= 12 * ((p - hi + 11) / 12);
    if (p < lo) p += 12 * ((lo - p + 11) / 12);
    while (p > 127)
        p -= 12;
    while (p < 0)
        p += 12;
    pitch = static_cast<int>(p);
}

void FoldChordPitchesIntoRange(int& root, int& bass, int& third, int& fifth, int& seventh, int low,
                               int high) {
    for (int* p : {&root, &bass, &third, &fifth, &seventh})
        FoldPitchIntoRange(*p, low, high);
}

// ---- Chord weight table ----

char ChordWeightTable[kChordWeightTableSize];

namespace {

// The table is there before anything can look a chord up.
const bool g_tableBuilt = (BuildChordCodeTable(), true);

}  // namespace

void BuildChordWeightEntry(const char code[4], char out[16]) {
    std::memcpy(out, code, 4);
    std::memset(out + 4, '0', 12);
    char* digits = out + 4;
    int root = RootLetterToPitchClass(code[0]);
    auto set = [&](int interval, char digit) { digits[PositiveMod12(root + interval)] = digit; };
    set(0, '9');
    switch (code[1]) {
        case '4':
            set(5, '9');
            break;
        case 'M':
            set(4, '9');
            break;
        case 'm':
            set(3, '9');
            break;
        default:
            break;
    }
    switch (code[2]) {
        case 'A':
            set(8, '9');
            break;
        case 'P':
            set(7, '9');
            break;
        case 'd':
            set(6, '9');
            break;
        default:
            break;
    }
    switch (code[3]) {
        case '6':
            set(9, '5');
            break;
        case '9':
            set(2, '4');
            break;
        case 'S':
            set(11, '4');
            break;
        case 's':
            set(10, '5');
            break;
        default:
            break;
    }
}

void BuildChordCodeTable() {
    std::memset(ChordWeightTable, 0, sizeof ChordWeightTable);
    char* out = ChordWeightTable;
    for (char root : std::string_view(kRootLetters))
        for (char third : std::string_view(kThirdLetters))
            for (char fifth : std::string_view(kFifthLetters))
                for (char seventh : std::string_view(kSeventhLetters)) {
                    const char code[4] = {root, third, fifth, seventh};
                    BuildChordWeightEntry(code, out);
                    std::memcpy(out + 16, "|\r\n", 3);
                    out += kChordTableEntrySize;
                }
    *out = '\0';
}

int ChordTableIndex(const char code[4]) {
    int root = IndexIn(kRootLetters, code[0]);
    int third = IndexIn(kThirdLetters, code[1]);
    int fifth = IndexIn(kFifthLetters, code[2]);
    int seventh = IndexIn(kSeventhLetters, code[3]);
    if (root < 0 || third < 0 || fifth < 0 || seventh < 0) return -1;
    return ((root * 3 + third) * 3 + fifth) * 6 + seventh;
}

// ---- Chord records ----

int FixedBassPitch = kDefaultFixedBassPitch;

ChordRecord::ChordRecord(const HarmonyStructureEntry& entry, const char* onChord) {
    code = entry.chord;
    if (onChord && onChord[0] != '\0') {
        onChordText[0] = onChord[0];
        onChordText[1] = onChord[1];
    }
    source = entry;
    length = entry.Length();

    const char* letters = code.text;
    int rootPitch = 0;
    if (IsRootLetter(letters[0])) {
        rootPitch = 60 + RootLetterToPitchClass(letters[0]);
    } else if (letters[0] != 'N') {
        ShowErrorMessage(kRootNoteError);
    }
    int thirdInterval = ThirdInterval(letters[1]);
    int fifthInterval = FifthInterval(letters[2]);
    int seventhInterval = SeventhInterval(letters[3]);
    // A chord without a root has no tones at all: nothing is drawn.
    if (rootPitch == 0) return;

    root = static_cast<std::uint8_t>(rootPitch);
    bass = static_cast<std::uint8_t>(WorkingStyle.fixedBass == kFixedBassSetting ? FixedBassPitch
                                                                                 : rootPitch - 24);
    if (thirdInterval >= 0) {
        int plain = rootPitch + thirdInterval;
        third = static_cast<std::uint8_t>(
            WorkingStyle.harmonyPattern == kPlainThirdPattern ? plain : PlaceTone(plain, 12));
    }
    if (fifthInterval >= 0) fifth = static_cast<std::uint8_t>(rootPitch + fifthInterval);
    if (seventhInterval >= 0)
        seventh = static_cast<std::uint8_t>(PlaceTone(rootPitch + seventhInterval, -12));

    if (WorkingStyle.adjustToChordTone == 1) AdjustToChordTone();
    if (onChordText[0] != '\0') {
        int offset = DigitValue(onChordText[0]) * 10 + DigitValue(onChordText[1]);
        bass = static_cast<std::uint8_t>(bass + offset);
    }
}

void ChordRecord::TransposeDown() {
    for (std::uint8_t* tone : {&root, &bass, &third, &fifth, &seventh})
        *tone = MoveTone(*tone, -1);
    code.text[0] = RootDownSemitone(code.text[0]);
}

void ChordRecord::TransposeUp() {
    for (std::uint8_t* tone : {&root, &bass, &third, &fifth, &seventh})
        *tone = MoveTone(*tone, 1);
    code.text[0] = RootUpSemitone(code.text[0]);
}

int ChordRecord::StepPitchUpToScale(const ScaleString& weights, int pitch) {
    int p = std::clamp(pitch, 0, 127);
    // Twelve semitones pass every pitch class once.
    for (int move = 0; move <= 12 && p <= 127; ++move, ++p)
        if (WeightOf(weights, p) >= kChordScaleWeight) return p;
    return 0;
}

bool ChordRecord::MatchesAny(int pitch, std::initializer_list<std::uint8_t> tones) const {
    int pc = PositiveMod12(pitch);
    for (std::uint8_t tone : tones)
        if (tone % 12 == pc) return true;
    return false;
}

void ChordRecord::StepToTone(int& pitch, int step, bool withSeventh) const {
    if (root == 0 || pitch < 0 || pitch > 127) {
        pitch = 0;
        return;
    }
    if (step == 0) return;
    // A step of more than 128 leaves the keys at once, as one of 128 does.
    step = std::clamp(step, -128, 128);
    auto isTarget = [&](int p) {
        return withSeventh ? MatchesAny(p, {root, third, fifth, seventh})
                           : MatchesAny(p, {root, third, fifth});
    };
    // The root's class comes within 12 moves of one semitone; larger steps
    // may never reach a tone and give up as leaving the range does.
    for (int move = 0; move <= 12; ++move) {
        if (isTarget(pitch)) return;
        pitch += step;
        if (pitch < 0 || pitch > 127) break;
    }
    pitch = 0;
}

void ChordRecord::StepToChordTone(int& pitch, int step) const {
    StepToTone(pitch, step, true);
}

void ChordRecord::StepToTriadTone(int& pitch, int step) const {
    StepToTone(pitch, step, false);
}

int ChordRecord::NearestChordTone(int pitch) const {
    int p = std::clamp(pitch, 0, 127);
    int best = 0;
    bool first = true;
    for (std::uint8_t tone : {root, bass, third, fifth, seventh}) {
        int d = PositiveMod12(tone - p);
        if (d > 6) d -= 12;
        if (first || std::abs(d) < std::abs(best)) best = d;
        first = false;
    }
    // The nearest tone by class, the octave chosen to stay a MIDI pitch.
    return IntoMidiRange(p + best);
}

void ChordRecord::NearestTriadTone(int& pitch, int preferUpper) const {
    int up = pitch, down = pitch;
    StepToTriadTone(up, 1);
    StepToTriadTone(down, -1);
    // A direction that ran out of the range (0) is no candidate.
    if (up == 0) {
        pitch = down;
    } else if (down == 0) {
        pitch = up;
    } else {
        int du = up - pitch, dd = pitch - down;
        if (du < dd) {
            pitch = up;
        } else if (dd < du) {
            pitch = down;
        } else {
            pitch = preferUpper < 1 ? down : up;
        }
    }
}

bool ChordRecord::IsSeventhPitch(int pitch) const {
    return MatchesAny(pitch, {seventh});
}

bool ChordRecord::IsTriadPitch(int pitch) const {
    return MatchesAny(pitch, {root, third, fifth});
}

bool ChordRecord::IsChordTone(int pitch) const {
    return MatchesAny(pitch, {root, third, fifth, seventh});
}

bool ChordRecord::IsDominantSeventh() const {
    return code.text[1] == 'M' && code.text[2] == 'P' && code.text[3] == 's';
}

int ChordRecord::StepPitchToFullWeight(const ScaleString& weights, int pitch) {
    int p = std::clamp(pitch, 0, 127);
    for (int move = 0; move < 12 && WeightOf(weights, p) != kFullWeight; ++move)
        ++p;
    return IntoMidiRange(p);
}

int ChordRecord::ScaleWeightOf(int pitch) const {
    ScaleString weights;
    GetChordScaleWeights(code.text, weights);
    return WeightOf(weights, pitch);
}

void ChordRecord::AdjustToChordTone() {
    ScaleString weights;
    GetChordScaleWeights(code.text, weights);
    for (std::uint8_t* tone : {&root, &bass, &third, &fifth, &seventh})
        *tone = static_cast<std::uint8_t>(StepPitchToFullWeight(weights, *tone));
}

void TransposeChordsDownFrom(int n) {
    for (int i = std::max(n, 1) - 1; i < ComposeInfo.chordCount; ++i)
        ComposeInfo.chords[i]->TransposeDown();
}

void TransposeChordsUpFrom(int n) {
    for (int i = std::max(n, 1) - 1; i < ComposeInfo.chordCount; ++i)
        ComposeInfo.chords[i]->TransposeUp();
}
