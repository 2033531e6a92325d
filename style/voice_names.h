// The names the style editor shows for part voices, and the voice tables its
// instrument chooser lists: the eight parts of the definition hub with the
// style voice each edits, the instrument groups, the drum sets, the
// environmental sounds and the sub-drum instruments.
#pragma once

#include <span>
#include <string>

#include "core/reporters.h"
#include "style/music_style.h"

constexpr ErrorCode kInvalidTrackError = 0xFF0101A9;  // "Invalid Track!"
constexpr char kVoiceNotUsedName[] = "---";
constexpr char kInvalidInstrumentName[] = "Instrument is invalid!";

// ---- Parts of the definition hub ----

enum PartKind : int {
    kKindMelody = 1,
    kKindHarmony = 2,
    kKindBass = 3,
    kKindDrum = 4,
    kKindObbligato = 5,
    kKindSubHarmony = 6,
    kKindEnvironment = 7,
    kKindSubDrum = 8,
};
constexpr int kPartKindCount = 8;

// What the instrument chooser lists.
enum InstrumentChoiceKind : int {
    kChooseMelodic = 0,
    kChooseDrumSet = 1,
    kChooseEnvironment = 2,
    kChooseSubDrum = 3,
};
constexpr int kChoiceModeCount = 4;

struct PartKindInfo {
    const char* caption;
    int stylePart;   // index into MusicStyle::voice
    int choiceMode;  // InstrumentChoiceKind
};
// Indexed by PartKind - 1.
constexpr PartKindInfo kPartKinds[kPartKindCount] = {
    {"Melody", kPartMelody, kChooseMelodic},
    {"Harmony(Main)", kPartHarmony, kChooseMelodic},
    {"Bass", kPartBass, kChooseMelodic},
    {"Drums(Main)", kPartDrum, kChooseDrumSet},
    {"Obbligato", kPartObbligato, kChooseMelodic},
    {"Harmony(Sub)", kPartSubHarmony, kChooseMelodic},
    {"Environment", kPartEnvironment, kChooseEnvironment},
    {"Drums(Sub)", kPartSubDrum, kChooseSubDrum},
};
// The info of a kind 1..8; null for any other.
const PartKindInfo* FindPartKind(int kind);

// ---- Names ----

// "---" for 256, the name table's entry for 0..151, else "Instrument is
// invalid!" (negative codes too).
void GetInstrumentName(int code, std::string& text);
// The text form's drum-set name for 1..4, "---" for 256, else an empty
// name (so a caller never keeps a stale one).
void GetDrumSetName(int code, std::string& text);
// The display name of the kind's voice in the style: the drum-set name for
// the main drums, the instrument name for the others. A kind outside 1..8
// reports "Invalid Track!" and gives an empty name and 0; else 1.
int GetPartInstrumentName(const MusicStyle& style, int kind, std::string& text);
// The same over WorkingStyle.
int GetPartInstrumentName(int kind, std::string& text);

// ---- The chooser's tables ----

struct VoiceEntry {
    int value;
    const char* name;
};

constexpr int kInstrumentGroupCount = 20;
constexpr int kGroupSize = 8;
constexpr int kNoneGroup = 19;  // stands for voice 256
constexpr const char* kInstrumentGroupNames[kInstrumentGroupCount] = {
    "Piano",  // 0
    "Chromatic Percussion",
    "Organ",
    "Guitar",
    "Bass",
    "Strings/Orchestra",  // 5
    "Ensemble",
    "Brass",
    "Reed",
    "Pipe",
    "Synth lead",  // 10
    "Synth pad",
    "Synth sound effects",
    "Ethnic",
    "Percussive",
    "Sound Effect",  // 15
    "Other",
    "Custom(1)",
    "Custom(2)",
    "None",  // 19
};

constexpr int kDrumSetCount = 5;
constexpr VoiceEntry DrumSetTable[kDrumSetCount] = {
    {kAcousticSet, "Acoustic Set"},  // standard kit
    {kElectricSet, "Electric Set"},  // electronic kit
    {kEthnicSet, "Ethnic Set"},      // hand percussion
    {kTechnoSet, "Techno Set"},      // drum machine
    {kVoiceNotUsed, "None"},         // part not used
};

constexpr int kEnvironmentSoundCount = 5;
constexpr VoiceEntry EnvironmentSoundTable[kEnvironmentSoundCount] = {
    {126, "Applause"},        // GM applause
    {123, "Bird"},            // GM bird tweet
    {129, "Undefined"},       // an extended code
    {122, "Seashore"},        // GM seashore
    {kVoiceNotUsed, "None"},  // part not used
};

constexpr int kSubDrumInstrumentCount = 7;
constexpr VoiceEntry SubDrumInstrumentTable[kSubDrumInstrumentCount] = {
    {112, "Tinkle Bell"},      // GM tinkle bell
    {113, "Agogo"},            // GM agogo
    {116, "Japanese Taiko"},   // GM taiko drum
    {117, "Melodic Tom Tom"},  // GM melodic tom
    {118, "Shynthe Drums"},    // GM synth drum
    {47, "Timpany"},           // GM timpani
    {kVoiceNotUsed, "None"},   // part not used
};

// The table a chooser mode 1..3 lists; empty for mode 0 and any other.
std::span<const VoiceEntry> VoiceTableOfMode(int mode);
