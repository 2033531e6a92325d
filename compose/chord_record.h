// Chord records and chord codes: the letters of a ChordCode, the chord weight
// table built from every code, and the ChordRecord that holds one placed
// chord with the MIDI pitches of its root, bass, third, fifth and seventh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "core/reporters.h"
#include "style/music_style.h"

constexpr ErrorCode kRootNoteError = 0xFF010022;
constexpr ErrorCode kThirdNoteError = 0xFF010023;
constexpr ErrorCode kFifthNoteError = 0xFF010024;
constexpr ErrorCode kSeventhNoteError = 0xFF010025;

// ---- Root letters ----

// C 0, d 1, D 2, e 3, E 4, F 5, g 6, G 7, a 8, A 9, b 10, B 11; any other
// character 0.
int RootLetterToPitchClass(char letter);
// The root letter of a pitch class (taken mod 12): the inverse of
// RootLetterToPitchClass.
char PitchClassToRootLetter(int pitchClass);
// True for the twelve root letters.
bool IsRootLetter(char letter);
// The root letter moved by 1, -1, 5 and 7 semitones; other characters come
// back unchanged.
char RootUpSemitone(char letter);
char RootDownSemitone(char letter);
char RootUpFourth(char letter);
char RootUpFifth(char letter);

// The four characters are equal.
bool SameChordCode(const char* a, const char* b);

// ---- Pitch folding ----

// Moves the pitch by octaves: down while above high, then up while below
// low. The pitch is first kept to 0..127, and the result stays in 0..127
// whatever the range.
void FoldPitchIntoRange(int& pitch, int low, int high);
void FoldChordPitchesIntoRange(int& root, int& bass, int& third, int& fifth, int& seventh, int low,
                               int high);

// ---- Chord weight table ----

constexpr std::size_t kChordWeightTableSize = 16384;
constexpr int kChordTableEntries = 648;
constexpr int kChordTableEntrySize = 19;  // code, 12 digits, "|\r\n"

// The weight text of every chord code: 648 entries and a NUL, rebuilt by
// BuildChordCodeTable. It is built once at start-up, so lookups never see an
// empty table.
extern char ChordWeightTable[kChordWeightTableSize];

// The 16 characters of a code's entry: the code, then '9' at the root, third
// and fifth, '5' for a sixth or minor seventh, '4' for a ninth or major
// seventh, '0' elsewhere. Letters without a tone ('o' third, 'C' fifth, 'd'
// and 'o' seventh, or letters outside the code table) add nothing.
void BuildChordWeightEntry(const char code[4], char out[16]);
// Clears the table and writes the 648 entries in code order.
void BuildChordCodeTable();
// Position of a code in the table, or -1 for a code the table does not hold.
int ChordTableIndex(const char code[4]);

// ---- Chord records ----

// The pitch "Fixed Bass" 10 puts under every chord of a tune.
extern int FixedBassPitch;
constexpr int kFixedBassSetting = 10;
constexpr int kDefaultFixedBassPitch = 43;

class ChordRecord {
public:
    ChordRecord() = default;
    // Builds the chord from a harmony-structure entry and an optional
    // two-digit on-chord text (null or empty for none).
    ChordRecord(const HarmonyStructureEntry& entry, const char* onChord);

    void CopyFrom(const ChordRecord& other) { *this = other; }

    // One semitone down or up; tones that are 0 stay 0.
    void TransposeDown();
    void TransposeUp();

    // The pitch raised until its weight digit is at least 8; 0 past 127.
    static int StepPitchUpToScale(const ScaleString& weights, int pitch);
    // Moves the pitch by step until it is a chord (or triad) tone; 0 when it
    // leaves 0..127 or the chord has no root. Step 0 does not move.
    void StepToChordTone(int& pitch, int step) const;
    void StepToTriadTone(int& pitch, int step) const;
    // The pitch moved to the nearest chord tone by pitch class, within
    // 0..127.
    int NearestChordTone(int pitch) const;
    // The nearer of the triad tones above and below; on a tie the lower when
    // preferUpper is below 1.
    void NearestTriadTone(int& pitch, int preferUpper) const;

    bool IsSeventhPitch(int pitch) const;
    bool IsTriadPitch(int pitch) const;
    bool IsChordTone(int pitch) const;
    bool IsDominantSeventh() const;

    // Raises the pitch at most 12 times until its digit is '9'.
    static int StepPitchToFullWeight(const ScaleString& weights, int pitch);
    // Digit 0..9 of the pitch class in the chord's weight string.
    int ScaleWeightOf(int pitch) const;
    // Moves every tone, 0 included, to the nearest full-weight pitch above.
    void AdjustToChordTone();

    HarmonyStructureEntry source{};
    std::uint8_t root = 0;  // 60..71, 0 for no chord
    std::int32_t length = 0;
    std::uint8_t bass = 0;
    std::uint8_t third = 0;
    std::uint8_t fifth = 0;
    std::uint8_t seventh = 0;
    ChordCode code{};
    char onChordText[2] = {};  // two digits, or a NUL for none

private:
    bool MatchesAny(int pitch, std::initializer_list<std::uint8_t> tones) const;
    void StepToTone(int& pitch, int step, bool withSeventh) const;
};

// Key change of the tune's chord sequence: every chord of ComposeInfo from
// the n-th (counting from 1) to the end, one semitone.
void TransposeChordsDownFrom(int n);
void TransposeChordsUpFrom(int n);
