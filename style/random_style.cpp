#include "style/random_style.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/reporters.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/grid_presets.h"
#include "style/preset_data.h"
#include "style/random_riff.h"
#include "style/style_file.h"
#include "style/style_table.h"

namespace {

constexpr ErrorCode kChannelInvalid = 0xFF010177u;
constexpr ErrorCode kCategoryInvalid = 0xFF010178u;

constexpr int kPrograms = 128;
// Draws of a program before the first allowed one of the column is taken:
// the smallest column allows 6 of 128 programs, so the bound is never reached
// by chance.
constexpr int kInstrumentDrawLimit = 10000;

int ClampByte(int value) {
    return std::clamp(value, 0, 127);
}

// ---- Allowed programs ----

struct ProgramRange {
    int first;
    int last;
};

using ProgramColumn = std::array<std::uint8_t, kPrograms>;

constexpr ProgramColumn Column(std::initializer_list<ProgramRange> ranges, std::uint8_t flag = 1) {
    ProgramColumn column{};
    for (const ProgramRange& range : ranges) {
        for (int program = range.first; program <= range.last; ++program)
            column[program] = flag;
    }
    return column;
}

// One column per kind and group of parts; column 1 holds the Melody volume
// bonus of the pops kind instead of flags.
constexpr int kBonusColumn = 1;
// clang-format off
constexpr std::array<ProgramColumn, 20> kAllowTable = {
    // 0: pops Melody
    Column({{22, 22}, {29, 30}, {53, 53}, {61, 66}, {80, 81}}),
    // 1: pops Melody volume bonus
    Column({{22, 22}, {53, 53}}, 10),
    // 2: pops Harmony
    Column({{0, 2}, {4, 5}, {16, 20}, {24, 27}, {29, 30}, {48, 54}, {88, 95}}),
    // 3: pops Bass
    Column({{32, 35}, {38, 39}}),
    // 4: pops Obbligato
    Column({{0, 13}, {15, 30}, {38, 41}, {45, 46}, {48, 54}, {56, 75}, {77, 86}, {88, 91},
            {93, 112}, {114, 114}}),
    // 5: pops Sub Harmony
    Column({{0, 2}, {4, 7}, {10, 11}, {15, 30}, {41, 42}, {46, 46}, {48, 55}, {61, 63}, {68, 68},
            {71, 75}, {78, 85}, {88, 91}, {93, 100}, {103, 103}, {105, 108}}),
    // 6: jazz Melody, Obbligato
    Column({{11, 11}, {16, 18}, {20, 23}, {29, 30}, {40, 41}, {53, 53}, {56, 57}, {59, 59},
            {61, 68}, {71, 75}, {78, 79}}),
    // 7: jazz Harmony, Sub Harmony
    Column({{0, 5}, {11, 11}, {16, 18}, {20, 21}, {23, 27}, {29, 30}, {46, 46}, {48, 51},
            {53, 53}, {61, 61}, {71, 75}, {78, 79}}),
    // 8: classic Melody, Obbligato
    Column({{40, 42}, {48, 51}, {53, 53}, {56, 57}, {61, 61}, {65, 68}, {71, 75}}),
    // 9: classic Harmony, Sub Harmony
    Column({{0, 1}, {6, 7}, {19, 19}, {24, 24}, {27, 27}, {41, 42}, {46, 46}, {48, 53}, {61, 61},
            {68, 68}, {71, 74}, {79, 79}}),
    // 10: classic Bass
    Column({{19, 19}, {32, 32}, {41, 43}, {48, 49}, {53, 53}, {57, 58}, {60, 61}, {69, 70}}),
    // 11: eastern ethnic Melody, Harmony, Obbligato, Sub Harmony
    Column({{12, 13}, {15, 15}, {27, 27}, {53, 53}, {74, 75}, {77, 79}, {104, 108}, {111, 111},
            {115, 115}}),
    // 12: eastern ethnic Bass
    Column({{15, 15}, {32, 32}, {42, 43}, {45, 46}, {53, 53}, {104, 104}, {106, 108}}),
    // 13: western ethnic Melody, Harmony, Obbligato, Sub Harmony
    Column({{9, 9}, {15, 15}, {21, 21}, {23, 24}, {27, 27}, {42, 43}, {46, 46}, {53, 53},
            {68, 68}, {71, 75}, {78, 79}, {105, 105}, {109, 110}, {114, 114}}),
    // 14: western ethnic Bass
    Column({{15, 15}, {23, 24}, {32, 32}, {42, 43}, {45, 45}, {53, 53}, {58, 58}, {60, 60},
            {69, 70}}),
    // 15: healing Melody, Harmony
    Column({{0, 8}, {10, 11}, {46, 46}, {53, 53}, {78, 78}, {88, 88}, {98, 98}, {100, 100}}),
    // 16: healing Bass
    Column({{0, 7}, {10, 11}, {32, 32}, {43, 43}, {45, 46}, {53, 53}, {60, 60}, {78, 78},
            {88, 88}}),
    // 17: techno Melody, Obbligato
    Column({{29, 30}, {53, 53}, {61, 63}, {65, 65}, {80, 82}, {90, 91}, {100, 100}}),
    // 18: techno Harmony, Sub Harmony
    Column({{0, 2}, {4, 5}, {11, 11}, {16, 18}, {20, 20}, {26, 26}, {28, 30}, {46, 46}, {48, 51},
            {53, 53}, {61, 63}, {72, 72}, {80, 82}, {90, 91}, {100, 100}}),
    // 19: techno Bass
    Column({{32, 39}, {80, 81}, {90, 90}, {100, 100}}),
};
// clang-format on

constexpr int kNoKind = -1;
constexpr int kNoPart = -2;

// The column of allowed programs for a part in a kind, kNoKind for a kind
// without columns, kNoPart for a part the kind does not choose.
int AllowColumn(int kind, int part) {
    switch (kind) {
        case kKindPops:
            switch (part) {
                case kPartMelody:
                    return 0;
                case kPartHarmony:
                    return 2;
                case kPartBass:
                    return 3;
                case kPartObbligato:
                    return 4;
                case kPartSubHarmony:
                    return 5;
                default:
                    return kNoPart;
            }
        case kKindJazz:
            if (part == kPartMelody || part == kPartObbligato) return 6;
            if (part == kPartHarmony || part == kPartSubHarmony) return 7;
            return kNoPart;
        case kKindClassic:
            if (part == kPartMelody || part == kPartObbligato) return 8;
            if (part == kPartHarmony || part == kPartSubHarmony) return 9;
            if (part == kPartBass) return 10;
            return kNoPart;
        case kKindEthnicEastern:
        case kKindEthnicWestern: {
            int first = kind == kKindEthnicEastern ? 11 : 13;
            if (part == kPartMelody || part == kPartHarmony || part == kPartObbligato ||
                part == kPartSubHarmony) {
                return first;
            }
            if (part == kPartBass) return first + 1;
            return kNoPart;
        }
        case kKindHealing:
            if (part == kPartMelody || part == kPartHarmony) return 15;
            if (part == kPartBass) return 16;
            return kNoPart;
        case kKindTechno:
            if (part == kPartMelody || part == kPartObbligato) return 17;
            if (part == kPartHarmony || part == kPartSubHarmony) return 18;
            if (part == kPartBass) return 19;
            return kNoPart;
        default:
            return kNoKind;
    }
}

// ---- Tempo tables ----

// Tempo by draw 1..7 (pops) or 1..3 (the others).
constexpr std::array<int, 7> kPopsTempo = {850000, 750000, 650000, 650000, 650000, 500000, 500000};
constexpr std::array<int, 3> kJazzTempo = {850000, 750000, 650000};
constexpr std::array<int, 3> kCalmTempo = {1000000, 750000, 850000};
constexpr std::array<int, 3> kTechnoTempo = {500000, 400000, 300000};

// ---- Melody note length ----

struct NoteLengthChoice {
    int noteLength;
    int syncopation;
};
constexpr int kMixedNoteLength = 8;
constexpr std::array<NoteLengthChoice, 8> kNoteLengthChoices = {{
    {2, 0},
    {1, 0},
    {1, 1},
    {4, 1},
    {3, 0},
    {5, 0},
    {6, 1},
    {7, 0},
}};

// ---- Preset pickers ----

// A preset named by its title; slot 0 picks the first entry with the title.
// The Random Techno entry is named by the empty title in the Techno category.
struct Candidate {
    const char* title;
    int slot = 0;
};
constexpr const char* kRandomTechnoEntry = "";

struct Picker {
    int firstDraw;
    std::initializer_list<Candidate> candidates;  // one per draw, in draw order
};

// Indexed by generator code - 1.
// clang-format off
const Picker kPickers[kLastRandomGenerator] = {
    {1, {{"Acoustic"}, {"70s Pops"}, {"Rock Guitar"}, {"Easy Listening"}, {"AOR"},
         {"Mersey Beat"}, {"Ballade"}, {"Piano Rock Star"}, {"Rock"}, {"Dog Rap"},
         {"American Rock"}, {"Rock Orchestra"}, {"Rockabilly"}, {"SKA"}, {"90s Pops"},
         {"Oldies"}, {"Hard Rock"}, {"Island Surf Guitar"}, {"Bossanova Vocal"}, {"Pop Vocal"},
         {"Glam Rock"}, {"Pops Symphonie"}, {"Symphonic Rock"}, {"Nostalgic Game"}}},
    {1, {{"Enka"}, {"Japanese Pops"}, {"JPOP DUO"}, {"Evening Girls"}, {"Electronic chime"},
         {"Okinawan Pops"}, {"Folk Song"}}},
    {1, {{"Fusion"}, {"Jazz Quartet"}, {"Blues Quartet"}, {"Blues Guitar2"},
         {"Harmonica Blues"}, {"Vibraphone Jazz"}, {"Jazz Piano Trio"}, {"Rag Time"},
         {"Bossanova Piano"}, {"Latin Rock"}, {"Guitar Lounge"}, {"Blues Piano"},
         {"Blues Piano Trio"}, {"Blues Guitar"}, {"Jazz Guitar"}, {"Jazz Guitar Trio"},
         {"Quarter Cutting Gt."}, {"Blues Vocal"}}},
    {2, {{"Wind Music"}, {"Chamber Music"}, {"Classic Piano"}, {"Gentle Piano Suite"},
         {"Flute Music"}, {"Classical Guitar"}, {"Bolero"}, {"Piano Solo"}, {"Cembalo Solo"},
         {"Church Organ"}, {"3/4 Piano"}, {"Strings Quartet"}}},
    // Two presets are titled "Matsuri Bayashi"; the one in slot 9 is meant.
    // Deep Africa has two draws.
    {1, {{"African Forest"}, {"African"}, {"Aboriginal Music"}, {"Arabian"}, {"Xoomij"},
         {"Bon Odori"}, {"Japan Traditional"}, {"China Town"}, {"Matsuri Bayashi", 9},
         {"Indian Traditional"}, {"Gamelan && Flute"}, {"Okinawa"}, {"Okinawa Ocean"},
         {"Gamelan"}, {"Gagaku"}, {"Chinese Spring"}, {"China"}, {"Country"}, {"Kecak"},
         {"Erhu Music"}, {"Deep Africa"}, {"Deep Africa"}}},
    {1, {{"Scotland"}, {"Andes"}, {"Bossanova"}, {"Paris Musette"}, {"Hawaian"},
         {"Ethnic Guitar"}, {"Samba"}, {"German Polka"}, {"Reggae"}, {"Mambo"},
         {"European Tango"}}},
    {1, {{"Against War Song"}, {"Mystery Cave"}, {"Piano Vocal"}, {"Horror"}, {"Hero's Theme"},
         {"Fighting Theme"}, {"Theme of Mouse"}, {"Japanese Tale"}, {"Theme of Stars"}}},
    {1, {{"Music Box"}, {"Silk Road"}, {"Nostalgic"}, {"Forest Music"}, {"Morning Music"},
         {"Deep sea drifting"}, {"Dream World"}, {"Local Town"}, {"Fantasy"}, {"EZ Piano"},
         {"Street Singers"}, {"Healin Harp"}, {"Healing Piano"}, {"EZ Trio"}, {"Space Sound"},
         {"Country Side"}, {"Light Pops"}, {"Healing Piano +"}, {"Piano Balad"}}},
    {1, {{kRandomTechnoEntry}, {"Techno Dance"}, {"Techno Rock"}, {"Club Techno"}, {"Trance"},
         {"Techno Pop"}, {"J-Techno Pop"}, {"Euro Beat"}}},
};
// clang-format on

// A candidate resolved to the catalogue position of its preset; slot 0 with
// category kTechno is the Random Techno entry, category -1 a title that no
// preset carries.
struct PresetPosition {
    int category = -1;
    int slot = 0;
};

constexpr int kMaxCandidates = 24;
using ResolvedPicker = std::array<PresetPosition, kMaxCandidates>;

PresetPosition ResolveCandidate(const Candidate& candidate) {
    if (std::string_view(candidate.title) == kRandomTechnoEntry) return {kTechno, 0};
    for (const preset_data::PresetRow& row : preset_data::PresetRows()) {
        if (std::string_view(row.title) != candidate.title) continue;
        if (candidate.slot != 0 && row.slot != candidate.slot) continue;
        return {row.category, row.slot};
    }
    return {};
}

// The candidates of every picker by position, looked up once.
const std::array<ResolvedPicker, kLastRandomGenerator>& ResolvedPickers() {
    static const std::array<ResolvedPicker, kLastRandomGenerator> resolved = [] {
        std::array<ResolvedPicker, kLastRandomGenerator> table{};
        for (int code = 0; code < kLastRandomGenerator; ++code) {
            int index = 0;
            for (const Candidate& candidate : kPickers[code].candidates) {
                if (index >= kMaxCandidates) break;
                table[code][index++] = ResolveCandidate(candidate);
            }
        }
        return table;
    }();
    return resolved;
}

// ---- Generators ----

struct GeneratorInfo {
    const char* title;
    int kind;
};

const GeneratorInfo kGenerators[kLastRandomGenerator] = {
    {"Random World Pops", kKindPops},
    {"Random Japanese Pops", kKindPops},
    {"Random Jazz", kKindJazz},
    {"Random Classic", kKindClassic},
    {"Random Ethnic Eastern", kKindEthnicEastern},
    {"Random Ethnic Western", kKindEthnicWestern},
    {"Random Game", kKindPops},
    {"Random Healing", kKindHealing},
    {"Random Techno", kKindTechno},
};

constexpr int kDissonanceLittle = 9;
constexpr int kDissonanceProhibit = 10;
constexpr int kOrnamentClassical = 1;
constexpr int kOrnamentPops = 11;
constexpr int kEffectChoking = 5;
constexpr int kAlgorithmMelodyTable = 6;
constexpr int kHarmonyLongRiff = 40;
constexpr int kHarmonyFixedLongRiff = 41;
constexpr int kRhythmBlues = 9;
constexpr int kRhythmSwing = 11;
constexpr int kRhythmXmas = 22;

MelodySettings& MelodyLine() {
    return WorkingStyle.melody[kPartMelody];
}

void ChooseInstruments(std::initializer_list<int> parts, int kind) {
    for (int part : parts)
        ChooseRandomInstrument(part, kind);
}

// The random fills of the custom grids of the pops generators.
void FillRandomGrids() {
    RandomHarmonyGrid();
    RandomSubHarmonyGrid();
    RandomBassGrid();
    RandomDrumGrid();
}

// Preset drawn into the catalogue entry, made the working style; the entry
// becomes its Random entry again and lends the working style its title.
void StartGenerator(int code, int category, int slot) {
    PickRandomPreset(code, category, slot);
    auto entry = std::make_unique<MusicStyle>();
    GetStyleEntry(category, slot, *entry);
    SetWorkingStyle(*entry);
    RandomStyleEntry(category, *entry);
    SetStyleEntry(category, slot, *entry);
    SetStyleTitle(WorkingStyle, FieldText(entry->title));
}

void RunGenerator(int code) {
    int kind = kGenerators[code - 1].kind;
    switch (code) {
        case 1:
        case 2:
            MelodyLine().dissonance = kDissonanceLittle;
            ChooseRandomKey();
            ChooseMelodyAlgorithm();
            ChooseMelodyOrnament();
            RandomizeMixer();
            ChooseRandomTempo(kind);
            ChooseInstruments(
                {kPartMelody, kPartObbligato, kPartHarmony, kPartSubHarmony, kPartBass}, kind);
            if (code == 1) {
                ChooseMelodyNoteLength();
                FillRandomGrids();
            } else {
                FillRandomGrids();
                ChooseMelodyNoteLength();
            }
            ChooseBassPattern();
            ChooseChordProgression();
            break;
        case 3:
            ChooseRandomKey();
            ChooseMelodyAlgorithm();
            ChooseMelodyOrnament();
            ChooseJazzRhythm();
            ChooseRandomTempo(kind);
            // The Bass keeps the preset's instrument.
            ChooseInstruments({kPartMelody, kPartObbligato, kPartHarmony, kPartSubHarmony}, kind);
            ChooseMelodyNoteLength();
            break;
        case 4:
            ChooseRandomKey();
            ChooseMelodyAlgorithm();
            MelodyLine().dissonance = kDissonanceProhibit;
            MelodyLine().ornament = kOrnamentClassical;
            ChooseRandomTempo(kind);
            ChooseInstruments(
                {kPartMelody, kPartObbligato, kPartHarmony, kPartSubHarmony, kPartBass}, kind);
            ChooseMelodyNoteLength();
            ChooseRandomMetre();
            break;
        case 5:
        case 6:
        case 9:
            ChooseRandomKey();
            ChooseMelodyAlgorithm();
            ChooseMelodyOrnament();
            if (code == 9) RandomizeMixer();
            ChooseRandomTempo(kind);
            ChooseInstruments(
                {kPartMelody, kPartObbligato, kPartHarmony, kPartSubHarmony, kPartBass}, kind);
            ChooseMelodyNoteLength();
            break;
        case 7:
            ChooseRandomKey();
            ChooseMelodyAlgorithm();
            ChooseMelodyOrnament();
            RandomizeMixer();
            ChooseRandomTempo(kind);
            ChooseInstruments(
                {kPartMelody, kPartObbligato, kPartHarmony, kPartSubHarmony, kPartBass}, kind);
            ChooseMelodyNoteLength();
            ChooseBassPattern();
            break;
        case 8:
            ChooseRandomKey();
            ChooseMelodyAlgorithm();
            ChooseMelodyOrnament();
            ChooseRandomTempo(kind);
            RandomizeMixer();
            ChooseHealingParts();
            ChooseMelodyNoteLength();
            ChooseBassPattern();
            break;
        default:
            break;
    }
}

}  // namespace

// ---- Choosers ----

void ChooseRandomKey() {
    std::lock_guard lock(StyleRecordMutex());
    WorkingStyle.key = RandomInRange(1, 2);
}

void ChooseMelodyAlgorithm() {
    std::lock_guard lock(StyleRecordMutex());
    if (RandomInRange(1, 3) <= 2) {
        MelodyLine().algorithm = kAlgorithmMelodyTable;
    } else {
        MelodyLine().algorithm = RandomInRange(1, 5);
    }
}

void ChooseMelodyOrnament() {
    std::lock_guard lock(StyleRecordMutex());
    switch (RandomInRange(1, 3)) {
        case 1:
            MelodyLine().ornament = kOrnamentPops;
            break;
        case 2:
            MelodyLine().ornament = 0;
            break;
        default:
            MelodyLine().effect = kEffectChoking;
            break;
    }
}

void ChooseRandomTempo(int kind) {
    std::lock_guard lock(StyleRecordMutex());
    switch (kind) {
        case 0:
        case 1:
        case 6:
            WorkingStyle.tempo = kPopsTempo[RandomInRange(1, 7) - 1];
            break;
        case kKindJazz:
            WorkingStyle.tempo = kJazzTempo[RandomInRange(1, 3) - 1];
            break;
        case kKindClassic:
        case kKindEthnicEastern:
        case kKindEthnicWestern:
        case kKindHealing:
            WorkingStyle.tempo = kCalmTempo[RandomInRange(1, 3) - 1];
            break;
        case kKindTechno:
            WorkingStyle.tempo = kTechnoTempo[RandomInRange(1, 3) - 1];
            break;
        default:
            break;
    }
}

void RandomizeMixer() {
    std::lock_guard lock(StyleRecordMutex());
    MixBlock* mix = WorkingStyle.mix;
    mix[kPartDrum].reverb = static_cast<std::uint8_t>(RandomInRange(64, 127));
    mix[kPartHarmony].reverb = static_cast<std::uint8_t>(RandomInRange(64, 127));
    mix[kPartMelody].reverb = static_cast<std::uint8_t>(RandomInRange(64, 127));
    mix[kPartBass].reverb = static_cast<std::uint8_t>(RandomInRange(64, 127));
    mix[kPartHarmony].resonance = static_cast<std::uint8_t>(RandomInRange(64, 80));
    // The Bass may lose up to 4; it stays a data byte either way.
    int bass = mix[kPartBass].resonance + RandomInRange(0, 30) - 4;
    mix[kPartBass].resonance = static_cast<std::uint8_t>(ClampByte(bass));
    for (int part : {kPartMelody, kPartObbligato, kPartSubDrum, kPartDrum}) {
        mix[part].resonance = static_cast<std::uint8_t>(RandomInRange(64, 80));
    }
}

void ChooseRandomInstrument(int part, int kind) {
    int column = AllowColumn(kind, part);
    if (column == kNoKind) {
        ShowErrorMessage(kCategoryInvalid);
        return;
    }
    if (column == kNoPart) {
        ShowErrorMessage(kChannelInvalid);
        return;
    }
    std::lock_guard lock(StyleRecordMutex());
    if (WorkingStyle.voice[part] == kVoiceNotUsed) return;
    const ProgramColumn& allowed = kAllowTable[column];
    int program = -1;
    for (int draw = 0; draw < kInstrumentDrawLimit && program < 0; ++draw) {
        int drawn = RandomInRange(0, kPrograms - 1);
        if (allowed[drawn]) program = drawn;
    }
    if (program < 0) {
        program = static_cast<int>(std::find(allowed.begin(), allowed.end(), 1) - allowed.begin());
    }
    WorkingStyle.voice[part] = program;
    if (kind != kKindPops) return;
    MixBlock* mix = WorkingStyle.mix;
    if (part == kPartMelody) {
        int volume = mix[kPartMelody].volume + kAllowTable[kBonusColumn][program];
        mix[kPartMelody].volume = static_cast<std::uint8_t>(ClampByte(volume));
    } else if (part == kPartBass && (program == 38 || program == 39)) {
        int resonance = mix[kPartBass].resonance + RandomInRange(0, 30);
        mix[kPartBass].resonance = static_cast<std::uint8_t>(ClampByte(resonance));
    }
}

void ChooseRandomMetre() {
    std::lock_guard lock(StyleRecordMutex());
    WorkingStyle.timeSignature = RandomInRange(1, 2) == 1 ? kMetre44 : kMetre34;
}

void ChooseMelodyNoteLength() {
    std::lock_guard lock(StyleRecordMutex());
    if (RandomInRange(1, 3) == 1) {
        MelodyLine().noteLength = kMixedNoteLength;
        MelodyLine().syncopation = 0;
        return;
    }
    const NoteLengthChoice& choice = kNoteLengthChoices[RandomInRange(1, 8) - 1];
    MelodyLine().noteLength = choice.noteLength;
    MelodyLine().syncopation = choice.syncopation;
}

void ChooseChordProgression() {
    std::lock_guard lock(StyleRecordMutex());
    WorkingStyle.chordProgression = RandomInRange(2, 4);
}

void ChooseBassPattern() {
    std::lock_guard lock(StyleRecordMutex());
    constexpr int kBassPatterns[3] = {9, 5, 19};
    WorkingStyle.bassPattern = kBassPatterns[RandomInRange(1, 3) - 1];
}

void ChooseJazzRhythm() {
    std::lock_guard lock(StyleRecordMutex());
    int draw = RandomInRange(1, 3);
    if (draw == 1) WorkingStyle.rhythmPattern = kRhythmBlues;
    if (draw == 2) WorkingStyle.rhythmPattern = kRhythmSwing;
}

void ChooseHealingParts() {
    std::lock_guard lock(StyleRecordMutex());
    ChooseRandomInstrument(kPartMelody, kKindHealing);
    if (RandomInRange(1, 2) == 1) {
        WorkingStyle.voice[kPartHarmony] = WorkingStyle.voice[kPartMelody];
        WorkingStyle.voice[kPartBass] = WorkingStyle.voice[kPartMelody];
    } else {
        ChooseRandomInstrument(kPartHarmony, kKindHealing);
        // Softer pads under the melody; the volume stops at 0.
        int lower = 0;
        switch (WorkingStyle.voice[kPartHarmony]) {
            case 3:
            case 8:
                lower = 15;
                break;
            case 88:
            case 98:
                lower = 10;
                break;
            case 100:
                lower = 20;
                break;
            default:
                break;
        }
        MixBlock& harmony = WorkingStyle.mix[kPartHarmony];
        harmony.volume = static_cast<std::uint8_t>(ClampByte(harmony.volume - lower));
    }
    ChooseRandomInstrument(kPartBass, kKindHealing);
    if (RandomInRange(1, 3) == 1) {
        WorkingStyle.voice[kPartDrum] = kAcousticSet;
        WorkingStyle.rhythmPattern = kRhythmXmas;
    } else {
        WorkingStyle.voice[kPartDrum] = kVoiceNotUsed;
    }
}

// ---- Generator ----

void PickRandomPreset(int code, int category, int slot) {
    if (code < kFirstRandomGenerator || code > kLastRandomGenerator) return;
    const Picker& picker = kPickers[code - 1];
    int count = static_cast<int>(picker.candidates.size());
    int draw = RandomInRange(picker.firstDraw, picker.firstDraw + count - 1);
    const PresetPosition& position = ResolvedPickers()[code - 1][draw - picker.firstDraw];
    if (position.category < 0) return;
    auto style = std::make_unique<MusicStyle>();
    if (position.slot == 0) {
        RandomStyleEntry(position.category, *style);
    } else if (!BuildPresetStyle(position.category, position.slot, *style)) {
        return;
    }
    SetStyleEntry(category, slot, *style);
}

void SaveGeneratedStyle() {
    int tune = std::clamp(static_cast<int>(AppSettings.TuneNumber), 0, 99);
    std::string name = "style00.dat";
    name[5] = static_cast<char>('0' + tune / 10);
    name[6] = static_cast<char>('0' + tune % 10);
    auto copy = std::make_unique<MusicStyle>();
    {
        std::lock_guard lock(StyleRecordMutex());
        WorkingStyle.randomGeneratorCode = 0;
        if (WorkingStyle.harmonyPattern == kHarmonyLongRiff) {
            WorkingStyle.harmonyPattern = kHarmonyFixedLongRiff;
            int riff[kRiffTableSize];
            GenerateRandomRiff(riff, WorkingStyle);
            for (std::size_t i = 0; i < kRiffBytes; ++i) {
                WorkingStyle.riff[i] = static_cast<std::uint8_t>(riff[i] & 0xFF);
            }
        }
        *copy = WorkingStyle;
    }
    if (SaveStyleToFolder(*copy, name) == 0) SavedStyleTuneNumber = tune;
}

void GenerateRandomStyle(int category, int slot) {
    auto entry = std::make_unique<MusicStyle>();
    if (!GetStyleEntry(category, slot, *entry)) return;
    int code = entry->randomGeneratorCode;
    if (code >= kFirstRandomGenerator && code <= kLastRandomGenerator) {
        // Readers of the working style or the catalogue wait until the new
        // style is whole.
        std::lock_guard lock(StyleRecordMutex());
        StartGenerator(code, category, slot);
        RunGenerator(code);
        SetStyleTitle(WorkingStyle, kGenerators[code - 1].title);
        SetFieldText(WorkingStyle.description, kGeneratedStyleDescription);
    }
    if (AppSettings.SaveGeneratedStyles == 1) SaveGeneratedStyle();
    std::lock_guard lock(StyleRecordMutex());
    WorkingStyle.randomGeneratorCode = 1;
}

void ShowSavedStyleStatus() {
    int tune = AppSettings.TuneNumber;
    if (tune >= 0 && tune <= 99 && SavedStyleTuneNumber.load() == tune) {
        std::string digits{static_cast<char>('0' + tune / 10), static_cast<char>('0' + tune % 10)};
        ResultText.Set("The style is saved as style" + digits + ".dat");
    } else {
        ResultText.Clear();
    }
    GetShellServices()->BroadcastPaint();
}
