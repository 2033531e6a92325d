// The data the built-in styles are made of: one row per style, laid over the
// defaults of a fresh MusicStyle by BuildPresetStyle. A row holds the values
// every built-in style sets (voices, mix, metre, tempo, key, patterns, the
// Melody part's line) and a list of further field writes, some of which apply
// only under certain settings ("Use Group Inst." and the sound-module type).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "style/music_style.h"

namespace preset_data {

// ---- Settings a write may depend on ----

// One bit per combination of sound-module type (0..2) and the "Use Group
// Inst." switch: bit 2 * type + switch.
using SettingsMask = std::uint8_t;
constexpr SettingsMask kModule0 = 0x03;
constexpr SettingsMask kModule1 = 0x0C;
constexpr SettingsMask kModule2 = 0x30;
constexpr SettingsMask kGroupOff = 0x15;
constexpr SettingsMask kGroupOn = 0x2A;
constexpr SettingsMask kAnySettings = 0x3F;

constexpr SettingsMask SettingsBit(int moduleType, bool useGroup) {
    return static_cast<SettingsMask>(1u << (2 * moduleType + (useGroup ? 1 : 0)));
}

// ---- Field writes ----

enum class WriteOp : std::uint8_t {
    kInt32,          // value into the int at offset
    kInt16,          // value into the 16-bit field at offset
    kByte,           // value into the byte at offset
    kMixTriple,      // volume, chorus, reverb (value bytes 0, 1, 2) of a mix block
    kZero,           // value bytes from offset set to zero
    kTempoBpm,       // tempo from value beats per minute
    kMelodyTable,    // melody table number value
    kObbligatoLine,  // the Obbligato part's melody settings, line number value
    kScaleNotes,     // scale string number value
    kGrid,           // grid preset number value on the custom harmony block
    kFixedRiff,      // the built-in riff
};

struct FieldWrite {
    WriteOp op;
    SettingsMask when;
    std::uint16_t offset;
    std::int32_t value;
};

constexpr FieldWrite When(SettingsMask mask, FieldWrite write) {
    write.when = mask;
    return write;
}

namespace detail {

constexpr FieldWrite Put(WriteOp op, std::size_t offset, int value) {
    return FieldWrite{op, kAnySettings, static_cast<std::uint16_t>(offset), value};
}
constexpr std::size_t MixOffset(int part, std::size_t byte) {
    return offsetof(MusicStyle, mix) + part * sizeof(MixBlock) + byte;
}
constexpr std::size_t LineOffset(int part, std::size_t field) {
    return offsetof(MusicStyle, melody) + part * sizeof(MelodySettings) + field;
}
constexpr std::size_t GridFlagOffset(std::size_t table, int gridPart) {
    return offsetof(MusicStyle, customHarmony) + table + gridPart * sizeof(std::int32_t);
}
constexpr std::size_t DrumGridOffset(std::size_t field) {
    return offsetof(MusicStyle, customHarmony) + kGridDrum * sizeof(GridPart) + field;
}

}  // namespace detail

// Voices, mix, octaves and densities of a part (StylePart index).
constexpr FieldWrite Voice(int part, int voice) {
    return detail::Put(WriteOp::kInt32, offsetof(MusicStyle, voice) + 4 * part, voice);
}
constexpr FieldWrite Mix(int part, int volume, int chorus, int reverb) {
    return detail::Put(WriteOp::kMixTriple, detail::MixOffset(part, offsetof(MixBlock, volume)),
                       volume | chorus << 8 | reverb << 16);
}
#define ZAW_MIX_BYTE(Name, member)                                                              \
    constexpr FieldWrite Name(int part, int value) {                                            \
        return detail::Put(WriteOp::kByte, detail::MixOffset(part, offsetof(MixBlock, member)), \
                           value);                                                              \
    }
ZAW_MIX_BYTE(Volume, volume)
ZAW_MIX_BYTE(Chorus, chorus)
ZAW_MIX_BYTE(Reverb, reverb)
ZAW_MIX_BYTE(Brightness, brightness)
ZAW_MIX_BYTE(Attack, attack)
ZAW_MIX_BYTE(Decay, decay)
ZAW_MIX_BYTE(Release, release)
ZAW_MIX_BYTE(Resonance, resonance)
ZAW_MIX_BYTE(Delay, delay)
ZAW_MIX_BYTE(HoldPedal, holdPedal)
#undef ZAW_MIX_BYTE

constexpr FieldWrite Octave(int part, int shift) {
    return detail::Put(WriteOp::kInt32, offsetof(MusicStyle, octave) + 4 * part, shift);
}
constexpr FieldWrite Density(int part, int percent) {
    return detail::Put(WriteOp::kInt32, offsetof(MusicStyle, density) + 4 * part, percent);
}

// The Melody part's melody settings beyond the six every row gives.
#define ZAW_LINE_FIELD(Name, member)                                                          \
    constexpr FieldWrite Name(int value) {                                                    \
        return detail::Put(WriteOp::kInt32,                                                   \
                           detail::LineOffset(kPartMelody, offsetof(MelodySettings, member)), \
                           value);                                                            \
    }
ZAW_LINE_FIELD(Ornament, ornament)
ZAW_LINE_FIELD(Effect, effect)
ZAW_LINE_FIELD(Voicing, voicing)
ZAW_LINE_FIELD(UpperLimit, upperLimit)
ZAW_LINE_FIELD(LowerLimit, lowerLimit)
ZAW_LINE_FIELD(Tension, tension)
ZAW_LINE_FIELD(RepeatRhythm, repeatRhythm)
ZAW_LINE_FIELD(RepeatMelody, repeatMelody)
ZAW_LINE_FIELD(AlgorithmParameter, algorithmParameter)
#undef ZAW_LINE_FIELD

// Single ints of the record.
#define ZAW_STYLE_INT(Name, member)                                               \
    constexpr FieldWrite Name(int value) {                                        \
        return detail::Put(WriteOp::kInt32, offsetof(MusicStyle, member), value); \
    }
ZAW_STYLE_INT(SubMelodyMethod, subMelodyMethod)
ZAW_STYLE_INT(SubDrumPattern, subDrumPattern)
ZAW_STYLE_INT(MelodyTableStrictness, melodyTableStrictness)
#undef ZAW_STYLE_INT

constexpr FieldWrite AdjustToChordTone() {
    return detail::Put(WriteOp::kInt32, offsetof(MusicStyle, adjustToChordTone), 1);
}
// Chords by motion calculation instead of the knowledge base.
constexpr FieldWrite ChordsByMotion() {
    return detail::Put(WriteOp::kInt32, offsetof(MusicStyle, chordGenerationMethod), 1);
}
constexpr FieldWrite OneChordPerBar() {
    return detail::Put(WriteOp::kInt32, offsetof(MusicStyle, chordsInBlock), 1);
}
constexpr FieldWrite FourChordBlocks() {
    return detail::Put(WriteOp::kInt32, offsetof(MusicStyle, blockLength), 4);
}
// The 16-bit accompaniment setting at 718 as its low and high byte.
constexpr FieldWrite Setting718(int low, int high) {
    return detail::Put(WriteOp::kInt16, offsetof(MusicStyle, setting718), high * 256 + low);
}

// Flags of the custom harmony block, per grid part (GridPartIndex).
constexpr FieldWrite UseX(int gridPart, int value) {
    return detail::Put(WriteOp::kInt32,
                       detail::GridFlagOffset(offsetof(CustomHarmonyBlock, useX), gridPart), value);
}
constexpr FieldWrite ContinueMajor(int gridPart, int value) {
    return detail::Put(
        WriteOp::kInt32,
        detail::GridFlagOffset(offsetof(CustomHarmonyBlock, continueMajor), gridPart), value);
}
constexpr FieldWrite Stroke(int gridPart, int value) {
    return detail::Put(WriteOp::kInt32,
                       detail::GridFlagOffset(offsetof(CustomHarmonyBlock, stroke), gridPart),
                       value);
}
// A hit in the Drum grid of set 0, and the drum code of one of its rows.
constexpr FieldWrite DrumCell(int row, int step) {
    return detail::Put(
        WriteOp::kInt32,
        detail::DrumGridOffset(offsetof(GridPart, noteTable) + 4 * (row * kGridSteps + step)), 1);
}
constexpr FieldWrite DrumInterval(int row, int code) {
    return detail::Put(WriteOp::kInt32,
                       detail::DrumGridOffset(offsetof(GridPart, pnInterval) + 4 * row), code);
}

constexpr FieldWrite TempoBpm(int bpm) {
    return detail::Put(WriteOp::kTempoBpm, offsetof(MusicStyle, tempo), bpm);
}
constexpr FieldWrite MelodyTable(int number) {
    return detail::Put(WriteOp::kMelodyTable, 0, number);
}
constexpr FieldWrite ObbligatoLine(int number) {
    return detail::Put(WriteOp::kObbligatoLine, 0, number);
}
constexpr FieldWrite ScaleNotes(int number) {
    return detail::Put(WriteOp::kScaleNotes, 0, number);
}
constexpr FieldWrite Grid(int number) {
    return detail::Put(WriteOp::kGrid, 0, number);
}
constexpr FieldWrite FixedRiff() {
    return detail::Put(WriteOp::kFixedRiff, 0, 0);
}
// The title shown while composing stays empty (the stored title is kept).
constexpr FieldWrite EmptyDisplayTitle() {
    return detail::Put(WriteOp::kZero, offsetof(MusicStyle, displayTitle), kDisplayTitleSize);
}

// ---- Shared tables the rows refer to by number ----

// Scale strings other than the major one.
enum ScaleNotesNumber : int {
    kScaleCdega = 1,           // C D E G A
    kScaleCefgb = 2,           // C E F G B
    kScaleBlues = 3,           // C D Eb F G A Bb
    kScaleNoSecond = 4,        // C E F G A B
    kScaleDoubleHarmonic = 5,  // C Db E F G Ab B
};
// The string of a scale number (1..5); null for any other number.
const char* ScaleNotesText(int number);

struct MelodyTableRows {
    std::int32_t interval[8];
    std::int32_t direction[8];
};
// Melody table number 1..8; null for any other number.
const MelodyTableRows* MelodyTableByNumber(int number);

// Obbligato line number 1..8; null for any other number.
const MelodySettings* ObbligatoLineByNumber(int number);

// ---- Rows ----

enum class KnowledgeBase : std::uint8_t { kDb, kDb2, kDbb };

// A voice by the "Use Group Inst." switch: off, on.
struct PresetVoice {
    std::int16_t off;
    std::int16_t on;
};
constexpr PresetVoice V(int voice) {
    return {static_cast<std::int16_t>(voice), static_cast<std::int16_t>(voice)};
}
constexpr PresetVoice V(int off, int on) {
    return {static_cast<std::int16_t>(off), static_cast<std::int16_t>(on)};
}
constexpr PresetVoice kUnused = V(kVoiceNotUsed);
// Left to the row's conditional writes.
constexpr PresetVoice kBySettings = V(-1);

struct PresetMix {
    std::uint8_t volume;
    std::uint8_t chorus;
    std::uint8_t reverb;
};

// The Melody part's line: dissonance, note length, syncopation, upper and
// lower limit, algorithm.
struct PresetLine {
    std::uint8_t dissonance;
    std::uint8_t noteLength;
    std::uint8_t syncopation;
    std::uint8_t upperLimit;
    std::uint8_t lowerLimit;
    std::uint8_t algorithm;
};

struct PresetRow {
    std::uint8_t category;
    std::uint8_t slot;
    const char* title;
    const char* description;  // null keeps the default text
    KnowledgeBase knowledgeBase;
    std::int32_t tempo;
    std::uint8_t metre;
    std::uint8_t key;
    std::uint8_t basicBeat;
    std::uint8_t bars;
    std::uint8_t scale;
    PresetVoice melody, bass, harmony, subHarmony, obbligato;
    std::int16_t drum;
    std::uint8_t harmonyPattern, subHarmonyPattern, rhythmPattern, bassPattern, chordProgression;
    std::uint8_t setting60;  // 0 keeps the default
    PresetMix mix[5];        // Melody, Bass, Harmony, Obbligato, Drum
    PresetLine line;
    std::uint8_t melodyDensity;
    std::initializer_list<FieldWrite> extras;
};

// Every built-in style, in catalogue order.
std::span<const PresetRow> PresetRows();

}  // namespace preset_data
