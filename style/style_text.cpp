#include "style/style_text.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>

#include "core/reporters.h"
#include "core/settings.h"
#include "core/utilities.h"

namespace {

// ---- Error codes of the text form ----

constexpr ErrorCode kParameterInvalid = 0xFF010179;
constexpr ErrorCode kInstrumentUnknown = 0xFF01017A;
constexpr ErrorCode kDrumUnknown = 0xFF01017B;
constexpr ErrorCode kChordInvalid = 0xFF01017C;
constexpr ErrorCode kRiffLengthInvalid = 0xFF01017D;
constexpr ErrorCode kMelodyTableInvalid = 0xFF01017E;
constexpr ErrorCode kMelodyTableLengthInvalid = 0xFF01017F;
constexpr ErrorCode kNoteTableInvalid = 0xFF010180;
constexpr ErrorCode kNoteTableLengthInvalid = 0xFF010181;
constexpr ErrorCode kIntervalInvalid = 0xFF010182;
constexpr ErrorCode kIntervalLengthInvalid = 0xFF010183;
constexpr ErrorCode kContinueInvalid = 0xFF010184;
constexpr ErrorCode kContinueLengthInvalid = 0xFF010185;
constexpr ErrorCode kMixerInvalid = 0xFF010186;
constexpr ErrorCode kScaleNotesInvalid = 0xFF01018B;
constexpr ErrorCode kUnknownKey = 0xFF010196;
constexpr ErrorCode kMelodyStructureInvalid = 0xFF010197;
constexpr ErrorCode kUnknownMelodyKey = 0xFF0101A2;
constexpr ErrorCode kInstrumentInvalid = 0xFF0101A4;

// ---- Name tables ----

using NameValue = StyleChoiceName;
using Names = std::span<const NameValue>;

constexpr NameValue kKeyNames[] = {{"A Minor", 2}, {"C Major", 1}};
constexpr NameValue kTimeSignatureNames[] = {{"4/4", 0}, {"3/4", 1}, {"7/8", 2}};
constexpr NameValue kBasicBeatNames[] = {
    {"Triplet Rhythm", 3}, {"8 Beats/16 Beats", 0}, {"8 Beats/16 Beats with Triplet", 1}};
constexpr NameValue kScaleNames[] = {
    {"Diatonic", 1},     {"Just Intonation", 7},
    {"CDEGA", 2},        {"CEFGB", 3},
    {"Japanese", 13},    {"Blues", 6},
    {"MiddleEast", 8},   {"Islamic Scale", 14},
    {"Gypsy", 15},       {"Hungary", 16},
    {"Macedonia", 20},   {"Whole Tone", 12},
    {"Mixsoridian", 17}, {"Dorian", 18},
    {"CDFGA", 4},        {"GABDE", 9},
    {"Arabian", 10},     {"Indian Scale", 5},
    {"Messiane", 19},    {"Flamenco", 21},
    {"Napolitan", 22},   {"Enigmatic Scale", 24},
    {"Custom", 11},
};
constexpr NameValue kChordGenerationNames[] = {
    {"Knowledge Base", 0}, {"Motion Calculation", 1}, {"Custom", 8}};
constexpr NameValue kChordProgressionNames[] = {
    {"Very Simple", 4},  {"Simple", 3},       {"Normal", 2},
    {"Complex", 1},      {"One Chord", 7},    {"Random", 5},
    {"Sub Dominant", 9}, {"Three Chords", 6}, {"Flamenco", 10},
};
constexpr NameValue kBlockLengthNames[] = {{"Auto", 0}, {"4 Chord", 4}};
constexpr NameValue kChordsInBlockNames[] = {{"Auto", 0}, {"1 Measure", 1}};
constexpr NameValue kSubMelodyNames[] = {{"Same as Melody", 6}, {"Custom", 7}, {"Conon", 8}};
// "Rhythmic" carries 10 and 20 and reads as 10; "Fixed Long Riff(2)" and
// "Quarter Cutting" both carry 46.
constexpr NameValue kHarmonyPatternNames[] = {
    {"Sporadic Arpeggio", 9},
    {"Pops", 4},
    {"Slow Arpeggio", 3},
    {"Continuous Stroke", 2},
    {"Slow Stroke", 1},
    {"Spanish", 5},
    {"Gamelan", 6},
    {"Chinese", 7},
    {"16th Arpeggio", 8},
    {"Rhythmic", 10},
    {"Glam Rock", 11},
    {"Very Slow Stroke", 16},
    {"Techno", 14},
    {"Rhythmical Techno", 17},
    {"Rhythmical", 19},
    {"Tango 1", 21},
    {"Enka", 22},
    {"Complex arpeggio", 25},
    {"Middle East", 26},
    {"Mersey Beat", 27},
    {"Accent", 29},
    {"Riff", 30},
    {"March", 31},
    {"Ragtime", 32},
    {"Rockabilly", 33},
    {"Pops Arpeggio", 34},
    {"Bossa Nova", 35},
    {"Latin", 36},
    {"Rhythmic Latin", 37},
    {"Trans", 38},
    {"Long Riff", 40},
    {"Fixed Long Riff(1)", 41},
    {"Hawaian", 42},
    {"Oldays Guitar", 44},
    {"Stroke Riff", 45},
    {"Dissonant Arpeggio", 49},
    {"Melodious", 51},
    {"Bend", 52},
    {"Whole note", 12},
    {"Arpeggio", 13},
    {"Hip hop", 15},
    {"Rap Techno", 18},
    {"Rhythmic", 20},
    {"Tango 2", 23},
    {"Melodic", 24},
    {"Fast Arpeggio", 39},
    {"Simple Stroke", 43},
    {"Fixed Long Riff(2)", 46},
    {"Borero", 50},
    {"Whole Note High", 53},
    {"Cutting", 54},
    {"Cha Cha Cha", 55},
    {"Parade", 56},
    {"Kecak", 57},
    {"Flamenco", 58},
    {"Waltz", 59},
    {"Jazz Waltz", 61},
    {"Quarter Cutting", 46},
    {"Custom", 47},
};
constexpr NameValue kRhythmPatternNames[] = {
    {"8 Beat", 1},      {"16 Beat", 2},      {"March", 3},         {"8 Beat Random", 4},
    {"Folklore", 5},    {"Chinese", 6},      {"African", 7},       {"16 Beat House", 8},
    {"Blues", 9},       {"Japanese", 10},    {"Swing", 11},        {"16 beat Random", 12},
    {"Techno", 13},     {"Rap", 14},         {"Temple", 15},       {"Heavy 8beat", 16},
    {"Enka", 17},       {"Indian", 18},      {"Mergy", 19},        {"Progre", 20},
    {"Random Mix", 21}, {"Xmas", 22},        {"Rockabilly", 23},   {"Bossa Nova", 24},
    {"Latin", 25},      {"Trans", 26},       {"Create", 27},       {"Borero", 29},
    {"Polka", 30},      {"Gagaku", 31},      {"Glam Rock", 32},    {"Cha Cha Cha", 33},
    {"Parade", 34},     {"Flamenco", 35},    {"Child Rhythm", 36}, {"Waltz", 37},
    {"Jazz Waltz", 38}, {"Poly Rhythm", 39}, {"Custom", 28},
};
constexpr NameValue kBassPatternNames[] = {
    {"Mono Tone", 2},      {"General", 1},     {"5th Combination", 3}, {"Classical", 4},
    {"Short", 5},          {"Blues", 6},       {"Melodic", 7},         {"Walking Bass", 8},
    {"Fusion", 9},         {"Hip hop", 10},    {"Pops", 11},           {"Tango", 12},
    {"Slow", 13},          {"Rockavilly", 14}, {"Bossanova", 15},      {"Latin", 16},
    {"Trans", 17},         {"Drumn Bass", 18}, {"Long Riff", 19},      {"Custom", 20},
    {"2nd mono tone", 21}, {"Kecak", 22},      {"Waltz", 23},
};
constexpr NameValue kSubDrumPatternNames[] = {{"Same as Melody Algo.", 0}, {"Bonodori", 1}};
constexpr NameValue kDrumSetNames[] = {{"Acoustic Set", kAcousticSet},
                                       {"Electric Set", kElectricSet},
                                       {"Ethnic Set", kEthnicSet},
                                       {"Techno Set", kTechnoSet}};

// Names of the melody settings.
constexpr NameValue kDissonantNames[] = {{"Many", 0}, {"Some", 4}, {"Little", 9}, {"Prohibit", 10}};
constexpr NameValue kNoteLengthNames[] = {
    {"Fluctuation", 5},      {"Long & Even", 2}, {"Long", 6},
    {"Long Down Beat", 3},   {"Mechanical", 4},  {"Short", 1},
    {"Slow Fluctuation", 7}, {"Mixed", 8},       {"Short Long", 9},
    {"Swing", 10},
};
constexpr NameValue kSyncopationNames[] = {{"Syncopetion Off", 0}, {"Syncopetion On", 1}};
// A rest level sets the part's density.
constexpr NameValue kRestNoteNames[] = {
    {"least", 160},      {"less", 140}, {"a few", 120}, {"medium", 100},
    {"little more", 80}, {"many", 60},  {"more", 40},   {"most", 20},
};
constexpr NameValue kEffectNames[] = {
    {"None", 0},     {"Choking(L)", 5},  {"Choking(M)", 17},  {"Scat", 18},
    {"Shake", 13},   {"Vibrato", 10},    {"Silen Effect", 8}, {"Long Pipe Effect", 9},
    {"Formant", 12}, {"Shake Head", 19}, {"Yodel", 20},       {"Connect Notes", 21},
    {"Tremolo", 22},
};
constexpr NameValue kAbbellimentiNames[] = {
    {"None", 0},        {"Classical", 1},  {"Crazy Trill", 2},      {"Blues", 3},
    {"Unstable", 4},    {"Percussive", 6}, {"Murmur", 7},           {"Pops", 11},
    {"Rap Voice", 14},  {"Andes", 15},     {"Scotland", 16},        {"Scale", 17},
    {"Continuous", 18}, {"Jump", 19},      {"Southern Island", 20},
};
constexpr NameValue kVoicingNames[] = {{"None", 0}, {"Symmetry", 1}, {"Symmetry Delay", 2}};
constexpr NameValue kAlgorithmNames[] = {
    {"Lagurange", 1},   {"Directional", 2},  {"Fluctuation", 3}, {"1/f Fluctuation", 4},
    {"Jump Filter", 5}, {"Melody Table", 6}, {"Mono note", 7},
};
constexpr NameValue kTensionNames[] = {{"Even", 0}, {"Jazz", 2}, {"Blue Note", 1}};
constexpr NameValue kRepeatNames[] = {{"Repeat Off", 0}, {"Repeat Weak", 1}, {"Repeat Middle", 2}};

const NameValue* FindName(Names names, std::string_view text) {
    for (const NameValue& entry : names) {
        if (text == entry.name) return &entry;
    }
    return nullptr;
}

// The name the writer may use for a value: the first entry carrying it, as
// long as reading that name gives the value back. A name shared with an
// earlier entry ("Rhythmic" is 10 and 20) would read as the other value, so
// such a value has no name and is written as its number.
const char* NameOf(Names names, int value) {
    for (const NameValue& entry : names) {
        if (entry.value == value)
            return FindName(names, entry.name)->value == value ? entry.name : nullptr;
    }
    return nullptr;
}

// The word pairs of the switches: the first word is 1, the second 0.
enum class Words { EnableDisable, OnOff, DoDont, ContinueNot };
constexpr const char* kSwitchWords[4][2] = {
    {"Enable", "Disable"}, {"On", "Off"}, {"Do", "Don't"}, {"Continue", "Not Continue"}};

// What the writer puts for a time signature outside 0..2: "エラー" in code
// page 932.
constexpr char kMetreErrorText[] = "\x83\x47\x83\x89\x81\x5B";

// ---- Field access by record offset ----

std::uint8_t* BytesOf(MusicStyle& style) {
    return reinterpret_cast<std::uint8_t*>(&style);
}
const std::uint8_t* BytesOf(const MusicStyle& style) {
    return reinterpret_cast<const std::uint8_t*>(&style);
}

std::int32_t GetInt(const MusicStyle& style, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, BytesOf(style) + offset, sizeof value);
    return value;
}

void SetInt(MusicStyle& style, std::size_t offset, std::int32_t value) {
    std::memcpy(BytesOf(style) + offset, &value, sizeof value);
}

constexpr std::size_t VoiceAt(int part) {
    return offsetof(MusicStyle, voice) + 4 * part;
}
constexpr std::size_t OctaveAt(int part) {
    return offsetof(MusicStyle, octave) + 4 * part;
}
constexpr std::size_t DensityAt(int part) {
    return offsetof(MusicStyle, density) + 4 * part;
}
constexpr std::size_t MelodyAt(int part) {
    return offsetof(MusicStyle, melody) + sizeof(MelodySettings) * part;
}
constexpr std::size_t GridIntsAt(std::size_t member, int gridPart) {
    return offsetof(MusicStyle, customHarmony) + member + 4 * gridPart;
}
constexpr std::size_t UseXAt(int gridPart) {
    return GridIntsAt(offsetof(CustomHarmonyBlock, useX), gridPart);
}
constexpr std::size_t ContinueAt(int gridPart) {
    return GridIntsAt(offsetof(CustomHarmonyBlock, continueMajor), gridPart);
}
constexpr std::size_t StrokeAt(int gridPart) {
    return GridIntsAt(offsetof(CustomHarmonyBlock, stroke), gridPart);
}

// ---- Key rules ----

enum class Syntax {
    Number,        // int at offset, written with `width` digits
    Switch,        // int at offset, one of the word pairs
    Name,          // int at offset, a name of `names`
    Instrument,    // voice at offset
    DrumSet,       // voice at offset, a drum-set name
    Title,         // both titles
    Text,          // chars at offset, `width` bytes
    ScaleNotes,    // the scale string
    Tempo,         // beats per minute for the microseconds at offset
    CustomChord,   // the harmony structure
    Riff,          // 96 riff bytes
    MelodyRow,     // 8 ints at offset
    GridNotes,     // note table of grid part `width`, set chosen by the value
    GridInterval,  // pn_interval of grid part `width`
    GridContinue,  // pn_continuem of grid part `width`
    Mixer,         // mix block of part `width`
    PartBlock,     // the melody-settings block of part `width` (writer only)
    RestNote,      // the density of the block's part (reader only)
};

struct KeyRule {
    const char* key;
    Syntax syntax;
    std::size_t offset;  // field offset (within MelodySettings for part-block rules)
    int width;           // digits, field size, part or grid part, by syntax
    Names names;
    ErrorCode error;        // bad name, bad separator
    ErrorCode lengthError;  // bad item count
    Words words;
    bool readOnly;  // another spelling of a key: read, never written
};

constexpr KeyRule Number(const char* key, std::size_t offset, int width = 3) {
    return {key, Syntax::Number, offset, width, {}, 0, 0, Words::OnOff, false};
}
constexpr KeyRule Switch(const char* key, std::size_t offset, Words words) {
    return {key, Syntax::Switch, offset, 0, {}, 0, 0, words, false};
}
constexpr KeyRule Name(const char* key, std::size_t offset, Names names, ErrorCode error) {
    return {key, Syntax::Name, offset, 0, names, error, 0, Words::OnOff, false};
}
constexpr KeyRule Special(const char* key, Syntax syntax, std::size_t offset = 0, int width = 0) {
    return {key, syntax, offset, width, {}, 0, 0, Words::OnOff, false};
}
constexpr KeyRule List(const char* key, Syntax syntax, std::size_t offset, int width,
                       ErrorCode error, ErrorCode lengthError) {
    return {key, syntax, offset, width, {}, error, lengthError, Words::OnOff, false};
}
// A grid list of one grid part, with the error codes of its kind of list.
constexpr KeyRule GridList(const char* key, Syntax syntax, int gridPart) {
    if (syntax == Syntax::GridNotes)
        return List(key, syntax, 0, gridPart, kNoteTableInvalid, kNoteTableLengthInvalid);
    if (syntax == Syntax::GridInterval)
        return List(key, syntax, 0, gridPart, kIntervalInvalid, kIntervalLengthInvalid);
    return List(key, syntax, 0, gridPart, kContinueInvalid, kContinueLengthInvalid);
}
constexpr KeyRule Alias(KeyRule rule) {
    rule.readOnly = true;
    return rule;
}

// The main section, in the order the writer emits it; aliases follow the key
// they stand for.
constexpr KeyRule kMainRules[] = {
    Number("ZAW Version", offsetof(MusicStyle, version), 4),
    Special("Title", Syntax::Title),
    Name("Key", offsetof(MusicStyle, key), kKeyNames, 0xFF010187),
    Name("Time Signature", offsetof(MusicStyle, timeSignature), kTimeSignatureNames, 0xFF010188),
    Name("Basic Beat", offsetof(MusicStyle, basicBeat), kBasicBeatNames, 0xFF010189),
    Special("Tempo", Syntax::Tempo, offsetof(MusicStyle, tempo)),
    Name("Scale", offsetof(MusicStyle, scale), kScaleNames, 0xFF01018A),
    Special("Scale Notes", Syntax::ScaleNotes),
    Switch("Transpose", offsetof(MusicStyle, transpose), Words::EnableDisable),
    Number("Tune Length", offsetof(MusicStyle, tuneLength), 4),

    Special("Instrument:Melody", Syntax::Instrument, VoiceAt(kPartMelody)),
    Special("Instrument:Obbligato", Syntax::Instrument, VoiceAt(kPartObbligato)),
    Alias(Special("Instrument:Obligatto", Syntax::Instrument, VoiceAt(kPartObbligato))),
    Special("Instrument:Harmony", Syntax::Instrument, VoiceAt(kPartHarmony)),
    Special("Instrument:Sub Harmony", Syntax::Instrument, VoiceAt(kPartSubHarmony)),
    Special("Instrument:Bass", Syntax::Instrument, VoiceAt(kPartBass)),
    Special("Instrument:Drum", Syntax::DrumSet, VoiceAt(kPartDrum)),
    Special("Instrument:Sub Drum", Syntax::Instrument, VoiceAt(kPartSubDrum)),
    Special("Instrument:Environmental Sound", Syntax::Instrument, VoiceAt(kPartEnvironment)),

    Number("Melody:Density", DensityAt(kPartMelody)),
    Special("Melody", Syntax::PartBlock, 0, kPartMelody),
    Number("Obbligato:Density", DensityAt(kPartObbligato)),
    Alias(Number("Obligatto:Density", DensityAt(kPartObbligato))),
    Special("Obbligato", Syntax::PartBlock, 0, kPartObbligato),
    Number("Sub Drum:Density", DensityAt(kPartSubDrum)),
    Special("Drum", Syntax::PartBlock, 0, kPartSubDrum),

    Switch("Imitation of Phrase", offsetof(MusicStyle, imitationOfPhrase), Words::OnOff),
    Switch("On Chord", offsetof(MusicStyle, onChord), Words::OnOff),
    Switch("Adjust to Chord Tone", offsetof(MusicStyle, adjustToChordTone), Words::DoDont),
    Name("Chord Generation Method", offsetof(MusicStyle, chordGenerationMethod),
         kChordGenerationNames, 0xFF01018C),
    Special("Knowledge Base", Syntax::Text, offsetof(MusicStyle, knowledgeBase),
            kKnowledgeBaseNameSize),
    Special("Knowledge Base for Verse", Syntax::Text, offsetof(MusicStyle, resolutionKnowledgeBase),
            kKnowledgeBaseNameSize),
    Name("Chord Progression", offsetof(MusicStyle, chordProgression), kChordProgressionNames,
         0xFF01018D),
    Name("Block Length", offsetof(MusicStyle, blockLength), kBlockLengthNames, 0xFF01018E),
    Name("Number of Chords in a Block", offsetof(MusicStyle, chordsInBlock), kChordsInBlockNames,
         0xFF01018F),
    Special("Custom Chord", Syntax::CustomChord),
    Number("Fixed Bass", offsetof(MusicStyle, fixedBass)),
    Name("Generation Method of Sub Melody", offsetof(MusicStyle, subMelodyMethod), kSubMelodyNames,
         0xFF010190),
    Name("Harmony Pattern", offsetof(MusicStyle, harmonyPattern), kHarmonyPatternNames, 0xFF010191),
    Number("Harmony:Density", DensityAt(kPartHarmony)),
    Special("Riff", Syntax::Riff),

    List("Melody Tabe:Interval", Syntax::MelodyRow, offsetof(MusicStyle, melodyTableInterval), 0,
         kMelodyTableInvalid, kMelodyTableLengthInvalid),
    List("Melody Tabe:Direction", Syntax::MelodyRow, offsetof(MusicStyle, melodyTableDirection), 0,
         kMelodyTableInvalid, kMelodyTableLengthInvalid),
    Switch("Melody Tabe:MTAdjustF", offsetof(MusicStyle, mtAdjustF), Words::DoDont),
    Switch("Melody Tabe:MTAdjustL", offsetof(MusicStyle, mtAdjustL), Words::DoDont),
    Switch("Melody Tabe:MTAdjustE", offsetof(MusicStyle, mtAdjustE), Words::DoDont),
    Switch("Melody Tabe:MTNoCnt", offsetof(MusicStyle, mtNoCnt), Words::DoDont),

    Number("Custom Harmony:use_x:Harmony", UseXAt(kGridHarmony)),
    Number("Custom Harmony:use_x:Sub Harmony", UseXAt(kGridSubHarmony)),
    Number("Custom Harmony:use_x:Bass", UseXAt(kGridBass)),
    Number("Custom Harmony:use_x:Drum", UseXAt(kGridDrum)),

    GridList("Custom Harmony:NoteTable:Harmony", Syntax::GridNotes, kGridHarmony),
    GridList("Custom Harmony:NoteTable:Sub Harmony", Syntax::GridNotes, kGridSubHarmony),
    GridList("Custom Harmony:NoteTable:Bass", Syntax::GridNotes, kGridBass),
    GridList("Custom Harmony:NoteTable:Drum", Syntax::GridNotes, kGridDrum),
    GridList("Custom Harmony:pn_interval:Harmony", Syntax::GridInterval, kGridHarmony),
    GridList("Custom Harmony:pn_interval:Sub Harmony", Syntax::GridInterval, kGridSubHarmony),
    GridList("Custom Harmony:pn_interval:Bass", Syntax::GridInterval, kGridBass),
    GridList("Custom Harmony:pn_interval:Drum", Syntax::GridInterval, kGridDrum),
    GridList("Custom Harmony:pn_continuem:Harmony", Syntax::GridContinue, kGridHarmony),
    GridList("Custom Harmony:pn_continuem:Sub Harmony", Syntax::GridContinue, kGridSubHarmony),
    GridList("Custom Harmony:pn_continuem:Bass", Syntax::GridContinue, kGridBass),
    GridList("Custom Harmony:pn_continuem:Drum", Syntax::GridContinue, kGridDrum),

    Switch("Custom Harmony:continue_major:Harmony", ContinueAt(kGridHarmony), Words::ContinueNot),
    Switch("Custom Harmony:continue_major:Sub Harmony", ContinueAt(kGridSubHarmony),
           Words::ContinueNot),
    Switch("Custom Harmony:continue_major:Bass", ContinueAt(kGridBass), Words::ContinueNot),
    Switch("Custom Harmony:continue_major:Drum", ContinueAt(kGridDrum), Words::ContinueNot),
    Switch("Custom Harmony:stroke:Harmony", StrokeAt(kGridHarmony), Words::DoDont),
    Switch("Custom Harmony:stroke:Sub Harmony", StrokeAt(kGridSubHarmony), Words::DoDont),
    Switch("Custom Harmony:stroke:Bass", StrokeAt(kGridBass), Words::DoDont),
    Switch("Custom Harmony:stroke:Drum", StrokeAt(kGridDrum), Words::DoDont),

    Name("Rhythm Pattern", offsetof(MusicStyle, rhythmPattern), kRhythmPatternNames, 0xFF010192),
    Name("Sub Harmony Pattern", offsetof(MusicStyle, subHarmonyPattern), kHarmonyPatternNames,
         0xFF010193),
    Number("Sub Harmony:Density", DensityAt(kPartSubHarmony)),
    Name("Bass Patterm", offsetof(MusicStyle, bassPattern), kBassPatternNames, 0xFF010194),
    Name("Sub Drum Pattern", offsetof(MusicStyle, subDrumPattern), kSubDrumPatternNames,
         0xFF010195),

    Number("Octave:Melody", OctaveAt(kPartMelody)),
    Number("Octave:Sub Melody", OctaveAt(kPartObbligato)),
    Number("Octave:Harmony", OctaveAt(kPartHarmony)),
    Number("Octave:Sub Harmony", OctaveAt(kPartSubHarmony)),
    Number("Octave:Bass", OctaveAt(kPartBass)),
    Number("Octave:Sub Drum", OctaveAt(kPartSubDrum)),

    Special("Mixer:Melody", Syntax::Mixer, 0, kPartMelody),
    Special("Mixer:Sub Melody", Syntax::Mixer, 0, kPartObbligato),
    Special("Mixer:Harmony", Syntax::Mixer, 0, kPartHarmony),
    Special("Mixer:Sub Harmony", Syntax::Mixer, 0, kPartSubHarmony),
    Special("Mixer:Bass", Syntax::Mixer, 0, kPartBass),
    Special("Mixer:Drum", Syntax::Mixer, 0, kPartDrum),
    Special("Mixer:Sub Drum", Syntax::Mixer, 0, kPartSubDrum),
    Special("Mixer:Environment", Syntax::Mixer, 0, kPartEnvironment),
};

// The keys of a part block, in the order the writer emits them; offsets
// within the part's melody settings.
constexpr KeyRule kPartRules[] = {
    Name("Melody Structure:Dissonant", offsetof(MelodySettings, dissonance), kDissonantNames,
         0xFF010198),
    Name("Melody Structure:Note Length", offsetof(MelodySettings, noteLength), kNoteLengthNames,
         0xFF010199),
    // Any other word leaves the syncopation as it was, without a message.
    Name("Melody Structure:Syncopation", offsetof(MelodySettings, syncopation), kSyncopationNames,
         0),
    Name("Melody Structure:Effect", offsetof(MelodySettings, effect), kEffectNames, 0xFF01019B),
    Name("Melody Structure:Abbelimenti", offsetof(MelodySettings, ornament), kAbbellimentiNames,
         0xFF01019C),
    Name("Melody Structure:Voicing", offsetof(MelodySettings, voicing), kVoicingNames, 0xFF01019D),
    Number("Melody Structure:Upper Limit", offsetof(MelodySettings, upperLimit)),
    Number("Melody Structure:Lower Limit", offsetof(MelodySettings, lowerLimit)),
    Name("Melody Structure:Algorithm", offsetof(MelodySettings, algorithm), kAlgorithmNames,
         0xFF01019E),
    Name("Melody Structure:Tension", offsetof(MelodySettings, tension), kTensionNames, 0xFF01019F),
    Name("Melody Structure:Repeat Rhythm", offsetof(MelodySettings, repeatRhythm), kRepeatNames,
         0xFF0101A0),
    Name("Melody Structure:Repeat Melody", offsetof(MelodySettings, repeatMelody), kRepeatNames,
         0xFF0101A1),
    Number("Melody Structure:Algorithm Parameter", offsetof(MelodySettings, algorithmParameter)),
    Alias({"Melody Structure:Rest Note", Syntax::RestNote, 0, 0, kRestNoteNames, 0xFF01019A, 0,
           Words::OnOff, false}),
};

// Part blocks the reader applies, by name.
struct BlockName {
    const char* name;
    int part;
};
// The "Drum" block carries the Sub Drum part's melody settings: the writer
// fills it from part 5 right after "Sub Drum:Density", and the reader puts it
// back there.
constexpr BlockName kBlockNames[] = {{"Melody", kPartMelody},
                                     {"Obbligato", kPartObbligato},
                                     {"Obligatto", kPartObbligato},
                                     {"Drum", kPartSubDrum}};

const KeyRule* FindRule(std::span<const KeyRule> rules, std::string_view key) {
    for (const KeyRule& rule : rules) {
        if (rule.syntax != Syntax::PartBlock && key == rule.key) return &rule;
    }
    return nullptr;
}

// ---- Value conversions ----

// Decimal conversion as the C library's atoi does it (leading blanks, an
// optional sign, digits up to the first other character), saturated at the
// int range instead of overflowing.
int ParseDecimal(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r')))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min<long long>(value * 10 + (text[pos] - '0'), 1LL + INT_MAX);
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

enum class ListResult { Ok, BadSeparator, BadCount };

// Items of four characters: a three-character signed number and '-'.
ListResult ReadItems(std::string_view text, std::span<int> out) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += 4) {
        if (text.size() - pos < 4 || text[pos + 3] != '-') return ListResult::BadSeparator;
        if (count == out.size()) return ListResult::BadCount;
        out[count++] = ParseDecimal(text.substr(pos, 3));
    }
    return count == out.size() ? ListResult::Ok : ListResult::BadCount;
}

// Reports a failed list; true when the list is good.
bool ListGood(ListResult result, const KeyRule& rule) {
    if (result == ListResult::BadSeparator) ShowErrorMessage(rule.error);
    if (result == ListResult::BadCount) ShowErrorMessage(rule.lengthError);
    return result == ListResult::Ok;
}

// A value that is a plain decimal number (an optional sign and digits,
// nothing else): the writer's form for a value no name carries. Names are
// looked up first, so no name is ever taken for a number.
bool ReadPlainNumber(std::string_view text, int& value) {
    std::size_t digits = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (digits == text.size()) return false;
    for (std::size_t pos = digits; pos < text.size(); ++pos) {
        if (text[pos] < '0' || text[pos] > '9') return false;
    }
    value = ParseDecimal(text);
    return true;
}

int ReadSwitch(std::string_view text) {
    for (const auto& pair : kSwitchWords) {
        if (text == pair[0]) return 1;
        if (text == pair[1]) return 0;
    }
    int value;
    if (ReadPlainNumber(text, value)) return value;
    ShowErrorMessage(kParameterInvalid);
    return 0;
}

int ReadInstrument(std::string_view text) {
    if (text == "---") return kVoiceNotUsed;
    for (int code = 0; code < kInstrumentNameCount; ++code) {
        const char* name = InstrumentNameTable[code];
        if (name && text == name) return code;
    }
    int code;
    if (ReadPlainNumber(text, code)) return code;
    ShowErrorMessage(kInstrumentUnknown);
    return kVoiceNotUsed;
}

int ReadDrumSet(std::string_view text) {
    if (text == "---") return kVoiceNotUsed;
    if (const NameValue* found = FindName(kDrumSetNames, text)) return found->value;
    int code;
    if (ReadPlainNumber(text, code)) return code;
    ShowErrorMessage(kDrumUnknown);
    return kVoiceNotUsed;
}

constexpr int kMaxTextBpm = 60000;

void ReadTempo(std::string_view text, MusicStyle& style) {
    int bpm = ParseDecimal(text);
    if (bpm == 0) {
        BpmToTempo(0);  // reports the zero
        return;
    }
    // Every tempo of at least one millisecond per quarter is written as
    // 1..60000 beats per minute; anything else is no tempo.
    if (bpm < 1 || bpm > kMaxTextBpm) {
        ShowErrorMessage(kParameterInvalid);
        return;
    }
    style.tempo = BpmToTempo(bpm);
}

// The harmony structure: items of nine characters (four digits of ticks, a
// chord code, '-'), at most as many as the list holds.
void ReadCustomChord(std::string_view text, MusicStyle& style) {
    std::memset(style.harmonyStructure, 0, sizeof style.harmonyStructure);
    int entries = 0;
    for (std::size_t pos = 0; pos < text.size() && entries < kMaxHarmonyStructureEntries;
         pos += 9) {
        if (text.size() - pos < 9 || text[pos + 8] != '-') {
            ShowErrorMessage(kChordInvalid);
            return;
        }
        int ticks = ParseDecimal(text.substr(pos, 4));
        if (ticks < 0) {
            ShowErrorMessage(kChordInvalid);
            return;
        }
        std::uint8_t* entry = style.harmonyStructure + entries * sizeof(HarmonyStructureEntry);
        entry[0] = static_cast<std::uint8_t>(ticks / 256);
        entry[1] = static_cast<std::uint8_t>(ticks % 256);
        std::memcpy(entry + 2, text.data() + pos + 4, 4);
        ++entries;
    }
}

// 96 bytes; -1 stands for 255. Values outside -1..255 are clamped into the
// byte range and reported rather than wrapped.
void ReadRiff(std::string_view text, MusicStyle& style) {
    int items[kRiffBytes];
    ListResult result = ReadItems(text, items);
    if (result == ListResult::BadSeparator) ShowErrorMessage(kChordInvalid);
    if (result == ListResult::BadCount) ShowErrorMessage(kRiffLengthInvalid);
    if (result != ListResult::Ok) return;
    bool clamped = false;
    for (std::size_t i = 0; i < kRiffBytes; ++i) {
        int value = items[i] == -1 ? 255 : items[i];
        if (value < 0 || value > 255) {
            clamped = true;
            value = std::clamp(value, 0, 255);
        }
        style.riff[i] = static_cast<std::uint8_t>(value);
    }
    if (clamped) ShowErrorMessage(kChordInvalid);
}

void ReadMelodyRow(std::string_view text, const KeyRule& rule, MusicStyle& style) {
    int items[8];
    if (!ListGood(ReadItems(text, items), rule)) return;
    for (int i = 0; i < 8; ++i)
        SetInt(style, rule.offset + 4 * i, items[i]);
}

// The first character names the grid set 0..3; the items follow.
void ReadGridList(std::string_view text, const KeyRule& rule, MusicStyle& style) {
    if (text.empty() || text[0] < '0' || text[0] > '3') {
        ShowErrorMessage(rule.error);
        return;
    }
    GridPart& grid = style.customHarmony.grid[text[0] - '0'][rule.width];
    std::span<std::int32_t> target;
    if (rule.syntax == Syntax::GridNotes) target = grid.noteTable;
    if (rule.syntax == Syntax::GridInterval) target = grid.pnInterval;
    if (rule.syntax == Syntax::GridContinue) target = grid.pnContinuem;
    int items[kGridRows * kGridSteps];
    std::span<int> values(items, target.size());
    if (!ListGood(ReadItems(text.substr(1), values), rule)) return;
    std::copy(values.begin(), values.end(), target.begin());
}

constexpr const char* kMixerTags[9] = {"Volume", "Chorus",  "Reverb",    "Brightness", "Attack",
                                       "Decay",  "Release", "Resonance", "Panpot"};

// Bytes 0..8 of the part's mix block, each from the three digits after its
// own tag. A missing tag stops there; values outside 0..127 are clamped.
void ReadMixer(std::string_view text, int part, MusicStyle& style) {
    std::uint8_t* mix = reinterpret_cast<std::uint8_t*>(&style.mix[part]);
    bool clamped = false;
    for (int byte = 0; byte < 9; ++byte) {
        std::string tag = std::string("<") + kMixerTags[byte] + ">";
        std::size_t at = text.find(tag);
        if (at == std::string_view::npos) {
            ShowErrorMessage(kMixerInvalid);
            break;
        }
        int value = ParseDecimal(text.substr(at + tag.size(), 3));
        if (value < 0 || value > 127) {
            clamped = true;
            value = std::clamp(value, 0, 127);
        }
        mix[byte] = static_cast<std::uint8_t>(value);
    }
    if (clamped) ShowErrorMessage(kMixerInvalid);
}

// Stores one entry's value. `part` is the part of the block being read (0 in
// the main section), whose melody settings the part-block rules address.
void ApplyEntry(const KeyRule& rule, std::string_view value, MusicStyle& style, int part) {
    std::size_t offset = rule.offset + (part > 0 ? MelodyAt(part) : 0);
    switch (rule.syntax) {
        case Syntax::Number:
            SetInt(style, offset, ParseDecimal(value));
            break;
        case Syntax::Switch:
            SetInt(style, offset, ReadSwitch(value));
            break;
        case Syntax::Name:
            if (const NameValue* found = FindName(rule.names, value)) {
                SetInt(style, offset, found->value);
            } else if (int number; ReadPlainNumber(value, number)) {
                SetInt(style, offset, number);
            } else if (rule.error != 0) {
                ShowErrorMessage(rule.error);
            }
            break;
        case Syntax::RestNote:
            if (const NameValue* found = FindName(rule.names, value)) {
                SetInt(style, DensityAt(part), found->value);
            } else {
                ShowErrorMessage(rule.error);
            }
            break;
        case Syntax::Instrument:
            SetInt(style, offset, ReadInstrument(value));
            break;
        case Syntax::DrumSet:
            SetInt(style, offset, ReadDrumSet(value));
            break;
        case Syntax::Title:
            SetStyleTitle(style, value);
            break;
        case Syntax::Text:
            SetFieldText(reinterpret_cast<char*>(BytesOf(style) + offset), rule.width,
                         value.substr(0, rule.width - 1));
            break;
        case Syntax::ScaleNotes:
            if (value.size() > sizeof(ScaleString)) {
                ShowErrorMessage(kScaleNotesInvalid);
            } else {
                SetFieldText(style.scaleNotes, value);
            }
            break;
        case Syntax::Tempo:
            ReadTempo(value, style);
            break;
        case Syntax::CustomChord:
            ReadCustomChord(value, style);
            break;
        case Syntax::Riff:
            ReadRiff(value, style);
            break;
        case Syntax::MelodyRow:
            ReadMelodyRow(value, rule, style);
            break;
        case Syntax::GridNotes:
        case Syntax::GridInterval:
        case Syntax::GridContinue:
            ReadGridList(value, rule, style);
            break;
        case Syntax::Mixer:
            ReadMixer(value, rule.width, style);
            break;
        case Syntax::PartBlock:
            break;
    }
}

// ---- Reading ----

bool IsLeadByte(std::uint8_t c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

class TextReader {
public:
    TextReader(const std::uint8_t* text, std::size_t length, MusicStyle& style)
        : text_(text), length_(length), style_(style) {
        value_.reserve(4096);
    }

    void Run() {
        std::size_t pos = 0;
        while (pos < length_) {
            if (IsLeadByte(text_[pos])) {
                pos += 2;
            } else if (text_[pos] != '[') {
                ++pos;
            } else if (pos + 1 < length_ && text_[pos + 1] == '[') {
                pos = ReadBlock(pos);
            } else {
                pos = ReadEntry(pos, length_, kMainRules, 0, kUnknownKey);
            }
        }
    }

private:
    // The next position at or after pos where `pattern` starts, stepping
    // over double-byte characters; `end` when there is none before it.
    std::size_t Find(std::size_t pos, std::size_t end, std::string_view pattern) const {
        while (pos < end) {
            if (end - pos >= pattern.size() &&
                std::memcmp(text_ + pos, pattern.data(), pattern.size()) == 0) {
                return pos;
            }
            pos += IsLeadByte(text_[pos]) ? 2 : 1;
        }
        return end;
    }

    bool StartsWith(std::size_t pos, std::string_view pattern) const {
        return length_ - pos >= pattern.size() &&
               std::memcmp(text_ + pos, pattern.data(), pattern.size()) == 0;
    }

    // One "[key]value" entry starting at the '[' at pos; returns where the
    // next entry may start.
    std::size_t ReadEntry(std::size_t pos, std::size_t end, std::span<const KeyRule> rules,
                          int part, ErrorCode unknownKey) {
        std::size_t keyEnd = Find(pos + 1, end, "]");
        if (keyEnd == end) {
            ShowErrorMessage(kParameterInvalid);
            return end;
        }
        std::string_view key(reinterpret_cast<const char*>(text_ + pos + 1), keyEnd - pos - 1);
        // The value runs to the next '['; line breaks inside it are dropped.
        value_.clear();
        bool tooLong = false;
        std::size_t at = keyEnd + 1;
        while (at < end && text_[at] != '[') {
            std::size_t width = IsLeadByte(text_[at]) && at + 1 < end ? 2 : 1;
            bool lineBreak = width == 1 && (text_[at] == '\r' || text_[at] == '\n');
            if (!lineBreak) {
                if (value_.size() + width < kStyleTextValueBufferSize) {
                    value_.append(reinterpret_cast<const char*>(text_ + at), width);
                } else {
                    tooLong = true;
                }
            }
            at += width;
        }
        if (tooLong) {
            ShowErrorMessage(kParameterInvalid);
            return at;
        }
        if (const KeyRule* rule = FindRule(rules, key)) {
            ApplyEntry(*rule, value_, style_, part);
        } else {
            ShowErrorMessage(unknownKey);
        }
        return at;
    }

    // A "[[name]] body [[/name]]" block starting at pos.
    std::size_t ReadBlock(std::size_t pos) {
        std::size_t nameEnd = Find(pos + 2, length_, "]]");
        if (nameEnd == length_) {
            ShowErrorMessage(kParameterInvalid);
            return length_;
        }
        std::string name(reinterpret_cast<const char*>(text_ + pos + 2), nameEnd - pos - 2);
        std::size_t bodyStart = nameEnd + 2;
        std::size_t bodyEnd = Find(bodyStart, length_, "[[");
        std::string closing = "[[/" + name + "]]";
        if (bodyEnd == length_ || !StartsWith(bodyEnd, closing)) {
            ShowErrorMessage(kParameterInvalid);
            if (bodyEnd == length_) return length_;
            // A closing mark with the wrong name is consumed; anything else
            // (a new block) is read next.
            if (!StartsWith(bodyEnd, "[[/")) return bodyEnd;
            std::size_t close = Find(bodyEnd + 3, length_, "]]");
            return close == length_ ? length_ : close + 2;
        }
        for (const BlockName& block : kBlockNames) {
            if (name == block.name) {
                ReadBody(bodyStart, bodyEnd, block.part);
                break;
            }
        }
        return bodyEnd + closing.size();
    }

    void ReadBody(std::size_t pos, std::size_t end, int part) {
        while (pos < end && (text_[pos] == '\r' || text_[pos] == '\n'))
            ++pos;
        if (pos == end) return;
        if (text_[pos] != '[') {
            ShowErrorMessage(kMelodyStructureInvalid);
            return;
        }
        while (pos < end) {
            if (text_[pos] == '[') {
                pos = ReadEntry(pos, end, kPartRules, part, kUnknownMelodyKey);
            } else {
                pos += IsLeadByte(text_[pos]) ? 2 : 1;
            }
        }
    }

    const std::uint8_t* text_;
    std::size_t length_;
    MusicStyle& style_;
    std::string value_;
};

// ---- Writing ----

class TextWriter {
public:
    TextWriter(const MusicStyle& style, std::string& out) : style_(style), out_(out) {}

    void Run() {
        for (const KeyRule& rule : kMainRules) {
            if (!rule.readOnly) WriteRule(rule, 0);
        }
    }

private:
    void Entry(const char* key, std::string_view value) {
        out_ += '[';
        out_ += key;
        out_ += ']';
        out_ += value;
        out_ += "\r\n";
    }

    static std::string Digits(int value, int width = 3) {
        char text[16];
        std::snprintf(text, sizeof text, "%0*d", width, value);
        return text;
    }

    // Items of three characters and '-'. A value three characters cannot
    // hold is written as the nearest one they can (-99 or 999): a longer
    // item would shift every later separator and lose the whole list.
    static std::string Items(const std::int32_t* values, std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += Digits(std::clamp(values[i], kLeastItem, kGreatestItem));
            text += '-';
        }
        return text;
    }
    static constexpr std::int32_t kLeastItem = -99;
    static constexpr std::int32_t kGreatestItem = 999;

    // A value without a name of its own is written as its digits, which
    // the reader takes back as the number. A metre other than 0..2 is
    // written as the error word.
    static std::string NameText(const KeyRule& rule, int value) {
        if (const char* name = NameOf(rule.names, value)) return name;
        if (rule.offset == offsetof(MusicStyle, timeSignature)) return kMetreErrorText;
        return Digits(value);
    }

    // The first word of a switch is 1, the second 0; any other value is
    // written as its digits.
    static std::string SwitchText(Words words, int value) {
        if (value == 1 || value == 0) return kSwitchWords[static_cast<int>(words)][1 - value];
        return Digits(value);
    }

    // An instrument or drum set is written by its name, "not used" as
    // "---", any other code as its digits so that it reads back as itself.
    // Instrument codes outside the table are reported.
    static std::string VoiceText(Syntax syntax, int code) {
        if (code == kVoiceNotUsed) return "---";
        if (syntax == Syntax::DrumSet) {
            if (const char* name = NameOf(kDrumSetNames, code)) return name;
            return Digits(code);
        }
        if (code >= 0 && code < kInstrumentNameCount) {
            if (const char* name = InstrumentNameTable[code]) return name;
        } else {
            ShowErrorMessage(kInstrumentInvalid);
        }
        return Digits(code);
    }

    std::string CustomChordText() const {
        std::string text;
        for (int i = 0; i < kMaxHarmonyStructureEntries; ++i) {
            const auto* entry = reinterpret_cast<const HarmonyStructureEntry*>(
                style_.harmonyStructure + i * sizeof(HarmonyStructureEntry));
            int ticks = entry->Length();
            if (ticks == 0) break;
            // Four digits are all an item holds; a longer chord is cut to
            // 9999 ticks (and reported) so the list still reads back.
            if (ticks > 9999) {
                ShowErrorMessage(kChordInvalid);
                ticks = 9999;
            }
            text += Digits(ticks, 4);
            text.append(entry->chord.text, 4);
            text += '-';
        }
        return text;
    }

    std::string RiffText() const {
        // 255 (no value) is written as -1; every other byte as its value, so
        // each item keeps its three characters.
        std::string text = "\r\n";
        for (std::uint8_t byte : style_.riff) {
            text += byte == 255 ? Digits(-1) : Digits(byte);
            text += '-';
        }
        return text;
    }

    std::string GridText(Syntax syntax, int set, int gridPart) const {
        const GridPart& grid = style_.customHarmony.grid[set][gridPart];
        std::string text = "\r\n";
        text += static_cast<char>('0' + set);
        if (syntax == Syntax::GridNotes) {
            for (int row = 0; row < kGridRows; ++row) {
                text += "\r\n";
                text += Items(grid.noteTable + row * kGridSteps, kGridSteps);
            }
        } else if (syntax == Syntax::GridInterval) {
            text += "\r\n";
            text += Items(grid.pnInterval, kGridRows);
        } else {
            text += "\r\n";
            text += Items(grid.pnContinuem, kGridSteps);
        }
        return text;
    }

    std::string MixerText(int part) const {
        const auto* mix = reinterpret_cast<const std::uint8_t*>(&style_.mix[part]);
        std::string text;
        for (int byte = 0; byte < 9; ++byte) {
            text += '<';
            text += kMixerTags[byte];
            text += '>';
            text += Digits(mix[byte]);
        }
        return text;
    }

    void WriteRule(const KeyRule& rule, int part) {
        std::size_t offset = rule.offset + (part > 0 ? MelodyAt(part) : 0);
        int value = GetInt(style_, offset);
        switch (rule.syntax) {
            case Syntax::Number:
                Entry(rule.key, Digits(value, rule.width));
                break;
            case Syntax::Switch:
                Entry(rule.key, SwitchText(rule.words, value));
                break;
            case Syntax::Name:
                Entry(rule.key, NameText(rule, value));
                break;
            case Syntax::Instrument:
            case Syntax::DrumSet:
                Entry(rule.key, VoiceText(rule.syntax, value));
                break;
            case Syntax::Title:
                Entry(rule.key, DisplayTitle(style_));
                break;
            case Syntax::Text:
                Entry(rule.key, FieldText(reinterpret_cast<const char*>(BytesOf(style_) + offset),
                                          rule.width));
                break;
            case Syntax::ScaleNotes:
                Entry(rule.key, FieldText(style_.scaleNotes, sizeof(ScaleString)));
                break;
            case Syntax::Tempo:
                Entry(rule.key, Digits(TempoToBpm(style_.tempo)));
                break;
            case Syntax::CustomChord:
                Entry(rule.key, CustomChordText());
                break;
            case Syntax::Riff:
                Entry(rule.key, RiffText());
                break;
            case Syntax::MelodyRow:
                Entry(
                    rule.key,
                    Items(reinterpret_cast<const std::int32_t*>(BytesOf(style_) + rule.offset), 8));
                break;
            case Syntax::GridNotes:
            case Syntax::GridInterval:
            case Syntax::GridContinue:
                for (int set = 0; set < kGridSets; ++set)
                    Entry(rule.key, GridText(rule.syntax, set, rule.width));
                break;
            case Syntax::Mixer:
                Entry(rule.key, MixerText(rule.width));
                break;
            case Syntax::PartBlock:
                out_ += "[[";
                out_ += rule.key;
                out_ += "]]\r\n";
                for (const KeyRule& partRule : kPartRules) {
                    if (!partRule.readOnly) WriteRule(partRule, rule.width);
                }
                out_ += "[[/";
                out_ += rule.key;
                out_ += "]]\r\n";
                break;
            case Syntax::RestNote:
                break;
        }
    }

    const MusicStyle& style_;
    std::string& out_;
};

}  // namespace

std::span<const StyleChoiceName> StyleChoiceNames(StyleChoiceList list) {
    switch (list) {
        case StyleChoiceList::kHarmonyPattern:
            return kHarmonyPatternNames;
        case StyleChoiceList::kBassPattern:
            return kBassPatternNames;
        case StyleChoiceList::kRhythmPattern:
            return kRhythmPatternNames;
        case StyleChoiceList::kSubMelodyMethod:
            return kSubMelodyNames;
        case StyleChoiceList::kSubDrumPattern:
            return kSubDrumPatternNames;
        case StyleChoiceList::kKey:
            return kKeyNames;
        case StyleChoiceList::kTimeSignature:
            return kTimeSignatureNames;
        case StyleChoiceList::kBasicBeat:
            return kBasicBeatNames;
        case StyleChoiceList::kScale:
            return kScaleNames;
        case StyleChoiceList::kChordGenerationMethod:
            return kChordGenerationNames;
        case StyleChoiceList::kChordProgression:
            return kChordProgressionNames;
        case StyleChoiceList::kBlockLength:
            return kBlockLengthNames;
        case StyleChoiceList::kChordsInBlock:
            return kChordsInBlockNames;
        case StyleChoiceList::kDissonant:
            return kDissonantNames;
        case StyleChoiceList::kNoteLength:
            return kNoteLengthNames;
        case StyleChoiceList::kSyncopation:
            return kSyncopationNames;
        case StyleChoiceList::kRestNote:
            return kRestNoteNames;
        case StyleChoiceList::kEffect:
            return kEffectNames;
        case StyleChoiceList::kAbbellimenti:
            return kAbbellimentiNames;
        case StyleChoiceList::kVoicing:
            return kVoicingNames;
        case StyleChoiceList::kAlgorithm:
            return kAlgorithmNames;
        case StyleChoiceList::kTension:
            return kTensionNames;
        case StyleChoiceList::kRepeat:
            return kRepeatNames;
    }
    return {};
}

void ReadStyleText(const std::uint8_t* text, std::size_t length, MusicStyle& style) {
    if (!text) return;
    TextReader(text, length, style).Run();
}

bool StyleTextHasSettings(const std::uint8_t* text, std::size_t length) {
    std::size_t pos = 0;
    while (pos < length && text[pos] != '[')
        pos += IsLeadByte(text[pos]) ? 2 : 1;
    if (pos >= length) return false;
    const auto* chars = reinterpret_cast<const char*>(text);
    const bool block = pos + 1 < length && text[pos + 1] == '[';
    const std::string_view rest(chars + pos + (block ? 2 : 1), length - pos - (block ? 2 : 1));
    const std::size_t end = rest.find(block ? "]]" : "]");
    if (end == std::string_view::npos) return false;
    const std::string_view key = rest.substr(0, end);
    if (!block) return FindRule(kMainRules, key) != nullptr;
    return std::any_of(std::begin(kBlockNames), std::end(kBlockNames),
                       [key](const BlockName& b) { return key == b.name; });
}

std::size_t WriteStyleText(const MusicStyle& style, std::string& out) {
    out.clear();
    TextWriter(style, out).Run();
    return out.size();
}

const char* DrumSetTextName(int code) {
    return NameOf(kDrumSetNames, code);
}
