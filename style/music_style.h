// The music style record: everything the composer needs to write a tune in
// one style, as a flat pointer-free block of 22732 bytes. The same bytes are
// kept in the catalogue, copied into the working style and written to disk as
// the binary style file, so every field sits at a fixed offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// ---- Shared small types ----

// Four characters naming a chord, no terminator: the root (C D E F G A B for
// naturals, d e g a b for flats) and three quality letters. "NoCd" is no
// chord, "xxxx" undefined.
struct ChordCode {
    char text[4];

    bool Is(std::string_view code) const {
        return code.size() == 4 && std::string_view(text, 4) == code;
    }
    void Set(std::string_view code);
};
static_assert(sizeof(ChordCode) == 4);

// One entry of a harmony structure: a 16-bit big-endian length in ticks and
// a chord code. A list ends with an entry whose two length bytes are zero.
struct HarmonyStructureEntry {
    std::uint8_t lengthHigh;
    std::uint8_t lengthLow;
    ChordCode chord;

    int Length() const { return lengthHigh * 256 + lengthLow; }
};
static_assert(sizeof(HarmonyStructureEntry) == 6);

// "xxxx" followed by one flag per pitch class from C: '9' in the scale, '0'
// not. The same form with weights '0'..'9' serves the chord-scale weights.
struct ScaleString {
    char text[16];
};
static_assert(sizeof(ScaleString) == 16);

constexpr char kMajorScaleNotes[] = "xxxx909099090909";

// ---- Parts of a style ----

// Index into every per-part array; 0 and 6 belong to no part.
enum StylePart : int {
    kPartMelody = 1,
    kPartBass = 2,
    kPartHarmony = 3,
    kPartObbligato = 4,
    kPartSubDrum = 5,
    kPartSubHarmony = 7,
    kPartEnvironment = 8,
    kPartDrum = 9,
};
constexpr int kStylePartSlots = 10;

// Voice code of a part that is not used.
constexpr int kVoiceNotUsed = 256;

// Drum-set codes of the Drum part.
constexpr int kAcousticSet = 1;
constexpr int kElectricSet = 2;
constexpr int kEthnicSet = 3;
constexpr int kTechnoSet = 4;

// Mixer settings of one part; each 0..127.
struct MixBlock {
    std::uint8_t volume;
    std::uint8_t chorus;
    std::uint8_t reverb;
    std::uint8_t brightness;
    std::uint8_t attack;
    std::uint8_t decay;
    std::uint8_t release;
    std::uint8_t resonance;
    std::uint8_t panpot;     // 64 = centre
    std::uint8_t delay;      // ticks, 0 = off
    std::uint8_t holdPedal;  // sustain value put on every chord, 0 = off
    std::uint8_t reserved[5];
};
static_assert(sizeof(MixBlock) == 16);

// How one part's line is generated.
struct MelodySettings {
    std::int32_t dissonance;   // 0, 4, 9, 10
    std::int32_t noteLength;   // 1..10
    std::int32_t syncopation;  // 0 off, 1 on
    std::int32_t reserved3;
    std::int32_t ornament;  // 0..20
    std::int32_t effect;    // 0..22
    std::int32_t voicing;   // 0 none, 1 symmetry, 2 symmetry with delay
    std::int32_t upperLimit;
    std::int32_t lowerLimit;
    std::int32_t algorithm;     // 1..7
    std::int32_t tension;       // 0 even, 1 blue note, 2 jazz
    std::int32_t repeatRhythm;  // 0 off, 1 weak, 2 middle
    std::int32_t repeatMelody;  // 0 off, 1 weak, 2 middle
    std::int32_t algorithmParameter;
    std::int32_t reserved14;
};
static_assert(sizeof(MelodySettings) == 60);

// ---- Custom step grids ----

// Grid parts of a grid set, in their stored order.
enum GridPartIndex : int {
    kGridHarmony = 0,
    kGridSubHarmony = 1,
    kGridDrum = 2,
    kGridBass = 3,
};
constexpr int kGridSets = 4;
constexpr int kGridParts = 4;
constexpr int kGridRows = 14;
constexpr int kGridSteps = 16;

// One step grid: 14 rows of 16 steps, a pitch code (or drum code) per row and
// a continue flag per step (1 = the step repeats the column before it).
struct GridPart {
    std::int32_t noteTable[kGridRows * kGridSteps];
    std::int32_t pnInterval[kGridRows];
    std::int32_t pnContinuem[kGridSteps];

    std::int32_t& Cell(int row, int step) { return noteTable[row * kGridSteps + step]; }
    std::int32_t Cell(int row, int step) const { return noteTable[row * kGridSteps + step]; }
};
static_assert(sizeof(GridPart) == 1016);
static_assert(offsetof(GridPart, pnInterval) == 896);
static_assert(offsetof(GridPart, pnContinuem) == 952);

// The grids the backing generators play when a part's pattern is "Custom":
// four sets of four grid parts, then per grid part which set it uses, whether
// it continues over the chord change and whether it is stroked.
struct CustomHarmonyBlock {
    GridPart grid[kGridSets][kGridParts];  // [set][grid part]
    std::int32_t useX[kGridParts];
    std::int32_t continueMajor[kGridParts];  // 1 "Continue", 0 "Not Continue"
    std::int32_t stroke[kGridParts];
};
static_assert(sizeof(CustomHarmonyBlock) == 16304);
static_assert(offsetof(CustomHarmonyBlock, useX) == 16256);
static_assert(offsetof(CustomHarmonyBlock, continueMajor) == 16272);
static_assert(offsetof(CustomHarmonyBlock, stroke) == 16288);

// ---- The record ----

constexpr int kStyleFormatVersion = 774;
constexpr std::size_t kMusicStyleSize = 22732;
constexpr std::size_t kDisplayTitleSize = 20;
constexpr std::size_t kTitleSize = 21;
constexpr std::size_t kDescriptionSize = 256;
constexpr std::size_t kKnowledgeBaseNameSize = 128;
constexpr std::size_t kRiffBytes = 96;
constexpr std::size_t kHarmonyStructureBytes = 4096;
// Entries that fit in the harmony structure with its two-byte end mark.
constexpr int kMaxHarmonyStructureEntries = (kHarmonyStructureBytes - 2) / 6;

// Metre codes.
constexpr int kMetre44 = 0;
constexpr int kMetre34 = 1;
constexpr int kMetre78 = 2;

// Ticks per bar at 96 ticks per quarter note: 384 (4/4), 288 (3/4), 336 (7/8
// and any other code).
int TicksPerBar(int timeSignature);

struct MusicStyle {
    std::int32_t voice[kStylePartSlots];  // instrument code; drum-set code for Drum
    std::uint8_t reserved40[20];
    std::int32_t setting60;  // carried; default 90
    MixBlock mix[kStylePartSlots];
    std::uint8_t reserved224[96];
    std::int32_t octave[kStylePartSlots];  // octave shift, 0 = none
    std::uint8_t reserved360[8];
    std::int32_t version;                  // format version of the record
    std::int32_t flag372;                  // carried by mixing
    char displayTitle[kDisplayTitleSize];  // shown while composing; not always terminated
    std::int32_t tuneLength;               // bars
    char title[kTitleSize];                // title as stored in files
    std::uint8_t reserved421[19];
    char description[kDescriptionSize];
    std::int32_t timeSignature;   // metre: 0 4/4, 1 3/4, 2 7/8
    std::int32_t tempo;           // microseconds per quarter note
    std::int32_t key;             // 1 C major, 2 A minor
    std::int32_t scale;           // 1..24, 11 custom
    std::int32_t keyOffset;       // semitones 0..11 (C..B)
    std::uint16_t setting716;     // beat setting of the accompaniment, default 1
    std::uint16_t setting718;     // default 51205
    std::int32_t setting720;      // default 1
    std::int32_t basicBeat;       // 0 8/16 beats, 1 with triplets, 3 triplet rhythm
    std::int32_t settings728[3];  // default 0
    std::int32_t settings740[3];  // default 100
    std::int32_t reserved752;
    std::int32_t adjustToChordTone;
    std::int32_t chordGenerationMethod;  // 0 knowledge base, 1 motion calculation, 8 custom
    std::int32_t transpose;
    std::int32_t melodyTableStrictness;  // 0..2
    std::int32_t fixedBass;              // 0 = none
    std::uint8_t riff[kRiffBytes];       // 32 triples (length, value, value)
    std::int32_t onChord;
    char scaleNotes[17];  // ScaleString and a zero byte
    std::uint8_t reserved893[3];
    std::int32_t mtAdjustF;
    std::int32_t mtAdjustL;
    std::int32_t mtAdjustE;
    std::int32_t mtNoCnt;
    std::int32_t melodyTableInterval[8];
    std::int32_t melodyTableDirection[8];
    char knowledgeBase[kKnowledgeBaseNameSize];            // pattern file
    char resolutionKnowledgeBase[kKnowledgeBaseNameSize];  // cadence file, "for Verse"
    CustomHarmonyBlock customHarmony;
    std::int32_t chordsInBlock;  // 0 auto, 1 one measure
    std::int32_t blockLength;    // 0 auto, 4 four chords
    std::int32_t table17544[11];
    std::int32_t imitationOfPhrase;
    std::int32_t subMelodyMethod;      // 6 same as melody, 7 custom, 8 canon
    std::int32_t harmonyPattern;       // 1..61
    std::int32_t chordProgression;     // 1..10
    std::int32_t rhythmPattern;        // 1..39
    std::int32_t subHarmonyPattern;    // 1..61
    std::int32_t bassPattern;          // 1..23
    std::int32_t subDrumPattern;       // 0 same as melody algorithm, 1 bon-odori
    std::int32_t randomGeneratorCode;  // 0 fixed style, 1..9 Random entry of a category
    std::int32_t reserved17624;
    std::uint8_t harmonyStructure[kHarmonyStructureBytes];  // HarmonyStructureEntry list
    MelodySettings melody[kStylePartSlots];
    std::uint8_t reserved22324[360];
    std::int32_t density[kStylePartSlots];  // percent, 100 = normal
    std::uint8_t reserved22724[8];
};

static_assert(sizeof(MusicStyle) == kMusicStyleSize);
// Voices, mix and octaves.
static_assert(offsetof(MusicStyle, voice) == 0);
static_assert(offsetof(MusicStyle, reserved40) == 40);
static_assert(offsetof(MusicStyle, setting60) == 60);
static_assert(offsetof(MusicStyle, mix) == 64);
static_assert(offsetof(MusicStyle, reserved224) == 224);
static_assert(offsetof(MusicStyle, octave) == 320);
static_assert(offsetof(MusicStyle, reserved360) == 360);
// Version, titles and description.
static_assert(offsetof(MusicStyle, version) == 368);
static_assert(offsetof(MusicStyle, flag372) == 372);
static_assert(offsetof(MusicStyle, displayTitle) == 376);
static_assert(offsetof(MusicStyle, tuneLength) == 396);
static_assert(offsetof(MusicStyle, title) == 400);
static_assert(offsetof(MusicStyle, reserved421) == 421);
static_assert(offsetof(MusicStyle, description) == 440);
// Metre, tempo, key and the settings block.
static_assert(offsetof(MusicStyle, timeSignature) == 696);
static_assert(offsetof(MusicStyle, tempo) == 700);
static_assert(offsetof(MusicStyle, key) == 704);
static_assert(offsetof(MusicStyle, scale) == 708);
static_assert(offsetof(MusicStyle, keyOffset) == 712);
static_assert(offsetof(MusicStyle, setting716) == 716);
static_assert(offsetof(MusicStyle, setting718) == 718);
static_assert(offsetof(MusicStyle, setting720) == 720);
static_assert(offsetof(MusicStyle, basicBeat) == 724);
static_assert(offsetof(MusicStyle, settings728) == 728);
static_assert(offsetof(MusicStyle, settings740) == 740);
static_assert(offsetof(MusicStyle, reserved752) == 752);
static_assert(offsetof(MusicStyle, adjustToChordTone) == 756);
static_assert(offsetof(MusicStyle, chordGenerationMethod) == 760);
static_assert(offsetof(MusicStyle, transpose) == 764);
static_assert(offsetof(MusicStyle, melodyTableStrictness) == 768);
static_assert(offsetof(MusicStyle, fixedBass) == 772);
// Riff, scale and melody table.
static_assert(offsetof(MusicStyle, riff) == 776);
static_assert(offsetof(MusicStyle, onChord) == 872);
static_assert(offsetof(MusicStyle, scaleNotes) == 876);
static_assert(offsetof(MusicStyle, reserved893) == 893);
static_assert(offsetof(MusicStyle, mtAdjustF) == 896);
static_assert(offsetof(MusicStyle, mtAdjustL) == 900);
static_assert(offsetof(MusicStyle, mtAdjustE) == 904);
static_assert(offsetof(MusicStyle, mtNoCnt) == 908);
static_assert(offsetof(MusicStyle, melodyTableInterval) == 912);
static_assert(offsetof(MusicStyle, melodyTableDirection) == 944);
// Knowledge base and custom grids.
static_assert(offsetof(MusicStyle, knowledgeBase) == 976);
static_assert(offsetof(MusicStyle, resolutionKnowledgeBase) == 1104);
static_assert(offsetof(MusicStyle, customHarmony) == 1232);
// Block settings and pattern selections.
static_assert(offsetof(MusicStyle, chordsInBlock) == 17536);
static_assert(offsetof(MusicStyle, blockLength) == 17540);
static_assert(offsetof(MusicStyle, table17544) == 17544);
static_assert(offsetof(MusicStyle, imitationOfPhrase) == 17588);
static_assert(offsetof(MusicStyle, subMelodyMethod) == 17592);
static_assert(offsetof(MusicStyle, harmonyPattern) == 17596);
static_assert(offsetof(MusicStyle, chordProgression) == 17600);
static_assert(offsetof(MusicStyle, rhythmPattern) == 17604);
static_assert(offsetof(MusicStyle, subHarmonyPattern) == 17608);
static_assert(offsetof(MusicStyle, bassPattern) == 17612);
static_assert(offsetof(MusicStyle, subDrumPattern) == 17616);
static_assert(offsetof(MusicStyle, randomGeneratorCode) == 17620);
static_assert(offsetof(MusicStyle, reserved17624) == 17624);
// Harmony structure, melody settings and densities.
static_assert(offsetof(MusicStyle, harmonyStructure) == 17628);
static_assert(offsetof(MusicStyle, melody) == 21724);
static_assert(offsetof(MusicStyle, reserved22324) == 22324);
static_assert(offsetof(MusicStyle, density) == 22684);
static_assert(offsetof(MusicStyle, reserved22724) == 22724);

// ---- Operations ----

// Clears the record and writes the defaults of a fresh style (a random riff
// included). Every build of a style starts here, so no value of an earlier
// style survives in the record.
void InitMusicStyle(MusicStyle& style);
// The program's melody table: interval chances and directions.
constexpr std::int32_t kDefaultMelodyTableInterval[8] = {40, 10, 70, 90, 90, 92, 94, 96};
constexpr std::int32_t kDefaultMelodyTableDirection[8] = {-25, -25, 0, 10, 20, 30, 40, 50};
void ResetMelodyTable(MusicStyle& style);

// Writes the derived data: the harmony structure for the tune length and
// metre, and, when the sub melody follows the melody (method 6), the Melody
// part's melody settings onto the Obbligato part.
void FinishMusicStyle(MusicStyle& style);

// Writes one entry per bar ("CMPS" for bars 0-3, "GMPs" for 4-7, and so on)
// and the two-byte end mark. The bar count is cut to what the list holds.
void FillHarmonyStructure(int bars, std::span<std::uint8_t> list, int timeSignature);

// Zeroes the block and writes the default pn_interval rows of grid set 0.
void ResetCustomHarmony(CustomHarmonyBlock& block);

// Writes the one built-in riff: 13 triples filling a 4/4 bar, then zeros.
void SetFixedRiff(std::uint8_t (&riff)[kRiffBytes]);

// ---- Fixed-size text fields ----

// The text of a fixed-size field, stopping at its zero byte or at the end of
// the field, whichever comes first.
std::string FieldText(const char* field, std::size_t size);
// Copies text into a fixed-size field, cut to the field, zero-padded behind.
void SetFieldText(char* field, std::size_t size, std::string_view text);

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}
template <std::size_t N>
void SetFieldText(char (&field)[N], std::string_view text) {
    SetFieldText(field, N, text);
}

// The title shown while composing (the 20-character field at 376).
std::string DisplayTitle(const MusicStyle& style);
// Writes the stored title (400) and the display title (376) from a title in
// code page 932, cut to 20 bytes between whole characters.
void SetStyleTitle(MusicStyle& style, std::string_view title);
