// The text form of a style file: one "[key]value" entry per setting, the
// melody settings of a part inside a "[[part]] ... [[/part]]" block, choices
// written by their display names so a user can read and edit the style.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "style/music_style.h"

// Longest value an entry may carry (the reader's scratch buffer, its
// terminating zero included); a longer value is refused.
constexpr std::size_t kStyleTextValueBufferSize = 64 * 1024;

// Applies every entry of the text to the style, in order. Bad entries are
// reported one box each and skipped; the fields they name keep their values
// unless the key's rules say otherwise. Keys that do not appear leave their
// fields as they were. Wherever a name (or a switch word) is expected, a
// plain decimal number is taken as the value itself.
void ReadStyleText(const std::uint8_t* text, std::size_t length, MusicStyle& style);

// Whether the text's first entry is a key or a part block the text form
// knows: a text that starts otherwise (or holds no entry) is no style text.
bool StyleTextHasSettings(const std::uint8_t* text, std::size_t length);

// Writes the whole text form of the style into out (replacing what it held)
// and returns its length in bytes. A value without a name of its own (or
// whose name reads as another value) is written as its number, which reads
// back as itself.
std::size_t WriteStyleText(const MusicStyle& style, std::string& out);

// The name the text form gives a drum-set code ("Acoustic Set" .. "Techno
// Set"); null for any other code.
const char* DrumSetTextName(int code);

// A choice as the text form names it: the display name and the value stored.
struct StyleChoiceName {
    const char* name;
    int value;
};

// The choice lists of the pattern, tune and melody fields, in the order the
// text form lists them (the pattern choosers list them so too).
enum class StyleChoiceList : int {
    kHarmonyPattern,   // "Harmony Pattern" and "Sub Harmony Pattern"
    kBassPattern,      // "Bass Patterm"
    kRhythmPattern,    // "Rhythm Pattern"
    kSubMelodyMethod,  // "Generation Method of Sub Melody"
    kSubDrumPattern,   // "Sub Drum Pattern"
    // The tune's settings.
    kKey,
    kTimeSignature,
    kBasicBeat,
    kScale,
    kChordGenerationMethod,
    kChordProgression,
    kBlockLength,
    kChordsInBlock,
    // A melodic part's settings.
    kDissonant,
    kNoteLength,
    kSyncopation,
    kRestNote,
    kEffect,
    kAbbellimenti,
    kVoicing,
    kAlgorithm,
    kTension,
    kRepeat,
};
std::span<const StyleChoiceName> StyleChoiceNames(StyleChoiceList list);
